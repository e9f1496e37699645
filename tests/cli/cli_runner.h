#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_paths.h"

// Runs the real kova-cli program as a user would: its output, its error output and its exit
// status.
namespace kova::test {

struct CliResult {
  int Status = -1;  // the exit status; 128 + the signal when a signal ended it
  std::string Out;
  std::string Err;

  std::vector<std::string> OutLines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = Out.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(Out.substr(start, end - start));
    return lines;
  }
};

inline std::filesystem::path CliProgram() {
  return BinaryDir() / "src/cli/kova-cli";
}

inline std::string ReadAll(int fd) {
  std::string text;
  char buffer[65536];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(got));
  return text;
}

// kova-cli started with its output and error output on pipes; `prefix` may run it through
// another program (setpriv, script).
class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& prefix = {}, bool runsCli = true) {
    std::vector<std::string> words = prefix;
    if (runsCli) words.push_back(CliProgram().string());
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
      argv.push_back(word.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    if (::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~CliProcess() {
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
  }

  // The next line of standard output (without its line break); empty at the end.
  std::string ReadLine() {
    std::string line;
    char c;
    while (::read(out_, &c, 1) == 1 && c != '\n')
      line += c;
    return line;
  }
  void Signal(int signal) { ::kill(pid_, signal); }

  CliResult Finish(std::string alreadyRead = {}) {
    CliResult result;
    result.Out = std::move(alreadyRead) + ReadAll(out_);
    result.Err = ReadAll(err_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
};

// Any program with its arguments, for the tests' own set-up (losetup).
inline CliResult RunProgram(const std::vector<std::string>& words) {
  return CliProcess(words, {}, false).Finish();
}

inline CliResult RunCli(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& prefix = {}) {
  return CliProcess(arguments, prefix).Finish();
}

// The card attached read-only to a loop device: a real block device.
class LoopDevice {
 public:
  explicit LoopDevice(const std::filesystem::path& image) {
    CliResult attached = RunCli(
        {}, {"sh", "-c", "losetup --find --show --read-only '" + image.string() + "'", "--"});
    std::string device = attached.Out.substr(0, attached.Out.find('\n'));
    if (attached.Status == 0 && device.starts_with("/dev/loop")) device_ = device;
  }
  ~LoopDevice() {
    if (!device_.empty()) RunProgram({"losetup", "-d", device_});
  }
  const std::string& Device() const { return device_; }

 private:
  std::string device_;
};

}  // namespace kova::test
