#include "storage/device_access.h"

#include <cerrno>
#include <mutex>

namespace kova {

namespace {

std::mutex brokerMutex;
std::shared_ptr<IXDeviceAccessBroker> currentBroker;

std::shared_ptr<IXDeviceAccessBroker> ExchangeBroker(std::shared_ptr<IXDeviceAccessBroker> next) {
  std::lock_guard lock(brokerMutex);
  std::swap(currentBroker, next);
  return next;
}

TXDriveAccess AccessOfRefused(const TXDeviceOpening& opening) {
  switch (opening.Error) {
    case EACCES:
    case EPERM:
      if (opening.Refusal == TXAccessRefusal::arNeedsPassword) return TXDriveAccess::daLocked;
      return opening.Refusal == TXAccessRefusal::arFailed ? TXDriveAccess::daFailed
                                                          : TXDriveAccess::daNoPermission;
    case ENOMEDIUM:
      return TXDriveAccess::daNoMedium;
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return TXDriveAccess::daGone;
    default:
      return TXDriveAccess::daFailed;
  }
}

TXDriveProbe Probe(const std::string& path, TXAccessPrompt prompt) {
  TXDriveProbe probe;
  if (path.empty()) return probe;
  TXDeviceOpening opening = OpenDevice(path, prompt);
  if (opening.Device) {
    probe.Access = TXDriveAccess::daReadable;
    probe.Size = opening.Device->Size();
    return probe;
  }
  probe.Access = AccessOfRefused(opening);
  probe.Error = opening.Error;
  probe.Refusal = opening.Refusal;
  probe.Reason = std::move(opening.Reason);
  return probe;
}

}  // namespace

std::shared_ptr<IXDeviceAccessBroker> DeviceAccessBroker() {
  std::lock_guard lock(brokerMutex);
  return currentBroker;
}

TXDeviceAccessBrokerScope::TXDeviceAccessBrokerScope(std::shared_ptr<IXDeviceAccessBroker> broker)
    : previous_(ExchangeBroker(std::move(broker))) {}

TXDeviceAccessBrokerScope::~TXDeviceAccessBrokerScope() {
  ExchangeBroker(std::move(previous_));
}

TXDriveProbe ProbeDrive(const std::string& path) {
  return Probe(path, TXAccessPrompt::apNever);
}

TXDriveProbe UnlockDrive(const std::string& path) {
  return Probe(path, TXAccessPrompt::apAsk);
}

}  // namespace kova
