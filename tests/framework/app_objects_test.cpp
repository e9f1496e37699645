#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "framework/core_app.h"
#include "framework/empty_progress.h"
#include "framework/error_data.h"
#include "framework/framework_objects.h"
#include "framework/service_manager.h"
#include "framework/text_utils.h"
#include "framework/vel_app.h"
#include "framework/vel_params.h"
#include "framework/version.h"
#include "kova_version.h"
#include "support/test_paths.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

TEST(VelParamsTest, SwitchesMatchWholeArgumentsOrPrefixesEndingInAColon) {
  TXVelParams params({"/usr/bin/kova", "-DEBUG", "-debugger", "/LOG:Trace.txt", "/log"});
  EXPECT_EQ(params.IndexOf("-debug"), 1);
  EXPECT_EQ(params.IndexOf("-DEBUGGER"), 2);
  EXPECT_EQ(params.IndexOf("-deb"), -1);
  EXPECT_EQ(params.IndexOf("/log:"), 3);
  EXPECT_EQ(params.IndexOf("/Log"), 4);
  EXPECT_EQ(params.IndexOf("/LOG:Trace.txt-more"), -1);
  EXPECT_TRUE(params.HasSwitch("/lOg:tRACE"));
  EXPECT_FALSE(params.HasSwitch("-quiet"));
}

TEST(VelParamsTest, ProcessArgumentsStartWithTheProgramAsStarted) {
  const std::vector<std::string>& items = VelParams().Items();
  ASSERT_FALSE(items.empty());
  EXPECT_NE(items[0].find("test_framework"), std::string::npos);
}

TEST(VelAppTest, KnowsWhereTheExecutableLives) {
  const TXVelApp& app = VelApp();
  ASSERT_FALSE(app.ExePath().empty());
  EXPECT_EQ(app.ExePath().back(), '/');
  EXPECT_EQ(fs::path(app.ExeName()).parent_path().string() + "/", app.ExePath());
  EXPECT_TRUE(fs::equivalent(app.ExeName(), "/proc/self/exe"));
}

TEST(VelAppTest, ExpandsTheMacrosInOrder) {
  TXVelApp app;
  app.SetDataFolder("<exe>data");
  EXPECT_EQ(app.ExpandMacros("<exe>kova.ini"), app.ExePath() + "kova.ini");
  EXPECT_EQ(app.ExpandMacros("<exen> <exen>"), app.ExeName() + " " + app.ExeName());
  EXPECT_EQ(app.ExpandMacros("<data>/x"), "<exe>data/x");
  EXPECT_EQ(app.ExpandMacros("no macros"), "no macros");
  EXPECT_EQ(ExpandTextMacros("<exe>"), VelApp().ExePath());
}

TEST(VelAppTest, ComponentChangesAreAnnounced) {
  class CountingApp : public TXVelApp {
   public:
    void Changed() override { ++changes; }
    int changes = 0;
  } app;
  TXObject first;
  TXObject second;
  app.AddComponent(&first);
  app.AddComponent(&second);
  app.RemoveComponent(&first);
  EXPECT_EQ(app.changes, 3);
  EXPECT_EQ(app.Components(), (std::vector<TXObject*>{&second}));
}

TEST(VelAppTest, VersionTextComesFromTheBuild) {
  const std::string expected =
      std::to_string(build::kVersionMajor) + "." + std::to_string(build::kVersionMinor) + "." +
      std::to_string(build::kVersionRelease) + "." + std::to_string(build::kVersionBuild);
  EXPECT_EQ(VelApp().GetVersion(), expected);
}

