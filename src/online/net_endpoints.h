#pragma once

#include <array>
#include <string>
#include <string_view>

// Where the online services find the maker's servers: the built-in server domains, the two
// script paths and the rule that turns a domain into a server address. These names are reserved
// for examples and never resolve on the internet.
//
// Tests and private installations point the program at another server without changing the code:
// when the environment variable KOVA_ONLINE_BASE_URL is set (for example
// "http://127.0.0.1:8080/"), a server's address is that text followed by the domain, so the
// domain becomes the first segment of every path the server sees.
namespace kova::online {

inline constexpr std::array<std::string_view, 6> kBuiltInDomains = {
    "velmora-software.example", "velmora.example",        "velmora-online.example",
    "velmora-updates.example",  "velmora-mirror.example", "velmora-backup.example",
};

// Appended directly to a server's address.
inline constexpr std::string_view kNewsScriptPath = "/scripts/kova/news.cgi";
inline constexpr std::string_view kServerListScriptPath = "/scripts/kova/servers.cgi";

inline constexpr std::string_view kBaseUrlVariable = "KOVA_ONLINE_BASE_URL";

// "http://www." followed by the domain, or the base address of KOVA_ONLINE_BASE_URL followed by
// the domain.
std::string ServerUrl(std::string_view domain);

}  // namespace kova::online
