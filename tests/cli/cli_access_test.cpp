#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "cli/cli_runner.h"
#include "drives/udisks_client.h"
#include "fat/card_fixture.h"
#include "support/test_files.h"
#include "support/udisks_fixture.h"

// kova-cli run as a user who may not read drives: the card is read through udisks2 (a fake
// service on a private bus stands in for the system's), and every refusal says what to do.
namespace kova {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunCli;

const std::vector<std::string> kAsNobody = {"setpriv", "--reuid=65534", "--regid=65534",
                                            "--clear-groups"};

// A real card attached to a loop device that only root may open, described to the fake service
// as an SD card whose OpenForBackup follows `access`.
class CliAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to attach a loop device and to run as nobody";
    if (RunCli({"--version"}, kAsNobody).Status != 0)
      GTEST_SKIP() << "setpriv cannot run the program as nobody here";
    card = std::make_unique<test::FixtureCard>(test::Fat32Options());
    KOVA_CARD_OK(card->Formatted());
    KOVA_CARD_OK(card->Builder().MakeFolder("DCIM"));
    KOVA_CARD_OK(card->Builder().WriteFile("DCIM/IMG_0001.JPG", test::Photo(640, 480, 1)));
    KOVA_CARD_OK(card->Builder().WriteFile("DCIM/IMG_0002.JPG", test::Photo(800, 600, 2)));
    KOVA_CARD_OK(card->Save());
    loop = std::make_unique<test::LoopDevice>(card->Image());
    if (loop->Device().empty()) GTEST_SKIP() << "no loop device could be attached";
    ASSERT_NE(RunCli({"info", loop->Device()}, kAsNobody).Status, 0)
        << "nobody must not be able to open the loop device itself";
    fs::permissions(out.Path(), fs::perms::all);
  }

  // Serves the card under the loop device's name; the environment points kova-cli at the bus.
  void Serve(const std::string& access) {
    machine.CardReader("Reader", "SD Reader", "flash_sd");
    machine.Disk(fs::path(loop->Device()).filename().string(), loop->Device(),
                 static_cast<int64_t>(fs::file_size(card->Image())), "Reader",
                 {{"IdUsage", "filesystem"}, {"IdType", "vfat"}, {"IdLabel", "KOVA TEST"}});
    machine.Open(loop->Device(), card->Image().string(), access);
    service = std::make_unique<test::FakeUDisks>(bus, machine);
    ASSERT_TRUE(service->Ready()) << bus.Problem();
  }

  std::unique_ptr<test::FixtureCard> card;
  std::unique_ptr<test::LoopDevice> loop;
  test::TempDir out;
  test::PrivateBus bus;
  test::ScopedEnvironment systemBus{"DBUS_SYSTEM_BUS_ADDRESS", bus.Address()};
  test::UDisksMachine machine;
  std::unique_ptr<test::FakeUDisks> service;
};

TEST_F(CliAccessTest, AUserRecoversACardThroughTheDiskServiceAndOwnsTheFiles) {
  Serve("granted");
  const fs::path saved = out / "saved";
  CliResult result = RunCli({"recover", loop->Device(), "--out", saved.string()}, kAsNobody);
  ASSERT_EQ(result.Status, 0) << result.Err;
  for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG"}) {
    const mkcard::ManifestRecord& record = card->Record(std::string("DCIM/") + name);
    std::vector<uint8_t> expected;
    const std::vector<uint8_t> image = test::ReadFileBytes(card->Image());
    for (const mkcard::Extent& extent : record.extents)
      expected.insert(expected.end(), image.begin() + static_cast<ptrdiff_t>(extent.offset),
                      image.begin() + static_cast<ptrdiff_t>(extent.offset + extent.size));
    EXPECT_EQ(test::ReadFileBytes(saved / name), expected) << name;
    struct stat facts {};
    ASSERT_EQ(::stat((saved / name).c_str(), &facts), 0);
    EXPECT_EQ(facts.st_uid, 65534u) << "restored files belong to the user";
  }
  EXPECT_EQ(service->Calls(), std::vector<std::string>{"OpenForBackup " + loop->Device() + " ask"})
      << "the restore reads what the search was given";
}

