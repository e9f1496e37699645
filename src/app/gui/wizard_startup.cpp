#include "app/gui/wizard_startup.h"

#include <QApplication>

#include "kova_version.h"
#include "ui/application_look.h"

namespace kova {

void PrepareWizardApplication(QApplication& application, IXDRSkin& skin) {
  QApplication::setApplicationName(QString::fromLatin1(build::kProductName));
  QApplication::setApplicationDisplayName(QString::fromLatin1(build::kProductName));
  // Wayland desktops find the window's icon and name through its desktop entry.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(build::kDesktopId));
  ApplyApplicationLook(application, skin);
}

}  // namespace kova
