#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kova {

class TXDRFileCollection;
class TXDRFileItem;

// A folder path of the card made fit to stand below the restore folder: each '/'-separated part
// made safe as SafeFileName makes a file name, empty parts left out.
std::string SafeFolderPath(std::string_view folder);

// Where a restore writes each file. Flat (the default): straight into the folder, under its saved
// name. Keeping the card's folders: a file known to a file system goes to its folder path below
// the folder (lost folders under the names they were recovered with), a file found by the search
// into a folder of its own ("Found by search"); when the files come from more than one volume,
// each volume's go below a folder named after it ("Partition 2").
class TXRestorePaths {
 public:
  TXRestorePaths(std::string folder, bool keepFolders, const TXDRFileCollection& files);

  // The path for the collection's item at `index`; a file without a name is named by its number.
  std::string PathOf(const TXDRFileItem& item, int32_t index) const;

 private:
  std::string FolderOf(const TXDRFileItem& item) const;

  std::string folder_;
  bool keepFolders_;
  bool severalVolumes_ = false;
};

}  // namespace kova
