#pragma once

#include <cstdint>
#include <functional>

namespace kova {

class IXBlockDevice;
class TXStream;

// Reads `count` bytes at a volume offset; false when they cannot be read. The readers of the
// volumes' structures (boot sectors, tables) read through one, so that the run (over a volume's
// stream) and the drive information (over the device) share them.
using TXVolumeReader = std::function<bool(int64_t offset, void* bytes, int64_t count)>;

// Over a volume stream: unreadable bytes count as zeros (SafeReadAt); false outside the stream.
TXVolumeReader StreamReader(TXStream& volume);
// Over a volume stream: false when the bytes could not be read (zeros then, the failure recorded
// as a safe read records it) or lie outside the stream, so that a reader of many sectors can tell
// which of them it lacks. A vanished device (code 11) raises.
TXVolumeReader CheckedStreamReader(TXStream& volume);
// Over a device: false unless every byte was read.
TXVolumeReader DeviceReader(IXBlockDevice& device);

}  // namespace kova
