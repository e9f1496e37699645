#include "recovery/file_types.h"

#include <algorithm>
#include <utility>

#include "framework/text_utils.h"

namespace kova {

namespace {

constexpr TXDRFileGroup kGroups[] = {fgImages, fgVideo, fgAudio};
constexpr const char* kGroupProperties[] = {"Images", "Video", "Audio"};
constexpr int32_t kFirstTypeSlot = std::ssize(kGroupProperties);

std::vector<std::string> ExtensionsOf(TXDRFileGroup group) {
  std::vector<std::string> extensions;
  for (const TXFileType& type : kFileTypes) {
    if (type.Group == group) extensions.emplace_back(type.Ext);
  }
  return extensions;
}

const TXFileType* TypeOf(std::string_view ext) {
  const std::string lower = CatalogueExtension(ext);
  const auto* type = std::ranges::find(kFileTypes, lower, &TXFileType::Ext);
  return type != std::end(kFileTypes) ? type : nullptr;
}

std::string PropertyNameOf(std::string_view ext) {
  return "_" + std::string(ext.substr(1));
}

// Property slot of a catalogue extension (after the group flags), or -1.
int32_t SlotOf(std::string_view ext) {
  const TXFileType* type = TypeOf(ext);
  return type ? kFirstTypeSlot + static_cast<int32_t>(type - std::begin(kFileTypes)) : -1;
}

std::vector<std::string> PropertyNames() {
  std::vector<std::string> names(std::begin(kGroupProperties), std::end(kGroupProperties));
  for (const TXFileType& type : kFileTypes)
    names.push_back(PropertyNameOf(type.Ext));
  return names;
}

void SortUnique(TXExtensionList& list) {
  std::ranges::sort(list);
  list.erase(std::unique(list.begin(), list.end()), list.end());
}

}  // namespace

std::string CatalogueExtension(std::string_view ext) {
  std::string lower = LowerCase(ext);
  for (const auto& [spelling, extension] : kOtherSpellings) {
    if (lower == spelling) return std::string(extension);
  }
  return lower;
}

std::span<const std::string> GroupExtensions(TXDRFileGroup group) {
  static const std::vector<std::string> images = ExtensionsOf(fgImages);
  static const std::vector<std::string> video = ExtensionsOf(fgVideo);
  static const std::vector<std::string> audio = ExtensionsOf(fgAudio);
  switch (group) {
    case fgImages:
      return images;
    case fgVideo:
      return video;
    case fgAudio:
      return audio;
    default:
      return {};
  }
}

TXDRFileGroup FileGroupOf(std::string_view ext) {
  const TXFileType* type = TypeOf(ext);
  return type ? type->Group : fgNone;
}

bool ListHasExtension(const TXExtensionList& list, std::string_view ext) {
  return std::ranges::binary_search(list, CatalogueExtension(ext));
}

bool IsCommonType(std::string_view ext) {
  const TXFileType* type = TypeOf(ext);
  return type && type->Common;
}

const TXClassInfo& TXDRFileTypes::StaticClassInfo() {
  static const TXClassInfo& info = []() -> const TXClassInfo& {
    TXClassBuilder<TXDRFileTypes> builder("TXDRFileTypes", TXPersistent::StaticClassInfo());
    std::vector<std::string> names = PropertyNames();
    for (size_t slot = 0; slot < names.size(); ++slot) {
      TXPropInfo prop;
      prop.Name = names[slot];
      prop.Kind = TXPropKind::Enum;
      prop.Identifiers = {"False", "True"};
      prop.GetOrdinal = [slot](const TXPersistent& o) -> int64_t {
        return static_cast<const TXDRFileTypes&>(o).values_[slot];
      };
      prop.SetOrdinal = [slot](TXPersistent& o, int64_t v) {
        static_cast<TXDRFileTypes&>(o).values_[slot] = v != 0;
      };
      builder.Custom(std::move(prop));
    }
    return builder.Build();
  }();
  return info;
}

TXDRFileTypes::TXDRFileTypes() {
  SelectAll();
}

bool TXDRFileTypes::Selected(std::string_view ext) const {
  int32_t slot = SlotOf(ext);
  return slot >= 0 && values_[static_cast<size_t>(slot)];
}

bool TXDRFileTypes::SetSelected(std::string_view ext, bool value) {
  int32_t slot = SlotOf(ext);
  if (slot < 0) return false;
  values_[static_cast<size_t>(slot)] = value;
  return true;
}

void TXDRFileTypes::SelectAll() {
  values_.fill(true);
}

void TXDRFileTypes::SetDefaults() {
  values_.fill(false);
  SetImages(true);
  SetVideo(true);
  SetAudio(true);
  for (const TXFileType& type : kFileTypes) {
    if (type.Common) SetSelected(type.Ext, true);
  }
}

TXExtensionList TXDRFileTypes::GetSelectedExtensions() const {
  TXExtensionList list;
  for (size_t g = 0; g < std::size(kGroups); ++g) {
    if (GetPropText(*this, kGroupProperties[g]) != "True") continue;
    for (const std::string& ext : GroupExtensions(kGroups[g])) {
      if (GetPropText(*this, PropertyNameOf(ext)) == "True") list.push_back(ext);
    }
  }
  SortUnique(list);
  return list;
}

TXExtensionList TXDRFileTypes::GetAllExtensions() {
  TXExtensionList list;
  for (const TXFileType& type : kFileTypes)
    list.emplace_back(type.Ext);
  SortUnique(list);
  return list;
}

}  // namespace kova