TEST_F(CliAccessTest, ARefusalSaysWhoRefusedAndNeverThatTheCardWasRemoved) {
  Serve("refused");
  for (const char* command : {"info", "scan"}) {
    CliResult result = RunCli({command, loop->Device()}, kAsNobody);
    EXPECT_EQ(result.Status, 2) << command;
    EXPECT_NE(result.Err.find(loop->Device() +
                              " cannot be read: your system's policy does not allow your account "
                              "to read this drive (Not authorized)"),
              std::string::npos)
        << result.Err;
    EXPECT_NE(result.Err.find("only an administrator of this computer can allow it"),
              std::string::npos)
        << result.Err;
    EXPECT_EQ(result.Err.find("removed"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("Run the command again"), std::string::npos)
        << "asking again cannot help: " << result.Err;
  }
  CliResult json = RunCli({"--json", "info", loop->Device()}, kAsNobody);
  EXPECT_TRUE(
      std::regex_match(json.Err, std::regex(R"(\{"error":"[^\n]*policy does not allow[^\n]*",)"
                                            R"("status":2,"meaning":"source unreadable"\}\n)")))
      << json.Err;
}

// Each answer of polkit gets its own message, and a refused recover leaves no folder behind.
TEST_F(CliAccessTest, EachRefusalSaysWhatIsTrueAndARefusedRecoverCreatesNothing) {
  const std::pair<const char*, const char*> kAnswers[] = {
      {"refused", " cannot be read: your system's policy does not allow your account"},
      {"noagent",
       " cannot be read: your system would give read access after asking for your "
       "password, but no password prompt can appear here"},
      {"dismissed", " cannot be read: the password prompt was cancelled.\nRun the command again"}};
  for (const auto& [access, message] : kAnswers) {
    machine = test::UDisksMachine();
    service.reset();
    Serve(access);
    const fs::path saved = out / access / "saved";
    CliResult result = RunCli({"recover", loop->Device(), "--out", saved.string()}, kAsNobody);
    EXPECT_EQ(result.Status, 2) << access;
    EXPECT_NE(result.Err.find(loop->Device() + message), std::string::npos)
        << access << ": " << result.Err;
    EXPECT_FALSE(fs::exists(out / access)) << access << ": nothing is made before the card opens";
    EXPECT_EQ(service->Calls(),
              std::vector<std::string>{"OpenForBackup " + loop->Device() + " ask"})
        << access << ": asked once";
    if (std::string(access) == "noagent") {
      EXPECT_NE(result.Err.find("pkexec kova-cli"), std::string::npos) << result.Err;
    }
  }
}

TEST_F(CliAccessTest, ARefusedImageCreatesNoFile) {
  Serve("noagent");
  const fs::path image = out / "card.bin";
  CliResult result = RunCli({"image", loop->Device(), image.string()}, kAsNobody);
  EXPECT_EQ(result.Status, 2) << result.Err;
  EXPECT_NE(result.Err.find("no password prompt can appear here"), std::string::npos) << result.Err;
  EXPECT_TRUE(fs::is_empty(out.Path())) << "neither the image nor its unfinished copy";
}

TEST_F(CliAccessTest, WithoutTheDiskServiceOrWithItSwitchedOffTheMessageSaysWhatToDo) {
  CliResult missing = RunCli({"info", loop->Device()}, kAsNobody);
  EXPECT_EQ(missing.Status, 2);
  EXPECT_NE(missing.Err.find("the udisks2 disk service, which gives read access to a card after "
                             "asking for your password, does not answer"),
            std::string::npos)
      << missing.Err;
  EXPECT_NE(missing.Err.find("sudo apt install udisks2"), std::string::npos);
  Serve("granted");
  CliResult off = RunCli({"info", "--no-udisks", loop->Device()}, kAsNobody);
  EXPECT_EQ(off.Status, 2);
  EXPECT_NE(off.Err.find("Run the command again without --no-udisks"), std::string::npos)
      << off.Err;
  EXPECT_TRUE(service->Calls().empty()) << "--no-udisks never asks the service";
}

// The system's own udisks2 and polkit, where they run: a user who may not read a drive is told
// which of polkit's answers came (no password dialog can appear for nobody, who has no session),
// and recover leaves nothing behind.
TEST(CliRealUDisks, ARefusalOfTheSystemsServiceIsToldAsWhatItIs) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as nobody";
  if (RunCli({"--version"}, kAsNobody).Status != 0)
    GTEST_SKIP() << "setpriv cannot run the program as nobody here";
  TXUDisksClient system;
  const std::optional<TXUDisksObjects> objects = system.Objects();
  if (!objects) GTEST_SKIP() << "no udisks2 answers on the system bus";
  std::string device;
  for (const TXUDisksInterfaces& interfaces : *objects) {
    const std::string named =
        ByteString(interfaces.value(QLatin1String(udisks::kBlock)).value(QStringLiteral("Device")));
    if (!named.empty() && fs::exists(named) && ::access(named.c_str(), R_OK) == 0) {
      device = named;
      break;
    }
  }
  if (device.empty()) GTEST_SKIP() << "udisks2 lists no block device here";
  test::TempDir out;
  fs::permissions(out.Path(), fs::perms::all);
  const fs::path saved = out / "saved";
  CliResult result = RunCli({"recover", device, "--out", saved.string()}, kAsNobody);
  if (result.Status == 0) GTEST_SKIP() << "the system's policy lets nobody read " << device;
  EXPECT_EQ(result.Status, 2) << result.Err;
  const bool told =
      result.Err.find("your system's policy does not allow your account") != std::string::npos ||
      result.Err.find("no password prompt can appear here") != std::string::npos ||
      result.Err.find("the password prompt was cancelled") != std::string::npos;
  EXPECT_TRUE(told) << result.Err;
  EXPECT_EQ(result.Err.find("does not answer"), std::string::npos) << result.Err;
  EXPECT_FALSE(fs::exists(saved)) << "nothing is made before the card opens";
}

