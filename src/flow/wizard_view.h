#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "framework/observable.h"

// The wizard's windows as the recovery flow sees them. The flow decides what they show and
// drives them only through these interfaces and notifications; the program implements them with
// its Qt window and pages, the tests with recording doubles.
namespace kova {

class TXDREngine;

// The pages the wizard shows; several page states may share one frame.
enum class TXWizardFrameKind : uint8_t {
  fkWelcome,
  fkAction,
  fkDisk,
  fkImageFile,
  fkFileTypes,
  fkResults,
  fkRestoring,
  fkFinish,
};

// A page frame, placed in the main window's host area.
class IXWizardFrame {
 public:
  virtual ~IXWizardFrame() = default;

  // Where the page dispatches what the user does there (the chosen drive as TXDiskAspect, the
  // chosen action as TXDRSelectedActionAspect) and what it forwards from its subscriptions.
  virtual TXObservable& Observable() = 0;
  // The page hears notifications of the aspect class dispatched on the source: page data from
  // its page states (TXDialogInitDataAspect, TXDialogInitPageDataAspect and its kinds,
  // TXDialogUpdatePageDataAspect, TXDialogInitFolderAspect), log lines and found files from the
  // view gear. The registration ends with whichever of the two goes first.
  virtual void Subscribe(TXObservable& source, const TXAspectClass& aspectClass) = 0;
  // Shows the page in the main window's host area, filling it; hides it again.
  virtual void Show() = 0;
  virtual void Hide() = 0;
};

// The wizard's single window.
class IXWizardMainWindow {
 public:
  virtual ~IXWizardMainWindow() = default;

  // Where the window dispatches its buttons' actions (TXActionAspect and its kinds) and asks its
  // requests (TXRequestActionAspect: close -21, size -23, maximise -24, the Cancel button -30),
  // which an observer may refuse.
  virtual TXObservable& Observable() = 0;
  // The window follows the wizard's notifications dispatched on the source: header shown, hidden
  // and changed, progress, the Back, Next and Cancel buttons and the named controls ("Mode").
  virtual void Subscribe(TXObservable& source) = 0;
  // Called with true when the user picks the advanced mode, false for the typical one.
  virtual void SetModeHandler(std::function<void(bool advanced)> handler) = 0;

  virtual void Show() = 0;
  // Closes the window without asking. May be called from inside a request's handler: the window
  // then closes once that request has been answered.
  virtual void Close() = 0;
  // The page changed: the window asks again (request -23) whether the user may resize it.
  virtual void RefreshSizeRights() = 0;
};

// Creates the wizard's windows for the recovery engine (on the user-interface thread, while the
// view gear assembles). The frames are shown in the window they were created for; the view gear
// destroys them before the window.
class IXWizardViewFactory {
 public:
  virtual ~IXWizardViewFactory() = default;

  virtual std::unique_ptr<IXWizardMainWindow> CreateMainWindow(TXDREngine& engine) = 0;
  virtual std::unique_ptr<IXWizardFrame> CreateFrame(TXWizardFrameKind kind, TXDREngine& engine,
                                                     IXWizardMainWindow& window) = 0;
};

}  // namespace kova
