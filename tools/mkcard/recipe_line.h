#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "dos_entries.h"
#include "status.h"

namespace kova::mkcard {

// One recipe line split into its command, positional words and key=value options. Values may
// be double-quoted ("Holiday photo.jpg", with \" and \\ escapes); "#" outside quotes starts a
// comment.
class RecipeLine {
 public:
  // False for a malformed line; an empty or comment-only line gives an empty command.
  static Status Parse(std::string_view text, RecipeLine* line);

  const std::string& Command() const { return command_; }
  const std::vector<std::string>& Words() const { return words_; }
  bool Has(const std::string& key) const { return options_.count(key) != 0; }

  // Each accessor marks its key as used; a value that does not parse is a failure naming the key.
  std::optional<std::string> Text(const std::string& key);
  Status Number(const std::string& key,
                uint64_t* value);  // decimal or 0x hex, K/M/G suffixes (binary)
  Status Byte(const std::string& key, uint8_t* value);
  // A number up to `most`; a larger one is a failure naming the key.
  template <typename T>
  Status Limited(const std::string& key, uint64_t most, T* value) {
    uint64_t number = *value;
    if (Status ok = Number(key, &number); !ok) return ok;
    if (number > most) {
      return Status::Failure(key + "=" + std::to_string(number) + " is out of range (at most " +
                             std::to_string(most) + ")");
    }
    *value = static_cast<T>(number);
    return {};
  }
  // A sector count as partitioning tools take it: a plain number counts 512-byte sectors; with a
  // K, M or G suffix it is a size in bytes.
  Status Sectors(const std::string& key, uint64_t* sectors);
  Status Flag(const std::string& key, bool* value);  // yes/no, true/false, on/off, 1/0
  Status Size2D(const std::string& key, int* width, int* height);  // "1600x1200"
  Status Time(const std::string& key, std::optional<DosTime>* time);

  // Fails when an option was given that no accessor asked for.
  Status CheckAllUsed() const;

 private:
  std::string command_;
  std::vector<std::string> words_;
  std::map<std::string, std::string> options_;
  std::set<std::string> used_;
};

// Parses a number with an optional binary suffix (K, M, G, KiB, MiB, GiB) or a 0x hex number.
std::optional<uint64_t> ParseQuantity(std::string_view text);

}  // namespace kova::mkcard
