#include "persistence/lg_manager.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "framework/error_data.h"

namespace kova {
namespace {

class Page {
 public:
  explicit Page(std::string& log, char mark) : log_(log), mark_(mark) {}
  void ApplyLanguage() { log_ += mark_; }
  void Fail() { throw std::runtime_error("no caption"); }

 private:
  std::string& log_;
  char mark_;
};

TEST(LanguageManagerTest, RegisteringAppliesAtOnceUnlessSuspended) {
  std::string log;
  Page a(log, 'a');
  Page b(log, 'b');
  TXLanguageManager manager;
  EXPECT_TRUE(manager.Register(&a, &Page::ApplyLanguage));
  EXPECT_EQ(log, "a");
  manager.Register(&a, &Page::ApplyLanguage);
  EXPECT_EQ(manager.Count(), 1u) << "the same procedure is kept once";

  manager.Suspend();
  manager.Register(&b, &Page::ApplyLanguage);
  EXPECT_EQ(log, "a");
  EXPECT_TRUE(manager.Apply());
  EXPECT_EQ(log, "a") << "a suspended manager applies nothing";
  manager.Resume(true);
  EXPECT_EQ(log, "aab") << "registration order";
}

TEST(LanguageManagerTest, SuspensionsNestAndResumeMayWaitForTheNextApply) {
  std::string log;
  Page a(log, 'a');
  TXLanguageManager manager;
  manager.Suspend();
  manager.Suspend();
  manager.Register(&a, &Page::ApplyLanguage);
  manager.Resume(true);
  EXPECT_TRUE(manager.IsSuspended());
  EXPECT_EQ(log, "");
  manager.Resume(false);
  EXPECT_FALSE(manager.IsSuspended());
  EXPECT_EQ(log, "");
  manager.Apply();
  EXPECT_EQ(log, "a");
}

TEST(LanguageManagerTest, AnExceptionStopsTheRoundAndIsRecorded) {
  std::string log;
  Page a(log, 'a');
  Page bad(log, 'x');
  Page c(log, 'c');
  TXLanguageManager manager;
  manager.Register(&a, &Page::ApplyLanguage);
  EXPECT_FALSE(manager.Register(&bad, &Page::Fail));
  manager.Register(&c, &Page::ApplyLanguage);
  log.clear();
  ClearThreadError();
  EXPECT_FALSE(manager.Apply());
  EXPECT_EQ(log, "a");
  EXPECT_EQ(ThreadError().Text, "no caption");

  manager.Unregister(&bad, &Page::Fail);
  log.clear();
  EXPECT_TRUE(manager.Apply());
  EXPECT_EQ(log, "ac");
}

TEST(LanguageManagerTest, ProceduresRemovedDuringARoundAreNotCalled) {
  std::string log;
  Page a(log, 'a');
  Page b(log, 'b');
  TXLanguageManager manager;
  manager.Register(TXAnyProcedure(&a, "closer", [&] {
    log += 'a';
    manager.UnregisterTarget(&b);
  }));
  manager.Register(&b, &Page::ApplyLanguage);
  log.clear();
  manager.Apply();
  EXPECT_EQ(log, "a");
  EXPECT_EQ(manager.Count(), 1u);
}

}  // namespace
}  // namespace kova
