#pragma once

#include <QStringList>

#include "skin_manifest.h"

namespace kova::skinrender {

// Checks that the manifest lists every picture the wizard asks the skin for, under the names and
// in the order it asks: the named pictures of the image boxes, both badge templates, the
// information and warning sets largest first, the message icons, the application pictures, the
// desktop icon sizes, three share buttons in each state and the finish picture. Appends one line
// per fault to `problems`.
void CheckRequiredPictures(const SkinManifest& manifest, QStringList& problems);

}  // namespace kova::skinrender
