#include "framework/core_app.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "framework/app_engine.h"
#include "framework/aspects.h"

namespace kova {

namespace {

// Days from 1899-12-30 (date-time zero) to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

}  // namespace

TXVelCoreApp::TXVelCoreApp() : TXVelCoreApp(DefaultEventLoop()) {}

TXVelCoreApp::TXVelCoreApp(IXEventLoop& loop)
    : engine_(std::make_unique<TXAppEngine>(*this, loop)) {}

TXVelCoreApp::~TXVelCoreApp() = default;

void TXVelCoreApp::Terminate() {
  if (terminating_.exchange(true, std::memory_order_acq_rel)) return;
  DispatchAspect<TXAppTerminatedAspect>(*engine_);
}

TXAppEngine& TXVelCoreApp::Engine() {
  return *engine_;
}

double TXVelCoreApp::PreciseTime() const {
  using Seconds = std::chrono::duration<double>;
  return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double TXVelCoreApp::UtcNow() const {
  using Seconds = std::chrono::duration<double>;
  const double seconds =
      std::chrono::duration_cast<Seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  return kUnixEpochDays + seconds / kSecondsPerDay;
}

double TXVelCoreApp::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return UtcNow() + static_cast<double>(local.tm_gmtoff) / kSecondsPerDay;
}

double TXVelCoreApp::Today() const {
  return std::floor(Now());
}

void TXVelCoreApp::StartTicks(uint64_t& ticks) const {
  ticks = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count());
}

void TXVelCoreApp::ElapsedTicks(uint64_t& ticks) const {
  uint64_t now = 0;
  StartTicks(now);
  ticks = now - ticks;
}

}  // namespace kova
