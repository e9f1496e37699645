#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "card_manifest.h"
#include "support/test_paths.h"

// The whole-card recipes of tests/cards, for the tests that run over every one of them, and what
// their manifests say was written.
namespace kova::test {

inline std::filesystem::path CardRecipePath(const std::string& name) {
  return SourceDir() / "tests" / "cards" / (name + ".recipe");
}

// The recipes by name (the file name without ".recipe"), sorted.
inline std::vector<std::string> CardRecipeNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(SourceDir() / "tests" / "cards")) {
    if (entry.path().extension() == ".recipe") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A recipe's name as a test name, which may not hold "-".
inline std::string CardRecipeTestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

// The bytes of a manifest record's extents on the card (the saved image's bytes), in file order.
inline std::vector<uint8_t> WrittenBytes(const std::vector<uint8_t>& card,
                                         const mkcard::ManifestRecord& record) {
  std::vector<uint8_t> bytes;
  for (const mkcard::Extent& extent : record.extents) {
    const auto from = card.begin() + static_cast<std::ptrdiff_t>(extent.offset);
    bytes.insert(bytes.end(), from, from + static_cast<std::ptrdiff_t>(extent.size));
  }
  return bytes;
}

}  // namespace kova::test
