#pragma once

#include <memory>

#include "flow/relay.h"
#include "flow/wizard_view.h"
#include "framework/gear.h"
#include "imaging/extension_icons.h"
#include "run/dr_worker_gear.h"

namespace kova {

class TXDREngine;
class IXDRSkin;

// The user interface's side of the recovery engine. The pages observe only this gear: it passes
// on every report of the worker gear (progress, found files, log lines, the end of a run), and
// the user's cancel arrives on it for the worker gear. Reports that reach it on another thread
// than the engine's are posted to it, so that no observer list is locked across threads.
class TXDRViewGear : public TXGear, public IXDRCancelSource {
 public:
  explicit TXDRViewGear(TXDREngine& engine);
  ~TXDRViewGear() override;

  TXDREngine& DREngine() const { return engine_; }
  TXObservable& CancelObservable() override { return *this; }

  // The skin the windows are drawn with; none in a program without windows.
  IXDRSkin* Skin = nullptr;
  // The wizard's window once a view gear has built it, else nullptr.
  virtual IXWizardMainWindow* MainWindow() const { return nullptr; }

  // Wires the gear to the worker gear (on TXAssembleAspect).
  virtual void Assemble();
  void OnAssemble(AXNotification& notification);

 protected:
  TXKeptObservers& Observers() { return observers_; }
  // Passes a report of the worker gear on, posting it when it arrives on another thread.
  void RelayWorker(AXNotification& notification);

 private:
  TXDREngine& engine_;
  TXKeptObservers observers_;
};

// A view gear with the file-type icons of the results list, drawn from the skin.
class TXDRVCLViewGear : public TXDRViewGear {
 public:
  static constexpr TXSize kThumbnailSize{72, 72};
  static constexpr TXColor kListColour = 0xFFFFFFFF;

  explicit TXDRVCLViewGear(TXDREngine& engine);

  // The type keys (three empty entries, then the catalogue's extensions) and the small (22 x 16)
  // and large (72 x 72) icon collections, index for index.
  const TXDRTypeIcons& TypeIcons() const { return typeIcons_; }
  const std::vector<std::string>& TypeKeys() const { return typeIcons_.TypeKeys(); }
  // Draws the icons anew on the list's colour; nothing without a skin.
  void BuildTypeIcons(TXColor listColour = kListColour);

  void Assemble() override;

 private:
  TXDRTypeIcons typeIcons_;
};

}  // namespace kova
