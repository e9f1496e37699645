#include "storage/device_access.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <vector>

#include "framework/error_data.h"
#include "storage/buf_disk_stream.h"
#include "support/faulty_device.h"
#include "support/test_paths.h"

namespace kova {
namespace {

// A disk service that answers from a script and remembers how it was asked.
class ScriptedBroker final : public IXDeviceAccessBroker {
 public:
  TXAccessGrant Grant(const std::string& path, TXAccessPrompt prompt) override {
    asked.push_back({path, prompt});
    if (prompt == TXAccessPrompt::apNever && needsPassword)
      return {-1, TXAccessRefusal::arNeedsPassword, "authentication is required"};
    if (refusal != TXAccessRefusal::arNone) return {-1, refusal, "refused by policy"};
    return {::open(file.c_str(), flags | O_CLOEXEC), TXAccessRefusal::arNone, {}};
  }

  TXAccessGrant LastRefusal(const std::string&) const override { return {}; }

  struct Asked {
    std::string Path;
    TXAccessPrompt Prompt;
  };
  std::string file;
  int flags = O_RDONLY;
  bool needsPassword = false;
  TXAccessRefusal refusal = TXAccessRefusal::arNone;
  std::vector<Asked> asked;
};

class DeviceAccessTest : public testing::Test {
 protected:
  DeviceAccessTest() {
    std::ofstream(card, std::ios::binary) << std::string(4096, 'K');
    broker->file = card.string();
    plan->OpenError = EACCES;
  }

  // Opening "/dev/sdz" is refused for lack of permission, as for a user outside "disk".
  TXDeviceOpenerScope Locked() {
    return TXDeviceOpenerScope(FaultyDeviceOpener(kDrive, card, plan));
  }

  static constexpr const char* kDrive = "/dev/sdz";
  test::TempDir dir;
  std::filesystem::path card = dir / "card.img";
  std::shared_ptr<TXFaultPlan> plan = std::make_shared<TXFaultPlan>();
  std::shared_ptr<ScriptedBroker> broker = std::make_shared<ScriptedBroker>();
};

TEST_F(DeviceAccessTest, WithoutABrokerAPermissionErrorStaysOne) {
  TXDeviceOpenerScope locked = Locked();
  TXDeviceOpening opening = OpenDevice(kDrive);
  EXPECT_FALSE(opening.Device);
  EXPECT_EQ(opening.Error, EACCES);
  EXPECT_EQ(opening.Refusal, TXAccessRefusal::arNone);
  EXPECT_EQ(ProbeDrive(kDrive).Access, TXDriveAccess::daNoPermission);
}

TEST_F(DeviceAccessTest, AHandedOverDescriptorReadsLikeAnOpenedDevice) {
  TXDeviceOpenerScope locked = Locked();
  TXDeviceAccessBrokerScope installed(broker);
  TXBufDiskStream stream(kDrive);
  EXPECT_EQ(stream.DiskInfo().DiskSize, 4096);
  char bytes[4] = {};
  EXPECT_EQ(stream.Read(bytes, 4), 4);
  EXPECT_EQ(std::string(bytes, 4), "KKKK");
  ASSERT_EQ(broker->asked.size(), 1u);
  EXPECT_EQ(broker->asked[0].Path, kDrive);
  EXPECT_EQ(broker->asked[0].Prompt, TXAccessPrompt::apAsk);
}

TEST_F(DeviceAccessTest, ADescriptorOpenForWritingIsRefusedAndClosed) {
  TXDeviceOpenerScope locked = Locked();
  broker->flags = O_RDWR;
  TXDeviceAccessBrokerScope installed(broker);
  const int before = ::open("/dev/null", O_RDONLY);
  ::close(before);
  TXDeviceOpening opening = OpenDevice(kDrive);
  EXPECT_FALSE(opening.Device);
  EXPECT_EQ(opening.Error, EBADF);
  const int after = ::open("/dev/null", O_RDONLY);
  EXPECT_EQ(after, before) << "the writable descriptor was closed";
  ::close(after);
}

TEST_F(DeviceAccessTest, AProbeNeverAsksTheUserAndUnlockingDoes) {
  TXDeviceOpenerScope locked = Locked();
  broker->needsPassword = true;
  TXDeviceAccessBrokerScope installed(broker);
  TXDriveProbe probe = ProbeDrive(kDrive);
  EXPECT_EQ(probe.Access, TXDriveAccess::daLocked);
  EXPECT_EQ(probe.Refusal, TXAccessRefusal::arNeedsPassword);
  EXPECT_EQ(probe.Reason, "authentication is required");
  TXDriveProbe unlocked = UnlockDrive(kDrive);
  EXPECT_TRUE(unlocked.Readable());
  EXPECT_EQ(unlocked.Size, 4096);
  ASSERT_EQ(broker->asked.size(), 2u);
  EXPECT_EQ(broker->asked[0].Prompt, TXAccessPrompt::apNever);
  EXPECT_EQ(broker->asked[1].Prompt, TXAccessPrompt::apAsk);
}

TEST_F(DeviceAccessTest, RefusalsSayWhy) {
  TXDeviceOpenerScope locked = Locked();
  TXDeviceAccessBrokerScope installed(broker);
  broker->refusal = TXAccessRefusal::arNotAuthorized;
  EXPECT_EQ(UnlockDrive(kDrive).Access, TXDriveAccess::daNoPermission);
  ClearThreadError();
  EXPECT_THROW(TXBufDiskStream stream(kDrive), EXError);
  EXPECT_EQ(ThreadError().Code, kErrAccessDenied);
  EXPECT_EQ(ThreadError().Text, std::string(kDrive) + ": permission denied (refused by policy)");

  broker->refusal = TXAccessRefusal::arUnknownDevice;
  TXDriveProbe gone = UnlockDrive(kDrive);
  EXPECT_EQ(gone.Access, TXDriveAccess::daGone) << "the service no longer knows the device";
  EXPECT_EQ(gone.Error, ENODEV);
  EXPECT_THROW(TXBufDiskStream stream(kDrive), EXError);
  EXPECT_EQ(ThreadError().Code, kErrNotReady);
}

TEST_F(DeviceAccessTest, ProbesTellMissingDrivesEmptyReadersAndSizes) {
  EXPECT_EQ(ProbeDrive("").Access, TXDriveAccess::daNoDrive);
  EXPECT_EQ(ProbeDrive((dir / "nothing").string()).Access, TXDriveAccess::daGone);
  TXDriveProbe readable = ProbeDrive(card.string());
  EXPECT_TRUE(readable.Readable());
  EXPECT_EQ(readable.Size, 4096);
  plan->OpenError = ENOMEDIUM;
  TXDeviceOpenerScope empty(FaultyDeviceOpener(kDrive, card, plan));
  EXPECT_EQ(ProbeDrive(kDrive).Access, TXDriveAccess::daNoMedium);
  plan->OpenError = EIO;
  EXPECT_EQ(ProbeDrive(kDrive).Access, TXDriveAccess::daFailed);
}

}  // namespace
}  // namespace kova
