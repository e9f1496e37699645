#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/error_data.h"
#include "framework/stream.h"
#include "output/restore_files.h"
#include "recovery/blocks.h"
#include "run/sweep_sink.h"

namespace kova {

class TXDRFileItem;

// A found file's bytes saved during the scan, under a temporary name.
struct TXSweptCopy {
  std::string Path;
  TXErrorData Record;  // what the copy met (a read error: the copy is damaged), as a restore would
  int64_t Unreadable = 0;  // bytes that are zeros for want of a reading
};

// Saves found files while the scan's sweep passes them, so that a recovery reads the medium once:
// a file of the directories when the pass that reads its area has read its last byte, a file
// found by the search as soon as it is kept (the search has just measured it). Its bytes are
// still in the system's cache then; they are read through a reader of its own (opened when first
// needed) and written by the restore's copier into a hidden folder inside the restore folder.
// The restore gives each copy its final name (RestoreFiles); what is left is removed with the
// saver. A file that cannot be saved here is left to the restore, which reads it as it always did.
class TXDRSweepSaver final : public IXDRSweepSink {
 public:
  using TXReaderOpener = std::function<std::unique_ptr<TXStream>()>;
  using TXChoice = std::function<bool(const TXDRFileItem& item)>;

  // Saves the files that `wanted` accepts, reading through what `openReader` opens.
  TXDRSweepSaver(const std::string& folder, TXReaderOpener openReader, TXChoice wanted);
  ~TXDRSweepSaver();
  TXDRSweepSaver(const TXDRSweepSaver&) = delete;
  TXDRSweepSaver& operator=(const TXDRSweepSaver&) = delete;

  void Kept(const TXDRFileItem& item, bool inSweep) override;
  void PassBegins(const TXBlocks& area) override;
  void Swept(int64_t position) override;

  // The saved copy of the file, or nullptr.
  const TXSweptCopy* CopyOf(const TXDRFileItem& item) const;
  // The copy has been moved to its final name (or removed): the saver forgets it.
  void Forget(const TXDRFileItem& item);
  // The bytes of the files saved so far.
  int64_t SavedBytes() const { return savedBytes_; }
  // Removes every copy and its folder.
  void Discard();

 private:
  void Save(const TXDRFileItem& item);
  void Copy(const TXDRFileItem& item);
  bool OpenReader();

  const std::string folder_;  // the hidden folder of the copies
  TXReaderOpener openReader_;
  TXChoice wanted_;
  std::unique_ptr<TXStream> reader_;
  bool readerFailed_ = false;
  TXExtentCopier copier_;
  std::vector<const TXDRFileItem*> waiting_;              // files of the directories not yet due
  std::multimap<int64_t, const TXDRFileItem*> thisPass_;  // due when the pass reaches the key
  std::unordered_map<const TXDRFileItem*, TXSweptCopy> copies_;
  TXBlocks area_;
  int64_t savedBytes_ = 0;
  int64_t count_ = 0;
};

}  // namespace kova
