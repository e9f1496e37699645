#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/managed_object.h"

namespace kova {

// A program version: major, minor, release, build.
struct TXVersionRecord {
  uint32_t Major = 0;
  uint32_t Minor = 0;
  uint32_t Release = 0;
  uint32_t Build = 0;

  friend auto operator<=>(const TXVersionRecord&, const TXVersionRecord&) = default;
};

// The first four fields of a dotted text; a missing or non-numeric field is 0.
TXVersionRecord ParseVersion(std::string_view text);
// The four numbers in decimal joined by ".".
std::string VersionText(const TXVersionRecord& version);
// This program's version, fixed when it was built.
TXVersionRecord ProgramVersion();

// Reads the version of program files. Only this program's own executable carries one (the
// build-time constants); any other file has none.
class TXVelVersion : public TXObject {
 public:
  // Fills the record and answers true for this program's executable; otherwise a zero record
  // and false.
  bool ReadFileVersion(const std::string& fileName, TXVersionRecord& version) const;
  // The file's version text, "0.0.0.0" when it has none.
  std::string VersionText(const std::string& fileName) const;
};

}  // namespace kova
