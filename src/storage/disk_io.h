#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/error_data.h"
#include "framework/managed_object.h"
#include "framework/stream.h"
#include "storage/buf_disk_stream.h"
#include "storage/buf_stream.h"
#include "storage/disk_info.h"

namespace kova {

// Access flags of an input. Sources are only ever read: a request for writing is refused.
inline constexpr uint8_t ioRead = 4;
inline constexpr uint8_t ioWrite = 8;

class IXStreamIO {
 public:
  virtual bool Open(const std::string& path, uint8_t mode) = 0;
  virtual void Close() = 0;
  virtual TXCustomBufStream* Stream() const = 0;

 protected:
  ~IXStreamIO() = default;
};

// An input: one buffered, read-only stream over a whole medium, open or closed. Open always passes
// through closed; a failed Open leaves it closed with the reason in the thread's error record.
class TXStreamIO : public TXObject, public IXStreamIO {
 public:
  ~TXStreamIO() override;

  bool Open(const std::string& path, uint8_t mode = ioRead) override;
  void Close() override;
  TXCustomBufStream* Stream() const override { return stream_.get(); }
  bool IsOpen() const { return stream_ != nullptr; }

  const std::string& Path() const { return path_; }
  uint8_t Mode() const { return mode_; }

 protected:
  // Creates the stream (raising on failure).
  virtual void DoOpen() {}
  virtual void DoClose() { stream_.reset(); }
  // The code that refuses a request for writing.
  virtual int32_t DeniedCode() const { return kErrAccessDenied; }
  void SetStream(std::unique_ptr<TXCustomBufStream> stream) { stream_ = std::move(stream); }

 private:
  std::string path_;
  uint8_t mode_ = ioRead;
  std::unique_ptr<TXCustomBufStream> stream_;
};

// An input that knows the volume it reads.
class TXCustomDiskIO : public TXStreamIO {
 public:
  // Writes the disk-information trailer at dest's position (the image copier appends it).
  void WriteDiskInfo(TXStream& dest) const;

  TXDiskInfoRecord DiskInfo;
};

// A drive: a block device path such as /dev/sdb or /dev/sdb1 (or a device put in place by a
// test). DiskSize is the device's whole size; a drive without medium does not open (code 11).
class TXDiskIO : public TXCustomDiskIO {
 public:
  TXBufDiskStream* DiskStream() const { return static_cast<TXBufDiskStream*>(Stream()); }
  // The map of the drive last opened (none before the first opening).
  const std::shared_ptr<TXBadSectorMap>& BadSectors() const { return badSectors_; }
  // The next opening of `path` reads with this map (an image copy resumed from its mapfile).
  void UseBadSectors(const std::string& path, std::shared_ptr<TXBadSectorMap> map);
  // The OEM code page the next opening decodes the drive's FAT label with (the run's).
  uint16_t CodePage = kDefaultCodePage;
  // Counts the free space of the open drive's FAT volume into DiskInfo, for where it is shown
  // (opening does not read the allocation table). False when the drive is gone.
  bool CountFreeSpace();
  // The drive's rescue reader asks for every sector inside a trimmed failure too (slow; see
  // TXRescueReader::TryEverySector), from the next opening on.
  bool TryEverySector = false;

 protected:
  void DoOpen() override;

 private:
  std::string mapPath_;
  std::shared_ptr<TXBadSectorMap> badSectors_;
};

// A memory card image file: the raw bytes of a card from offset 0, maybe followed by the
// disk-information trailer, which gives the volume facts. DiskSize is the whole file size.
class TXFileDiskIO : public TXCustomDiskIO {
 public:
  // The trailer is looked for in this many bytes at the end of the file.
  static constexpr int64_t kTrailerSearchSize = 32768;

  // The unreadable areas of the image come from this mapfile (Kova's or GNU ddrescue's), read at
  // every opening; an opening fails (code 4) when it cannot be read. When none is given, a
  // readable mapfile beside the image ("<image>.map", as an image copy leaves it) is used.
  std::string MapFile;

 protected:
  void DoOpen() override;
  int32_t DeniedCode() const override { return kErrFileAccessDenied; }

 private:
  void ReadTrailer(TXCustomBufStream& stream);
  std::shared_ptr<TXBadSectorMap> LoadImageMap(int64_t imageSize) const;
};

}  // namespace kova
