#include "recovery/formats/mts_format.h"

#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr int64_t kPacketSize = 192;
constexpr int64_t kSyncAt = 4;
constexpr uint8_t kSync = 0x47;
// Fewer packets in step could be chance; a camcorder's file holds thousands.
constexpr int64_t kFewestPackets = 4;
// The run is checked for a stop now and then, not at every packet.
constexpr int64_t kPacketsPerStopCheck = 4096;
// A packet that opens a table or stream of a low packet id.
constexpr uint8_t kOpeningPacket[] = {kSync, 0x40};
constexpr TXDRStartPattern kMtsStarts[] = {{kSyncAt, kOpeningPacket}};

}  // namespace

constinit const TXDRScanFormatDeclaration kMTSDeclaration{
    ".mts", kMtsStarts, kMostVideoBytes, sfHoldsNoPictures, MakeFormat<TXDRScanFormatMTS>};

TXDRScanFormatMTS::TXDRScanFormatMTS() : TXDRScanFormat(ClassOfKind(skMTS)) {}

int64_t TXDRScanFormatMTS::MeasureEnd(TXSearch& search, int64_t start) {
  TXFormatReader reader(search);
  int64_t packets = 0;
  for (uint8_t sync = 0;
       reader.ReadAt(start + packets * kPacketSize + kSyncAt, &sync, 1) && sync == kSync;
       ++packets) {
    if (packets % kPacketsPerStopCheck == 0) reader.CheckStop();
  }
  // The last packet must be whole.
  if (!reader.Inside(start, packets * kPacketSize)) --packets;
  if (packets < kFewestPackets) return -1;
  return start + packets * kPacketSize - 1;
}

}  // namespace kova
