#pragma once

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
// 4096 bytes are all 0x00 or all 0xFF (wiped), or when its format does not recognise its start.
bool MeasureDeletedEntryFile(TXDRFoundFileAspect& found, TXStream& medium, IXWorker& worker);

}  // namespace kova
