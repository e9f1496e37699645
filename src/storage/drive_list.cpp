#include "storage/drive_list.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>

#include "framework/text_utils.h"
#include "storage/disk_info.h"
#include "storage/platform_volume.h"

namespace kova {

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return std::string(Trim(line));
}

// Orders names with numbers by their numbers: loop2 before loop10.
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

TXDriveType KindOfDisk(const std::string& name, const fs::path& dir) {
  if (StartsWithAny(name, {"loop", "ram", "zram"})) return TXDriveType::dtRAMDISK;
  if (name.starts_with("sr") || FirstLine(dir / "device" / "type") == "5") {
    return TXDriveType::dtCDROM;
  }
  if (StartsWithAny(name, {"nbd", "rbd"})) return TXDriveType::dtRemote;
  std::error_code error;
  std::string where = fs::canonical(dir, error).string();
  bool usb = where.find("/usb") != std::string::npos;
  if (FirstLine(dir / "removable") == "1" || usb || name.starts_with("mmcblk")) {
    return TXDriveType::dtRemovable;
  }
  return TXDriveType::dtFixed;
}

std::string ModelOf(const fs::path& dir) {
  std::string vendor = FirstLine(dir / "device" / "vendor");
  std::string model = FirstLine(dir / "device" / "model");
  if (model.empty()) model = FirstLine(dir / "device" / "name");
  return std::string(Trim(vendor + " " + model));
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

std::string TitleOfKind(TXDriveType type) {
  switch (type) {
    case TXDriveType::dtRemovable:
      return "Removable drive";
    case TXDriveType::dtFixed:
      return "Local disk";
    case TXDriveType::dtRemote:
      return "Network drive";
    case TXDriveType::dtCDROM:
      return "CD drive";
    case TXDriveType::dtRAMDISK:
      return "RAM disk";
    default:
      return "Drive";
  }
}

// "CANON_DC (/dev/sdb1, 7.40 GB, Generic SD Reader)": the label, else the model, else the kind;
// then the device, the size (or "no medium") and the model when it is not the title.
std::string CaptionOf(const TXDriveInfo& drive) {
  std::string title = !drive.Label.empty()   ? drive.Label
                      : !drive.Model.empty() ? drive.Model
                                             : TitleOfKind(drive.Type);
  std::string caption = title + " (" + drive.DevicePath + ", ";
  caption += drive.Size > 0 ? FormatByteSize(drive.Size) : "no medium";
  if (!drive.Model.empty() && drive.Model != title) caption += ", " + drive.Model;
  return caption + ")";
}

TXDriveInfo MakeDrive(const std::string& name, const fs::path& dir, const std::string& disk,
                      TXDriveType type, const std::string& model, const TXPlatformPaths& paths,
                      const std::map<std::string, std::string>& labels) {
  TXDriveInfo drive;
  drive.Name = name;
  drive.DevicePath = (fs::path(paths.DevRoot) / name).string();
  drive.Disk = disk;
  std::error_code error;
  drive.Type = fs::exists(drive.DevicePath, error) ? type : TXDriveType::dtNoRoot;
  drive.Size = SizeOf(dir);
  drive.Model = model;
  if (auto label = labels.find(name); label != labels.end()) drive.Label = label->second;
  drive.Caption = CaptionOf(drive);
  return drive;
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

}  // namespace

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
    TXDriveType type = KindOfDisk(name, dir);
    std::string model = ModelOf(dir);
    drives.push_back(MakeDrive(name, dir, {}, type, model, paths, labels));
    for (const std::string& partition : PartitionNames(dir)) {
      drives.push_back(MakeDrive(partition, dir / partition, name, type, model, paths, labels));
    }
  }
  return drives;
}

std::string SystemDriveName(const std::vector<TXDriveInfo>& drives, const TXPlatformPaths& paths) {
  std::optional<TXMountEntry> root;
  for (TXMountEntry& entry : ReadMounts(paths.MountsFile)) {
    if (entry.MountPoint == "/") root = std::move(entry);
  }
  if (!root) return {};
  std::error_code error;
  fs::path source =
      fs::exists(root->Source, error) ? fs::canonical(root->Source, error) : fs::path(root->Source);
  std::string name = source.filename().string();
  auto named = [&](const TXDriveInfo& drive) { return drive.Name == name; };
  if (std::any_of(drives.begin(), drives.end(), named)) return name;
  // A source such as /dev/root names no drive: compare device numbers instead.
  struct stat info {};
  if (::stat(root->MountPoint.c_str(), &info) != 0) return {};
  std::string number =
      std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
  fs::path block = fs::path(paths.SysRoot) / "block";
  for (const TXDriveInfo& drive : drives) {
    fs::path dir = drive.Disk.empty() ? block / drive.Name : block / drive.Disk / drive.Name;
    if (FirstLine(dir / "dev") == number) return drive.Name;
  }
  return {};
}

TXDriveList::TXDriveList(TXPlatformPaths paths, TXDriveTypes types)
    : paths_(std::move(paths)), types_(types) {}

void TXDriveList::Refresh() {
  all_ = EnumerateDrives(paths_);
  std::string system = SystemDriveName(all_, paths_);
  auto found = std::find_if(all_.begin(), all_.end(),
                            [&](const TXDriveInfo& drive) { return drive.Name == system; });
  defaultIndex_ =
      system.empty() || found == all_.end() ? -1 : static_cast<int32_t>(found - all_.begin());
  selected_ = -1;
  selectedDrive_.clear();
  ApplyFilter();
  SelectInitial();
}

void TXDriveList::SetDriveTypes(TXDriveTypes types) {
  types_ = types;
  std::string kept = SelectedRoot();
  ApplyFilter();
  auto found = std::find_if(shown_.begin(), shown_.end(),
                            [&](const TXDriveInfo& drive) { return drive.DevicePath == kept; });
  Select(found == shown_.end() ? -1 : static_cast<int32_t>(found - shown_.begin()));
}

void TXDriveList::ApplyFilter() {
  shown_.clear();
  for (const TXDriveInfo& drive : all_) {
    if (types_.Contains(drive.Type)) shown_.push_back(drive);
  }
}

void TXDriveList::SelectInitial() {
  if (types_.Contains(TXDriveType::dtFixed) && defaultIndex_ >= 0) {
    const std::string& system = all_[static_cast<size_t>(defaultIndex_)].DevicePath;
    for (size_t i = 0; i < shown_.size(); ++i) {
      if (shown_[i].DevicePath == system) Select(static_cast<int32_t>(i));
    }
  }
  if (selected_ < 0 && !shown_.empty()) Select(0);
}

void TXDriveList::Select(int32_t index) {
  selected_ = index >= 0 && index < static_cast<int32_t>(shown_.size()) ? index : -1;
  selectedDrive_ = SelectedRoot();
  if (OnChange) OnChange();
}

std::string TXDriveList::SelectedRoot() const {
  return selected_ >= 0 ? shown_[static_cast<size_t>(selected_)].DevicePath : std::string();
}

}  // namespace kova
