#pragma once

#include <QString>

#include "ui/rtf_document.h"

namespace kova {

// Writes a read RTF document as the HTML subset that Qt's rich text shows: one paragraph per
// RTF paragraph (indents, spacing and alignment kept, blanks and tabs preserved), consecutive
// bulleted items as one list, runs as styled spans and links as anchors. Lengths become pixels
// at 96 dots per inch.
QString RtfToQtHtml(const TXRtfDocument& document);

}  // namespace kova
