#pragma once

#include <QString>
#include <cstdint>

namespace kova {

// The text of the current language for the identifier (lg_keys.h), as Qt shows it.
QString LgText(uint32_t id);

}  // namespace kova
