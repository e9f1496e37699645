#pragma once

#include <QPointer>
#include <memory>

#include "flow/wizard_view.h"
#include "storage/platform_paths.h"
#include "ui/custom_frame.h"
#include "ui/kova_dialog.h"

namespace kova {

class IXDRSkin;

// The wizard's window for the recovery flow: the main window of TXKovaDialog behind the flow's
// interface.
class TXQtWizardMainWindow final : public IXWizardMainWindow {
 public:
  TXQtWizardMainWindow(TXDREngine& engine, IXDRSkin& skin);

  TXKovaFrm& Window() const { return dialog_.Window(); }

  TXObservable& Observable() override;
  void Subscribe(TXObservable& source) override;
  void SetModeHandler(std::function<void(bool advanced)> handler) override;
  void Show() override;
  // The window closes from the event loop, once whatever asked for it has been answered.
  void Close() override;
  void RefreshSizeRights() override;

 private:
  TXKovaDialog dialog_;
};

// A page of the wizard: owns its frame, which it shows in the main window's page area.
class TXQtWizardFrame final : public IXWizardFrame {
 public:
  TXQtWizardFrame(TXCustomFrame* frame, TXKovaFrm& window);
  ~TXQtWizardFrame() override;

  TXCustomFrame& Frame() const { return *frame_; }

  TXObservable& Observable() override;
  void Subscribe(TXObservable& source, const TXAspectClass& aspectClass) override;
  void Show() override;
  void Hide() override;

 private:
  QPointer<TXCustomFrame> frame_;
  QPointer<TXKovaFrm> window_;
};

// Builds the wizard's Qt window and pages, drawn with the skin. The disk page lists the drives
// found under the platform paths.
class TXQtWizardViewFactory final : public IXWizardViewFactory {
 public:
  explicit TXQtWizardViewFactory(IXDRSkin& skin, TXPlatformPaths paths = SystemPaths());

  // Where the main window shows itself (TXKovaFrm::SetPlacement).
  void SetWindowPlacement(const QRect& normal, bool maximized);

  std::unique_ptr<IXWizardMainWindow> CreateMainWindow(TXDREngine& engine) override;
  std::unique_ptr<IXWizardFrame> CreateFrame(TXWizardFrameKind kind, TXDREngine& engine,
                                             IXWizardMainWindow& window) override;

 private:
  TXCustomFrame* MakePage(TXWizardFrameKind kind, TXDREngine& engine, QWidget* parent);
  TXCustomFrame* MakeResultsPage(TXDREngine& engine, QWidget* parent);

  IXDRSkin& skin_;
  TXPlatformPaths paths_;
  QRect placement_;
  bool maximized_ = false;
};

}  // namespace kova
