#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "flow/relay.h"
#include "flow/wizard_view.h"
#include "framework/aspects.h"
#include "recovery/file_types.h"
#include "recovery/recovery_aspects.h"
#include "storage/disk_aspect.h"

// The wizard's windows without a window system: a main window and page frames that keep what the
// flow shows on them and act as the user would, the way the program's Qt window and pages do.
namespace kova::test {

struct FakeButton {
  std::string Caption;
  bool Enabled = false;
  bool Visible = false;
};

class FakeMainWindow final : public IXWizardMainWindow {
 public:
  TXObservable& Observable() override { return observable_; }
  void Subscribe(TXObservable& source) override {
    observers_.Add(source, AspectClassOf<TXWizardHeaderChangedAspect>(),
                   TXHandler(this, "header", [this](AXNotification& n) { Header(n); }));
    observers_.Add(source, AspectClassOf<TXProgressChangedAspect>(),
                   TXHandler(this, "progress", [this](AXNotification& n) { Progress(n); }));
    observers_.Add(source, AspectClassOf<TXWizardControlChangedAspect>(),
                   TXHandler(this, "control", [this](AXNotification& n) { Control(n); }));
  }
  void SetModeHandler(std::function<void(bool)> handler) override { mode_ = std::move(handler); }
  void Show() override { Shown = true; }
  void Close() override { Closed = true; }
  void RefreshSizeRights() override { ++SizeRightChecks; }

  // --- the user
  void ClickNext() { DispatchAspect<TXActionNextAspect>(observable_); }
  void ClickBack() { DispatchAspect<TXActionPreviousAspect>(observable_); }
  // The Cancel button: asked first, then carried out unless refused. Answers whether it was.
  bool ClickCancel() {
    auto request = MakeNotification<TXRequestActionCancelAspect>();
    observable_.Dispatch(*request);
    if (request->Aspect().Denied) return false;
    DispatchAspect<TXActionCancelAspect>(observable_);
    return true;
  }
  // The window's own commands (close -21, size -23, maximise -24): asked, then done.
  bool Request(int32_t action) {
    auto request = MakeNotification<TXRequestActionAspect>(action);
    observable_.Dispatch(*request);
    if (request->Aspect().Denied) return false;
    if (action == kActionClose) Closed = true;
    DispatchAspect<TXActionAspect>(observable_, action);
    return true;
  }
  void ChooseMode(bool advanced) { mode_(advanced); }

  // --- what it shows
  std::string Caption;
  bool ShowsProgress = false;
  int32_t ProgressPosition = 0;
  int32_t ProgressPeak = 0;
  std::map<std::string, FakeButton> Controls;  // "Prev", "Next", "Cancel", "Mode"
  bool Shown = false;
  bool Closed = false;
  int SizeRightChecks = 0;

 private:
  void Header(AXNotification& n) {
    if (auto* a = n.AspectAs<TXWizardHeaderChangedAspect>()) {
      if (ShowsProgress) ProgressPosition = 0;
      Caption = a->Caption;
      ShowsProgress = a->ShowProgress != 0;
    }
  }
  void Progress(AXNotification& n) {
    if (auto* a = n.AspectAs<TXProgressChangedAspect>()) {
      ProgressPosition = a->Position;
      ProgressPeak = std::max(ProgressPeak, a->Position);
    }
  }
  void Control(AXNotification& n) {
    if (auto* a = n.AspectAs<TXWizardControlChangedAspect>())
      Controls[a->ControlName] = {a->Caption, a->Enabled, a->Visible};
  }

  TXObservable observable_;
  TXKeptObservers observers_;
  std::function<void(bool)> mode_;
};

// A page frame. Like the program's pages it forwards what it hears into its observable, and
// kind by kind it sends what the real page sends: the disk page its drive choice when shown and
// when asked for its data, the action page the chosen action, the file-type page the choice
// into the settings' file types.
class FakeFrame final : public IXWizardFrame {
 public:
  explicit FakeFrame(TXWizardFrameKind kind) : Kind(kind) {
    observable_.AddObserver(TXHandler(this, "page", [this](AXNotification& n) { Heard(n); }));
  }
  ~FakeFrame() override { observable_.RemoveObserversOf(this); }

