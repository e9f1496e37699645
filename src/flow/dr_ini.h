#pragma once

#include "recovery/file_types.h"

namespace kova {

// What the recovery flow asks of the settings object: the file types the advanced mode looks for.
class IXDRIni {
 public:
  virtual TXDRFileTypes& FileTypes() = 0;

 protected:
  ~IXDRIni() = default;
};

}  // namespace kova
