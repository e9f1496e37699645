#include "online/net_endpoints.h"

#include <cstdlib>

namespace kova::online {

std::string ServerUrl(std::string_view domain) {
  const char* base = std::getenv(std::string(kBaseUrlVariable).c_str());
  if (base && *base) return std::string(base) + std::string(domain);
  return "http://www." + std::string(domain);
}

}  // namespace kova::online
