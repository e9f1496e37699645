#pragma once

#include <memory>

#include "framework/managed_object.h"
#include "storage/boot_sector.h"
#include "storage/disk_info.h"

namespace kova {

class TXStream;

// A file system read from a medium's stream (not owned), with a copy of what is known of the
// medium. Reads only.
class TXFileSystem : public TXObject {
 public:
  // Keeps the stream and the facts; a subclass reads its structures and answers whether it could.
  virtual bool Load(TXStream& stream, const TXDiskInfoRecord& diskInfo);
  virtual void Reset();

  TXStream* Stream() const { return stream_; }
  const TXDiskInfoRecord& DiskInfo() const { return diskInfo_; }
  TXFatType FatType() const { return fatType_; }

 protected:
  void SetFatType(TXFatType type) { fatType_ = type; }

 private:
  TXStream* stream_ = nullptr;
  TXDiskInfoRecord diskInfo_;
  TXFatType fatType_ = TXFatType::ftUnknown;
};

// What a medium holds when no file system is recognised on it.
class TXUnknownFileSystem final : public TXFileSystem {};

// The file system at offset 0 of the stream: a loaded TXFAT for a FAT16 or FAT32 volume whose
// table can be read, otherwise a TXUnknownFileSystem (FAT12 included). Read failures of the boot
// sector or the table reach the caller as EXError.
std::unique_ptr<TXFileSystem> OpenFileSystem(TXStream& stream, const TXDiskInfoRecord& diskInfo);

}  // namespace kova
