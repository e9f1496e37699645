#pragma once

#include <string>

namespace kova::catalogue {

// The file-type catalogue as text, one line per type in catalogue order after a heading line
// starting with "#": five fields separated by tabs, the extension, its group ("images", "video",
// "audio"), "common" or "other", the scan format that measures files of the type ("-" for none)
// and its other spellings separated by commas ("-" for none).
std::string CatalogueListing();

}  // namespace kova::catalogue
