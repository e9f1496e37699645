#include "storage/drive_sysfs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>

#include "framework/text_utils.h"

namespace kova {

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& file) {
  return FirstLineOf(file.string());
}

std::vector<std::string> SortedNames(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), NaturalLess);
  return names;
}

bool StartsWithAny(const std::string& name, std::initializer_list<const char*> prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [&](const char* prefix) { return name.starts_with(prefix); });
}

bool IsAttachable(const std::string& name) {
  return StartsWithAny(name, {"loop", "ram", "zram", "nbd"});
}

std::string ModelOf(const fs::path& dir) {
  std::string words;
  for (const char* field : {"vendor", "model", "name"}) {
    std::string text = FirstLine(dir / "device" / field);
    if (text.empty() || IsBareNumber(text)) continue;
    if (std::string_view(field) == "name" && !words.empty()) continue;
    words += " " + text;
  }
  return std::string(Trim(words));
}

std::string BusOf(const std::string& name, const std::string& where) {
  if (name.starts_with("mmcblk")) return "sdio";
  for (const char* bus : {"usb", "nvme", "virtio", "ata", "mmc_host", "scsi"}) {
    if (where.find(std::string("/") + bus) == std::string::npos) continue;
    return std::string_view(bus) == "mmc_host" ? "sdio" : bus;
  }
  return {};
}

}  // namespace

TXMediumKind MediumOfReaderModel(const std::string& model) {
  static const std::vector<std::pair<std::string, TXMediumKind>> kWords = {
      {"sd", TXMediumKind::mkSDCard},       {"sdhc", TXMediumKind::mkSDCard},
      {"sdxc", TXMediumKind::mkSDCard},     {"microsd", TXMediumKind::mkSDCard},
      {"cf", TXMediumKind::mkCFCard},       {"compactflash", TXMediumKind::mkCFCard},
      {"ms", TXMediumKind::mkMemoryStick},  {"mspro", TXMediumKind::mkMemoryStick},
      {"xd", TXMediumKind::mkXDCard},       {"mmc", TXMediumKind::mkMMCCard},
      {"card", TXMediumKind::mkMemoryCard}, {"reader", TXMediumKind::mkMemoryCard}};
  std::string word;
  for (char c : LowerCase(model) + " ") {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      word += c;
      continue;
    }
    for (const auto& [known, kind] : kWords) {
      if (word == known) return kind;
    }
    word.clear();
  }
  return TXMediumKind::mkUnknown;
}

bool IsBareNumber(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isxdigit(static_cast<unsigned char>(c));
  });
}

namespace {

TXMediumKind MediumOfDisk(const std::string& name, const fs::path& dir, TXDriveType type,
                          const std::string& model) {
  if (name.starts_with("loop")) return TXMediumKind::mkLoop;
  if (name.starts_with("mmcblk"))
    return FirstLine(dir / "device" / "type") == "MMC" ? TXMediumKind::mkMMCCard
                                                       : TXMediumKind::mkSDCard;
  switch (type) {
    case TXDriveType::dtRAMDISK:
      return TXMediumKind::mkRAMDisk;
    case TXDriveType::dtCDROM:
      return TXMediumKind::mkOptical;
    case TXDriveType::dtRemote:
      return TXMediumKind::mkNetwork;
    case TXDriveType::dtRemovable:
      return MediumOfReaderModel(model);
    default:
      return StartsWithAny(name, {"vd", "xvd"}) ? TXMediumKind::mkVirtualDisk
                                                : TXMediumKind::mkHardDisk;
  }
}

TXDriveType KindOfDisk(const std::string& name, const fs::path& dir, const std::string& where) {
  if (StartsWithAny(name, {"ram", "zram"})) return TXDriveType::dtRAMDISK;
  if (name.starts_with("loop")) return TXDriveType::dtFixed;
  if (name.starts_with("sr") || FirstLine(dir / "device" / "type") == "5") {
    return TXDriveType::dtCDROM;
  }
  if (StartsWithAny(name, {"nbd", "rbd"})) return TXDriveType::dtRemote;
  bool usb = where.find("/usb") != std::string::npos;
  if (FirstLine(dir / "removable") == "1" || usb || name.starts_with("mmcblk")) {
    return TXDriveType::dtRemovable;
  }
  return TXDriveType::dtFixed;
}

int64_t SizeOf(const fs::path& dir) {
  return ParseInteger(FirstLine(dir / "size")).value_or(0) * 512;
}

// The udev label links decode "\x20" and the like.
std::string DecodeLabel(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::map<std::string, std::string> LabelsByName(const TXPlatformPaths& paths) {
  std::map<std::string, std::string> labels;
  std::error_code error;
  for (const auto& entry :
       fs::directory_iterator(fs::path(paths.DevRoot) / "disk" / "by-label", error)) {
    fs::path target = fs::read_symlink(entry.path(), error);
    if (!error) labels[target.filename().string()] = DecodeLabel(entry.path().filename().string());
  }
  return labels;
}

std::vector<std::string> PartitionNames(const fs::path& diskDir) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(diskDir, error)) {
    if (fs::exists(entry.path() / "partition", error))
      names.push_back(entry.path().filename().string());
  }
  return SortedNames(std::move(names));
}

