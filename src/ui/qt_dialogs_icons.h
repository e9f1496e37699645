#pragma once

#include <QPixmap>

#include "imaging/skin_interface.h"
#include "output/dr_dialogs.h"

namespace kova {

// The skin's picture for a message icon at about the size given (device-independent pixels):
// the information and warning sets by size, the error and question pictures by name. A null
// pixmap when the skin has none.
QPixmap MessageIconPixmap(IXDRSkin* skin, TXMessageIcon icon, int size);

}  // namespace kova
