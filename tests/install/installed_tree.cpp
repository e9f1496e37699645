#include "installed_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "cli/cli_commands.h"
#include "support/test_files.h"

namespace kova::test {

InstalledTree::InstalledTree(const std::string& component) {
  std::vector<std::string> words = {KOVA_CMAKE_COMMAND, "--install", BinaryDir().string(),
                                    "--prefix", prefix_.Path().string()};
  if (!component.empty()) words.insert(words.end(), {"--component", component});
  install_ = RunProgram(words);
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

std::pair<uint32_t, uint32_t> PngSize(const std::filesystem::path& file) {
  const std::vector<uint8_t> bytes = ReadFileBytes(file);
  static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 24 || !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()))
    return {0, 0};
  auto bigEndian = [&](size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 |
           uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
  };
  return {bigEndian(16), bigEndian(20)};
}

std::set<std::string> Completions(const std::filesystem::path& completionFile,
                                  const std::vector<std::string>& words) {
  // Loads the file as bash-completion would, finds the function it registered for kova-cli and
  // calls it the way bash does.
  static const char kScript[] = R"(
    source "$1" || exit 2
    function=$(complete -p kova-cli | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
    [[ -n $function ]] || exit 3
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    "$function" kova-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}"
  )";
  std::vector<std::string> call = {"bash", "-c", kScript, "bash", completionFile.string()};
  call.insert(call.end(), words.begin(), words.end());
  const CliResult result = RunProgram(call);
  EXPECT_EQ(result.Status, 0) << result.Err;
  std::set<std::string> offered;
  for (const std::string& line : result.OutLines()) {
    if (!line.empty()) offered.insert(line);
  }
  return offered;
}

std::set<std::string> CliCommandNames() {
  std::set<std::string> names;
  for (const cli::TXCliCommand& command : cli::CliCommands())
    names.emplace(command.Name);
  return names;
}

std::set<std::string> CliOptionNames(const std::string& command) {
  std::set<std::string> names;
  for (const cli::TXCliOption& option : cli::EverywhereOptions())
    names.emplace(option.Name);
  for (const cli::TXCliCommand& each : cli::CliCommands()) {
    if (!command.empty() && each.Name != command) continue;
    for (const cli::TXCliOption& option : each.Options)
      names.emplace(option.Name);
  }
  return names;
}

}  // namespace kova::test
