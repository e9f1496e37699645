#include <QApplication>

#include "app/gui/application_module.h"
#include "app/gui/wizard_startup.h"
#include "drives/drive_services.h"
#include "framework/error_data.h"
#include "framework/framework_objects.h"
#include "framework/vel_app.h"
#include "kova_version.h"
#include "ui/orange_kova_skin.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_event_loop.h"

namespace {

// True when another instance holds the lock. A lock that cannot be made at all (no private
// folder for it) does not keep the user from the program.
bool AnotherInstanceRuns() {
  kova::ClearThreadError();
  if (kova::VelApp().AcquireInstance(std::string("Local\\") + kova::build::kProductName))
    return false;
  return kova::ThreadError().Code == kova::kErrNone;
}

}  // namespace

// The wizard. A second start while the first runs ends at once, silently. The program takes no
// command-line switches.
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  kova::InstallQtEventLoop();
  if (AnotherInstanceRuns()) return 0;
  // The drive list and cards the user may not open come through udisks2 (polkit asks for a
  // password when the user goes on with such a card): the program runs as the user.
  const kova::TXDriveServices driveServices(true);
  int exitCode = 0;
  {
    kova::TXOrangeKovaSkinData skin;
    kova::PrepareWizardApplication(application, skin);
    kova::TUniQ module(skin);
    kova::TXQtDialogs dialogs(&skin, module.MainForm());
    kova::SetDialogs(&dialogs);
    exitCode = QApplication::exec();
    kova::SetDialogs(nullptr);
  }
  return exitCode;
}
