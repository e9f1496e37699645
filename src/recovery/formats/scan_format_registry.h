#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "recovery/formats/scan_format.h"
#include "recovery/search.h"

// The table of the scan formats, indexed by kind and made from the kinds' declarations, and the
// start patterns that the deep scan searches for.
namespace kova {

// The class of a kind; the JPEG class for a kind outside the table.
const TXDRScanFormatClass& ClassOfKind(uint8_t kind);
// The first class in kind order whose extension equals ext (ignoring case, and taking the other
// spellings of a catalogue extension as that one), or nullptr.
const TXDRScanFormatClass* ClassOfExt(std::string_view ext);
// A new format of the kind (JPEG for a kind outside the table).
std::unique_ptr<TXDRScanFormat> CreateFormat(uint8_t kind);
// Every kind of the table.
TXDRScanKindSet AllKinds();
// The largest file of the kind that cameras and computers write in practice (its declaration's
// MostBytes; the JPEG class's for a kind outside the table).
int64_t MostFileBytes(uint8_t kind);

// Start patterns to search for, each with the kind that measures what it finds.
struct TXDRStartPatterns {
  TXGridPatternList Patterns;
  // Kinds[i] measures a file found by Patterns[i].
  std::vector<uint8_t> Kinds;
};
// The start patterns of the kinds, each once, in kind order and in each kind in its declared
// order. A pattern's kind is the first kind of the whole table that declares it: the general
// class of its family, whose measurement tells the variant (a TIFF header leads to TIFF, which
// finds a Nikon raw file to be one).
TXDRStartPatterns BuildPatterns(TXDRScanKindSet kinds);

}  // namespace kova
