#pragma once

#include <cstdint>
#include <string>

#include "framework/persistent.h"

namespace kova {

class TXHttpClient;

// The proxy that refreshing the server list goes through. ProxyData holds the user name and the
// password joined by "|", packed with this system's own coding (EncodeNetText).
class TXProxySettings : public TXPersistent {
  KOVA_PERSISTENT(TXProxySettings)

 public:
  bool ProxyEnabled = false;
  int32_t ProxyPort = 0;
  std::string ProxyServer;
  std::string ProxyData;

  void SetCredentials(const std::string& userName, const std::string& password);
  // The unpacked parts of ProxyData; empty when it is empty or not a valid packing.
  std::string UserName() const;
  std::string Password() const;

  // Sets the client's proxy when enabled, otherwise clears it.
  void Apply(TXHttpClient& client) const;

  void Clear() override;
};

// The process-wide settings, made on first use, disabled. Read them on the user-interface thread.
TXProxySettings& ProxySettings();

}  // namespace kova