// Points $XDG_RUNTIME_DIR at a private temporary folder while a test runs.
class InstanceLockFixture : public ::testing::Test {
 protected:
  InstanceLockFixture() {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) previous = old;
    fs::permissions(runtime.Path(), fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  }
  ~InstanceLockFixture() override {
    if (previous) {
      setenv("XDG_RUNTIME_DIR", previous->c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  const std::string& Name() const { return name; }

  test::TempDir runtime;
  // Fixed before any child process starts, so that parent and child name the same lock.
  const std::string name = "Velmora Kova test " + std::to_string(getpid());
  std::optional<std::string> previous;
};

TEST_F(InstanceLockFixture, SecondProcessCannotTakeTheSameInstance) {
  TXVelApp app;
  ASSERT_TRUE(app.AcquireInstance(Name()));
  EXPECT_TRUE(fs::exists(runtime / (ReplaceAll(Name(), " ", "_") + ".lock")));
  EXPECT_EXIT(
      {
        TXVelApp other;
        std::_Exit(other.AcquireInstance(Name()) ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        TXVelApp other;
        std::_Exit(other.AcquireInstance(Name() + " other") ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(InstanceLockFixture, InstanceIsHeldUntilTheApplicationObjectGoes) {
  {
    TXVelApp first;
    ASSERT_TRUE(first.AcquireInstance(Name()));
    TXVelApp second;
    EXPECT_FALSE(second.AcquireInstance(Name()));
  }
  TXVelApp third;
  EXPECT_TRUE(third.AcquireInstance(Name()));
}

TEST_F(InstanceLockFixture, NamesWithPathCharactersStayInsideTheLockFolder) {
  TXVelApp app;
  ASSERT_TRUE(app.AcquireInstance("../etc/kova"));
  EXPECT_TRUE(fs::exists(runtime / "_._etc_kova.lock"));
  ClearThreadError();
  EXPECT_FALSE(app.AcquireInstance(""));
  EXPECT_NE(ThreadError().Code, kErrNone);
  ClearThreadError();
}

TEST_F(InstanceLockFixture, SharedRuntimeFolderIsNotTrusted) {
  fs::permissions(runtime.Path(), fs::perms::all, fs::perm_options::replace);
  TXVelApp app;
  ASSERT_TRUE(app.AcquireInstance(Name()));
  EXPECT_FALSE(fs::exists(runtime / (ReplaceAll(Name(), " ", "_") + ".lock")));
  EXPECT_TRUE(fs::exists("/tmp/kova-" + std::to_string(getuid()) + "/" +
                         ReplaceAll(Name(), " ", "_") + ".lock"));
}

TEST(VersionTest, ParsesUpToFourNumericFields) {
  EXPECT_EQ(ParseVersion("7.0.12"), (TXVersionRecord{7, 0, 12, 0}));
  EXPECT_EQ(ParseVersion("1.x.3.4.5"), (TXVersionRecord{1, 0, 3, 4}));
  EXPECT_EQ(ParseVersion(""), TXVersionRecord{});
  EXPECT_EQ(ParseVersion("99999999999.-2.+3.4"), (TXVersionRecord{0, 0, 0, 4}));
  EXPECT_EQ(VersionText({7, 0, 0, 1}), "7.0.0.1");
  EXPECT_LT(ParseVersion("7.0.0.9"), ParseVersion("7.0.1.0"));
}

TEST(VersionTest, OnlyThisProgramCarriesAVersion) {
  TXVersionRecord version{1, 2, 3, 4};
  EXPECT_TRUE(VelVersion().ReadFileVersion(VelApp().ExeName(), version));
  EXPECT_EQ(version, ProgramVersion());
  EXPECT_FALSE(VelVersion().ReadFileVersion("/bin/sh", version));
  EXPECT_EQ(version, TXVersionRecord{});
  EXPECT_EQ(VelVersion().VersionText("/no/such/file"), "0.0.0.0");
}

class Service : public TXObject {
 public:
  explicit Service(int& freed) : freed_(freed) {}
  ~Service() override { ++freed_; }

 private:
  int& freed_;
};
class SpecialService : public Service {
  using Service::Service;
};

TEST(ServiceManagerTest, RegisteringAgainReplacesAndFreesTheOldService) {
  int freed = 0;
  TXServiceManager services("test");
  SpecialService& special =
      services.RegisterService<Service>(std::make_unique<SpecialService>(freed));
  EXPECT_EQ(services.GetService<Service>(), &special);
  EXPECT_EQ(services.GetService<SpecialService>(), &special);

  Service& plain = services.RegisterService<Service>(std::make_unique<Service>(freed));
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(services.GetService<Service>(), &plain);
  EXPECT_EQ(services.GetService<SpecialService>(), nullptr);

  services.UnregisterService<Service>();
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(services.GetService<Service>(), nullptr);
}

TEST(ServiceManagerTest, ServicesGoWithTheirManager) {
  int freed = 0;
  {
    TXServiceManager services;
    services.RegisterService<Service>(std::make_unique<Service>(freed));
    services.RegisterService<SpecialService>(std::make_unique<SpecialService>(freed));
  }
  EXPECT_EQ(freed, 2);
}

TEST(FrameworkObjectsTest, ProcessWideObjectsAreReadyTogether) {
  TXAppVersionService* version = AppServices().GetService<TXAppVersionService>();
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->MakerCode(), "xx");
  EXPECT_EQ(version->GetVersion(), VelApp().GetVersion());
  EXPECT_EQ(FrameworkServices().GetService<TXAppVersionService>(), nullptr);
  EXPECT_EQ(EmptyProgress().GetPosition(), 0);
  EXPECT_FALSE(CoreApp().IsTerminating());
}

}  // namespace
}  // namespace kova
