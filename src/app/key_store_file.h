#pragma once

#include <cstdint>
#include <filesystem>

#include "app/key_store.h"

namespace kova {

// The file of the current user's key store: $XDG_CONFIG_HOME/velmora/kova7.conf, or
// ~/.config/velmora/kova7.conf when XDG_CONFIG_HOME is unset or not an absolute path.
std::filesystem::path UserKeyStorePath();

// Reads and replaces one key-store file. Failures answer false and leave the reason in the
// thread's error record; nothing here throws.
class TXKeyStoreFile {
 public:
  // A larger file is not a key store; it is treated as damaged and not read.
  static constexpr int64_t kMaxSize = 4 << 20;

  explicit TXKeyStoreFile(std::filesystem::path path = UserKeyStorePath())
      : path_(std::move(path)) {}

  const std::filesystem::path& Path() const { return path_; }
  // Where a damaged file is kept when it is replaced.
  std::filesystem::path DamagedPath() const;

  // Fills the store (emptied first) from the file. A missing file answers false with code 31;
  // a damaged one keeps every line that could be read and answers false with code 41 and the
  // problems as text; a file that cannot be read answers false with its error.
  bool Load(TXKeyStore& store) const;
  // Writes the store into a temporary file beside the target, flushes it to the disk and renames
  // it over the target, so that the file is always either the old or the new one. A damaged file
  // is first kept as DamagedPath(). Creates the folder (mode 0700) when missing.
  bool Save(const TXKeyStore& store) const;

 private:
  bool KeepWhenDamaged() const;

  std::filesystem::path path_;
};

}  // namespace kova
