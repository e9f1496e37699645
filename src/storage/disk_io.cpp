#include "storage/disk_io.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <vector>

#include "framework/error_data.h"
#include "storage/safe_read.h"

namespace kova {

TXStreamIO::~TXStreamIO() {
  Close();
}

bool TXStreamIO::Open(const std::string& path, uint8_t mode) {
  path_ = path;
  mode_ = mode;
  Close();
  try {
    if (mode & ioWrite) {
      RaiseThreadError(DeniedCode(), EROFS, path + ": sources are opened for reading only");
    }
    DoOpen();
    if (IsOpen()) return true;
  } catch (const std::exception& error) {
    RecordException(error);
  }
  if (ThreadError().Code == kErrNone) ThreadError().Code = kErrOsError;
  Close();
  return false;
}

void TXStreamIO::Close() {
  try {
    DoClose();
  } catch (const std::exception&) {
    stream_.reset();
  }
}

void TXCustomDiskIO::WriteDiskInfo(TXStream& dest) const {
  std::string xml = DiskInfo.ToXml();
  dest.WriteBuffer(xml.data(), static_cast<int64_t>(xml.size()));
}

void TXDiskIO::UseBadSectors(const std::string& path, std::shared_ptr<TXBadSectorMap> map) {
  mapPath_ = path;
  badSectors_ = std::move(map);
}

bool TXDiskIO::CountFreeSpace() {
  if (!DiskStream()) return false;
  // Exactly the table's bytes, through the drive's map: no window of data around them, and no
  // sector known to be unreadable asked for again.
  TXRescueReader& reader = DiskStream()->Reader();
  bool gone = false;
  DiskInfo.CountFreeSpace([&reader, &gone](int64_t offset, void* bytes, int64_t count) {
    const TXAreaRead read = reader.ReadArea(offset, static_cast<uint8_t*>(bytes), count);
    gone = gone || read.Gone;
    return !read.Gone && read.Count == count;
  });
  return !gone;
}

void TXDiskIO::DoOpen() {
  DiskInfo.Clear();
  if (mapPath_ != Path()) badSectors_.reset();
  auto stream = std::make_unique<TXBufDiskStream>(Path(), kMediumWindowSize, badSectors_, CodePage);
  stream->Reader().TryEverySector = TryEverySector;
  DiskInfo = stream->DiskInfo();
  mapPath_ = Path();
  badSectors_ = stream->BadSectors();
  SetStream(std::move(stream));
}

void TXFileDiskIO::DoOpen() {
  auto stream = std::make_unique<TXBufFileStream>(Path(), kMediumWindowSize);
  DiskInfo.Clear();
  DiskInfo.TotalSpace = stream->Size();
  ReadTrailer(*stream);
  DiskInfo.RootPath = Path();
  DiskInfo.DiskSize = stream->Size();
  stream->SetPosition(0);
  stream->SetBadSectors(LoadImageMap(stream->Size()));
  SetStream(std::move(stream));
}

std::shared_ptr<TXBadSectorMap> TXFileDiskIO::LoadImageMap(int64_t imageSize) const {
  std::string error;
  const bool chosen = !MapFile.empty();
  std::optional<TXBadSectorMap> map =
      TXBadSectorMap::LoadMapfile(chosen ? MapFile : ImageMapFileOf(Path()), error);
  if (!map && chosen) RaiseThreadError(kErrOsError, 0, error);
  if (!map) return nullptr;
  // Bytes of the image beyond the map (a trailer) were never part of the card.
  map->MarkUntriedBad();
  if (map->Size() < imageSize) {
    const int64_t mapped = map->Size();
    map->Resize(imageSize);
    map->Mark(mapped, imageSize - mapped, TXSectorState::ssFinished);
  }
  return std::make_shared<TXBadSectorMap>(std::move(*map));
}

// The trailer is the last "<xml>" of the file's end: the tag cannot occur inside the trailer,
// whose texts are escaped, while card data before it may hold anything.
void TXFileDiskIO::ReadTrailer(TXCustomBufStream& stream) {
  int64_t fileSize = stream.Size();
  int64_t length = std::min(fileSize, kTrailerSearchSize);
  if (length <= 0) return;
  std::string tail(static_cast<size_t>(length), '\0');
  SafeReadAt(stream, tail.data(), length, fileSize - length);
  size_t start = tail.rfind("<xml>");
  if (start == std::string::npos) return;
  DiskInfo.FromXml(std::string_view(tail).substr(start));
}

}  // namespace kova
