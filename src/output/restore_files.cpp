#include "output/restore_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <exception>
#include <filesystem>
#include <vector>

#include "framework/error_data.h"
#include "output/kernel_copy.h"
#include "recovery/blocks.h"
#include "storage/buf_stream.h"
#include "storage/byte_window.h"
#include "storage/platform_files.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

namespace fs = std::filesystem;

constexpr int64_t kLastNumber = 2147483646;
constexpr size_t kLongestName = NAME_MAX;
constexpr int64_t kCopyChunk = 1 << 20;

// The separator and NUL cannot be in a Linux file name; control characters (tabs, line breaks,
// escapes) can, but would garble every listing of the folder.
bool IsUnfitInFileName(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return c == '/' || byte < 0x20 || byte == 0x7F;
}

// The start of the UTF-8 character at `at` or before it, so that a cut there splits none.
size_t CharacterStart(const std::string& text, size_t at) {
  while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
    --at;
  return at;
}

bool NameTaken(const std::string& name) {
  struct stat facts {};
  return ::lstat(name.c_str(), &facts) == 0;
}

// The first number from `from` on whose name is free; -1 when none is.
int64_t FirstFreeNumber(const std::string& path, int64_t from) {
  for (int64_t number = from; number <= kLastNumber; ++number) {
    if (!NameTaken(NumberedFileName(path, number))) return number;
  }
  return -1;
}

void CreateFolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  int error = 0;
  if (!folder.empty()) CreateFolderWithParents(folder.string(), error);
}

void CopyThroughBuffer(TXStream& source, int64_t start, int64_t size, TXStream& dest) {
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min(size, kCopyChunk)));
  for (int64_t done = 0; done < size;) {
    const int64_t n = std::min<int64_t>(size - done, static_cast<int64_t>(chunk.size()));
    try {
      source.SetPosition(start + done);
      source.ReadBuffer(chunk.data(), n);
    } catch (...) {
      AbsorbReadFailure(chunk.data(), n);
    }
    dest.WriteBuffer(chunk.data(), n);
    done += n;
  }
}

// The stretch of the medium that a failed read turned into zeros: the buffered window's whole
// window, else what the window shows from the failed position on.
const TXBadSectorMap* BadSectorsOf(TXStream& source) {
  auto* buffered = dynamic_cast<TXCustomBufStream*>(&source);
  return buffered ? buffered->BadSectors().get() : nullptr;
}

// The stretches of the window shown at pos that are zeros for want of a reading: the
// unreadable areas the medium's map knows, else the whole window.
std::vector<TXBlock> FailedStretches(TXStream& source, int64_t pos, size_t shown) {
  auto* buffered = dynamic_cast<TXCustomBufStream*>(&source);
  if (!buffered) return {{pos, static_cast<int64_t>(shown)}};
  const int64_t start = buffered->WindowStart();
  const int64_t size = buffered->BufferSize();
  const TXBadSectorMap* map = buffered->BadSectors().get();
  if (!map) return {{start, size}};
  std::vector<TXBlock> stretches;
  for (const TXSectorArea& area : map->AreasWithin(start, size))
    if (IsUnreadableState(area.State)) stretches.push_back({area.Pos, area.Size});
  return stretches;
}

int64_t Overlap(const TXBlock& a, int64_t pos, int64_t size) {
  return std::max<int64_t>(0, std::min(a.End(), pos + size) - std::max(a.Start, pos));
}

}  // namespace

std::string SafeFileName(std::string_view name) {
  std::string safe(name);
  std::replace_if(safe.begin(), safe.end(), IsUnfitInFileName, '_');
  if (safe == "." || safe == "..") return "_";
  if (safe.size() <= kLongestName) return safe;
  const size_t dot = safe.rfind('.');
  const std::string ext = dot != std::string::npos && dot > 0 && safe.size() - dot <= 16
                              ? safe.substr(dot)
                              : std::string();
  // Leaves room for the numbers of the collision rule.
  return safe.substr(0, CharacterStart(safe, kLongestName - ext.size() - 10)) + ext;
}

