#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kova::cli {

// An option a command accepts: "--name" alone, or "--name VALUE" / "--name=VALUE".
struct TXCliOption {
  std::string_view Name;
  bool TakesValue = false;
};

// The command line after the program name: the command, its positional arguments and options.
struct TXCliArguments {
  std::string Command;
  std::vector<std::string> Positional;
  std::map<std::string, std::string, std::less<>> Options;

  bool Has(std::string_view option) const { return Options.contains(option); }
  std::optional<std::string> Value(std::string_view option) const;
};

// A usage error: the message says what is wrong (from the language texts).
struct TXCliUsageError {
  std::string Message;
};

// The options every command takes, and kova-cli without a command: --help and --version.
const std::vector<TXCliOption>& EverywhereOptions();

// Splits the words; options may stand before or after the command. Options not in `accepted`
// (besides the options taken everywhere) are a usage error, as is a value missing after an
// option that takes one.
std::optional<TXCliUsageError> ParseArguments(const std::vector<std::string>& words,
                                              const std::vector<TXCliOption>& accepted,
                                              TXCliArguments& arguments);

// The command name: the first word that is neither an option nor the value of one (`options`
// tells which options take a value); empty when there is none.
std::string CommandWord(const std::vector<std::string>& words,
                        const std::vector<TXCliOption>& options);

// "437", "850", "852", "858" or "866": an OEM code page of FAT short names. Nothing for another
// text.
std::optional<uint16_t> ParseCodePage(std::string_view text);

// "8GB", "512MB", "64GiB", "1000000000": a size in bytes (GB and MB count in powers of 1000, as
// card makers do; GiB and MiB in powers of 1024). Nothing for a text that is no positive size.
std::optional<int64_t> ParseSize(std::string_view text);

// "4": a number of threads, from 1 to kMostPictureThreads. Nothing for any other text.
std::optional<int32_t> ParseThreads(std::string_view text);

// "jpg,CR2,.mov,jpeg,tiff": the extensions with their dot, in lower case; common spellings of a
// type stand for its extension (jpeg and jpe for jpg, tiff for tif, mpeg for mpg, aiff for aif,
// ...). Nothing, with the unknown word in `unknown`, when one is not a type of the catalogue.
std::optional<std::vector<std::string>> ParseTypes(std::string_view text, std::string& unknown);

}  // namespace kova::cli
