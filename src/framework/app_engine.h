#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "framework/engine.h"

namespace kova {

class TXVelCoreApp;

// The engine of the application as a whole. Its hidden window offers every message to the
// window hooks first; a quit request of the loop terminates the core application object.
class TXAppEngine : public TXEngine {
 public:
  using TXWndHook = std::function<void(TXWindowMessage&)>;

  TXAppEngine(TXVelCoreApp& coreApp, IXEventLoop& loop);

  // Hooks are called in the order added; remove them by the target they were added with.
  void AddWndHook(const void* target, TXWndHook hook);
  void RemoveWndHooks(const void* target);

  void WndProc(TXWindowMessage& message) override;

 private:
  TXVelCoreApp& coreApp_;
  std::vector<std::pair<const void*, TXWndHook>> hooks_;
};

}  // namespace kova