std::string NumberedFileName(const std::string& path, int64_t number) {
  if (number == 0) return path;
  const fs::path name(path);
  return (name.parent_path() / name.stem()).string() + std::to_string(number) +
         name.extension().string();
}

std::string UniqueFileName(const std::string& path) {
  CreateFolderOf(path);
  const int64_t number = FirstFreeNumber(path, 0);
  return number < 0 ? std::string() : NumberedFileName(path, number);
}

std::unique_ptr<TXFileStream> CreateUniqueFile(const std::string& path, std::string& createdName) {
  CreateFolderOf(path);
  for (int64_t number = FirstFreeNumber(path, 0); number >= 0;
       number = FirstFreeNumber(path, number + 1)) {
    createdName = NumberedFileName(path, number);
    try {
      return std::make_unique<TXFileStream>(createdName, TXFileMode::fmCreateNew);
    } catch (const std::exception& error) {
      RecordException(error);
      if (ThreadError().OSError != EEXIST) return nullptr;
    }
  }
  SetThreadError(kErrOsError, EEXIST, path + ": every numbered name is taken");
  return nullptr;
}

TXExtentCopier::TXExtentCopier(TXKernelCopy kernelCopy) : kernelCopy_(kernelCopy) {}

bool TXExtentCopier::CopyBlocks(const TXBlocks& blocks, TXStream& source, TXStream& dest) {
  ClearThreadError();
  unreadable_ = 0;
  try {
    Adopt(source);
    for (const TXBlock& block : blocks) {
      if (block.Size > 0) CopyExtent(block, source, dest);
    }
    CountUnreadable(blocks, source);
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  }
}

bool TXExtentCopier::SaveBlocksToFile(const TXBlocks& blocks, TXStream& source,
                                      const std::string& path, std::string& savedName) {
  savedName.clear();
  ClearThreadError();
  std::unique_ptr<TXFileStream> file = CreateUniqueFile(path, savedName);
  if (!file) return false;
  return CopyBlocks(blocks, source, *file);
}

void TXExtentCopier::Adopt(TXStream& source) {
  if (&source == source_) return;
  source_ = &source;
  failed_.clear();
  // A window left by an earlier reader may be one whose read failed, and nothing here would know
  // that its zeros are not the medium's bytes.
  if (auto* buffered = dynamic_cast<TXCustomBufStream*>(&source))
    buffered->SetBufferSize(buffered->BufferSize());
}

void TXExtentCopier::CopyExtent(const TXBlock& block, TXStream& source, TXStream& dest) {
  const int64_t available = std::clamp<int64_t>(source.Size() - block.Start, 0, block.Size);
  if (auto* window = dynamic_cast<IXByteWindow*>(&source)) {
    CopyWindows(source, *window, block.Start, available, dest);
  } else {
    CopyThroughBuffer(source, block.Start, available, dest);
    Copied(available);
  }
  if (available < block.Size) {
    RaiseThreadError(kErrEndOfStream, 0,
                     "the file runs beyond the end of the medium at offset " +
                         std::to_string(block.Start + available));
  }
}

void TXExtentCopier::CopyWindows(TXStream& source, IXByteWindow& window, int64_t start,
                                 int64_t size, TXStream& dest) {
  const int64_t step = KernelWindowSize(source, dest);
  if (step == 0) {
    CopyThroughWindow(source, window, start, size, dest);
    return;
  }
  for (int64_t pos = start, end = start + size; pos < end;) {
    const int64_t next = std::min(end, (pos / step + 1) * step);
    const bool whole = pos % step == 0 && next - pos == step;
    if (!whole || !CopyWindowInKernel(source, pos, step, dest))
      CopyThroughWindow(source, window, pos, next - pos, dest);
    pos = next;
  }
}

