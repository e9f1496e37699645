#include "framework/gear_box.h"

#include <algorithm>

namespace kova::components {

TXGearBox::~TXGearBox() {
  if (Handle() != 0) ReleaseHandle();
}

void TXGearBox::SetHandle(TXWindowHandle handle) {
  TXGear::SetHandle(handle);
  for (TXGear* gear : gears_)
    gear->ReceiveOwnerHandle(handle);
}

bool TXGearBox::CanClose() {
  bool all = true;
  for (TXGear* gear : gears_)
    all = gear->CanClose() && all;
  return all;
}

void TXGearBox::ReleaseHandle() {
  for (TXGear* gear : gears_)
    gear->ReleaseHandle();
}

void TXGearBox::Notification(TXComponent& component, TXOperation operation) {
  TXGear::Notification(component, operation);
  if (operation == TXOperation::opRemove) std::erase(gears_, &component);
}

}  // namespace kova::components
