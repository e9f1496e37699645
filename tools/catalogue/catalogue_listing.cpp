#include "catalogue_listing.h"

#include "recovery/file_types.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova::catalogue {

namespace {

std::string_view GroupName(TXDRFileGroup group) {
  switch (group) {
    case fgImages:
      return "images";
    case fgVideo:
      return "video";
    case fgAudio:
      return "audio";
    default:
      return "none";
  }
}

std::string SpellingsOf(std::string_view ext) {
  std::string spellings;
  for (const auto& [spelling, extension] : kOtherSpellings) {
    if (extension != ext) continue;
    if (!spellings.empty()) spellings += ',';
    spellings += spelling;
  }
  return spellings.empty() ? "-" : spellings;
}

}  // namespace

std::string CatalogueListing() {
  std::string text = "# extension\tgroup\tlisted\tscan format\tother spellings\n";
  for (const TXFileType& type : kFileTypes) {
    const TXDRScanFormatClass* format = ClassOfExt(type.Ext);
    text.append(type.Ext).append("\t").append(GroupName(type.Group)).append("\t");
    text.append(type.Common ? "common" : "other").append("\t");
    text.append(format ? format->Name : "-").append("\t").append(SpellingsOf(type.Ext));
    text.append("\n");
  }
  return text;
}

}  // namespace kova::catalogue
