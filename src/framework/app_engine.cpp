#include "framework/app_engine.h"

#include "framework/core_app.h"

namespace kova {

TXAppEngine::TXAppEngine(TXVelCoreApp& coreApp, IXEventLoop& loop)
    : TXEngine(loop, "AppEngine"), coreApp_(coreApp) {}

void TXAppEngine::AddWndHook(const void* target, TXWndHook hook) {
  hooks_.emplace_back(target, std::move(hook));
}

void TXAppEngine::RemoveWndHooks(const void* target) {
  std::erase_if(hooks_, [target](const auto& hook) { return hook.first == target; });
}

void TXAppEngine::WndProc(TXWindowMessage& message) {
  // A copy, so that a hook may add or remove hooks.
  const std::vector<std::pair<const void*, TXWndHook>> hooks = hooks_;
  for (const auto& hook : hooks)
    hook.second(message);
  if (message.Msg == kWmQuit) coreApp_.Terminate();
  TXEngine::WndProc(message);
}

}  // namespace kova
