#include "recovery/file_item.h"

#include <algorithm>
#include <cstdio>

#include "framework/text_utils.h"

namespace kova {

const TXClassInfo& TXDRFileItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXDRFileItem>("TXDRFileItem", TXSplitItem::StaticClassInfo()).Build();
  return info;
}

bool TXDRFileItem::Assign(const TXPersistent& source) {
  if (auto* other = dynamic_cast<const TXDRFileItem*>(&source); other && other != this) {
    Checked = other->Checked;
    Name = other->Name;
    Ext = other->Ext;
    Created = other->Created;
    Modified = other->Modified;
    Accessed = other->Accessed;
    Status = other->Status;
    LargeImageIndex = other->LargeImageIndex;
    SmallImageIndex = other->SmallImageIndex;
    Dimensions = other->Dimensions;
    Thumbnail.Assign(other->Thumbnail);
    Volume = other->Volume;
    Folder = other->Folder;
    ClustersReused = other->ClustersReused;
    CutByEnd = other->CutByEnd;
    FirstLetterLost = other->FirstLetterLost;
    Unreadable = other->Unreadable;
  }
  return TXSplitItem::Assign(source);
}

bool TXDRFileItem::SameExt(std::string_view ext) const {
  return ext == Ext || SameText(ext, Ext);
}

bool TXDRFileItem::HasExt(std::span<const std::string> exts) const {
  return std::ranges::any_of(exts, [this](const std::string& ext) { return SameExt(ext); });
}

TXDRFileOrigin OriginOf(const TXDRFileItem& item) {
  if (item.Status.Contains(drLostFolder)) return TXDRFileOrigin::foLostFolder;
  if (item.Status.Contains(drEntry)) return TXDRFileOrigin::foLive;
  if (item.Status.Contains(drDeletedEntry)) return TXDRFileOrigin::foDeleted;
  return TXDRFileOrigin::foSearch;
}

bool MayBeDamaged(const TXDRFileItem& item) {
  return item.ClustersReused || item.CutByEnd || item.Status.Contains(drThnError) ||
         item.Unreadable > 0;
}

std::string WithLostLetterSaved(std::string_view name) {
  return name.empty() ? std::string() : "_" + std::string(name.substr(1));
}

std::string SavedName(const TXDRFileItem& item) {
  return item.FirstLetterLost ? WithLostLetterSaved(item.Name) : item.Name;
}

std::string FoundFileName(uint32_t number, std::string_view ext) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%06u", number);
  return digits + std::string(ext);
}

std::string NameExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return {};
  return std::string(name.substr(dot));
}

}  // namespace kova
