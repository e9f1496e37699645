#pragma once

#include <QString>

namespace kova {

class TXDRFileItem;
class TXImageObject;
class TXStream;

// Makes the quick preview of a found file from the medium it was found on: the scan format of
// the file's extension checks the file over its extents and draws its picture into at most
// 600 x 600 pixels. Answers the text for the label above the preview; an empty text and an empty
// preview when the file has no format, there is no medium, or no picture came out (audio,
// damaged data). The user-interface thread's error record is left as it was.
QString MakeQuickPreview(const TXDRFileItem& item, TXStream* medium, TXImageObject& preview);

}  // namespace kova
