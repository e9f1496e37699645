#pragma once

#include <string_view>

namespace kova {

class IXWorker;
class TXDRFoundFileAspect;
class TXStream;

// The measuring of a file that a directory entry describes, shared by the file-system
// recoveries. The offered item's extents and extension are set; the file's scan format, when its
// extension has one, gives the picture size, and the thumbnail to be made when the file is
// offered (the aspect's Picture, which reads `medium` through the item's present extents).

// A live file is offered whatever its content: the format only decides the thumbnail's status.
void MeasureLiveEntryFile(TXDRFoundFileAspect& found, TXStream& medium);
// A deleted file is worth offering only when its data is still there: false when its first
// 4096 bytes are all 0x00 or all 0xFF (wiped). When its format does not recognise it, the entry
// alone is the evidence: a plausible name (PlausibleEntryName) keeps the file, offered as
// unverified (drScanError, no thumbnail: it may be damaged); any other name drops it.
bool MeasureDeletedEntryFile(TXDRFoundFileAspect& found, TXStream& medium, IXWorker& worker);

// A name a camera or a computer may have given a file: not empty, not only dots and blanks, and
// without control characters or the characters FAT and exFAT forbid in names.
bool PlausibleEntryName(std::string_view name);

}  // namespace kova
