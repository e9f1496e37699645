#pragma once

#include "recovery/formats/scan_format.h"

namespace kova {

class TXFormatReader;

// Camcorder videos (AVCHD, M2TS): transport-stream packets of 192 bytes, a 4-byte arrival time
// followed by a 188-byte packet that starts with the sync byte 0x47. A file starts with a packet
// that opens a table or stream; it ends after the last packet of a run of packets in step, and
// counts from a few packets on. The packets hold nothing else to find.
class TXDRScanFormatMTS final : public TXDRScanFormat {
 public:
  TXDRScanFormatMTS();

 protected:
  int64_t MeasureEnd(TXSearch& search, int64_t start) override;
};

}  // namespace kova
