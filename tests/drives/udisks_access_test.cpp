#include "drives/udisks_access.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "drives/drive_services.h"
#include "framework/error_data.h"
#include "storage/buf_disk_stream.h"
#include "udisks_machine.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

// The access modes of this process's descriptors that are open on `file`.
std::vector<int> AccessModesOn(const fs::path& file) {
  std::vector<int> modes;
  const fs::path wanted = fs::canonical(file);
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (fs::read_symlink(entry.path(), error) != wanted) continue;
    std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
    std::string key, value;
    while (info >> key >> value) {
      if (key == "flags:")
        modes.push_back(static_cast<int>(std::stol(value, nullptr, 8)) & O_ACCMODE);
    }
  }
  return modes;
}

// Devices this user may not open, as for a user outside the "disk" group.
TXDeviceOpener LockedOpener(std::vector<std::string> locked) {
  return [locked](const std::string& path) {
    if (std::find(locked.begin(), locked.end(), path) != locked.end())
      return TXDeviceOpening(nullptr, EACCES);
    return OpenPlatformDevice(path);
  };
}

// /dev/sdb and /dev/sdb1 of the described machine, which this user may not open: their bytes
// are those of a card image, handed over by the fake service by the rule a test sets.
class UDisksAccessTest : public testing::Test {
 protected:
  UDisksAccessTest() { std::ofstream(card, std::ios::binary) << std::string(8192, 'C'); }

  // Serves the machine with the rule for `device` and puts the services in place.
  void Serve(const std::string& device, const std::string& access) {
    machine.Open(device, card.string(), access);
    service = std::make_unique<test::FakeUDisks>(bus, machine);
    ASSERT_TRUE(service->Ready()) << bus.Problem();
    services = std::make_unique<TXDriveServices>(true, bus.Address());
  }

  test::TempDir dir;
  fs::path card = dir / "card.img";
  TXDeviceOpenerScope locked{LockedOpener({"/dev/sdb", "/dev/sdb1", "/dev/sdz"})};
  test::PrivateBus bus;
  test::UDisksMachine machine = test::DescribedMachine("/home/ann/cards/canon.img");
  std::unique_ptr<test::FakeUDisks> service;
  std::unique_ptr<TXDriveServices> services;
};

TEST_F(UDisksAccessTest, AGrantedDeviceIsReadThroughTheHandedOverDescriptorOnly) {
  Serve("/dev/sdb", "granted");
  TXBufDiskStream stream("/dev/sdb");
  EXPECT_EQ(stream.DiskInfo().DiskSize, 8192);
  char bytes[3] = {};
  EXPECT_EQ(stream.Read(bytes, 3), 3);
  EXPECT_EQ(std::string(bytes, 3), "CCC");
  EXPECT_EQ(service->Calls(), std::vector<std::string>{"OpenForBackup /dev/sdb ask"});
  const std::vector<int> modes = AccessModesOn(card);
  EXPECT_FALSE(modes.empty());
  for (int mode : modes)
    EXPECT_EQ(mode, O_RDONLY);
}

TEST_F(UDisksAccessTest, ALockedDeviceIsUnlockedOnceAndStaysOpenUntilForgotten) {
  Serve("/dev/sdb", "password");
  TXDriveProbe probe = ProbeDrive("/dev/sdb");
  EXPECT_EQ(probe.Access, TXDriveAccess::daLocked);
  EXPECT_EQ(probe.Refusal, TXAccessRefusal::arNeedsPassword);
  EXPECT_EQ(service->Calls(), std::vector<std::string>{"OpenForBackup /dev/sdb quiet"})
      << "a probe never asks the user";
  TXDriveProbe unlocked = UnlockDrive("/dev/sdb");
  EXPECT_TRUE(unlocked.Readable());
  EXPECT_EQ(unlocked.Size, 8192);
  EXPECT_TRUE(ProbeDrive("/dev/sdb").Readable());
  TXBufDiskStream scan("/dev/sdb");
  EXPECT_EQ(service->Calls(), (std::vector<std::string>{"OpenForBackup /dev/sdb quiet",
                                                        "OpenForBackup /dev/sdb ask"}))
      << "the scan reads what was unlocked without asking again";
  DeviceAccessBroker()->Forget();
  EXPECT_TRUE(ProbeDrive("/dev/sdb").Readable()) << "the service remembers the authorisation";
  EXPECT_EQ(service->Calls().size(), 3u);
}

