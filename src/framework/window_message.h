#pragma once

#include <cstdint>

// Messages of the hidden windows through which engines, gear boxes and message windows receive
// work on the user-interface thread.
namespace kova {

// Identifies a hidden window; 0 is none. Posting to a window that is gone does nothing.
using TXWindowHandle = uint64_t;

struct TXWindowMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  // Set by a procedure that handled the message (answered by SendWindowMessage).
  intptr_t Result = 0;
};

// The loop is ending on a quit request; WParam carries the exit code.
inline constexpr uint32_t kWmQuit = 18;
// First number of the messages private to this system.
inline constexpr uint32_t kWmApp = 0x8000;
// An engine's queue holds messages to deliver.
inline constexpr uint32_t kWmEngineQueue = kWmApp + 200;

}  // namespace kova
