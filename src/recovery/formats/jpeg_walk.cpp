#include "recovery/formats/jpeg_walk.h"

#include <algorithm>
#include <array>

#include "recovery/formats/scan_format.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr std::array<uint8_t, 2> kStartOfImage = {0xFF, 0xD8};
constexpr std::array<uint8_t, 1> kMarkerPrefix = {0xFF};
constexpr std::array<uint8_t, 6> kExifHeader = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::array<uint8_t, 4> kMpfHeader = {'M', 'P', 'F', 0};
constexpr uint8_t kStuffed = 0x00;
constexpr uint8_t kFill = 0xFF;
constexpr uint8_t kFirstRestart = 0xD0;
constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kExifSegment = 0xE1;
constexpr uint8_t kMpfSegment = 0xE2;
constexpr uint16_t kMpEntryTag = 0xB002;
constexpr uint16_t kUndefinedType = 7;
constexpr uint32_t kMpEntryBytes = 16;

// Budgets no real file comes near: segments before the first scan, scans of a progressive
// picture, fill bytes before a marker, directory entries and pictures of the index.
constexpr int kMostSegments = 1024;
constexpr int kMostScans = 256;
constexpr int kMostFill = 64;
constexpr uint16_t kMostIndexEntries = 64;
constexpr uint32_t kMostPictures = 32;

// Start-of-frame markers: 0xC0 to 0xCF but the table and arithmetic-coding ones.
bool IsFrameHeader(uint8_t code) {
  return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

bool IsApplicationSegment(uint8_t code) {
  return code >= 0xE0 && code <= 0xEF;
}

bool IsRestart(uint8_t code) {
  return code >= kFirstRestart && code <= kFirstRestart + 7;
}

// Markers without a length: temporary, restarts, start and end of image.
bool StandsAlone(uint8_t code) {
  return code == 0x01 || (code >= kFirstRestart && code <= kEndOfImage);
}

// The segments a decoder accepts after a scan: tables, restart interval, another scan, the
// number of lines, comments and application data.
bool MayFollowScan(uint8_t code) {
  switch (code) {
    case 0xC4:  // Huffman tables
    case 0xCC:  // arithmetic conditioning
    case 0xDA:
    case 0xDB:  // quantisation tables
    case 0xDC:  // number of lines
    case 0xDD:  // restart interval
    case 0xFE:  // comment
      return true;
    default:
      return IsApplicationSegment(code);
  }
}

}  // namespace

bool TXJpegWalk::ReadMarker(int64_t pos, TXMarker& marker) {
  TXSearch& search = reader_.Search();
  uint8_t byte = 0;
  if (!search.ReadByte(byte, pos) || byte != 0xFF) return false;
  for (int fill = 0; fill <= kMostFill; ++fill, ++pos) {
    if (!search.ReadByte(byte, pos + 1)) return false;
    if (byte != kFill) {
      marker = {byte, pos};
      return true;
    }
  }
  return false;
}

int64_t TXJpegWalk::SegmentEnd(int64_t at) {
  uint16_t length = 0;
  if (!reader_.U16At(at + 2, true, length) || length < 2) return -1;
  return at + 2 + length;
}

bool TXJpegWalk::ReadHeaders(int64_t start, TXJpegLayout& layout, TXJpegOpening opening) {
  layout = TXJpegLayout();
  if (!reader_.Matches(start, kStartOfImage)) return false;
  int64_t pos = start + 2;
  for (int segment = 0; segment < kMostSegments; ++segment) {
    reader_.CheckStop();
    TXMarker marker;
    if (!ReadMarker(pos, marker) || marker.Code == kStuffed || StandsAlone(marker.Code))
      return false;
    if (segment == 0 && opening == TXJpegOpening::joApplicationSegment &&
        !IsApplicationSegment(marker.Code) && marker.Code != kStartOfScan)
      return false;
    const int64_t next = SegmentEnd(marker.At);
    if (next < 0) return false;
    if (marker.Code == kStartOfScan) {
      layout.ScanStart = next;
      return true;
    }
    const int64_t body = marker.At + 4;
    if (IsFrameHeader(marker.Code) && layout.Frame.IsEmpty()) ReadFrameSize(body, layout.Frame);
    if (marker.Code == kExifSegment && layout.ExifAt < 0 && reader_.Matches(body, kExifHeader))
      layout.ExifAt = body + static_cast<int64_t>(kExifHeader.size());
    if (marker.Code == kMpfSegment && layout.MpfAt < 0 && reader_.Matches(body, kMpfHeader))
      layout.MpfAt = body + static_cast<int64_t>(kMpfHeader.size());
    pos = next;
  }
  return false;
}

