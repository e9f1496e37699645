#include "catalogue_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <vector>

#include "recovery/file_types.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {
namespace {

std::vector<std::vector<std::string>> Rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("#")) continue;
    std::vector<std::string>& fields = rows.emplace_back();
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');)
      fields.push_back(cell);
  }
  return rows;
}

TEST(CatalogueListingTest, EveryCatalogueTypeIsOneLineWithItsGroupUseFormatAndSpellings) {
  const std::string text = catalogue::CatalogueListing();
  ASSERT_TRUE(text.starts_with("# extension\t"));
  const auto rows = Rows(text);
  ASSERT_EQ(rows.size(), std::size(kFileTypes));
  size_t measured = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::string>& row = rows[i];
    ASSERT_EQ(row.size(), 5u) << i;
    EXPECT_EQ(row[0], kFileTypes[i].Ext);
    EXPECT_EQ(row[2], kFileTypes[i].Common ? "common" : "other");
    const TXDRScanFormatClass* format = ClassOfExt(row[0]);
    EXPECT_EQ(row[3], format ? std::string(format->Name) : "-") << row[0];
    measured += format != nullptr;
  }
  std::set<std::string_view> scanned;
  for (int32_t kind = 0; kind < kScanKindCount; ++kind)
    scanned.insert(ClassOfKind(static_cast<uint8_t>(kind)).Ext);
  EXPECT_EQ(measured, scanned.size()) << "every scan format's extension, once";

  EXPECT_EQ(rows[0], (std::vector<std::string>{".jpg", "images", "common", "TXDRScanFormatJPG",
                                               ".jpeg,.jpe,.jfif"}));
  const auto mts = std::ranges::find(rows, std::string(".mts"), [](const auto& r) { return r[0]; });
  ASSERT_NE(mts, rows.end());
  EXPECT_EQ(*mts,
            (std::vector<std::string>{".mts", "video", "other", "TXDRScanFormatMTS", ".m2ts"}));
  const auto wav = rows.back();
  EXPECT_EQ(wav, (std::vector<std::string>{".wav", "audio", "other", "-", "-"}));
}

}  // namespace
}  // namespace kova
