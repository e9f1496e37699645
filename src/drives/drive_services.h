#pragma once

#include <memory>
#include <string>

#include "storage/device_access.h"
#include "storage/drive_list.h"

namespace kova {

// What the programs put in place while they run: with udisks2, the drive list comes from the
// disk service when it answers (else from /sys), and media that open(2) refuses for lack of
// permission are asked for through it (polkit decides, asking the user when it must). Without,
// the drive list comes from /sys and a permission error stays one.
class TXDriveServices {
 public:
  // `address`: the bus of the disk service; the system bus when empty.
  explicit TXDriveServices(bool useUDisks, const std::string& address = {});
  ~TXDriveServices();
  TXDriveServices(const TXDriveServices&) = delete;
  TXDriveServices& operator=(const TXDriveServices&) = delete;

  bool UsesUDisks() const { return broker_ != nullptr; }

 private:
  std::shared_ptr<IXDeviceAccessBroker> broker_;
  std::unique_ptr<TXDeviceAccessBrokerScope> brokerScope_;
  std::unique_ptr<TXDriveEnumeratorScope> enumeratorScope_;
};

}  // namespace kova
