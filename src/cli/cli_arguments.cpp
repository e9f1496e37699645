#include "cli/cli_arguments.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>

#include "cli/cli_texts.h"
#include "framework/oem_code_pages.h"
#include "framework/text_utils.h"
#include "persistence/lg_keys.h"
#include "recovery/file_types.h"
#include "recovery/found_file_queue.h"

namespace kova::cli {

namespace {

bool IsOption(std::string_view word) {
  return word.size() > 2 && word.starts_with("--");
}

const TXCliOption* FindOption(const std::vector<TXCliOption>& accepted, std::string_view name) {
  for (const TXCliOption& option : accepted) {
    if (option.Name == name) return &option;
  }
  return nullptr;
}

// The option's name and, for "--name=value", its value.
std::pair<std::string, std::optional<std::string>> SplitOption(std::string_view word) {
  std::string_view body = word.substr(2);
  size_t equals = body.find('=');
  if (equals == std::string_view::npos) return {std::string(body), std::nullopt};
  return {std::string(body.substr(0, equals)), std::string(body.substr(equals + 1))};
}

}  // namespace

const std::vector<TXCliOption>& EverywhereOptions() {
  static const std::vector<TXCliOption> options = {{"help", false}, {"version", false}};
  return options;
}

std::optional<std::string> TXCliArguments::Value(std::string_view option) const {
  auto found = Options.find(option);
  if (found == Options.end()) return std::nullopt;
  return found->second;
}

std::string CommandWord(const std::vector<std::string>& words,
                        const std::vector<TXCliOption>& options) {
  for (size_t i = 0; i < words.size(); ++i) {
    if (!IsOption(words[i])) return words[i];
    auto [name, value] = SplitOption(words[i]);
    const TXCliOption* option = FindOption(options, name);
    if (option && option->TakesValue && !value) ++i;
  }
  return {};
}

std::optional<TXCliUsageError> ParseArguments(const std::vector<std::string>& words,
                                              const std::vector<TXCliOption>& accepted,
                                              TXCliArguments& arguments) {
  arguments = {};
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (!IsOption(word)) {
      if (arguments.Command.empty()) {
        arguments.Command = word;
      } else {
        arguments.Positional.push_back(word);
      }
      continue;
    }
    auto [name, value] = SplitOption(word);
    const TXCliOption* option = FindOption(accepted, name);
    if (!option) option = FindOption(EverywhereOptions(), name);
    if (!option || (value && !option->TakesValue)) {
      return TXCliUsageError{Say(lg::kCliUnknownOption, {word})};
    }
    if (option->TakesValue && !value) {
      if (i + 1 >= words.size()) return TXCliUsageError{Say(lg::kCliMissingArgument, {word})};
      value = words[++i];
    }
    arguments.Options[name] = value.value_or("");
  }
  return std::nullopt;
}

std::optional<uint16_t> ParseCodePage(std::string_view text) {
  const std::optional<int64_t> number = ParseInteger(Trim(text));
  if (!number || *number <= 0 || *number > UINT16_MAX) return std::nullopt;
  const auto codePage = static_cast<uint16_t>(*number);
  if (!IsKnownCodePage(codePage)) return std::nullopt;
  return codePage;
}

std::optional<int64_t> ParseSize(std::string_view text) {
  text = Trim(text);
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
    ++digits;
  std::optional<int64_t> number = ParseInteger(text.substr(0, digits));
  if (digits == 0 || !number || *number <= 0) return std::nullopt;
  const std::string unit = UpperCase(Trim(text.substr(digits)));
  static const std::vector<std::pair<std::string_view, int64_t>> kUnits = {
      {"", 1},
      {"B", 1},
      {"KB", 1000},
      {"MB", 1000000},
      {"GB", 1000000000},
      {"TB", 1000000000000},
      {"KIB", int64_t{1} << 10},
      {"MIB", int64_t{1} << 20},
      {"GIB", int64_t{1} << 30},
      {"TIB", int64_t{1} << 40}};
  for (const auto& [name, factor] : kUnits) {
    if (unit != name) continue;
    if (*number > std::numeric_limits<int64_t>::max() / factor) return std::nullopt;
    return *number * factor;
  }
  return std::nullopt;
}

std::optional<int32_t> ParseThreads(std::string_view text) {
  std::optional<int64_t> number = ParseInteger(text);
  if (!number || *number < 1 || *number > kMostPictureThreads) return std::nullopt;
  return static_cast<int32_t>(*number);
}

std::optional<std::vector<std::string>> ParseTypes(std::string_view text, std::string& unknown) {
  // Words for types beside the spellings of file names that the catalogue knows.
  static const std::map<std::string, std::string, std::less<>> kSpellings = {
      {".mp4v", ".mp4"}, {".quicktime", ".mov"}};
  std::vector<std::string> types;
  for (const std::string& word : SplitString(text, ',')) {
    std::string ext = LowerCase(Trim(word));
    if (ext.empty()) continue;
    if (ext.front() != '.') ext.insert(ext.begin(), '.');
    if (auto spelling = kSpellings.find(ext); spelling != kSpellings.end()) ext = spelling->second;
    ext = CatalogueExtension(ext);
    if (FileGroupOf(ext) == fgNone) {
      unknown = std::string(Trim(word));
      return std::nullopt;
    }
    types.push_back(ext);
  }
  if (types.empty()) {
    unknown = std::string(text);
    return std::nullopt;
  }
  return types;
}

}  // namespace kova::cli
