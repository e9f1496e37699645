#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/component.h"
#include "framework/event_loop.h"
#include "framework/handle_manager.h"
#include "framework/window_message.h"

// The component family of gears: units of an owner (a form, a module) that receive integer
// commands and share the hidden window of the box that holds them.
namespace kova::components {

// Where a command comes from.
enum TXHitType : uint8_t {
  xhtNone,
  xhtClient,
  xhtCaption,
  xhtSysMenu,
  xhtSize,
  xhtMenu,
  xhtHScroll,
  xhtVScroll,
  xhtMin,
  xhtMax,
  xhtLeft,
  xhtRight,
  xhtTop,
  xhtTopLeft,
  xhtTopRight,
  xhtBottom,
  xhtBottomLeft,
  xhtBottomRight,
  xhtBorder,
  xhtObject,
  xhtClose,
  xhtHelp,
  xhtRoll,
  xhtTray,
  xhtExe,
  xhtMail,
  xhtWeb,
  xhtDownload,
  xhtCgiDownload,
  xhtKeyDownload,
  xhtCustom,
};

struct TXIntCommand {
  TXObject* Sender = nullptr;
  int32_t Monitor = 0;
  TXHitType Hit = xhtNone;
  std::string HitName;
  int32_t Command = 0;
  std::string Args;
};

using TXIntCommandEvent = std::function<void(const TXIntCommand&)>;

// A gear component. It is active from its construction; its handle is the hidden window of the
// box that holds it (or its own).
class TXGear : public TXComponent {
 public:
  explicit TXGear(TXComponent* owner = nullptr, std::string name = {})
      : TXComponent(owner, std::move(name)) {}
  // Cancels the delayed commands still waiting for it.
  ~TXGear() override;

  bool Active() const { return active_; }
  virtual void SetActive(bool active) { active_ = active; }
  TXWindowHandle Handle() const { return handle_; }
  virtual void SetHandle(TXWindowHandle handle) { handle_ = handle; }
  // The holding box hands its handle over; a gear with a window of its own attaches that instead.
  virtual void ReceiveOwnerHandle(TXWindowHandle handle) { SetHandle(handle); }
  // The holding box is giving its handle up.
  virtual void ReleaseHandle() {}
  virtual bool CanClose() { return true; }

  // DoIntCommand, then OnIntCommand when assigned.
  void IntCommand(const TXIntCommand& command);
  // From any thread: DoIntCommand after 20 ms and, when OnIntCommand is assigned, OnIntCommand
  // after 50 ms, both on the loop's thread. Deliveries still waiting when the gear goes are
  // dropped.
  void PostIntCommand(const TXIntCommand& command);

  TXIntCommandEvent OnIntCommand;

 protected:
  virtual void DoIntCommand(const TXIntCommand& /*command*/) {}

 private:
  void Deliver(const std::shared_ptr<TXTimerId>& timer, const std::function<void()>& delivery);
  void StartDelivery(uint32_t delayMs, std::function<void()> delivery);

  bool active_ = true;
  TXWindowHandle handle_ = 0;
  std::mutex timersMutex_;
  std::vector<TXTimerId> timers_;
};

// A gear (or gear box) with a hidden window of its own, whose messages reach WndProc.
template <class Base>
class TXOwnWindowGear : public Base {
 public:
  explicit TXOwnWindowGear(TXComponent* owner = nullptr, std::string name = {})
      : Base(owner, std::move(name)),
        window_([this](TXWindowMessage& message) { WndProc(message); }) {
    AttachOwnHandle();
  }

  void ReceiveOwnerHandle(TXWindowHandle) override { AttachOwnHandle(); }
  // Gives the own window's handle to the gear (and a box passes it to its gears).
  void AttachOwnHandle() { this->SetHandle(window_.Handle()); }
  TXHandleManager& Window() { return window_; }

 protected:
  virtual void WndProc(TXWindowMessage& /*message*/) {}

 private:
  TXHandleManager window_;
};

class TXMessageGear : public TXOwnWindowGear<TXGear> {
 public:
  using TXOwnWindowGear::TXOwnWindowGear;
};

}  // namespace kova::components