TEST_F(UDisksAccessTest, RefusalsSayWhyAndAreNoDisconnection) {
  Serve("/dev/sdb", "refused");
  TXDriveProbe refused = UnlockDrive("/dev/sdb");
  EXPECT_EQ(refused.Access, TXDriveAccess::daNoPermission);
  EXPECT_EQ(refused.Refusal, TXAccessRefusal::arNotAuthorized);
  EXPECT_EQ(refused.Reason, "Not authorized");
  ClearThreadError();
  EXPECT_THROW(TXBufDiskStream("/dev/sdb"), EXError);
  EXPECT_EQ(ThreadError().Code, kErrAccessDenied);
  EXPECT_EQ(ThreadError().Text, "/dev/sdb: permission denied (Not authorized)");
}

TEST_F(UDisksAccessTest, AClosedPasswordDialogIsTold) {
  Serve("/dev/sdb", "dismissed");
  EXPECT_EQ(ProbeDrive("/dev/sdb").Access, TXDriveAccess::daLocked);
  TXDriveProbe dismissed = UnlockDrive("/dev/sdb");
  EXPECT_EQ(dismissed.Access, TXDriveAccess::daNoPermission);
  EXPECT_EQ(dismissed.Refusal, TXAccessRefusal::arDismissed);
}

TEST_F(UDisksAccessTest, WithoutAnAgentTheDriveIsNoLongerOfferedAsLockedUntilForgotten) {
  Serve("/dev/sdb", "noagent");
  EXPECT_EQ(ProbeDrive("/dev/sdb").Access, TXDriveAccess::daLocked)
      << "looking cannot tell that nobody could ask";
  TXDriveProbe asked = UnlockDrive("/dev/sdb");
  EXPECT_EQ(asked.Access, TXDriveAccess::daNoPermission);
  EXPECT_EQ(asked.Refusal, TXAccessRefusal::arNoAgent);
  EXPECT_EQ(DeviceAccessBroker()->LastRefusal("/dev/sdb").Refusal, TXAccessRefusal::arNoAgent);
  TXDriveProbe after = ProbeDrive("/dev/sdb");
  EXPECT_EQ(after.Access, TXDriveAccess::daNoPermission) << "going on would be refused again";
  EXPECT_EQ(after.Refusal, TXAccessRefusal::arNoAgent);
  DeviceAccessBroker()->Forget();
  EXPECT_EQ(ProbeDrive("/dev/sdb").Access, TXDriveAccess::daLocked)
      << "Refresh Drives tries again: an agent may run by now";
}

TEST_F(UDisksAccessTest, AMountedCardIsReadThroughTheSharedOpening) {
  machine.Open("/dev/sdb", (dir / "gone.img").string(), "busy");
  Serve("/dev/sdb1", "busy");
  EXPECT_TRUE(UnlockDrive("/dev/sdb1").Readable());
  EXPECT_EQ(service->Calls(),
            (std::vector<std::string>{"OpenForBackup /dev/sdb1 ask", "OpenDevice /dev/sdb1 ask"}));
  TXDriveProbe failed = UnlockDrive("/dev/sdb");
  EXPECT_EQ(failed.Access, TXDriveAccess::daFailed) << "the service failed to open it";
  EXPECT_NE(failed.Reason.find("Error opening"), std::string::npos) << failed.Reason;
}

TEST_F(UDisksAccessTest, AVanishedDeviceIsGone) {
  Serve("/dev/sdb", "vanished");
  EXPECT_EQ(UnlockDrive("/dev/sdb").Access, TXDriveAccess::daGone);
  ClearThreadError();
  EXPECT_THROW(TXBufDiskStream("/dev/sdb"), EXError);
  EXPECT_EQ(ThreadError().Code, kErrNotReady);
  EXPECT_EQ(UnlockDrive("/dev/sdz").Access, TXDriveAccess::daGone)
      << "a device the service does not know";
}

TEST_F(UDisksAccessTest, ADescriptorOpenForWritingIsNeverUsed) {
  Serve("/dev/sdb", "writable");
  TXDriveProbe probe = UnlockDrive("/dev/sdb");
  EXPECT_EQ(probe.Access, TXDriveAccess::daFailed);
  EXPECT_EQ(probe.Reason, "the descriptor handed over was open for writing");
  // The message that carried it may still be freed on QtDBus's own thread for a moment.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!AccessModesOn(card).empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(AccessModesOn(card).empty()) << "every copy of the descriptor was closed";
}

TEST_F(UDisksAccessTest, WithoutTheServiceThePermissionErrorSaysSo) {
  TXDriveServices services(true, bus.Address());
  TXDriveProbe probe = UnlockDrive("/dev/sdb");
  EXPECT_EQ(probe.Access, TXDriveAccess::daNoPermission);
  EXPECT_EQ(probe.Refusal, TXAccessRefusal::arNoService);
  TXDriveServices off(false);
  EXPECT_EQ(UnlockDrive("/dev/sdb").Refusal, TXAccessRefusal::arNoService)
      << "the services switched off put nothing in place over the ones before";
}

}  // namespace
}  // namespace kova