  TXObservable& Observable() override { return observable_; }
  void Subscribe(TXObservable& source, const TXAspectClass& aspectClass) override {
    observers_.Add(source, aspectClass, TXHandler(this, "forward", [this](AXNotification& n) {
                     observable_.Dispatch(n);
                   }));
  }
  void Show() override {
    Visible = true;
    ++ShowCount;
    if (Kind == TXWizardFrameKind::fkDisk) SendDiskChoice();
  }
  void Hide() override { Visible = false; }

  // --- the user
  void ChooseAction(uint8_t action) {
    Action = action;
    DispatchAspect<TXDRSelectedActionAspect>(observable_, action);
  }
  void ChooseDrive(std::string drive, int64_t size = 0, uint8_t notReady = 0) {
    Drive = std::move(drive);
    DriveSize = size;
    DriveNotReady = notReady;
    DriveUsable = notReady == 0;
    SendDiskChoice();
  }
  // A drive the page found locked: the user may unlock it by going on.
  void ChooseLockedDrive(std::string drive) {
    ChooseDrive(std::move(drive), 0, 1);
    DriveUsable = true;
    SendDiskChoice();
  }

  const TXWizardFrameKind Kind;
  bool Visible = false;
  int ShowCount = 0;
  // The disk page's choice and the action page's.
  std::string Drive;
  int64_t DriveSize = 0;
  uint8_t DriveNotReady = 1;
  bool DriveUsable = false;
  uint8_t Action = 0;
  // The file-type page's lists, written into FileTypes when the wizard asks for the page's data.
  TXDRFileTypes* FileTypes = nullptr;
  std::function<void(TXDRFileTypes&)> EditFileTypes;
  // What the pages showed: rows of the results list, the preview and save-log flags, log lines,
  // the finish folder, and how often the results list was cleared.
  std::vector<TXDRFileItem*> Rows;
  int Clears = 0;
  bool Preview = false;
  bool SaveLog = false;
  std::vector<std::string> Log;
  std::string Folder;
  int Submits = 0;

 private:
  void SendDiskChoice() {
    DispatchAspect<TXDiskAspect>(observable_, Drive, DriveSize, DriveNotReady, DriveUsable);
  }

  void Heard(AXNotification& n) {
    if (n.AspectAs<TXDialogInitDataAspect>()) {
      Rows.clear();
      ++Clears;
    } else if (auto* a = n.AspectAs<TXDRAddFileAspect>()) {
      Rows.push_back(a->Item);
    } else if (auto* a = n.AspectAs<TXDRDialogInitPageDataPreviewAspect>()) {
      Preview = a->Value;
    } else if (auto* a = n.AspectAs<TXDRDialogInitPageDataSaveAspect>()) {
      SaveLog = a->Value;
    } else if (n.AspectAs<TXLogClearAspect>()) {
      Log.clear();
    } else if (auto* a = n.AspectAs<TXLogStringAspect>()) {
      Log.push_back(a->Text);
    } else if (auto* a = n.AspectAs<TXDialogInitFolderAspect>()) {
      Folder = a->Folder;
    } else if (n.AspectAs<TXDialogUpdatePageDataAspect>()) {
      Submit();
    }
  }

  void Submit() {
    ++Submits;
    if (Kind == TXWizardFrameKind::fkDisk) SendDiskChoice();
    if (Kind == TXWizardFrameKind::fkAction) ChooseAction(Action);
    if (Kind == TXWizardFrameKind::fkFileTypes && FileTypes && EditFileTypes)
      EditFileTypes(*FileTypes);
  }

  TXObservable observable_;
  TXKeptObservers observers_;
};

class FakeViewFactory final : public IXWizardViewFactory {
 public:
  std::unique_ptr<IXWizardMainWindow> CreateMainWindow(TXDREngine& /*engine*/) override {
    auto window = std::make_unique<FakeMainWindow>();
    Window = window.get();
    return window;
  }
  std::unique_ptr<IXWizardFrame> CreateFrame(TXWizardFrameKind kind, TXDREngine& /*engine*/,
                                             IXWizardMainWindow& /*window*/) override {
    auto frame = std::make_unique<FakeFrame>(kind);
    Frames[kind] = frame.get();
    return frame;
  }

  FakeMainWindow* Window = nullptr;
  std::map<TXWizardFrameKind, FakeFrame*> Frames;
};

}  // namespace kova::test