void TXJpegWalk::ReadFrameSize(int64_t body, TXSize& frame) {
  // The sample precision, then the height and the width.
  uint16_t height = 0, width = 0;
  if (reader_.U16At(body + 1, true, height) && reader_.U16At(body + 3, true, width))
    frame = {width, height};
}

int64_t TXJpegWalk::FindPictureEnd(int64_t start, const TXJpegLayout& layout) {
  if (layout.ScanStart < 0) return -1;
  TXSearch& search = reader_.Search();
  const int64_t limit = start + MostFileBytes(skJPG) - 1;
  int64_t pos = layout.ScanStart;
  int scans = 1;
  uint8_t restart = 0;  // the restart marker due next in this scan
  while (true) {
    const int64_t prefix = search.FindPattern(kMarkerPrefix, pos, limit);
    TXMarker marker;
    if (prefix < 0 || !ReadMarker(prefix, marker)) return -1;
    if (marker.Code == kStuffed) {
      pos = marker.At + 2;
      continue;
    }
    if (IsRestart(marker.Code)) {
      // Restarts count 0 to 7 over and over; one out of turn is another picture's.
      if (marker.Code != kFirstRestart + restart) return -1;
      restart = (restart + 1) % 8;
      pos = marker.At + 2;
      continue;
    }
    if (marker.Code == kEndOfImage) return marker.At + 1;
    if (!MayFollowScan(marker.Code)) return -1;
    reader_.CheckStop();
    pos = SegmentEnd(marker.At);
    if (pos < 0) return -1;
    if (marker.Code == kStartOfScan) {
      if (++scans > kMostScans) return -1;
      restart = 0;
    }
  }
}

int64_t TXJpegWalk::FurtherPictureEnd(int64_t at) {
  TXJpegWalk walk(reader_.Search());
  TXJpegLayout layout;
  if (!walk.ReadHeaders(at, layout)) return -1;
  return walk.FindPictureEnd(at, layout);
}

bool TXJpegWalk::ReadIndex(int64_t base, TXPictureIndex& index) {
  uint8_t order[2] = {};
  if (!reader_.ReadAt(base, order, 2) || order[0] != order[1] ||
      (order[0] != 'I' && order[0] != 'M'))
    return false;
  index.BigEndian = order[0] == 'M';
  uint32_t first = 0;
  uint16_t count = 0;
  if (!reader_.U32At(base + 4, index.BigEndian, first) ||
      !reader_.U16At(base + first, index.BigEndian, count))
    return false;
  for (uint16_t i = 0; i < std::min(count, kMostIndexEntries); ++i) {
    const int64_t entry = base + first + 2 + 12 * int64_t{i};
    uint16_t tag = 0, type = 0;
    uint32_t bytes = 0, value = 0;
    if (!reader_.U16At(entry, index.BigEndian, tag) ||
        !reader_.U16At(entry + 2, index.BigEndian, type) ||
        !reader_.U32At(entry + 4, index.BigEndian, bytes) ||
        !reader_.U32At(entry + 8, index.BigEndian, value))
      return false;
    if (tag == kMpEntryTag && type == kUndefinedType && bytes % kMpEntryBytes == 0) {
      index.Table = base + value;
      index.Pictures = std::min(bytes / kMpEntryBytes, kMostPictures);
      return true;
    }
  }
  return false;
}

int64_t TXJpegWalk::FindFileEnd(int64_t start, const TXJpegLayout& layout) {
  int64_t end = FindPictureEnd(start, layout);
  TXPictureIndex index;
  if (end < 0 || layout.MpfAt < 0 || !ReadIndex(layout.MpfAt, index)) return end;
  const int64_t limit = start + MostFileBytes(skJPG) - 1;
  // The first entry is this picture; the others lie after it, counted from the index's header.
  for (uint32_t p = 1; p < index.Pictures; ++p) {
    uint32_t size = 0, offset = 0;
    const int64_t entry = index.Table + kMpEntryBytes * p;
    if (!reader_.U32At(entry + 4, index.BigEndian, size) ||
        !reader_.U32At(entry + 8, index.BigEndian, offset) || size == 0 || offset == 0)
      continue;
    const int64_t at = layout.MpfAt + offset;
    const int64_t named = at + int64_t{size} - 1;
    if (at <= end || named > limit) continue;
    const int64_t last = FurtherPictureEnd(at);
    if (last >= at && last <= named) end = std::max(end, last);
  }
  return end;
}

}  // namespace kova
