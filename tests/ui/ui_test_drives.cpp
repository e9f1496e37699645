#include "ui_test_drives.h"

#include <filesystem>
#include <fstream>

namespace kova::test {

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& text) {
  std::ofstream(file) << text << "\n";
}

}  // namespace

FakeDrives::FakeDrives() {
  paths_.SysRoot = (dir_ / "sys").string();
  paths_.DevRoot = (dir_ / "dev").string();
  paths_.MountsFile = (dir_ / "mounts").string();
  fs::create_directories(dir_ / "sys" / "block");
  fs::create_directories(dir_ / "dev");
  Write(paths_.MountsFile, "/dev/sda2 / ext4 rw 0 0");
}

void FakeDrives::Disk(const std::string& name, int64_t bytes, bool removable,
                      const std::string& model) {
  const fs::path where = dir_ / "sys" / "devices" / (removable ? "usb1" : "ata1") / name;
  fs::create_directories(where / "device");
  fs::create_directory_symlink(where, dir_ / "sys" / "block" / name);
  Write(where / "size", std::to_string(bytes / 512));
  Write(where / "removable", removable ? "1" : "0");
  Write(where / "device" / "model", model);
  Node(name, bytes);
}

void FakeDrives::Partition(const std::string& disk, const std::string& name, int64_t bytes) {
  const fs::path dir = dir_ / "sys" / "block" / disk / name;
  fs::create_directories(dir);
  Write(dir / "partition", "1");
  Write(dir / "size", std::to_string(bytes / 512));
  Node(name, bytes);
}

std::string FakeDrives::Dev(const std::string& name) const {
  return (fs::path(paths_.DevRoot) / name).string();
}

void FakeDrives::Node(const std::string& name, int64_t bytes) {
  const fs::path node = fs::path(paths_.DevRoot) / name;
  std::ofstream(node).close();
  fs::resize_file(node, static_cast<uintmax_t>(bytes));
}

}  // namespace kova::test
