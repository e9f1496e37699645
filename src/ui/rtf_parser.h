#pragma once

#include <QByteArrayView>
#include <optional>

#include "ui/rtf_document.h"

namespace kova {

// Groups may nest this deep; deeper nesting is not taken for RTF (it guards the reader's stack
// against hostile input).
inline constexpr int kMaxRtfDepth = 200;

// Reads an RTF document: paragraphs with bold, italic, underline, strike-through, font sizes,
// colours, highlighting, super- and subscript, indents, spacing and alignment; bulleted items;
// HYPERLINK fields; \'hh characters in the document's or the font's code page and \uN characters;
// the font and colour tables. Destinations the help texts do not show (style sheet, document
// information, pictures, headers, \* groups other than field instructions) are skipped. Nothing
// when the bytes do not begin with "{\rtf" (after blanks) or nest too deep. A document whose
// closing braces are missing is read as far as it goes.
std::optional<TXRtfDocument> ParseRtf(QByteArrayView bytes);

}  // namespace kova
