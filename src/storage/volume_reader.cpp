#include "storage/volume_reader.h"

#include "framework/error_data.h"
#include "storage/platform_device.h"
#include "storage/safe_read.h"

namespace kova {

TXVolumeReader StreamReader(TXStream& volume) {
  return [&volume](int64_t offset, void* bytes, int64_t count) {
    return SafeReadAt(volume, bytes, count, offset);
  };
}

TXVolumeReader CheckedStreamReader(TXStream& volume) {
  return [&volume](int64_t offset, void* bytes, int64_t count) {
    const TXErrorData before = ThreadError();
    ClearThreadError();
    // A stream that does not raise its read failures still records them.
    const bool inside = SafeReadAt(volume, bytes, count, offset);
    const int32_t code = ThreadError().Code;
    if (code == kErrRead || code == kErrSeek) return false;
    ThreadError() = before;
    return inside;
  };
}

TXVolumeReader DeviceReader(IXBlockDevice& device) {
  return [&device](int64_t offset, void* bytes, int64_t count) {
    int error = 0;
    return device.ReadAt(offset, bytes, count, error) == count;
  };
}

}  // namespace kova
