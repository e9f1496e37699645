#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

#include "imaging/geometry.h"
#include "recovery/file_item.h"

// The texts of the results list: the cells of the detail view, the group headers and the labels
// of the quick preview.
namespace kova {

// The picture size as "width x height"; empty when it is unknown (0 x 0).
QString DimensionsText(TXSize dimensions);
// The byte count as "%0.0f bytes", "%0.2f KB", "%0.2f MB" or "%0.2f GB".
QString SizeText(int64_t size);
// The extension in lower case (".jpg").
QString TypeText(std::string_view ext);
// The date-time (days since 30 December 1899) in the locale's short date and long time without
// a time zone (the card's clock knows none); the unknown-date text for 0 or an impossible value.
QString CreatedText(double created);

// Where the file came from ("Deleted"), followed by ", may be damaged" when it may be.
QString OriginText(TXDRFileOrigin origin, bool damaged);
// What that means, in a sentence or two.
QString OriginHint(TXDRFileOrigin origin, bool damaged);
// How much of a file the card could not be read at ("2.00 KB of this file could not be read").
QString UnreadableHint(int64_t bytes);

// The header of a group of the list (0 images, 1 video, 2 audio); the words are fixed.
QString GroupHeaderText(int group);

// The label over a preview: the size, and the picture size when it is known.
QString PreviewLabelText(int64_t size, TXSize dimensions);
// The title under the preview: the preview text followed by its bound, "(... 600x600 ...)".
QString PreviewTitleText();

}  // namespace kova
