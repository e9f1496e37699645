#include "fat/file_system.h"

#include "fat/fat_table.h"
#include "framework/stream.h"

namespace kova {

bool TXFileSystem::Load(TXStream& stream, const TXDiskInfoRecord& diskInfo) {
  stream_ = &stream;
  diskInfo_ = diskInfo;
  return true;
}

void TXFileSystem::Reset() {
  stream_ = nullptr;
  diskInfo_.Clear();
  fatType_ = TXFatType::ftUnknown;
}

std::unique_ptr<TXFileSystem> OpenFileSystem(TXStream& stream, const TXDiskInfoRecord& diskInfo) {
  auto fat = std::make_unique<TXFAT>();
  stream.Seek(0, TXSeekOrigin::soBeginning);
  stream.Read(fat->BootSector().Bytes().data(), TXBootSector::kSize);
  TXFatType type = fat->BootSector().Type();
  bool wanted = type == TXFatType::ftFat16 || type == TXFatType::ftFat32;
  if (wanted && fat->Load(stream, diskInfo)) return fat;
  auto unknown = std::make_unique<TXUnknownFileSystem>();
  unknown->Load(stream, diskInfo);
  return unknown;
}

}  // namespace kova
