#include "storage/volume_reader.h"

#include <algorithm>
#include <cstring>

#include "storage/platform_device.h"
#include "storage/safe_read.h"

namespace kova {

TXVolumeReader StreamReader(TXStream& volume) {
  return [&volume](int64_t offset, void* bytes, int64_t count) {
    return SafeReadAt(volume, bytes, count, offset);
  };
}

TXVolumeReader RaisingStreamReader(TXStream& volume) {
  return [&volume](int64_t offset, void* bytes, int64_t count) {
    if (offset < 0 || offset >= volume.Size()) return false;
    volume.Seek(offset, TXSeekOrigin::soBeginning);
    const int64_t read = std::max<int64_t>(0, volume.Read(bytes, count));
    if (read < count)
      std::memset(static_cast<uint8_t*>(bytes) + read, 0, static_cast<size_t>(count - read));
    return true;
  };
}

TXVolumeReader DeviceReader(IXBlockDevice& device) {
  return [&device](int64_t offset, void* bytes, int64_t count) {
    int error = 0;
    return device.ReadAt(offset, bytes, count, error) == count;
  };
}

}  // namespace kova
