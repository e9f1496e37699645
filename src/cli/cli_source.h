#pragma once

#include <cstdint>
#include <string>

#include "framework/error_data.h"

namespace kova::cli {

// What a SOURCE argument names: a block device is read as a drive, a regular file as a memory
// card image file; anything else cannot be searched.
enum class TXCliSourceKind { skMissing, skDrive, skImageFile, skFolder, skTooSmall, skOther };

struct TXCliSource {
  std::string Path;
  TXCliSourceKind Kind = TXCliSourceKind::skMissing;
  int Error = 0;  // the errno when the path could not be examined

  bool IsUsable() const {
    return Kind == TXCliSourceKind::skDrive || Kind == TXCliSourceKind::skImageFile;
  }
};

TXCliSource ExamineSource(const std::string& path);

// Why the source cannot be searched, for a source that is not usable.
std::string SourceProblem(const TXCliSource& source);

// Why opening or reading the source failed, from the error record of the run: a hint on read
// access for a permission refusal, the drive gone for code 11, else the reason.
std::string ReadFailure(const TXCliSource& source, const TXErrorData& error);

// Opens the source as a run does (a drive through the disk service when it must, which may ask
// for a password and keeps what it gives for the run) and answers why that failed, or nothing
// when it opened. Commands that write call it before they create anything.
std::string OpenFailure(const TXCliSource& source);

}  // namespace kova::cli
