#pragma once

#include <string>

#include "framework/managed_object.h"

namespace kova {

// A unit of work handed to a gear, directly or through an engine's queue. Concrete commands
// override Execute; a gear executes a command only when CanExecute answers true.
class TXCommand : public TXManagedObject {
 public:
  explicit TXCommand(TXRefMode mode = TXRefMode::rmInterlocked) : TXManagedObject(mode) {}

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  virtual bool CanExecute() { return true; }
  virtual void Execute() {}

 private:
  std::string name_;
};

}  // namespace kova
