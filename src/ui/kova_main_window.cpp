#include "ui/kova_main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "imaging/skin_interface.h"
#include "kova_version.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "persistence/lg_manager.h"
#include "ui/application_look.h"
#include "ui/lg_text.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr QSize kClientSize(624, 448);
constexpr int kCommandHeight = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonTop = 5;

// The command bar: a separator line along its top, children placed by the window.
class CommandBar : public QWidget {
 public:
  CommandBar(QWidget* parent, std::function<void()> onResize)
      : QWidget(parent), onResize_(std::move(onResize)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(KovaFrameColour());
    painter.drawLine(0, 0, width(), 0);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, 1, width(), 1);
  }
  void resizeEvent(QResizeEvent*) override { onResize_(); }

 private:
  std::function<void()> onResize_;
};

// Whether a screen shows enough of the geometry for the user to reach the window's title bar.
bool ShowsEnoughOf(const QRect& geometry) {
  if (geometry.isEmpty()) return false;
  const QSize enough(std::min(geometry.width(), 120), std::min(geometry.height(), 60));
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect shown = screen->availableGeometry() & geometry;
    if (shown.width() >= enough.width() && shown.height() >= enough.height()) return true;
  }
  return false;
}

QPushButton* MakeButton(QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TXKovaFrm::TXKovaFrm(QWidget* parent)
    : QDialog(parent),
      observable_(this),
      topPanel_(new TXWizTopPanel(this)),
      mainPanel_(new QWidget(this)),
      commandPanel_(new CommandBar(this, [this] { LayOutCommandPanel(); })) {
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setObjectName(QStringLiteral("KovaFrm"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(topPanel_);
  layout->addWidget(mainPanel_, 1);
  layout->addWidget(commandPanel_);
  commandPanel_->setFixedHeight(ScaledY(kCommandHeight));
  BuildCommandPanel();
  setMinimumSize(ScaledX(kClientSize.width()), ScaledY(kClientSize.height()));
  resize(minimumSize());
  LanguageManager().Register(this, &TXKovaFrm::ApplyLanguage);
}

TXKovaFrm::~TXKovaFrm() {
  LanguageManager().UnregisterTarget(this);
  composer_.reset();
}

void TXKovaFrm::BuildCommandPanel() {
  aboutBtn_ = MakeButton(commandPanel_);
  composerPanel_ = new QWidget(commandPanel_);
  composer_ = std::make_unique<TXComposer>(*composerPanel_, QPoint(0, 0));
  modeBox_ = new QComboBox(commandPanel_);
  modeBox_->addItems({QString(), QString()});
  modeBox_->hide();
  backBtn_ = MakeButton(commandPanel_);
  nextBtn_ = MakeButton(commandPanel_);
  cancelBtn_ = MakeButton(commandPanel_);
  helpBtn_ = MakeButton(commandPanel_);
  nextBtn_->setDefault(true);
  for (QPushButton* hidden : {backBtn_, nextBtn_, cancelBtn_})
    hidden->hide();
  connect(aboutBtn_, &QPushButton::clicked, this,
          [] { DispatchAspect<TXActionAboutAspect>(CoreApp().Engine()); });
  connect(helpBtn_, &QPushButton::clicked, this,
          [] { DispatchAspect<TXActionHelpAspect>(CoreApp().Engine()); });
  connect(backBtn_, &QPushButton::clicked, this,
          [this] { DispatchAspect<TXActionPreviousAspect>(observable_); });
  connect(nextBtn_, &QPushButton::clicked, this,
          [this] { DispatchAspect<TXActionNextAspect>(observable_); });
  connect(cancelBtn_, &QPushButton::clicked, this, &TXKovaFrm::Cancel);
  connect(modeBox_, &QComboBox::currentIndexChanged, this, &TXKovaFrm::ModeActivated);
}

void TXKovaFrm::LayOutCommandPanel() {
  const int width = commandPanel_->width();
  const int top = ScaledY(kButtonTop);
  const QSize button(ScaledX(kButtonWidth), ScaledY(kButtonHeight));
  aboutBtn_->setGeometry(QRect(QPoint(ScaledX(8), top), button));
  composerPanel_->setGeometry(ScaledX(89), ScaledY(1), ScaledX(200), ScaledY(30));
  modeBox_->setGeometry(ScaledX(219), top, ScaledX(150), button.height());
  // Back, Next, Cancel and Help keep their distance from the right edge.
  const int designWidth = ScaledX(kClientSize.width());
  const std::pair<QPushButton*, int> right[] = {
      {backBtn_, 294}, {nextBtn_, 375}, {cancelBtn_, 458}, {helpBtn_, 541}};
  for (const auto& [btn, x] : right)
    btn->setGeometry(QRect(QPoint(width - (designWidth - ScaledX(x)), top), button));
}

void TXKovaFrm::Subscribe(TXObservable& source) {
  auto add = [&]<class A>(void (TXKovaFrm::*handler)(AXNotification&)) {
    subscriptions_.Add(source, AspectClassOf<A>(), TXHandler(this, handler));
  };
  add.operator()<TXWizardHeaderShowAspect>(&TXKovaFrm::HeaderShown);
  add.operator()<TXWizardHeaderHideAspect>(&TXKovaFrm::HeaderHidden);
  add.operator()<TXWizardHeaderChangedAspect>(&TXKovaFrm::HeaderChanged);
  add.operator()<TXProgressChangedAspect>(&TXKovaFrm::ProgressChanged);
  add.operator()<TXWizardPreviousButtonChangedAspect>(&TXKovaFrm::ButtonChanged);
  add.operator()<TXWizardNextButtonChangedAspect>(&TXKovaFrm::ButtonChanged);
  add.operator()<TXWizardCancelButtonChangedAspect>(&TXKovaFrm::ButtonChanged);
  add.operator()<TXWizardControlChangedAspect>(&TXKovaFrm::ControlChanged);
}

void TXKovaFrm::Unsubscribe(TXObservable& source) {
  subscriptions_.Remove(source);
}

void TXKovaFrm::HeaderShown(AXNotification& notification) {
  if (notification.AspectAs<TXWizardHeaderShowAspect>()) topPanel_->show();
}

void TXKovaFrm::HeaderHidden(AXNotification& notification) {
  if (notification.AspectAs<TXWizardHeaderHideAspect>()) topPanel_->hide();
}

void TXKovaFrm::HeaderChanged(AXNotification& notification) {
  auto* header = notification.AspectAs<TXWizardHeaderChangedAspect>();
  if (!header) return;
  if (topPanel_->ShowProgress()) topPanel_->SetProgress(0);
  topPanel_->SetPageCaption(QString::fromStdString(header->Caption));
  topPanel_->SetShowProgress(header->ShowProgress != 0);
  RefreshSizeRights();
}

void TXKovaFrm::ProgressChanged(AXNotification& notification) {
  if (auto* progress = notification.AspectAs<TXProgressChangedAspect>())
    topPanel_->SetProgress(progress->Position);
}

void TXKovaFrm::ButtonChanged(AXNotification& notification) {
  auto* change = notification.AspectAs<TXWizardButtonChangedAspect>();
  if (!change) return;
  QPushButton* button = nullptr;
  if (notification.AspectAs<TXWizardPreviousButtonChangedAspect>()) button = backBtn_;
  if (notification.AspectAs<TXWizardNextButtonChangedAspect>()) button = nextBtn_;
  if (notification.AspectAs<TXWizardCancelButtonChangedAspect>()) button = cancelBtn_;
  if (!button) return;
  button->setText(QString::fromStdString(change->Caption));
  button->setEnabled(change->Enabled);
  button->setVisible(change->Visible);
}

void TXKovaFrm::ControlChanged(AXNotification& notification) {
  auto* change = notification.AspectAs<TXWizardControlChangedAspect>();
  if (change && change->ControlName == "Mode") modeBox_->setVisible(change->Visible);
}

void TXKovaFrm::ShowFrame(QWidget* frame) {
  if (currentFrame_ && currentFrame_ != frame) currentFrame_->hide();
  currentFrame_ = frame;
  if (!frame) return;
  if (frame->parentWidget() != mainPanel_) frame->setParent(mainPanel_);
  if (!mainPanel_->layout()) {
    auto* layout = new QVBoxLayout(mainPanel_);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  if (mainPanel_->layout()->indexOf(frame) < 0) mainPanel_->layout()->addWidget(frame);
  frame->show();
}

void TXKovaFrm::ApplySkin(IXDRSkin& skin) {
  const int scale = PixelScale();
  IXDRSkin& dense = skin.AtScale(scale);
  topPanel_->SetPictures(dense.Picture(skin::kImages, "tile"), dense.Picture(skin::kImages, "top"),
                         scale);
  skin.ComposeTable().Compose(TXComposeTable::kMain, *composer_);
}

bool TXKovaFrm::Requested(int32_t action) {
  auto request = MakeNotification<TXRequestActionAspect>(action);
  observable_.Dispatch(*request);
  return !request->Aspect().Denied;
}

void TXKovaFrm::Cancel() {
  auto request = MakeNotification<TXRequestActionCancelAspect>();
  observable_.Dispatch(*request);
  if (!request->Aspect().Denied) DispatchAspect<TXActionCancelAspect>(observable_);
}

void TXKovaFrm::ModeActivated(int index) {
  if (OnModeChanged && index >= 0) OnModeChanged(index == 1);
}

void TXKovaFrm::RefreshSizeRights() {
  if (isMaximized()) return;
  const QSize smallest(ScaledX(kClientSize.width()), ScaledY(kClientSize.height()));
  if (Requested(kActionSize)) {
    setMinimumSize(smallest);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  } else {
    setFixedSize(size().expandedTo(smallest));
  }
}

void TXKovaFrm::SetPlacement(const QRect& normal, bool maximized) {
  placement_ = normal;
  placeMaximized_ = maximized;
}

QRect TXKovaFrm::NormalGeometry() const {
  return isMaximized() || isFullScreen() ? normalGeometry() : geometry();
}

void TXKovaFrm::Place() {
  if (ShowsEnoughOf(placement_)) {
    setGeometry(QRect(placement_.topLeft(), placement_.size().expandedTo(minimumSize())));
    if (placeMaximized_) setWindowState(windowState() | Qt::WindowMaximized);
    return;
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void TXKovaFrm::CloseWindow() {
  closing_ = true;
  close();
  closing_ = false;
}

void TXKovaFrm::closeEvent(QCloseEvent* event) {
  if (closing_ || Requested(kActionClose)) {
    event->accept();
    emit Closed();
  } else {
    event->ignore();
  }
}

void TXKovaFrm::reject() {
  // Escape works as the Cancel button, when there is one to press.
  if (cancelBtn_->isVisible() && cancelBtn_->isEnabled()) cancelBtn_->click();
}

void TXKovaFrm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (isMaximized() && !Requested(kActionMaximize))
    QTimer::singleShot(0, this, [this] { showNormal(); });
}

void TXKovaFrm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!placed_) {
    placed_ = true;
    Place();
  }
  RefreshSizeRights();
}

void TXKovaFrm::ApplyLanguage() {
  setWindowTitle(QString::fromLatin1(build::kProductName));
  aboutBtn_->setText(LgText(lg::kAboutButton));
  helpBtn_->setText(LgText(lg::kHelpButton));
  const QSignalBlocker quiet(modeBox_);
  modeBox_->setItemText(0, LgText(lg::kModeTypical));
  modeBox_->setItemText(1, LgText(lg::kModeAdvanced));
}

}  // namespace kova