TEST(CliDrivesThroughUDisks, DrivesAreNamedByWhatTheyAreAndTheirLabels) {
  test::PrivateBus bus;
  test::UDisksMachine machine;
  machine.CardReader("Reader", "SD Reader", "flash_sd");
  machine.Disk("sdx", "/dev/sdx", 7948206080, "Reader");
  machine.Partition("sdx1", "/dev/sdx1", "sdx", 1, 7944011776,
                    {{"IdUsage", "filesystem"}, {"IdType", "vfat"}, {"IdLabel", "CANON_DC"}});
  test::FakeUDisks service(bus, machine);
  ASSERT_TRUE(service.Ready()) << bus.Problem();
  test::ScopedEnvironment systemBus("DBUS_SYSTEM_BUS_ADDRESS", bus.Address());
  CliResult text = RunCli({"drives"});
  ASSERT_EQ(text.Status, 0) << text.Err;
  EXPECT_NE(
      text.Out.find("  /dev/sdx     SD card 7.40 GB 'CANON_DC' \u2014 Generic SD Reader, USB\n"
                    "    /dev/sdx1  Partition 1 7.40 GB 'CANON_DC' \u2014 FAT\n"),
      std::string::npos)
      << text.Out;
  CliResult json = RunCli({"drives", "--json"});
  EXPECT_NE(json.Out.find(R"("name":"sdx1","device":"/dev/sdx1","disk":"sdx","type":"removable",)"
                          R"("kind":"sd_card")"),
            std::string::npos)
      << json.Out;
  EXPECT_EQ(RunCli({"drives", "--no-udisks", "--json"}).Out.find("sdx"), std::string::npos)
      << "without udisks2 the list comes from /sys";
}

}  // namespace
}  // namespace kova
