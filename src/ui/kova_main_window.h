#pragma once

#include <QComboBox>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <memory>

#include "framework/observable.h"
#include "ui/composer.h"
#include "ui/subscriptions.h"
#include "ui/wiz_top_panel.h"

namespace kova {

class IXDRSkin;

// The wizard's single window: the page header on top, the current page in the middle and the
// command bar at the bottom (About, the composed share panel, the mode box, Back, Next, Cancel,
// Help). It talks to the rest of the system through its observable: the buttons dispatch their
// actions there, and the window's own close, resize and maximise are asked there first as
// requests (-21, -23, -24) that an observer may refuse. The wizard's header, button, mode and
// progress notifications reach it once it is subscribed to their source. Sizes are given at 96
// dots per inch and scaled. The wizard never sizes or moves the window itself: the user does,
// and the program remembers it (SetPlacement).
class TXKovaFrm : public QDialog, public TXObject {
  Q_OBJECT

 public:
  explicit TXKovaFrm(QWidget* parent = nullptr);
  ~TXKovaFrm() override;

  // Where the window dispatches its actions and requests (contained in the recovery engine once
  // the dialog connects it).
  TXObservable& Observable() { return observable_; }

  // Makes the window handle the wizard's notifications dispatched on the source: header shown,
  // hidden and changed, progress, the three buttons and the named controls ("Mode").
  void Subscribe(TXObservable& source);
  void Unsubscribe(TXObservable& source);

  // Shows the frame in the main panel, filling it; the frame shown before is hidden. None only
  // hides the current one.
  void ShowFrame(QWidget* frame);
  QWidget* CurrentFrame() const { return currentFrame_; }

  // The header's artwork from the skin, and the share panel composed under "Main".
  void ApplySkin(IXDRSkin& skin);

  // Called when the user picks a mode: true for "Advanced mode".
  std::function<void(bool advanced)> OnModeChanged;

  // Asks (request -23) whether the user may resize the window now and fixes its size when not.
  void RefreshSizeRights();
  // Where the window shows itself the first time: its normal geometry (the client area on the
  // desktop) and whether it is maximised. A geometry of which no screen shows enough, or none,
  // gives the window its least size centred on the primary screen.
  void SetPlacement(const QRect& normal, bool maximized);
  // The geometry to remember: the normal one, also while the window is maximised.
  QRect NormalGeometry() const;
  // Closes the window without asking.
  void CloseWindow();

  void ApplyLanguage();

  TXWizTopPanel& TopPanel() const { return *topPanel_; }
  QWidget& MainPanel() const { return *mainPanel_; }
  QWidget& CommandPanel() const { return *commandPanel_; }
  QWidget& ComposerPanel() const { return *composerPanel_; }
  TXComposer& Composer() const { return *composer_; }
  QPushButton& AboutButton() const { return *aboutBtn_; }
  QPushButton& BackButton() const { return *backBtn_; }
  QPushButton& NextButton() const { return *nextBtn_; }
  QPushButton& CancelButton() const { return *cancelBtn_; }
  QPushButton& HelpButton() const { return *helpBtn_; }
  QComboBox& ModeComboBox() const { return *modeBox_; }

 signals:
  // The window has closed (the user's close was granted, or CloseWindow).
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void BuildCommandPanel();
  void Place();
  void LayOutCommandPanel();
  bool Requested(int32_t action);
  void Cancel();
  void ModeActivated(int index);

  void HeaderShown(AXNotification& notification);
  void HeaderHidden(AXNotification& notification);
  void HeaderChanged(AXNotification& notification);
  void ProgressChanged(AXNotification& notification);
  void ButtonChanged(AXNotification& notification);
  void ControlChanged(AXNotification& notification);

  TXContainedObservable observable_;
  TXSubscriptions subscriptions_;
  TXWizTopPanel* topPanel_;
  QWidget* mainPanel_;
  QWidget* commandPanel_;
  QWidget* composerPanel_;
  std::unique_ptr<TXComposer> composer_;
  QPushButton* aboutBtn_;
  QPushButton* backBtn_;
  QPushButton* nextBtn_;
  QPushButton* cancelBtn_;
  QPushButton* helpBtn_;
  QComboBox* modeBox_;
  QPointer<QWidget> currentFrame_;
  bool closing_ = false;
  bool placed_ = false;
  QRect placement_;
  bool placeMaximized_ = false;
};

}  // namespace kova
