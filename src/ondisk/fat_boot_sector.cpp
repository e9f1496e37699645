#include "ondisk/fat_boot_sector.h"

#include <algorithm>
#include <bit>

#include "framework/oem_code_pages.h"
#include "framework/text_utils.h"

namespace kova {

namespace {

// The 8-byte type text at `at`, up to its first zero byte, without blanks and control characters
// around it.
std::string TypeTextAt(const std::array<uint8_t, TXBootSector::kSize>& bytes, size_t at) {
  std::string text(reinterpret_cast<const char*>(bytes.data() + at), 8);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return std::string(Trim(text));
}

constexpr std::string_view kNoName = "NO NAME";

}  // namespace

std::string FatTypeName(TXFatType type) {
  switch (type) {
    case TXFatType::ftFat12:
      return "FAT12";
    case TXFatType::ftFat16:
      return "FAT16";
    case TXFatType::ftFat32:
      return "FAT32";
    default:
      return {};
  }
}

bool IsFatFileSystemName(std::string_view name) {
  for (std::string_view known : {"FAT", "FAT12", "FAT16", "FAT32", "vfat"}) {
    if (SameText(name, known)) return true;
  }
  return false;
}

std::string DecodeFatLabel(std::span<const uint8_t> label, uint16_t codePage) {
  std::string text(Trim(OemToUtf8(label.first(std::min<size_t>(label.size(), 11)), codePage)));
  return text == kNoName ? std::string() : text;
}

TXBootSector::TXBootSector(std::span<const uint8_t> bytes) {
  std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), bytes_.begin());
}

TXFatType TXBootSector::TypeByText() const {
  std::string small = TypeTextAt(bytes_, 54);
  if (small == "FAT12") return TXFatType::ftFat12;
  if (small == "FAT16") return TXFatType::ftFat16;
  if (TypeTextAt(bytes_, 82) == "FAT32") return TXFatType::ftFat32;
  return TXFatType::ftUnknown;
}

int64_t TXBootSector::DataSector() const {
  int64_t sector = BytesPerSector();
  int64_t rootSectors = sector ? (RootDirBytes() + sector - 1) / sector : 0;
  return ReservedSectors() + int64_t{FatCount()} * FatSectors() + rootSectors;
}

bool TXBootSector::IsPlausible() const {
  uint32_t sector = BytesPerSector();
  uint32_t perCluster = SectorsPerCluster();
  if (bytes_[0] != 0xEB && bytes_[0] != 0xE9) return false;
  if (sector < 512 || sector > 4096 || !std::has_single_bit(sector)) return false;
  if (perCluster == 0 || !std::has_single_bit(perCluster)) return false;
  if (ReservedSectors() == 0 || FatCount() == 0 || FatSectors() == 0) return false;
  return DataSector() < TotalSectors();
}

TXFatType TXBootSector::Type() const {
  TXFatType byText = TypeByText();
  if (byText != TXFatType::ftUnknown || !IsPlausible()) return byText;
  int64_t clusters = (TotalSectors() - DataSector()) / SectorsPerCluster();
  if (clusters < 4085) return TXFatType::ftFat12;
  if (clusters < 65525) return TXFatType::ftFat16;
  return TXFatType::ftFat32;
}

size_t TXBootSector::ExtendedFields() const {
  return Type() == TXFatType::ftFat32 ? 64 : 36;
}

uint32_t TXBootSector::VolumeSerial() const {
  return U32(ExtendedFields() + 3);
}

std::string TXBootSector::VolumeLabel(uint16_t codePage) const {
  if (!HasSerialAndLabel()) return {};
  return DecodeFatLabel(std::span<const uint8_t>(bytes_.data() + ExtendedFields() + 7, 11),
                        codePage);
}

int64_t TXBootSector::FatOffset(uint32_t k) const {
  return int64_t{k} * FatBytes() + int64_t{ReservedSectors()} * BytesPerSector();
}

int64_t TXBootSector::DataOffset() const {
  int64_t sector = BytesPerSector();
  if (RootEntries() == 0 || sector == 0) return RootDirOffset();
  return RootDirOffset() + (RootDirBytes() + sector - 1) / sector * sector;
}

int64_t TXBootSector::ClusterOffset(uint32_t cluster) const {
  return DataOffset() + (int64_t{cluster} - 2) * ClusterBytes();
}

int64_t TXBootSector::ClusterCount() const {
  if (SectorsPerCluster() == 0 || BytesPerSector() == 0) return 0;
  // Whole clusters only: a piece of a cluster at the end of the volume holds no cluster.
  int64_t dataSectors = int64_t{TotalSectors()} - DataOffset() / BytesPerSector();
  return dataSectors < 0 ? 0 : dataSectors / SectorsPerCluster() + 2;
}

}  // namespace kova
