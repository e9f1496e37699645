#include "framework/error_data.h"

#include <gtest/gtest.h>

#include <thread>

namespace kova {
namespace {

TEST(ThreadErrorRecord, EveryThreadStartsWithAnEmptyRecordOfItsOwn) {
  SetThreadError(kErrRead, 5, "this thread's");
  // One thread after the other, so that a new thread often gets the id of the one before.
  for (int i = 0; i < 20; ++i) {
    TXErrorData seen;
    std::thread([&seen] {
      seen = ThreadError();
      SetThreadError(kErrNotReady, 19, "left behind by an ended thread");
    }).join();
    EXPECT_EQ(seen, TXErrorData{}) << "thread " << i;
  }
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(ThreadError().Text, "this thread's");
  ClearThreadError();
}

}  // namespace
}  // namespace kova
