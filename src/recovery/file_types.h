#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/persistent.h"
#include "recovery/file_type_catalogue.h"

namespace kova {

// A sorted list of lower-case extensions without duplicates (the run's extension filter).
using TXExtensionList = std::vector<std::string>;

// The catalogue extension that ext is another spelling of (".jpeg", ".jpe" and ".jfif" of ".jpg",
// ".tiff" of ".tif", ".heif" of ".heic", ".m2ts" of ".mts", ...), else ext itself; lower case.
std::string CatalogueExtension(std::string_view ext);
// The catalogue extensions of a group (lower case, with the dot) in catalogue order; empty for
// fgNone.
std::span<const std::string> GroupExtensions(TXDRFileGroup group);
// The group of an extension, ignoring case and spelling; fgNone outside the catalogue.
TXDRFileGroup FileGroupOf(std::string_view ext);
// True when the list (sorted, lower case) holds the extension, ignoring its case and spelling.
bool ListHasExtension(const TXExtensionList& list, std::string_view ext);
// True for a common type of the catalogue (in any spelling).
bool IsCommonType(std::string_view ext);

// Which file types the user wants the system to look for: the Booleans Images, Video and Audio,
// then one per catalogue extension named by the extension with its dot replaced by an underscore
// ("_jpg"), all published in catalogue order under those names.
class TXDRFileTypes : public TXPersistent {
  KOVA_PERSISTENT(TXDRFileTypes)

 public:
  static constexpr int32_t kPropertyCount = 3 + static_cast<int32_t>(std::size(kFileTypes));

  // Everything selected.
  TXDRFileTypes();

  bool Images() const { return values_[0]; }
  bool Video() const { return values_[1]; }
  bool Audio() const { return values_[2]; }
  void SetImages(bool value) { values_[0] = value; }
  void SetVideo(bool value) { values_[1] = value; }
  void SetAudio(bool value) { values_[2] = value; }
  // The flag of a catalogue extension (in any spelling); false for an extension outside the
  // catalogue.
  bool Selected(std::string_view ext) const;
  // Answers false for an extension outside the catalogue.
  bool SetSelected(std::string_view ext, bool value);

  // Every flag true.
  void SelectAll();
  // The product's default choice: the groups and the common types.
  void SetDefaults();
  // Resets to everything selected.
  void Clear() override { SelectAll(); }

  // The extensions of the groups that are on whose own flag is on, read by property name.
  TXExtensionList GetSelectedExtensions() const;
  // All catalogue extensions.
  static TXExtensionList GetAllExtensions();

 private:
  std::array<bool, kPropertyCount> values_{};
};

}  // namespace kova
