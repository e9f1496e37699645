#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "support/test_paths.h"

// This build as `cmake --install` lays it out under a temporary prefix, and the programs that
// check what it installed.
namespace kova::test {

class InstalledTree {
 public:
  // Installs everything, or only the install component given.
  explicit InstalledTree(const std::string& component = {});

  bool Installed() const { return install_.Status == 0; }
  const std::string& Log() const { return install_.Err; }
  std::filesystem::path operator/(const std::string& relative) const { return prefix_ / relative; }

 private:
  TempDir prefix_;
  CliResult install_;
};

// The lines of a text file.
std::vector<std::string> ReadLines(const std::filesystem::path& file);

// The width and height a PNG file declares; {0, 0} for a file that is no PNG.
std::pair<uint32_t, uint32_t> PngSize(const std::filesystem::path& file);

// What the bash completion of `completionFile` offers for a command line whose last word is the
// one being completed, as bash calls it: COMP_WORDS split at the characters that break words.
std::set<std::string> Completions(const std::filesystem::path& completionFile,
                                  const std::vector<std::string>& words);

// The names kova-cli's own tables know: its commands, and the options (without "--") that one
// command takes (its own and those every command takes), or without a command every option.
std::set<std::string> CliCommandNames();
std::set<std::string> CliOptionNames(const std::string& command = {});

}  // namespace kova::test
