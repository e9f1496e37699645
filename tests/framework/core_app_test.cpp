#include "framework/core_app.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/headless_loop.h"

namespace kova {
namespace {

TEST(CoreAppTest, TerminateDispatchesTheTerminatedAspectOnce) {
  TXVelCoreApp app;
  int terminated = 0;
  app.Engine().AddObserver(TXHandler(&terminated, "count", [&](AXNotification& n) {
    if (n.AspectAs<TXAppTerminatedAspect>()) ++terminated;
  }));
  EXPECT_FALSE(app.IsTerminating());
  app.Terminate();
  app.Terminate();
  EXPECT_TRUE(app.IsTerminating());
  EXPECT_EQ(terminated, 1);
}

TEST(CoreAppTest, QuitRequestOfTheLoopTerminatesTheApplication) {
  TXHeadlessLoop loop;
  TXVelCoreApp app(loop);
  std::vector<uint32_t> hooked;
  app.Engine().AddWndHook(&hooked, [&](TXWindowMessage& m) { hooked.push_back(m.Msg); });
  loop.Quit(3);
  EXPECT_EQ(loop.Run(), 3);
  EXPECT_TRUE(app.IsTerminating());
  EXPECT_EQ(hooked, (std::vector<uint32_t>{kWmQuit}));
}

TEST(CoreAppTest, ClocksAgreeWithTheSystemClock) {
  TXVelCoreApp app;
  const double unixDays = static_cast<double>(std::time(nullptr)) / 86400.0 + 25569.0;
  EXPECT_NEAR(app.UtcNow(), unixDays, 2.0 / 86400.0);
  EXPECT_NEAR(std::fabs(app.Now() - app.UtcNow()), 0.0, 14.0 / 24.0 + 1e-6);
  EXPECT_EQ(app.Today(), std::floor(app.Now()));

  const double before = app.PreciseTime();
  uint64_t ticks = 0;
  app.StartTicks(ticks);
  struct timespec pause {
    0, 30'000'000
  };
  nanosleep(&pause, nullptr);
  app.ElapsedTicks(ticks);
  EXPECT_GE(ticks, 30u);
  EXPECT_LT(ticks, 5000u);
  EXPECT_GE(app.PreciseTime() - before, 0.029);
}

}  // namespace
}  // namespace kova
