#include "online/proxy_settings.h"

#include "online/http_client.h"
#include "online/net_coding.h"

namespace kova {

namespace {

// The part before (index 0) or after (index 1) the first "|" of the unpacked data.
std::string CredentialPart(const std::string& packed, int index) {
  if (packed.empty()) return {};
  const std::optional<std::string> data = DecodeNetText(packed);
  if (!data) return {};
  const size_t bar = data->find('|');
  if (bar == std::string::npos) return index == 0 ? *data : std::string();
  return index == 0 ? data->substr(0, bar) : data->substr(bar + 1);
}

}  // namespace

const TXClassInfo& TXProxySettings::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXProxySettings>("TXProxySettings", TXPersistent::StaticClassInfo())
          .Property("ProxyEnabled", &TXProxySettings::ProxyEnabled)
          .Default(0)
          .Property("ProxyPort", &TXProxySettings::ProxyPort)
          .Default(0)
          .Property("ProxyServer", &TXProxySettings::ProxyServer)
          .Property("ProxyData", &TXProxySettings::ProxyData)
          .Build();
  return info;
}

void TXProxySettings::SetCredentials(const std::string& userName, const std::string& password) {
  ProxyData = EncodeNetText(userName + "|" + password);
}

std::string TXProxySettings::UserName() const {
  return CredentialPart(ProxyData, 0);
}

std::string TXProxySettings::Password() const {
  return CredentialPart(ProxyData, 1);
}

void TXProxySettings::Apply(TXHttpClient& client) const {
  if (!ProxyEnabled) {
    client.ClearProxy();
    return;
  }
  client.SetProxy({ProxyServer, ProxyPort, UserName(), Password()});
}

void TXProxySettings::Clear() {
  ProxyEnabled = false;
  ProxyPort = 0;
  ProxyServer.clear();
  ProxyData.clear();
}

TXProxySettings& ProxySettings() {
  static TXProxySettings settings;
  return settings;
}

}  // namespace kova
