#include <gtest/gtest.h>

#include <QApplication>

#include "persistence/lg_builtin.h"
#include "ui/qt_event_loop.h"

// The user-interface tests run real widgets on Qt's offscreen platform, in one QApplication, with
// the engines on the Qt loop and the built-in English texts, as the wizard runs.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  kova::InstallQtEventLoop();
  kova::UseBuiltInLanguage();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
