#pragma once

#include <cstdint>

#include "recovery/file_types.h"

namespace kova {

// What the recovery flow asks of the settings object: the file types the advanced mode looks for,
// the OEM code page FAT short names are read in, and the size the results page draws its
// thumbnails at.
class IXDRIni {
 public:
  virtual TXDRFileTypes& FileTypes() = 0;
  virtual uint16_t CodePage() const = 0;
  virtual int32_t ThumbnailSize() const = 0;
  virtual void SetThumbnailSize(int32_t pixels) = 0;

 protected:
  ~IXDRIni() = default;
};

}  // namespace kova