// What a disk and its partitions share.
struct TXDiskFacts {
  TXDriveType Type;
  TXMediumKind Medium;
  std::string Model;
  std::string Bus;
};

TXDriveInfo MakeDrive(const std::string& name, const fs::path& dir, const std::string& disk,
                      const TXDiskFacts& facts, const TXPlatformPaths& paths,
                      const std::map<std::string, std::string>& labels) {
  TXDriveInfo drive;
  drive.Name = name;
  drive.DevicePath = (fs::path(paths.DevRoot) / name).string();
  drive.Disk = disk;
  std::error_code error;
  drive.Type = fs::exists(drive.DevicePath, error) ? facts.Type : TXDriveType::dtNoRoot;
  drive.Medium = facts.Medium;
  drive.Size = SizeOf(dir);
  drive.Model = facts.Model;
  drive.Bus = facts.Bus;
  if (auto label = labels.find(name); label != labels.end()) drive.Label = label->second;
  if (!disk.empty()) {
    drive.PartitionNumber =
        static_cast<uint32_t>(ParseInteger(FirstLine(dir / "partition")).value_or(0));
  }
  return drive;
}

}  // namespace

std::string FirstLineOf(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return std::string(Trim(line));
}

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    bool digitA = std::isdigit(static_cast<unsigned char>(a[i]));
    bool digitB = std::isdigit(static_cast<unsigned char>(b[j]));
    if (digitA && digitB) {
      size_t endA = a.find_first_not_of("0123456789", i);
      size_t endB = b.find_first_not_of("0123456789", j);
      std::string numberA = a.substr(i, endA - i);
      std::string numberB = b.substr(j, endB - j);
      numberA.erase(0, std::min(numberA.find_first_not_of('0'), numberA.size() - 1));
      numberB.erase(0, std::min(numberB.find_first_not_of('0'), numberB.size() - 1));
      if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
      if (numberA != numberB) return numberA < numberB;
      i = endA == std::string::npos ? a.size() : endA;
      j = endB == std::string::npos ? b.size() : endB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

std::vector<TXDriveInfo> EnumerateDrives(const TXPlatformPaths& paths) {
  fs::path block = fs::path(paths.SysRoot) / "block";
  std::vector<std::string> disks;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(block, error)) {
    disks.push_back(entry.path().filename().string());
  }
  auto labels = LabelsByName(paths);
  std::vector<TXDriveInfo> drives;
  for (const std::string& name : SortedNames(std::move(disks))) {
    fs::path dir = block / name;
    if (IsAttachable(name) && SizeOf(dir) == 0) continue;
    const std::string where = fs::canonical(dir, error).string();
    TXDiskFacts facts{KindOfDisk(name, dir, where), TXMediumKind::mkUnknown, ModelOf(dir),
                      BusOf(name, where)};
    facts.Medium = MediumOfDisk(name, dir, facts.Type, facts.Model);
    TXDriveInfo disk = MakeDrive(name, dir, {}, facts, paths, labels);
    disk.BackingFile = FirstLine(dir / "loop" / "backing_file");
    const std::vector<std::string> partitions = PartitionNames(dir);
    disk.HasPartitions = !partitions.empty();
    drives.push_back(std::move(disk));
    for (const std::string& partition : partitions) {
      drives.push_back(MakeDrive(partition, dir / partition, name, facts, paths, labels));
    }
  }
  return drives;
}

}  // namespace kova
