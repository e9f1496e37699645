#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "support/test_paths.h"

// A udisks2 service for tests: a private D-Bus bus (a real dbus-daemon) and the fake service of
// tools/fakeudisks on it, serving the objects a test describes.
namespace kova::test {

// A dbus-daemon of its own that every user may join, stopped when the object goes.
class PrivateBus {
 public:
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // The bus address; empty when the daemon could not be started (the reason in Problem()).
  const std::string& Address() const { return address_; }
  const std::string& Problem() const { return problem_; }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  std::string address_;
  std::string problem_;
};

// Sets an environment variable for the lifetime of the object (programs the test starts see it).
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

using UDisksValue = std::variant<std::string, int64_t, bool>;
using UDisksProperties = std::vector<std::pair<std::string, UDisksValue>>;

// What the fake service exports and how it opens devices (the rules of tools/fakeudisks).
class UDisksMachine {
 public:
  static std::string DrivePath(const std::string& id);
  static std::string BlockPath(const std::string& name);

  // A drive (the hardware) and the block devices: a whole disk (of no drive when `drive` is
  // empty: a loop device), or a partition of `disk`.
  void Drive(const std::string& id, UDisksProperties properties);
  // A "Generic" USB card reader for cards of `media` ("flash_sd", "flash_cf", or "" when it does
  // not say), with a card in it or not.
  void CardReader(const std::string& id, const std::string& model, const std::string& media,
                  bool withCard = true);
  void Disk(const std::string& name, const std::string& device, int64_t size,
            const std::string& drive, UDisksProperties more = {});
  void Partition(const std::string& name, const std::string& device, const std::string& disk,
                 uint32_t number, int64_t size, UDisksProperties more = {});
  // Another interface on an object already described.
  void Interface(const std::string& path, const std::string& name, UDisksProperties properties);
  // How OpenForBackup answers for the device: "granted", "password", "refused", ... ; the
  // descriptor handed over is of `file`.
  void Open(const std::string& device, const std::string& file, const std::string& access);

  std::string Json() const;

 private:
  std::map<std::string, std::map<std::string, UDisksProperties>> objects_;
  std::map<std::string, std::pair<std::string, std::string>> rules_;
  std::map<std::string, std::string> driveOfDisk_;
};

// The fake service on a private bus, serving a machine's description.
class FakeUDisks {
 public:
  FakeUDisks(const PrivateBus& bus, const UDisksMachine& machine);
  ~FakeUDisks();
  FakeUDisks(const FakeUDisks&) = delete;
  FakeUDisks& operator=(const FakeUDisks&) = delete;

  bool Ready() const { return ready_; }
  // One line per opening asked for: "OpenForBackup /dev/sdb ask" ("quiet" when the caller did
  // not let the service ask the user).
  std::vector<std::string> Calls() const;

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  bool ready_ = false;
};

}  // namespace kova::test
