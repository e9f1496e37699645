#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "framework/managed_object.h"

namespace kova {

class TXAppEngine;
class IXEventLoop;

// The process-wide core application object: the clocks, the application engine and the
// shutting-down flag that every long operation checks.
class TXVelCoreApp : public TXInitializableObject {
 public:
  TXVelCoreApp();
  // With the application engine on the given loop instead of the default one.
  explicit TXVelCoreApp(IXEventLoop& loop);
  ~TXVelCoreApp() override;

  // The first call sets the flag and dispatches TXAppTerminatedAspect on the application engine;
  // later calls do nothing.
  void Terminate();
  bool IsTerminating() const { return terminating_.load(std::memory_order_acquire); }

  TXAppEngine& Engine();

  // High-resolution clock in seconds.
  virtual double PreciseTime() const;
  // Date-times are days since 1899-12-30 with the time of day as the fraction.
  virtual double UtcNow() const;
  virtual double Today() const;
  virtual double Now() const;
  // Milliseconds of a monotonic tick count.
  virtual void StartTicks(uint64_t& ticks) const;
  // Replaces a start tick count by the milliseconds elapsed since it.
  virtual void ElapsedTicks(uint64_t& ticks) const;

 private:
  std::atomic<bool> terminating_{false};
  std::unique_ptr<TXAppEngine> engine_;
};

// The core application object, created on first use with the other process-wide objects
// (framework_objects.h) and destroyed at process exit.
TXVelCoreApp& CoreApp();

}  // namespace kova
