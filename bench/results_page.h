#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <memory>

#include "framework/aspects.h"
#include "framework/engine.h"
#include "framework/observable.h"
#include "persistence/lg_builtin.h"
#include "recovery/recovery_aspects.h"
#include "ui/images_frm.h"
#include "ui/orange_kova_skin.h"
#include "ui/qt_event_loop.h"

// What the benchmarks of the results page share: Qt on its offscreen platform (unless another is
// chosen) with the program's event loop and built-in language, and the page as the wizard shows
// it, taking in the files that a source announces.
namespace kova::bench {

class TXBenchApplication {
 public:
  explicit TXBenchApplication(char** argv) : application_(Platform(), argv) {
    InstallQtEventLoop();
    UseBuiltInLanguage();
  }

 private:
  // Chooses the platform before the application starts; Qt keeps a reference to the count.
  static int& Platform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    return argc;
  }

  QApplication application_;
};

// The results page at 1280 x 800, shown and initialised, subscribed to the files `source` adds.
class TXBenchResultsPage {
 public:
  TXBenchResultsPage(TXEngine& engine, TXObservable& source)
      : page_(MakeFrame<TXDRImagesFrm>(skin_, nullptr, &engine)) {
    page_->Subscribe(source, AspectClassOf<TXDRAddFileAspect>());
    page_->resize(1280, 800);
    page_->show();
    DispatchAspect<TXDialogInitDataAspect>(page_->Observable());
    QCoreApplication::processEvents();
  }

  TXDRImagesFrm& Page() { return *page_; }
  void Close() { page_.reset(); }

 private:
  TXOrangeKovaSkinData skin_;
  std::unique_ptr<TXDRImagesFrm> page_;
};

}  // namespace kova::bench
