#include "ui_test_skin.h"

namespace kova::test {

TXOrangeKovaSkinData& TestSkin() {
  static TXOrangeKovaSkinData skin;
  return skin;
}

}  // namespace kova::test
