#include "support/udisks_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

extern char** environ;

namespace kova::test {

namespace {

// Starts the program with its standard output on a pipe (and its error output nowhere when
// `quiet`); answers the pid and the read end.
pid_t Spawn(std::vector<std::string> words, int& output, bool quiet = false) {
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);
  int pipe[2];
  if (::pipe(pipe) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipe[0]);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  output = pipe[0];
  return pid;
}

std::string FirstLine(int fd) {
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n')
    line += c;
  ::close(fd);
  return line;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
}

std::string Quoted(const std::string& text) {
  std::string json = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') json += '\\';
    json += c;
  }
  return json + "\"";
}

std::string JsonOf(const UDisksValue& value) {
  if (auto* text = std::get_if<std::string>(&value)) return Quoted(*text);
  if (auto* flag = std::get_if<bool>(&value)) return *flag ? "true" : "false";
  return std::to_string(std::get<int64_t>(value));
}

std::string JsonOf(const UDisksProperties& properties) {
  std::string json;
  for (const auto& [name, value] : properties)
    json += (json.empty() ? "" : ",") + Quoted(name) + ":" + JsonOf(value);
  return "{" + json + "}";
}

}  // namespace

// A bus like a session bus that every user of the machine may join (a test runs kova-cli as
// another user against it), on an abstract socket.
constexpr const char* kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
)";

PrivateBus::PrivateBus() {
  std::ofstream(dir_ / "bus.conf") << kBusConfig;
  int output = -1;
  pid_ = Spawn({"dbus-daemon", "--config-file=" + (dir_ / "bus.conf").string(), "--nofork",
                "--nopidfile", "--print-address=1"},
               output, true);
  if (pid_ < 0) {
    problem_ = "dbus-daemon cannot be started (package dbus-daemon)";
    return;
  }
  address_ = FirstLine(output);
  if (address_.empty()) problem_ = "dbus-daemon printed no address";
}

PrivateBus::~PrivateBus() {
  Stop(pid_);
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value)
    : name_(std::move(name)) {
  if (const char* previous = std::getenv(name_.c_str())) previous_ = previous;
  ::setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
  if (previous_) {
    ::setenv(name_.c_str(), previous_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

std::string UDisksMachine::DrivePath(const std::string& id) {
  return "/org/freedesktop/UDisks2/drives/" + id;
}

std::string UDisksMachine::BlockPath(const std::string& name) {
  return "/org/freedesktop/UDisks2/block_devices/" + name;
}

void UDisksMachine::Drive(const std::string& id, UDisksProperties properties) {
  Interface(DrivePath(id), "org.freedesktop.UDisks2.Drive", std::move(properties));
}

void UDisksMachine::CardReader(const std::string& id, const std::string& model,
                               const std::string& media, bool withCard) {
  Drive(id, {{"Vendor", "Generic"},
             {"Model", model},
             {"ConnectionBus", "usb"},
             {"MediaRemovable", true},
             {"MediaAvailable", withCard},
             {"Media", withCard ? media : std::string()}});
}

void UDisksMachine::Disk(const std::string& name, const std::string& device, int64_t size,
                         const std::string& drive, UDisksProperties more) {
  driveOfDisk_[name] = drive.empty() ? std::string("/") : DrivePath(drive);
  UDisksProperties block = {{"Device", device}, {"Size", size}, {"Drive", driveOfDisk_[name]}};
  block.insert(block.end(), more.begin(), more.end());
  Interface(BlockPath(name), "org.freedesktop.UDisks2.Block", std::move(block));
}

void UDisksMachine::Partition(const std::string& name, const std::string& device,
                              const std::string& disk, uint32_t number, int64_t size,
                              UDisksProperties more) {
  UDisksProperties block = {{"Device", device}, {"Size", size}, {"Drive", driveOfDisk_[disk]}};
  block.insert(block.end(), more.begin(), more.end());
  Interface(BlockPath(name), "org.freedesktop.UDisks2.Block", std::move(block));
  Interface(BlockPath(name), "org.freedesktop.UDisks2.Partition",
            {{"Number", int64_t{number}}, {"Table", BlockPath(disk)}, {"Size", size}});
  Interface(BlockPath(disk), "org.freedesktop.UDisks2.PartitionTable", {{"Type", "dos"}});
}

void UDisksMachine::Interface(const std::string& path, const std::string& name,
                              UDisksProperties properties) {
  objects_[path][name] = std::move(properties);
}

void UDisksMachine::Open(const std::string& device, const std::string& file,
                         const std::string& access) {
  rules_[device] = {file, access};
}

std::string UDisksMachine::Json() const {
  std::string objects;
  for (const auto& [path, interfaces] : objects_) {
    std::string described;
    for (const auto& [name, properties] : interfaces)
      described += (described.empty() ? "" : ",") + Quoted(name) + ":" + JsonOf(properties);
    objects += (objects.empty() ? "" : ",") + Quoted(path) + ":{" + described + "}";
  }
  std::string rules;
  for (const auto& [device, rule] : rules_) {
    rules += (rules.empty() ? "" : ",") + Quoted(device) + ":{\"file\":" + Quoted(rule.first) +
             ",\"access\":" + Quoted(rule.second) + "}";
  }
  return "{\"objects\":{" + objects + "},\"open\":{" + rules + "}}";
}

FakeUDisks::FakeUDisks(const PrivateBus& bus, const UDisksMachine& machine) {
  if (bus.Address().empty()) return;
  std::ofstream(dir_ / "machine.json") << machine.Json();
  std::ofstream(dir_ / "calls.log").close();
  int output = -1;
  pid_ = Spawn({(BinaryDir() / "tools/fakeudisks/fake-udisks2").string(), bus.Address(),
                (dir_ / "machine.json").string(), (dir_ / "calls.log").string()},
               output);
  ready_ = pid_ > 0 && FirstLine(output) == "ready";
}

FakeUDisks::~FakeUDisks() {
  Stop(pid_);
}

std::vector<std::string> FakeUDisks::Calls() const {
  std::vector<std::string> calls;
  std::ifstream log(dir_ / "calls.log");
  for (std::string line; std::getline(log, line);)
    calls.push_back(line);
  return calls;
}

}  // namespace kova::test
