#pragma once

#include <cstdint>

#include "recovery/file_types.h"

namespace kova {

// What the recovery flow asks of the settings object: the file types the advanced mode looks for
// and the OEM code page FAT short names are read in.
class IXDRIni {
 public:
  virtual TXDRFileTypes& FileTypes() = 0;
  virtual uint16_t CodePage() const = 0;

 protected:
  ~IXDRIni() = default;
};

}  // namespace kova
