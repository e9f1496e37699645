#include "recovery/formats/scan_format_registry.h"

#include "recovery/file_types.h"
#include "recovery/formats/avi_format.h"
#include "recovery/formats/jpeg_format.h"
#include "recovery/formats/mov_format.h"
#include "recovery/formats/mrw_format.h"
#include "recovery/formats/mts_format.h"
#include "recovery/formats/raf_format.h"
#include "recovery/formats/tiff_format.h"

namespace kova {

namespace {

template <class T>
std::unique_ptr<TXDRScanFormat> Make() {
  return std::make_unique<T>();
}

constexpr TXDRPatternSet Patterns(std::initializer_list<int32_t> numbers) {
  TXDRPatternSet set = 0;
  for (int32_t n : numbers)
    set |= TXDRPatternSet{1} << n;
  return set;
}

constexpr TXDRPatternSet kTiffHeaders = Patterns({1, 2});
constexpr TXDRPatternSet kBoxHeaders = Patterns({7, 8, 9, 10, 11, 12, 13, 14});
constexpr TXDRPatternSet kFileTypeHeader = Patterns({7});

// Indexed by kind.
const TXDRScanFormatClass kClasses[kScanKindCount] = {
    {skJPG, "TXDRScanFormatJPG", ".jpg", Patterns({0}), Make<TXDRScanFormatJPG>},
    {skTIF, "TXDRScanFormatTIF", ".tif", kTiffHeaders, Make<TXDRScanFormatTIF>},
    {skDNG, "TXDRScanFormatDNG", ".dng", kTiffHeaders, Make<TXDRScanFormatDNG>},
    {skCR2, "TXDRScanFormatCR2", ".cr2", kTiffHeaders, Make<TXDRScanFormatCR2>},
    {skNEF, "TXDRScanFormatNEF", ".nef", kTiffHeaders, Make<TXDRScanFormatNEF>},
    {skORF, "TXDRScanFormatORF", ".orf", Patterns({3}), Make<TXDRScanFormatORF>},
    {skPEF, "TXDRScanFormatPEF", ".pef", kTiffHeaders, Make<TXDRScanFormatPEF>},
    {skARW, "TXDRScanFormatARW", ".arw", kTiffHeaders, Make<TXDRScanFormatARW>},
    {skARWTIF, "TXDRScanFormatARWTIF", ".arw", kTiffHeaders, Make<TXDRScanFormatARWTIF>},
    {skSRF, "TXDRScanFormatSRF", ".srf", kTiffHeaders, Make<TXDRScanFormatSRF>},
    {skSR2, "TXDRScanFormatSR2", ".sr2", kTiffHeaders, Make<TXDRScanFormatSR2>},
    {skRAW, "TXDRScanFormatRAW", ".raw", kTiffHeaders, Make<TXDRScanFormatRAW>},
    {skMRW, "TXDRScanFormatMRW", ".mrw", Patterns({5}), Make<TXDRScanFormatMRW>},
    {skRW2, "TXDRScanFormatRW2", ".rw2", Patterns({4}), Make<TXDRScanFormatRW2>},
    {skAVI, "TXDRScanFormatAVI", ".avi", Patterns({6}), Make<TXDRScanFormatAVI>},
    {skMOV, "TXDRScanFormatMOV", ".mov", kBoxHeaders, Make<TXDRScanFormatMOV>},
    {skMP4, "TXDRScanFormatMP4", ".mp4", kBoxHeaders, Make<TXDRScanFormatMP4>},
    {skCR3, "TXDRScanFormatCR3", ".cr3", kFileTypeHeader, Make<TXDRScanFormatCR3>},
    {skHEIC, "TXDRScanFormatHEIC", ".heic", kFileTypeHeader, Make<TXDRScanFormatHEIC>},
    {skRAF, "TXDRScanFormatRAF", ".raf", Patterns({15}), Make<TXDRScanFormatRAF>},
    {skMTS, "TXDRScanFormatMTS", ".mts", Patterns({16}), Make<TXDRScanFormatMTS>},
};

// The header of a top-level box of the type, whatever its size.
TXGridPattern BoxHeader(std::string_view type) {
  return {4, TXPattern(type.begin(), type.end())};
}

const TXGridPattern kStartPatterns[kStartPatternCount] = {
    {0, {0xFF, 0xD8}},              // JPEG start of image
    {0, {0x49, 0x49, 0x2A, 0x00}},  // little-endian TIFF
    {0, {0x4D, 0x4D, 0x00, 0x2A}},  // big-endian TIFF
    {0, {0x49, 0x49, 0x52, 0x4F}},  // Olympus raw "IIRO"
    {0, {0x49, 0x49, 0x55, 0x00}},  // Panasonic raw "IIU"
    {0, {0x00, 0x4D, 0x52, 0x4D}},  // Minolta raw "\0MRM"
    {0, {0x52, 0x49, 0x46, 0x46}},  // "RIFF"
    BoxHeader("ftyp"),
    BoxHeader("moov"),
    BoxHeader("mdat"),
    BoxHeader("wide"),
    BoxHeader("free"),
    BoxHeader("skip"),
    BoxHeader("uuid"),
    BoxHeader("pnot"),
    {0, {'F', 'U', 'J', 'I', 'F', 'I', 'L', 'M', 'C', 'C', 'D', '-', 'R', 'A', 'W', ' '}},
    // A 192-byte transport packet that opens a table or stream of a low packet id.
    {4, {0x47, 0x40}},
};

bool HasPattern(const TXDRScanFormatClass& formatClass, int32_t pattern) {
  return (formatClass.Patterns >> pattern) & 1u;
}

}  // namespace

const TXDRScanFormatClass& ClassOfKind(uint8_t kind) {
  return kind < kScanKindCount ? kClasses[kind] : kClasses[skJPG];
}

const TXDRScanFormatClass* ClassOfExt(std::string_view ext) {
  const std::string lower = CatalogueExtension(ext);
  for (const TXDRScanFormatClass& formatClass : kClasses) {
    if (formatClass.Ext == lower) return &formatClass;
  }
  return nullptr;
}

std::unique_ptr<TXDRScanFormat> CreateFormat(uint8_t kind) {
  return ClassOfKind(kind).Create();
}

TXDRScanKindSet AllKinds() {
  return (TXDRScanKindSet{1} << kScanKindCount) - 1;
}

const TXGridPattern& StartPattern(int32_t pattern) {
  return kStartPatterns[pattern];
}

void BuildPatterns(TXDRScanKindSet kinds, TXGridPatternList& patterns, TXDRPatternIndex& index) {
  index.fill(-1);
  patterns.clear();
  TXDRPatternSet wanted = 0;
  for (const TXDRScanFormatClass& formatClass : kClasses) {
    if ((kinds >> formatClass.Kind) & 1u) wanted |= formatClass.Patterns;
  }
  for (int32_t pattern = 0; pattern < kStartPatternCount; ++pattern) {
    if (!((wanted >> pattern) & 1u)) continue;
    index[static_cast<size_t>(pattern)] = static_cast<int32_t>(patterns.size());
    patterns.push_back(kStartPatterns[pattern]);
  }
}

uint8_t KindOfPattern(int32_t pattern) {
  for (const TXDRScanFormatClass& formatClass : kClasses) {
    if (pattern >= 0 && pattern < kStartPatternCount && HasPattern(formatClass, pattern)) {
      return formatClass.Kind;
    }
  }
  return skJPG;
}

int32_t PatternOfIndex(const TXDRPatternIndex& index, int32_t position) {
  for (int32_t pattern = 0; pattern < kStartPatternCount; ++pattern) {
    if (index[static_cast<size_t>(pattern)] == position) return pattern;
  }
  return 0;
}

}  // namespace kova
