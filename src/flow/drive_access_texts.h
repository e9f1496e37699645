#pragma once

#include <string>

#include "storage/device_access.h"

namespace kova {

// What keeps the user from reading a drive and what to do about it, from the language texts:
// no card, gone, locked (the system will ask for a password), refused by the system's policy,
// no password dialog possible in this session, dismissed, no disk service, ...
// Empty for a readable drive.
std::string DriveAccessText(const TXDriveProbe& probe);

}  // namespace kova
