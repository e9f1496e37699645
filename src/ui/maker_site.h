#pragma once

// The maker's web site: every page the program opens (share pages, support, links in the About
// box) lives below this address.
namespace kova {

inline constexpr char kMakerWebSite[] = "https://www.velmora.com";

}  // namespace kova
