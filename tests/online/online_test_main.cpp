#include <gtest/gtest.h>

#include <QApplication>

#include "framework/core_app.h"
#include "persistence/lg_builtin.h"
#include "ui/qt_event_loop.h"

// The online tests run on a real Qt application (offscreen under ctest) whose event loop carries
// the engines' wake-ups, as in the wizard.
int main(int argc, char** argv) {
  // Also when CTest lists the tests, which it does without the tests' environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setStyle("Fusion");
  kova::InstallQtEventLoop();
  kova::CoreApp();
  kova::UseBuiltInLanguage();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
