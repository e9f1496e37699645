#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/geometry.h"
#include "imaging/image_object.h"
#include "recovery/file_status.h"
#include "recovery/split_item.h"

namespace kova {

// A file that the system can offer for recovery, found through the card's FAT directory or by
// the deep scan. The extents come from the base; the rest is filled by the finder before the
// item is offered, except Checked, the image indexes and the thumbnail, which the results page
// changes afterwards.
class TXDRFileItem : public TXSplitItem {
  KOVA_PERSISTENT(TXDRFileItem)

 public:
  TXDRFileItem() = default;

  TXDRFileStatusSet Status;
  bool Checked = true;
  std::string Name;
  std::string Ext;  // with the leading dot, compared ignoring case
  double Created = 0;
  double Modified = 0;
  double Accessed = 0;
  int32_t LargeImageIndex = -1;
  int32_t SmallImageIndex = -1;
  TXSize Dimensions;  // 0 x 0 when unknown
  TXImageObject Thumbnail;
  // The volume the file was found in: its partition number (1 for a card without a partition
  // table), or 0 for space outside every volume.
  int32_t Volume = 0;
  // The folder that holds the file on the card, '/'-separated UTF-8 below the volume's root;
  // empty for the root and for files found by the search. A folder name that lost its first
  // letter has "_" there, as the restore makes the folder.
  std::string Folder;
  // Clusters that the file-system rule took the file to lie on were in use by other files and
  // were passed over: part of the file may have been overwritten.
  bool ClustersReused = false;
  // The file reaches past the end of the medium (an image that stopped early): only the part
  // inside it can be saved.
  bool CutByEnd = false;
  // The name's first character is the "!" of a deleted short entry that kept no long name: the
  // letter it stands for is lost.
  bool FirstLetterLost = false;
  // Bytes of the file that the medium could not be read at, as its map knew at the scan's end
  // (MarkUnreadable): a restore saves them as zeros.
  int64_t Unreadable = 0;

  // The display name is the file name.
  std::string DisplayName() const override { return Name; }
  void SetDisplayName(const std::string& name) override { Name = name; }

  // Copies every field and a deep copy of the thumbnail from another file item, then the extents;
  // any other source only reaches the base.
  bool Assign(const TXPersistent& source) override;

  bool SameExt(std::string_view ext) const;
  // True when SameExt holds for one of the extensions; false for none.
  bool HasExt(std::span<const std::string> exts) const;

  void MarkThumbnail(bool made) { Status.Include(made ? drThnValidated : drThnError); }
  void MarkEntry() { Status.Include(drEntry); }
  void MarkDeletedEntry() { Status.Include(drDeletedEntry); }
  void MarkScanValid() { Status.Include(drScanValid); }
  bool IsDeletedEntry() const { return Status.Contains(drDeletedEntry); }
};

// Where a found file came from, as the user is told: a live entry of the file system, a deleted
// one, an entry of a lost folder (live or deleted there), or the search for file contents.
enum class TXDRFileOrigin : uint8_t { foLive, foDeleted, foLostFolder, foSearch };

TXDRFileOrigin OriginOf(const TXDRFileItem& item);

// True when the file may not come back as it was: its picture could not be decoded for the
// thumbnail (a carved or deleted file whose content broke off), clusters the file-system rule
// expected it on were in use by other files, parts of it could not be read, or it reaches past
// the end of the medium.
bool MayBeDamaged(const TXDRFileItem& item);

// A name whose first character stands for a lost letter as a restore saves it: with "_" there, a
// character that needs no quoting in a shell.
std::string WithLostLetterSaved(std::string_view name);

// The name a restore saves the file under: its name, WithLostLetterSaved when its first letter
// is lost.
std::string SavedName(const TXDRFileItem& item);

// The name a nameless found file gets: its number with at least six digits (leading zeros),
// followed by its extension ("000001.jpg").
std::string FoundFileName(uint32_t number, std::string_view ext);

// The extension of a file name with its dot ("IMG_0001.JPG" gives ".JPG", "a.tar.gz" ".gz"), or
// "" when the name has no dot or ends in it.
std::string NameExtension(std::string_view name);

}  // namespace kova
