#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "recovery/formats/scan_format.h"
#include "recovery/search.h"

// The table of the scan formats, indexed by kind, and the start patterns that the deep
// scan searches for.
namespace kova {

// For each start pattern number, its place in a built pattern list, or -1.
using TXDRPatternIndex = std::array<int32_t, kStartPatternCount>;

// The class of a kind; the JPEG class for a kind outside the table.
const TXDRScanFormatClass& ClassOfKind(uint8_t kind);
// The first class in kind order whose extension equals ext (ignoring case, and taking the other
// spellings of a catalogue extension as that one), or nullptr.
const TXDRScanFormatClass* ClassOfExt(std::string_view ext);
// A new format of the kind (JPEG for a kind outside the table).
std::unique_ptr<TXDRScanFormat> CreateFormat(uint8_t kind);
// Every kind of the table.
TXDRScanKindSet AllKinds();

// Start pattern n (0 to kStartPatternCount - 1).
const TXGridPattern& StartPattern(int32_t pattern);
// The start patterns of the kinds, in increasing pattern number, and for each pattern number its
// place in that list (-1 when absent).
void BuildPatterns(TXDRScanKindSet kinds, TXGridPatternList& patterns, TXDRPatternIndex& index);
// The first kind whose patterns include the pattern; 0 when none.
uint8_t KindOfPattern(int32_t pattern);
// The pattern number placed at `position` of a built list; 0 when none.
int32_t PatternOfIndex(const TXDRPatternIndex& index, int32_t position);

}  // namespace kova
