#include "ui/wizard_views.h"

#include <QTimer>
#include <algorithm>

#include "flow/dr_engine.h"
#include "run/run_data.h"
#include "storage/disk_io.h"
#include "ui/action_frame.h"
#include "ui/disk_frame.h"
#include "ui/file_types_frame.h"
#include "ui/finish_frame.h"
#include "ui/image_file_frame.h"
#include "ui/images_frm.h"
#include "ui/restoring_frame.h"
#include "ui/screen_dpi.h"
#include "ui/welcome_frame.h"

namespace kova {

TXQtWizardMainWindow::TXQtWizardMainWindow(TXDREngine& engine, IXDRSkin& skin)
    : dialog_(engine, skin) {}

TXObservable& TXQtWizardMainWindow::Observable() {
  return Window().Observable();
}

void TXQtWizardMainWindow::Subscribe(TXObservable& source) {
  Window().Subscribe(source);
}

void TXQtWizardMainWindow::SetModeHandler(std::function<void(bool advanced)> handler) {
  Window().OnModeChanged = std::move(handler);
}

void TXQtWizardMainWindow::Show() {
  dialog_.Show();
}

void TXQtWizardMainWindow::Close() {
  TXKovaFrm* window = &Window();
  QTimer::singleShot(0, window, [window] { window->CloseWindow(); });
}

void TXQtWizardMainWindow::RefreshSizeRights() {
  Window().RefreshSizeRights();
}

TXQtWizardFrame::TXQtWizardFrame(TXCustomFrame* frame, TXKovaFrm& window)
    : frame_(frame), window_(&window) {
  frame_->hide();
}

TXQtWizardFrame::~TXQtWizardFrame() {
  if (window_ && window_->CurrentFrame() == frame_) window_->ShowFrame(nullptr);
  delete frame_.data();
}

TXObservable& TXQtWizardFrame::Observable() {
  return frame_->Observable();
}

void TXQtWizardFrame::Subscribe(TXObservable& source, const TXAspectClass& aspectClass) {
  frame_->Subscribe(source, aspectClass);
}

void TXQtWizardFrame::Show() {
  if (window_) window_->ShowFrame(frame_);
}

void TXQtWizardFrame::Hide() {
  if (window_ && window_->CurrentFrame() == frame_) {
    window_->ShowFrame(nullptr);
  } else if (frame_) {
    frame_->hide();
  }
}

TXQtWizardViewFactory::TXQtWizardViewFactory(IXDRSkin& skin, TXPlatformPaths paths)
    : skin_(skin), paths_(std::move(paths)) {}

void TXQtWizardViewFactory::SetWindowPlacement(const QRect& normal, bool maximized) {
  placement_ = normal;
  maximized_ = maximized;
}

std::unique_ptr<IXWizardMainWindow> TXQtWizardViewFactory::CreateMainWindow(TXDREngine& engine) {
  auto window = std::make_unique<TXQtWizardMainWindow>(engine, skin_);
  window->Window().SetPlacement(placement_, maximized_);
  return window;
}

std::unique_ptr<IXWizardFrame> TXQtWizardViewFactory::CreateFrame(TXWizardFrameKind kind,
                                                                  TXDREngine& engine,
                                                                  IXWizardMainWindow& window) {
  TXKovaFrm& form = static_cast<TXQtWizardMainWindow&>(window).Window();
  return std::make_unique<TXQtWizardFrame>(MakePage(kind, engine, &form.MainPanel()), form);
}

TXCustomFrame* TXQtWizardViewFactory::MakePage(TXWizardFrameKind kind, TXDREngine& engine,
                                               QWidget* parent) {
  switch (kind) {
    case TXWizardFrameKind::fkWelcome:
      return MakeFrame<TXDRWelcomeFrm>(skin_, parent, &engine);
    case TXWizardFrameKind::fkAction:
      return MakeFrame<TXDRActionFrm>(skin_, parent, &engine);
    case TXWizardFrameKind::fkDisk:
      return MakeFrame<TXDRDiskFrm>(skin_, parent, &engine, paths_);
    case TXWizardFrameKind::fkImageFile:
      return MakeFrame<TXDRImageFileFrm>(parent, &engine);
    case TXWizardFrameKind::fkFileTypes:
      return MakeFrame<TXDRFileTypesFrm>(skin_, parent, &engine);
    case TXWizardFrameKind::fkResults:
      return MakeResultsPage(engine, parent);
    case TXWizardFrameKind::fkRestoring:
      return MakeFrame<TXDRRestoringFrm>(skin_, parent, &engine);
    case TXWizardFrameKind::fkFinish:
      return MakeFrame<TXDRFinishFrm>(skin_, parent, &engine);
  }
  return nullptr;
}

TXCustomFrame* TXQtWizardViewFactory::MakeResultsPage(TXDREngine& engine, QWidget* parent) {
  auto* page = MakeFrame<TXDRImagesFrm>(skin_, parent, &engine);
  if (auto* view = dynamic_cast<TXDRVCLViewGear*>(&engine.ViewGear()))
    page->SetTypeIcons(&view->TypeIcons());
  // The preview reads the medium of the last run, never while a thread is reading it.
  TXDRWorkerGear* worker = &engine.WorkerGear();
  page->SetPreviewSource([worker]() -> TXStream* {
    TXCustomDiskIO* io = worker->Data().IO;
    if (worker->IsRunning() || !io) return nullptr;
    return io->Stream();
  });
  return page;
}

}  // namespace kova
