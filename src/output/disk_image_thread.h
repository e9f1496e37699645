#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "output/cluster_error_dialog.h"
#include "run/dr_thread.h"
#include "storage/bad_sector_map.h"

namespace kova {

class TXCustomBufStream;
class TXFileStream;
class TXRescueReader;
struct TXAreaRead;

// Copies a drive unit by unit (one cluster, 1024 bytes when the cluster size is unknown) into a
// new memory card image file and appends the disk-information trailer, in every case, also when
// the copy ends early. The worker is named "ImageFile"; the log lines of the copy leave the
// thread as TXLogStringAspect notifications posted through the worker.
//
// The copy is written under "<name>.incomplete<ext>" (numbered when taken) and given the chosen
// name, replacing a file of that name, only once every unit and the trailer are written. A copy
// that stops early (cancelled, finished early, the drive gone) stays under the incomplete name
// with a trailer that says how many bytes it holds (CopiedBytes); a copy whose writing failed is
// removed. The copy does not start without room for the whole drive and its trailer. The run
// data's ImageFile names the file left.
//
// The drive is read by its rescue reader (TXRescueReader): a window that fails is trimmed to its
// bad sectors, so a unit that cannot be read whole is written as read, with zeros in exactly its
// unreadable sectors, and logged (by its own number) with its neighbours as a bad range. Beside
// the image the copy keeps a GNU ddrescue mapfile, "<image>.map" (ImageMapFileOf), written after
// every unreadable unit, every 64 MiB and at the end: which bytes the image holds as read, which
// could not be read, and which were never asked for (skipped units, the rest of a copy that
// stopped early). The last log lines say how much was unreadable.
// A copy that stopped early is resumed by the next copy of a drive of the same size into the same
// image name: its incomplete file and mapfile are taken up and only what the mapfile gives as
// untried is read, so that no byte the image holds is read again; a new bad area met there is
// put to the user as in a first copy.
// Unless the user chose to ignore all errors, when a unit cannot be read the thread asks on the
// engine's thread what to do (ErrorDialog, TXDRClusterErrorDialog) and waits for the answer. A
// vanished drive ends the copy with code 11; finishing early ends it with the pending read error
// (14 when there is none); a cancel with code 1. A copy that met an unreadable unit ends with that
// read error (44, or 13). The worker's figures count the bytes copied of the drive's size and, as
// failures, the units written as zeros. The drive is only read, and the image file is refused when
// writing it could change the drive: on the drive's own disk, or the drive itself when a file
// stands in for it.
class TXDRDiskImageThread : public TXCustomDRThread {
 public:
  TXDRDiskImageThread(TXRef<IXWorker> worker, TXDRData& data);
  ~TXDRDiskImageThread() override;

  std::string ImagePath;
  TXDRClusterErrorDialog& ErrorDialog() { return dialog_; }

 protected:
  void Execute() override;

 private:
  void Copy();
  bool FindEarlierCopy(int64_t size);
  std::unique_ptr<TXFileStream> OpenEarlierCopy(int64_t size);
  void CopyMissing(TXRescueReader& reader, TXFileStream& image);
  int64_t AnswerNewBadArea(const TXAreaRead& read);
  void CheckSpace(int64_t size);
  std::unique_ptr<TXFileStream> CreateImage();
  // Writes the trailer, closes the image and gives it the name it keeps; removes a copy that
  // could not be written.
  void Settle(std::unique_ptr<TXFileStream> image, int64_t size);
  bool WriteTrailer(TXFileStream& image, int64_t size);
  void CopyUnits(TXCustomBufStream& source, TXFileStream& image);
  // The bytes of the unit at pos (and of the whole units after it that the window holds).
  std::span<const uint8_t> ReadUnit(TXCustomBufStream& source, int64_t pos, int64_t size);
  int64_t GoodLead(const TXBadSectorMap& drive, int64_t pos, std::span<const uint8_t> bytes) const;
  void WriteGoodUnits(std::span<const uint8_t> bytes, TXFileStream& image);
  // Handles a unit with unreadable sectors: asks, logs and writes it as read (and zeros for the
  // units skipped after it); false when the copy is to stop.
  bool WriteFailedUnit(std::span<const uint8_t> bytes, TXFileStream& image);
  void TakeDriveStates(int64_t pos, int64_t size);
  void SaveMapEvery(int64_t bytes);
  void SaveMap();
  void WriteZeros(TXFileStream& image, int64_t count);
  void AskAboutUnit();
  bool ShouldStop() const;
  void ShowProgress(int64_t size);

  void OpenBadRange();
  void PostBadRange();
  void PostLog(const std::string& line);
  void PostUnitLine(uint32_t id, int64_t a);
  void PostRangeLine(uint32_t id, int64_t a, int64_t b);
  void Finish();

  TXDRClusterErrorDialog dialog_;
  int64_t unit_ = 0;
  int64_t remaining_ = 0;
  int64_t chunk_ = 0;
  int64_t badFirst_ = -1;  // the open bad range, -1 when none is open
  int64_t badLast_ = -1;
  bool started_ = false;  // the image file was created
  std::string workName_;  // the file being written
  std::string fate_;      // the last log line: what became of an incomplete copy
  std::vector<uint8_t> straddling_;
  std::vector<uint8_t> zeros_;
  struct TXAlignedFree {
    void operator()(uint8_t* bytes) const { ::operator delete[](bytes, std::align_val_t{4096}); }
  };
  TXBadSectorMap map_;       // what the image holds
  int64_t unsavedFrom_ = 0;  // the untried bytes when the mapfile was last written
  int mapError_ = 0;         // why the mapfile could not be written, once told
};

}  // namespace kova
