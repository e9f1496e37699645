#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "storage/platform_device.h"

// Reading a medium the user may not open: a broker (the system's disk service, which asks polkit)
// hands over a read-only descriptor, and probes tell what stands between the user and a drive.
namespace kova {

// A read-only descriptor the disk service handed over, or why it did not.
struct TXAccessGrant {
  int Descriptor = -1;  // owned by the receiver
  TXAccessRefusal Refusal = TXAccessRefusal::arNone;
  std::string Reason;
};

// Asks a privileged service for a medium that open(2) refused. Called from any thread.
class IXDeviceAccessBroker {
 public:
  virtual ~IXDeviceAccessBroker() = default;
  virtual TXAccessGrant Grant(const std::string& path, TXAccessPrompt prompt) = 0;
  // Forgets what was granted so far (the card in a reader may have been changed).
  virtual void Forget() {}
  // Why the last request for path was refused (arNone when it was not), for messages made
  // after an opening failed deep inside a run.
  virtual TXAccessGrant LastRefusal(const std::string& path) const = 0;
};

// The broker OpenDevice turns to; none unless a program puts one in place.
std::shared_ptr<IXDeviceAccessBroker> DeviceAccessBroker();

// Puts a broker in place for the lifetime of the scope (the previous one comes back afterwards).
class TXDeviceAccessBrokerScope {
 public:
  explicit TXDeviceAccessBrokerScope(std::shared_ptr<IXDeviceAccessBroker> broker);
  ~TXDeviceAccessBrokerScope();
  TXDeviceAccessBrokerScope(const TXDeviceAccessBrokerScope&) = delete;
  TXDeviceAccessBrokerScope& operator=(const TXDeviceAccessBrokerScope&) = delete;

 private:
  std::shared_ptr<IXDeviceAccessBroker> previous_;
};

// What stands between the user and a drive.
enum class TXDriveAccess : uint8_t {
  daReadable,
  daLocked,        // permission denied; the disk service unlocks it once the user agrees
  daNoPermission,  // permission denied, and nothing here can unlock it
  daNoMedium,      // a reader without a card
  daGone,          // the device is not there any more
  daFailed,        // any other failure, the disk service's own included
  daNoDrive,       // no drive was chosen
};

struct TXDriveProbe {
  TXDriveAccess Access = TXDriveAccess::daNoDrive;
  int64_t Size = 0;  // bytes the drive reports (0: unknown), when readable
  int Error = 0;     // the errno of a failed open
  TXAccessRefusal Refusal = TXAccessRefusal::arNone;
  std::string Reason;

  bool Readable() const { return Access == TXDriveAccess::daReadable; }
  // Readable now, or once the user agrees to unlock it.
  bool Usable() const { return Readable() || Access == TXDriveAccess::daLocked; }
};

// Opens the drive for a moment, never asking the user, and tells what came of it.
TXDriveProbe ProbeDrive(const std::string& path);

// Opens the drive for a moment, asking the user through the broker (a polkit dialog) when the
// drive is locked. A drive unlocked once stays readable for the broker's lifetime.
TXDriveProbe UnlockDrive(const std::string& path);

}  // namespace kova
