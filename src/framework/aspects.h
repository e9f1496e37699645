#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "framework/aspect.h"
#include "framework/error_data.h"

// The catalogue of aspect classes that the framework and the recovery flow exchange. Aspects that
// belong to one subsystem (found files, disks, image objects) are declared beside their classes.
namespace kova {

// --- object state
class TXObjectStateAspect : public TXCustomAspect {};
class TXAssembleAspect : public TXObjectStateAspect {};
class TXDestroyingAspect : public TXObjectStateAspect {};

// --- application
class TXAppTerminatedAspect : public TXCustomAspect {};
class TXAppCustomActivateAspect : public TXCustomAspect {
 public:
  explicit TXAppCustomActivateAspect(int32_t value) : Value(value) {}
  int32_t Value;
};
class TXAppOpenAspect : public TXCustomAspect {
 public:
  explicit TXAppOpenAspect(int32_t value) : Value(value) {}
  int32_t Value;
};

// --- actions of the user. Codes: -21 close, -22 move, -23 size, -24 maximise, -25 minimise,
// -30 cancel, -31 previous, -32 next, -100 help, -200 about, -210 updates, -220 support page.
enum TXActionCode : int32_t {
  kActionClose = -21,
  kActionMove = -22,
  kActionSize = -23,
  kActionMaximize = -24,
  kActionMinimize = -25,
  kActionCancel = -30,
  kActionPrevious = -31,
  kActionNext = -32,
  kActionHelp = -100,
  kActionAbout = -200,
  kActionUpdates = -210,
  kActionSupport = -220,
};

class TXActionAspect : public TXCustomAspect {
 public:
  explicit TXActionAspect(int32_t action, int32_t value = 0) : Action(action), Value(value) {}
  int32_t Action;
  int32_t Value;
};

// Asked before an action is carried out; an observer may refuse it by setting Denied.
class TXRequestActionAspect : public TXCustomAspect {
 public:
  explicit TXRequestActionAspect(int32_t action, int32_t value = 0)
      : Action(action), Value(value) {}
  int32_t Action;
  int32_t Value;
  bool Denied = false;
};
class TXRequestActionCancelAspect : public TXRequestActionAspect {
 public:
  explicit TXRequestActionCancelAspect(int32_t value = 0)
      : TXRequestActionAspect(kActionCancel, value) {}
};
class TXActionCancelAspect : public TXActionAspect {
 public:
  explicit TXActionCancelAspect(int32_t value = 0) : TXActionAspect(kActionCancel, value) {}
};
class TXActionPreviousAspect : public TXActionAspect {
 public:
  TXActionPreviousAspect() : TXActionAspect(kActionPrevious) {}
};
class TXActionNextAspect : public TXActionAspect {
 public:
  TXActionNextAspect() : TXActionAspect(kActionNext) {}
};
class TXActionHelpAspect : public TXActionAspect {
 public:
  TXActionHelpAspect() : TXActionAspect(kActionHelp) {}
};
class TXActionAboutAspect : public TXActionAspect {
 public:
  TXActionAboutAspect() : TXActionAspect(kActionAbout) {}
};

// --- changes of objects and controls
class TXChangedAspect : public TXCustomAspect {};
class TXShownAspect : public TXChangedAspect {};
class TXHiddenAspect : public TXChangedAspect {};

// --- end of operations
class TXCustomOperationTerminatedAspect : public TXCustomAspect {
 public:
  TXCustomOperationTerminatedAspect(std::string name, TXErrorData errorData)
      : Name(std::move(name)), ErrorData(std::move(errorData)) {}
  std::string Name;
  TXErrorData ErrorData;
};
// A worker has terminated (dispatched on the thread that ended it).
class TXOperationTerminatedAspect : public TXCustomOperationTerminatedAspect {
  using TXCustomOperationTerminatedAspect::TXCustomOperationTerminatedAspect;
};
// A worker's thread has ended (dispatched on the engine's thread after the thread stopped).
class TXOperationThreadTerminatedAspect : public TXCustomOperationTerminatedAspect {
  using TXCustomOperationTerminatedAspect::TXCustomOperationTerminatedAspect;
};
class TXTaskTerminatedAspect : public TXCustomAspect {};

// --- progress
class TXProgressAspect : public TXCustomAspect {};
class TXProgressChangedAspect : public TXProgressAspect {
 public:
  explicit TXProgressChangedAspect(int32_t position) : Position(position) {}
  int32_t Position;  // overall position, 0 to 1000
};
class TXProgressSectionChangedAspect : public TXProgressAspect {
 public:
  explicit TXProgressSectionChangedAspect(std::string section) : Section(std::move(section)) {}
  std::string Section;
};
class TXProgressStyleChangedAspect : public TXProgressAspect {
 public:
  explicit TXProgressStyleChangedAspect(uint8_t style) : Style(style) {}
  uint8_t Style;
};

// --- log lines
class TXLogAspect : public TXCustomAspect {};
class TXLogClearAspect : public TXLogAspect {};
class TXLogStringAspect : public TXLogAspect {
 public:
  explicit TXLogStringAspect(std::string text) : Text(std::move(text)) {}
  std::string Text;
};

// --- wizard
class TXWizardPageChangedAspect : public TXCustomAspect {};
template <class TPageID>
class TXWizardPageChangedAspectOf : public TXWizardPageChangedAspect {
 public:
  explicit TXWizardPageChangedAspectOf(TPageID page) : Page(page) {}
  TPageID Page;
};
class TXWizardHeaderShowAspect : public TXChangedAspect {};
class TXWizardHeaderHideAspect : public TXChangedAspect {};
class TXWizardHeaderChangedAspect : public TXChangedAspect {
 public:
  TXWizardHeaderChangedAspect(std::string caption, int32_t showProgress)
      : Caption(std::move(caption)), ShowProgress(showProgress) {}
  std::string Caption;
  int32_t ShowProgress;
};
// A named control of the main window changes (the mode box is "Mode").
class TXWizardControlChangedAspect : public TXChangedAspect {
 public:
  TXWizardControlChangedAspect(std::string controlName, std::string caption, bool enabled,
                               bool visible)
      : ControlName(std::move(controlName)),
        Caption(std::move(caption)),
        Enabled(enabled),
        Visible(visible) {}
  std::string ControlName;
  std::string Caption;
  bool Enabled;
  bool Visible;
};
class TXWizardButtonChangedAspect : public TXWizardControlChangedAspect {
  using TXWizardControlChangedAspect::TXWizardControlChangedAspect;
};
class TXWizardPreviousButtonChangedAspect : public TXWizardButtonChangedAspect {
  using TXWizardButtonChangedAspect::TXWizardButtonChangedAspect;
};
class TXWizardNextButtonChangedAspect : public TXWizardButtonChangedAspect {
  using TXWizardButtonChangedAspect::TXWizardButtonChangedAspect;
};
class TXWizardCancelButtonChangedAspect : public TXWizardButtonChangedAspect {
  using TXWizardButtonChangedAspect::TXWizardButtonChangedAspect;
};

// --- page data exchange between the wizard and its pages. The classes are siblings so that an
// observer of one is never called for another.
class TXDialogInitDataAspect : public TXCustomAspect {};
class TXDialogUpdateDataAspect : public TXCustomAspect {};
class TXDialogInitPageDataAspect : public TXCustomAspect {};
class TXDialogUpdatePageDataAspect : public TXCustomAspect {};
class TXDialogInitFolderAspect : public TXCustomAspect {
 public:
  explicit TXDialogInitFolderAspect(std::string folder) : Folder(std::move(folder)) {}
  std::string Folder;
};

}  // namespace kova
