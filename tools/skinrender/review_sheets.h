#pragma once

#include <QString>

#include "skin_pictures.h"

namespace kova::skinrender {

// Writes the review sheets into `folder`: the header compositions, every icon at its size and
// enlarged, every extension badge over its group picture, the illustrations, and the welcome and
// finish pages as the wizard lays them out. Answers false with the failing path in `error`.
bool WriteReviewSheets(const SkinPictures& pictures, const QString& folder, QString& error);

}  // namespace kova::skinrender
