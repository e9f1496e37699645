#include "recovery/file_types.h"

#include <algorithm>
#include <utility>

#include "framework/text_utils.h"

namespace kova {

namespace {

const std::vector<std::string> kImages = {
    ".jpg", ".heic", ".arw", ".cr2", ".cr3", ".dng", ".nef", ".orf", ".pef", ".raf",
    ".raw", ".tif",  ".3fr", ".ari", ".bay", ".bmp", ".cap", ".crw", ".dcr", ".dcs",
    ".drf", ".eip",  ".erf", ".fff", ".gif", ".iiq", ".jp2", ".jps", ".k25", ".kdc",
    ".mef", ".mos",  ".mpo", ".mrw", ".nrw", ".pcd", ".png", ".pns", ".psd", ".ptx",
    ".pxn", ".r3d",  ".rw1", ".rw2", ".rwz", ".srf", ".sr2", ".x3f"};
const std::vector<std::string> kVideo = {".avi", ".mov", ".mp4", ".mpg", ".3g2", ".3gp",
                                         ".cam", ".flv", ".m1v", ".m2t", ".m2v", ".m4v",
                                         ".mpe", ".mts", ".rm",  ".qt",  ".wmv"};
const std::vector<std::string> kAudio = {".mp3", ".wma", ".aif", ".amr", ".m4a",
                                         ".m4b", ".mid", ".mp2", ".ra",  ".wav"};

constexpr TXDRFileGroup kGroups[] = {fgImages, fgVideo, fgAudio};
constexpr const char* kGroupProperties[] = {"Images", "Video", "Audio"};
// Extensions selected by SetDefaults.
constexpr std::string_view kDefaultExtensions[] = {".jpg", ".heic", ".arw", ".cr2", ".cr3", ".dng",
                                                   ".nef", ".orf",  ".pef", ".raf", ".raw", ".tif",
                                                   ".avi", ".mov",  ".mp4", ".mpg", ".mp3", ".wma"};
// Other spellings of catalogue extensions that cameras, phones and programs use.
constexpr std::pair<std::string_view, std::string_view> kSpellings[] = {
    {".jpeg", ".jpg"}, {".jpe", ".jpg"},  {".jfif", ".jpg"}, {".tiff", ".tif"}, {".heif", ".heic"},
    {".mpeg", ".mpg"}, {".aiff", ".aif"}, {".m2ts", ".mts"}, {".midi", ".mid"}};

std::string PropertyNameOf(std::string_view ext) {
  return "_" + std::string(ext.substr(1));
}

// Property slot of a catalogue extension (after the three group flags), or -1.
int32_t SlotOf(std::string_view ext) {
  const std::string lower = CatalogueExtension(ext);
  int32_t slot = 3;
  for (TXDRFileGroup group : kGroups) {
    for (const std::string& known : GroupExtensions(group)) {
      if (known == lower) return slot;
      ++slot;
    }
  }
  return -1;
}

std::vector<std::string> PropertyNames() {
  std::vector<std::string> names(std::begin(kGroupProperties), std::end(kGroupProperties));
  for (TXDRFileGroup group : kGroups) {
    for (const std::string& ext : GroupExtensions(group))
      names.push_back(PropertyNameOf(ext));
  }
  return names;
}

void SortUnique(TXExtensionList& list) {
  std::ranges::sort(list);
  list.erase(std::unique(list.begin(), list.end()), list.end());
}

}  // namespace

std::string CatalogueExtension(std::string_view ext) {
  std::string lower = LowerCase(ext);
  for (const auto& [spelling, extension] : kSpellings) {
    if (lower == spelling) return std::string(extension);
  }
  return lower;
}

std::span<const std::string> GroupExtensions(TXDRFileGroup group) {
  switch (group) {
    case fgImages:
      return kImages;
    case fgVideo:
      return kVideo;
    case fgAudio:
      return kAudio;
    default:
      return {};
  }
}

TXDRFileGroup FileGroupOf(std::string_view ext) {
  const std::string lower = CatalogueExtension(ext);
  for (TXDRFileGroup group : kGroups) {
    if (std::ranges::find(GroupExtensions(group), lower) != GroupExtensions(group).end()) {
      return group;
    }
  }
  return fgNone;
}

bool ListHasExtension(const TXExtensionList& list, std::string_view ext) {
  return std::ranges::binary_search(list, CatalogueExtension(ext));
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
  for (std::string_view ext : kDefaultExtensions)
    SetSelected(ext, true);
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
  for (TXDRFileGroup group : kGroups) {
    for (const std::string& ext : GroupExtensions(group))
      list.push_back(ext);
  }
  SortUnique(list);
  return list;
}

}  // namespace kova
