#pragma once

#include "ui/orange_kova_skin.h"

namespace kova::test {

// The built-in skin, drawn once for all tests of the program.
TXOrangeKovaSkinData& TestSkin();

}  // namespace kova::test
