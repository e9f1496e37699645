#pragma once

#include <cstdint>

namespace kova {

// The largest file of a scan format's kind that cameras and computers write in practice. A file
// found by its content whose structure names a larger size (a damaged or hostile header, or an
// end that lies in other data) is cut there rather than taken to the end of the medium.
int64_t MostFileBytes(uint8_t kind);

}  // namespace kova