int64_t TXExtentCopier::KernelWindowSize(TXStream& source, TXStream& dest) const {
  if (kernelRefused_ || !kernelCopy_ || ImageFileHandle(source) < 0 || FileHandle(dest) < 0)
    return 0;
  return static_cast<TXCustomBufStream&>(source).BufferSize();
}

bool TXExtentCopier::CopyWindowInKernel(TXStream& source, int64_t start, int64_t size,
                                        TXStream& dest) {
  if (kernelRefused_ || FailedStretchWithin(start, size)) return false;
  const int in = ImageFileHandle(source);
  const int out = FileHandle(dest);
  const int64_t to = dest.Position();
  for (int64_t done = 0; done < size;) {
    const int64_t n = kernelCopy_(in, start + done, out, to + done, size - done);
    if (n < 0 && KernelCopyRefused(static_cast<int>(-n))) kernelRefused_ = true;
    // Whatever the kernel wrote of this window is written over by the buffered window.
    if (n <= 0) return false;
    done += n;
  }
  dest.Seek(size, TXSeekOrigin::soCurrent);
  Copied(size);
  return true;
}

void TXExtentCopier::CopyThroughWindow(TXStream& source, IXByteWindow& window, int64_t start,
                                       int64_t size, TXStream& dest) {
  for (int64_t pos = start, end = start + size; pos < end;) {
    const std::span<const uint8_t> bytes = WindowOrZeros(source, window, pos);
    if (bytes.empty()) RaiseThreadError(kErrRead, 0, "the medium shows no bytes there");
    const int64_t n = std::min<int64_t>(end - pos, static_cast<int64_t>(bytes.size()));
    NoteFailedStretch(pos, n);
    dest.WriteBuffer(bytes.data(), n);
    Copied(n);
    pos += n;
  }
}

void TXExtentCopier::Copied(int64_t bytes) const {
  if (OnCopied) OnCopied(bytes);
}

std::span<const uint8_t> TXExtentCopier::WindowOrZeros(TXStream& source, IXByteWindow& window,
                                                       int64_t pos) {
  try {
    return window.WindowAt(pos);
  } catch (const EXError& error) {
    if (error.Code() == kErrNotReady) throw;
  }
  const std::span<const uint8_t> zeros = window.WindowAt(pos);
  for (const TXBlock& stretch : FailedStretches(source, pos, zeros.size()))
    if (!FailedStretchWithin(stretch.Start, stretch.Size)) failed_.push_back(stretch);
  return zeros;
}

// What the map knows of the source counts; without one, the stretches whose reads failed. Holes
// that a map gives an image file fail no read, so they leave the read error here.
void TXExtentCopier::CountUnreadable(const TXBlocks& blocks, TXStream& source) {
  const TXBadSectorMap* map = BadSectorsOf(source);
  int64_t first = -1;
  for (const TXBlock& block : blocks) {
    if (map) {
      const int64_t bytes = map->UnreadableWithin(block.Start, block.Size);
      if (bytes > 0 && first < 0) first = block.Start;
      unreadable_ += bytes;
      continue;
    }
    for (const TXBlock& stretch : failed_)
      unreadable_ += Overlap(stretch, block.Start, block.Size);
  }
  if (unreadable_ > 0 && first >= 0) NoteFailedStretch(first, 0, true);
}

void TXExtentCopier::NoteFailedStretch(int64_t pos, int64_t size, bool known) const {
  if (ThreadError().Code != kErrNone) return;
  const TXBlock* stretch = known ? nullptr : FailedStretchWithin(pos, size);
  if (!known && !stretch) return;
  SetThreadError(kErrRead, 0,
                 "the medium could not be read at offset " +
                     std::to_string(stretch ? stretch->Start : pos) + "; those bytes are zeros");
}

const TXBlock* TXExtentCopier::FailedStretchWithin(int64_t pos, int64_t size) const {
  const auto found = std::find_if(failed_.begin(), failed_.end(), [&](const TXBlock& stretch) {
    return pos < stretch.End() && pos + size > stretch.Start;
  });
  return found == failed_.end() ? nullptr : &*found;
}

}  // namespace kova
