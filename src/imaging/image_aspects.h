#pragma once

#include "framework/aspects.h"

namespace kova {

class TXImageObject;

// A picture changed: carries the image object (not owned) to the views that show it.
class TXImageObjectChangedAspect : public TXChangedAspect {
 public:
  explicit TXImageObjectChangedAspect(TXImageObject* data) : Data(data) {}
  // Copies the other aspect's reference.
  void Assign(const TXImageObjectChangedAspect& other) { Data = other.Data; }

  TXImageObject* Data;
};

}  // namespace kova
