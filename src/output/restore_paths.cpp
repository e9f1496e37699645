#include "output/restore_paths.h"

#include <filesystem>
#include <set>

#include "output/restore_files.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "recovery/file_collection.h"

namespace kova {

namespace {

namespace fs = std::filesystem;

bool FoundBySearch(const TXDRFileItem& item) {
  return OriginOf(item) == TXDRFileOrigin::foSearch;
}

bool FromSeveralVolumes(const TXDRFileCollection& files) {
  std::set<int32_t> volumes;
  for (int32_t i = 0; i < files.Count(); ++i) {
    if (!FoundBySearch(*files.At(i))) volumes.insert(files.At(i)->Volume);
  }
  return volumes.size() > 1;
}

}  // namespace

std::string SafeFolderPath(std::string_view folder) {
  fs::path safe;
  for (size_t from = 0; from <= folder.size();) {
    size_t to = folder.find('/', from);
    if (to == std::string_view::npos) to = folder.size();
    if (to > from) safe /= SafeFileName(folder.substr(from, to - from));
    from = to + 1;
  }
  return safe.string();
}

TXRestorePaths::TXRestorePaths(std::string folder, bool keepFolders,
                               const TXDRFileCollection& files)
    : folder_(std::move(folder)), keepFolders_(keepFolders) {
  if (keepFolders_) severalVolumes_ = FromSeveralVolumes(files);
}

std::string TXRestorePaths::PathOf(const TXDRFileItem& item, int32_t index) const {
  std::string name = SafeFileName(SavedName(item));
  if (name.empty()) name = FoundFileName(static_cast<uint32_t>(index + 1), item.Ext);
  return (fs::path(folder_) / FolderOf(item) / name).string();
}

std::string TXRestorePaths::FolderOf(const TXDRFileItem& item) const {
  if (!keepFolders_) return {};
  if (FoundBySearch(item)) return SafeFileName(Lg().Word(lg::kFoundBySearchFolder));
  fs::path folder;
  if (severalVolumes_)
    folder = SafeFileName(Lg().Format(lg::kVolumeFolder, {std::to_string(item.Volume)}));
  return (folder / SafeFolderPath(item.Folder)).string();
}

}  // namespace kova
