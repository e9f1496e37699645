#include "framework/gear.h"

#include "framework/engine.h"

namespace kova {

void TXCustomGear::ExecuteCommand(TXCommand& command) {
  if (command.CanExecute()) command.Execute();
}

TXCustomEngine* TXCustomGear::Engine() const {
  return dynamic_cast<TXCustomEngine*>(Container());
}

}  // namespace kova
