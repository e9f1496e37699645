#include "support/jpeg_pictures.h"

#include <cstdlib>
#include <string>

#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova::test {

namespace {

// Big-endian values, as the index's TIFF header says.
class TXIndexBytes {
 public:
  void U16(uint32_t v) {
    bytes.push_back(static_cast<uint8_t>(v >> 8));
    bytes.push_back(static_cast<uint8_t>(v));
  }
  void U32(uint32_t v) {
    U16(v >> 16);
    U16(v & 0xFFFF);
  }
  void Entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
    U16(tag);
    U16(type);
    U32(count);
    U32(value);
  }
  void Picture(uint32_t attributes, uint32_t size, uint32_t offset) {
    U32(attributes);
    U32(size);
    U32(offset);
    U32(0);
  }

  std::vector<uint8_t> bytes;
};

constexpr uint32_t kUndefined = 7;
constexpr uint32_t kLong = 4;
// The segment: marker, length, "MPF\0", TIFF header, a directory of three entries and its next
// offset, then two picture entries.
constexpr uint32_t kDirectoryBytes = 2 + 3 * 12 + 4;
constexpr uint32_t kSegmentBytes = 4 + 4 + 8 + kDirectoryBytes + 2 * 16;

}  // namespace

std::vector<uint8_t> WithMultiPictureIndex(const std::vector<uint8_t>& photo,
                                           const std::vector<uint8_t>& preview, uint32_t gap,
                                           uint32_t namedSize) {
  const size_t firstEnd = 4 + (size_t{photo[4]} << 8 | photo[5]);
  const auto base = static_cast<uint32_t>(firstEnd + 8);  // the TIFF header on the file
  const auto photoSize = static_cast<uint32_t>(photo.size() + kSegmentBytes);
  TXIndexBytes index;
  index.bytes = {0xFF, 0xE2};
  index.U16(kSegmentBytes - 2);
  index.bytes.insert(index.bytes.end(), {'M', 'P', 'F', 0, 'M', 'M', 0, 42});
  index.U32(8);
  index.U16(3);
  index.Entry(0xB000, kUndefined, 4, 0x30313030);
  index.Entry(0xB001, kLong, 1, 2);
  index.Entry(0xB002, kUndefined, 32, 8 + kDirectoryBytes);
  index.U32(0);
  index.Picture(0x00030000, photoSize, 0);
  index.Picture(0x00010001, namedSize ? namedSize : static_cast<uint32_t>(preview.size()),
                photoSize + gap - base);
  std::vector<uint8_t> file(photo.begin(), photo.begin() + static_cast<int64_t>(firstEnd));
  file.insert(file.end(), index.bytes.begin(), index.bytes.end());
  file.insert(file.end(), photo.begin() + static_cast<int64_t>(firstEnd), photo.end());
  file.insert(file.end(), gap, 0x00);
  file.insert(file.end(), preview.begin(), preview.end());
  return file;
}

bool HaveJpegtran() {
  return std::system("command -v jpegtran >/dev/null 2>&1") == 0;
}

std::vector<uint8_t> ProgressiveJpeg(const std::filesystem::path& picture) {
  TempDir dir;
  const std::filesystem::path out = dir / "progressive.jpg";
  const std::string command = "jpegtran -copy all -progressive -outfile '" + out.string() + "' '" +
                              picture.string() + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  return ReadFileBytes(out);
}

}  // namespace kova::test
