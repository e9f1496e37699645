#include "output/sweep_saver.h"

#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>

#include "recovery/file_item.h"

namespace kova {

namespace {

// Whether every extent lies inside the sorted area.
bool Inside(const TXBlocks& blocks, const TXBlocks& area) {
  return std::ranges::all_of(blocks, [&area](const TXBlock& block) {
    auto holder = std::lower_bound(area.begin(), area.end(), block.Start,
                                   [](const TXBlock& a, int64_t pos) { return a.End() <= pos; });
    return holder != area.end() && holder->Start <= block.Start && block.End() <= holder->End();
  });
}

int64_t EndOf(const TXBlocks& blocks) {
  int64_t end = 0;
  for (const TXBlock& block : blocks)
    end = std::max(end, block.End());
  return end;
}

std::string CopiesFolder(const std::string& folder) {
  return (std::filesystem::path(folder) / (".kova-saving-" + std::to_string(::getpid()))).string();
}

}  // namespace

TXDRSweepSaver::TXDRSweepSaver(const std::string& folder, TXReaderOpener openReader,
                               TXChoice wanted)
    : folder_(CopiesFolder(folder)),
      openReader_(std::move(openReader)),
      wanted_(std::move(wanted)) {}

TXDRSweepSaver::~TXDRSweepSaver() {
  Discard();
}

void TXDRSweepSaver::Kept(const TXDRFileItem& item, bool inSweep) {
  if (!wanted_(item)) return;
  if (inSweep) {
    Save(item);
  } else {
    waiting_.push_back(&item);
  }
}

void TXDRSweepSaver::PassBegins(const TXBlocks& area) {
  area_ = area;
  for (const auto& [end, item] : thisPass_)
    waiting_.push_back(item);
  thisPass_.clear();
  std::erase_if(waiting_, [this](const TXDRFileItem* item) {
    if (!Inside(item->Blocks(), area_)) return false;
    thisPass_.emplace(EndOf(item->Blocks()), item);
    return true;
  });
}

void TXDRSweepSaver::Swept(int64_t position) {
  while (!thisPass_.empty() && thisPass_.begin()->first <= position) {
    const TXDRFileItem* item = thisPass_.begin()->second;
    thisPass_.erase(thisPass_.begin());
    Save(*item);
  }
}

const TXSweptCopy* TXDRSweepSaver::CopyOf(const TXDRFileItem& item) const {
  auto found = copies_.find(&item);
  return found == copies_.end() ? nullptr : &found->second;
}

void TXDRSweepSaver::Forget(const TXDRFileItem& item) {
  copies_.erase(&item);
}

void TXDRSweepSaver::Discard() {
  std::error_code error;
  for (const auto& [item, copy] : copies_)
    std::filesystem::remove(copy.Path, error);
  copies_.clear();
  std::filesystem::remove(folder_, error);
  savedBytes_ = 0;
}

bool TXDRSweepSaver::OpenReader() {
  if (reader_ || readerFailed_) return reader_ != nullptr;
  try {
    reader_ = openReader_();
  } catch (const std::exception&) {
    // Without a reader of its own the saver saves nothing; the restore reads every file.
  }
  readerFailed_ = reader_ == nullptr;
  return reader_ != nullptr;
}

// The scan thread's error record is the run's outcome: the copy's record must not touch it, and
// nothing that goes wrong here may stop the scan.
void TXDRSweepSaver::Save(const TXDRFileItem& item) {
  const TXErrorData before = ThreadError();
  try {
    if (OpenReader()) Copy(item);
  } catch (const std::exception&) {
    // The file is left to the restore.
  }
  SetThreadError(before.Code, before.OSError, before.Text);
}

void TXDRSweepSaver::Copy(const TXDRFileItem& item) {
  const std::string path =
      (std::filesystem::path(folder_) / (std::to_string(++count_) + ".part")).string();
  std::string saved;
  if (copier_.SaveBlocksToFile(item.Blocks(), *reader_, path, saved)) {
    copies_[&item] = {saved, ThreadError(), copier_.Unreadable()};
    savedBytes_ += item.Size();
  } else if (!saved.empty()) {
    std::error_code error;
    std::filesystem::remove(saved, error);
  }
}

}  // namespace kova
