#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "drives/udisks_client.h"
#include "storage/device_access.h"

namespace kova {

// Opens media the user may not open through udisks2, which asks polkit (and the user, through
// the desktop's authentication dialog) and hands over a read-only descriptor. A medium granted
// once is kept open, so that the scan and the restore that follow read it without asking again;
// a medium for which no authentication agent could ask stays refused as such (arNoAgent), also
// to a probe, since going on would only be refused again. Forget closes and forgets them all
// (an agent may have been started since).
class TXUDisksAccessBroker final : public IXDeviceAccessBroker {
 public:
  // The system bus, or the bus at `address`.
  explicit TXUDisksAccessBroker(const std::string& address = {});
  ~TXUDisksAccessBroker() override;

  TXAccessGrant Grant(const std::string& path, TXAccessPrompt prompt) override;
  void Forget() override;
  TXAccessGrant LastRefusal(const std::string& path) const override;

 private:
  mutable std::mutex mutex_;
  TXUDisksClient client_;
  std::map<std::string, int> granted_;  // device path -> descriptor kept open
  std::map<std::string, TXAccessGrant> refused_;
  std::set<std::string> noAgent_;  // device paths for which no agent could ask
};

}  // namespace kova
