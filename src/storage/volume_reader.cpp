#include "storage/volume_reader.h"

#include "framework/error_data.h"
#include "storage/buf_stream.h"
#include "storage/platform_device.h"
#include "storage/safe_read.h"
#include "storage/sub_stream.h"

namespace kova {

TXVolumeReader StreamReader(TXStream& volume) {
  return [&volume](int64_t offset, void* bytes, int64_t count) {
    return SafeReadAt(volume, bytes, count, offset);
  };
}

namespace {

// Whether the map of the medium under the volume (through its windows of the medium) knows
// unreadable bytes in [offset, offset + count): holes that an image's mapfile names fail no read.
bool KnownUnreadable(TXStream& volume, int64_t offset, int64_t count) {
  TXStream* stream = &volume;
  while (stream) {
    if (auto* buffered = dynamic_cast<TXCustomBufStream*>(stream)) {
      const TXBadSectorMap* map = buffered->BadSectors().get();
      return map && map->UnreadableWithin(offset, count) > 0;
    }
    auto* window = dynamic_cast<TXCustomSubStream*>(stream);
    if (!window) return false;
    offset += window->Start();
    stream = window->Inner();
  }
  return false;
}

}  // namespace

TXVolumeReader CheckedStreamReader(TXStream& volume) {
  return [&volume](int64_t offset, void* bytes, int64_t count) {
    const TXErrorData before = ThreadError();
    ClearThreadError();
    // A stream that does not raise its read failures still records them.
    const bool inside = SafeReadAt(volume, bytes, count, offset);
    const int32_t code = ThreadError().Code;
    if (code == kErrRead || code == kErrSeek || KnownUnreadable(volume, offset, count))
      return false;
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
