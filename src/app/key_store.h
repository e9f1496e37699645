#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The user's key store: the Linux home of what the program keeps in the current user's registry
// hive on Windows. Keys form a tree addressed by paths such as "Software\Velmora\Kova7\" (the
// separator is a backslash, a final one is optional); each key holds named text values and
// subkeys, both in the order they were added. Names compare without regard to case.
namespace kova {

class TXKey {
 public:
  using TXValue = std::pair<std::string, std::string>;

  explicit TXKey(std::string name = {}) : name_(std::move(name)) {}
  TXKey(const TXKey&) = delete;
  TXKey& operator=(const TXKey&) = delete;

  const std::string& Name() const { return name_; }

  const std::vector<TXValue>& Values() const { return values_; }
  std::optional<std::string> Value(std::string_view name) const;
  // Replaces the value of that name in place, or appends a new one.
  void SetValue(std::string_view name, std::string value);
  bool DeleteValue(std::string_view name);

  const std::vector<std::unique_ptr<TXKey>>& Subkeys() const { return subkeys_; }
  TXKey* FindSubkey(std::string_view name) const;
  // The subkey of that name, created (at the end) when missing.
  TXKey& CreateSubkey(std::string_view name);
  bool DeleteSubkey(std::string_view name);

  bool IsEmpty() const { return values_.empty() && subkeys_.empty(); }
  // Drops every value and subkey.
  void Clear();

 private:
  std::string name_;
  std::vector<TXValue> values_;
  std::vector<std::unique_ptr<TXKey>> subkeys_;
};

// A whole hive: a nameless root key and its tree.
class TXKeyStore {
 public:
  TXKeyStore() = default;
  TXKeyStore(const TXKeyStore&) = delete;
  TXKeyStore& operator=(const TXKeyStore&) = delete;

  TXKey& Root() { return root_; }
  const TXKey& Root() const { return root_; }

  // The key at the path, or nullptr when a part of it is missing (the empty path is the root).
  TXKey* OpenKey(std::string_view path) const;
  // The key at the path, created with every missing parent.
  TXKey& CreateKey(std::string_view path);
  // Removes the key with everything below it; false when it did not exist.
  bool DeleteKey(std::string_view path);

  void Clear();

 private:
  TXKey root_;
};

// The names of a key path, without empty parts ("A\\B\" gives "A", "B").
std::vector<std::string> SplitKeyPath(std::string_view path);
// The path of a subkey: the key path with a final separator, the name and a final separator.
std::string SubkeyPath(std::string_view path, std::string_view name);

}  // namespace kova
