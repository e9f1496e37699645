#pragma once

#include <string>

#include "framework/persistent.h"
#include "persistence/stream_object.h"

namespace kova {

// A component of a form or data module that holds one data object, published as "Data" (the
// built-in language data travels this way).
class TXStreamBox : public TXPersistent {
  KOVA_PERSISTENT(TXStreamBox)

 public:
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TXStreamObject& Data() { return data_; }
  const TXStreamObject& Data() const { return data_; }

  // Copies the data object of another stream box; the box's own name stays.
  bool Assign(const TXPersistent& source) override;

 private:
  std::string name_;
  TXStreamObject data_;
};

}  // namespace kova
