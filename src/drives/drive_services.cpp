#include "drives/drive_services.h"

#include "drives/udisks_access.h"
#include "drives/udisks_drives.h"

namespace kova {

TXDriveServices::TXDriveServices(bool useUDisks, const std::string& address) {
  if (!useUDisks) return;
  broker_ = std::make_shared<TXUDisksAccessBroker>(address);
  brokerScope_ = std::make_unique<TXDeviceAccessBrokerScope>(broker_);
  enumeratorScope_ = std::make_unique<TXDriveEnumeratorScope>(
      [address](const TXPlatformPaths& paths) { return EnumerateDrivesOrSysfs(paths, address); });
}

TXDriveServices::~TXDriveServices() = default;

}  // namespace kova
