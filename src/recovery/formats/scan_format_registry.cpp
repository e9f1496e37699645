#include "recovery/formats/scan_format_registry.h"

#include <algorithm>
#include <array>

#include "recovery/file_types.h"

namespace kova {

namespace {

TXDRScanFormatClass MakeClass(uint8_t kind, std::string_view name,
                              const TXDRScanFormatDeclaration& declaration) {
  TXDRScanFormatClass formatClass{kind,
                                  name,
                                  declaration.Ext,
                                  {},
                                  declaration.MostBytes,
                                  declaration.Flags,
                                  declaration.Create};
  for (const TXDRStartPattern& pattern : declaration.StartPatterns)
    formatClass.StartPatterns.emplace_back(pattern.Lead,
                                           TXPattern(pattern.Bytes.begin(), pattern.Bytes.end()));
  return formatClass;
}

using TXDRScanFormatTable = std::array<TXDRScanFormatClass, kScanKindCount>;

// Indexed by kind. Made on first use, after every declaration (constant data) is in place.
const TXDRScanFormatTable& Classes() {
#define KOVA_SCAN_KIND(name) MakeClass(sk##name, "TXDRScanFormat" #name, k##name##Declaration),
  static const TXDRScanFormatTable classes{KOVA_SCAN_KINDS(KOVA_SCAN_KIND)};
#undef KOVA_SCAN_KIND
  return classes;
}

bool Declares(const TXDRScanFormatClass& formatClass, const TXGridPattern& pattern) {
  return std::ranges::find(formatClass.StartPatterns, pattern) != formatClass.StartPatterns.end();
}

uint8_t KindOfPattern(const TXGridPattern& pattern) {
  for (const TXDRScanFormatClass& formatClass : Classes()) {
    if (Declares(formatClass, pattern)) return formatClass.Kind;
  }
  return skJPG;
}

}  // namespace

const TXDRScanFormatClass& ClassOfKind(uint8_t kind) {
  return kind < kScanKindCount ? Classes()[kind] : Classes()[skJPG];
}

const TXDRScanFormatClass* ClassOfExt(std::string_view ext) {
  const std::string lower = CatalogueExtension(ext);
  for (const TXDRScanFormatClass& formatClass : Classes()) {
    if (formatClass.Ext == lower) return &formatClass;
  }
  return nullptr;
}

std::unique_ptr<TXDRScanFormat> CreateFormat(uint8_t kind) {
  return ClassOfKind(kind).Create();
}

TXDRScanKindSet AllKinds() {
  return kScanKindCount == std::numeric_limits<TXDRScanKindSet>::digits
             ? ~TXDRScanKindSet{0}
             : (TXDRScanKindSet{1} << kScanKindCount) - 1;
}

int64_t MostFileBytes(uint8_t kind) {
  return ClassOfKind(kind).MostBytes;
}

TXDRStartPatterns BuildPatterns(TXDRScanKindSet kinds) {
  TXDRStartPatterns built;
  for (const TXDRScanFormatClass& formatClass : Classes()) {
    if (!((kinds >> formatClass.Kind) & 1u)) continue;
    for (const TXGridPattern& pattern : formatClass.StartPatterns) {
      if (std::ranges::find(built.Patterns, pattern) != built.Patterns.end()) continue;
      built.Patterns.push_back(pattern);
      built.Kinds.push_back(KindOfPattern(pattern));
    }
  }
  return built;
}

}  // namespace kova
