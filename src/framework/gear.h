#pragma once

#include <string>

#include "framework/command.h"
#include "framework/observable.h"

namespace kova {

class TXCustomEngine;

// An observable component of one application area. Its container is the engine that holds it, so
// its Post and Send travel through that engine's queue.
class TXCustomGear : public TXObservable {
 public:
  explicit TXCustomGear(std::string name = {}, TXRefMode mode = TXRefMode::rmNone)
      : TXObservable(mode), name_(std::move(name)) {}

  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // Executes the command when its CanExecute answers true.
  virtual void ExecuteCommand(TXCommand& command);
  virtual void Startup() {}
  virtual void Shutdown() {}

  // The engine that contains the gear, or nullptr.
  TXCustomEngine* Engine() const;

 private:
  std::string name_;
};

// The base of the concrete gears of an engine.
class TXGear : public TXCustomGear {
 public:
  using TXCustomGear::TXCustomGear;
};

}  // namespace kova
