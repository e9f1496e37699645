#include "ui/about_dialog.h"

#include <QHBoxLayout>

#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "kova_version.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kWidth = 360;
constexpr int kProductHeight = 80;
constexpr int kActionHeight = 32;

int IconSize() {
  return IsHighDpi() ? 48 : 32;
}

}  // namespace

TXImageObject* TXAboutProductOptions::ProgramIcon() const {
  TXImageCollection* pictures = skin_ ? skin_->Images(skin::kApplicationImages) : nullptr;
  if (!pictures || pictures->Count() == 0) return nullptr;
  if (IsHighDpi()) {
    if (TXImageItem* large = pictures->Find("Application48")) return &large->Data();
  }
  return &pictures->At(0)->Data();
}

TXAboutProductFrm::TXAboutProductFrm(QWidget* parent)
    : QWidget(parent),
      groupBox_(MakeGroupBox(this)),
      programIcon_(new TXContainedImage(groupBox_)),
      composer_(std::make_unique<TXComposer>(*groupBox_, QPoint(ScaledX(66), ScaledY(15)))) {
  setMinimumHeight(ScaledY(kProductHeight));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(ScaledX(6), ScaledY(6), ScaledX(6), ScaledY(3));
  layout->addWidget(groupBox_);
  programIcon_->SetPosition(TXImagePosition::ipDefault);
  programIcon_->SetResample(false);
  programIcon_->setGeometry(ScaledX(12), ScaledY(20), IconSize(), IconSize());
}

TXAboutFrm::TXAboutFrm(QWidget* parent)
    : TXCustomForm(parent),
      actionPanel_(new QWidget(this)),
      updatesBtn_(new QPushButton(actionPanel_)),
      closeBtn_(new QPushButton(actionPanel_)) {
  setObjectName(QStringLiteral("AboutFrm"));
  auto* buttons = new QHBoxLayout(actionPanel_);
  buttons->setContentsMargins(ScaledX(6), ScaledY(3), ScaledX(6), ScaledY(6));
  buttons->setSpacing(ScaledX(6));
  buttons->addWidget(updatesBtn_, 1);
  buttons->addWidget(closeBtn_, 0, Qt::AlignRight);
  closeBtn_->setFixedWidth(ScaledX(75));
  closeBtn_->setDefault(true);
  actionPanel_->setFixedHeight(ScaledY(kActionHeight));
  connect(closeBtn_, &QPushButton::clicked, this, &QDialog::accept);
  connect(updatesBtn_, &QPushButton::clicked, this,
          [] { DispatchAspect<TXActionAspect>(CoreApp().Engine(), kActionUpdates); });
}

void TXAboutFrm::Initialize() {
  productPanel_ = new TXAboutProductFrm(this);
  productPanel_->ProductComposer().OnFinish = [this](int finalY) { ProductComposed(finalY); };
}

void TXAboutFrm::ReceiveOptions(const TXAboutDialogOptions& options) {
  const int width = ScaledX(kWidth);
  productPanel_->ProgramIcon().SetPicture(options.Product.ProgramIcon());
  productPanel_->setGeometry(0, 0, width, ScaledY(kProductHeight));
  if (options.Compose) options.Compose(productPanel_->ProductComposer());
  updatesBtn_->setVisible(options.ShowUpdates);
  FitHeight();
}

void TXAboutFrm::ProductComposed(int finalY) {
  const QMargins padding = productPanel_->layout()->contentsMargins();
  const int groupHeight = finalY + ScaledY(12);
  const int height =
      std::max(padding.top() + groupHeight + padding.bottom(), productPanel_->minimumHeight());
  productPanel_->resize(ScaledX(kWidth), height);
}

void TXAboutFrm::FitHeight() {
  const int width = ScaledX(kWidth);
  actionPanel_->setGeometry(0, productPanel_->height(), width, actionPanel_->height());
  setFixedSize(width, productPanel_->height() + actionPanel_->height());
}

void TXAboutFrm::ApplyLanguage() {
  setWindowTitle(QStringLiteral("%1 %2").arg(LgText(lg::kAboutButton),
                                             QString::fromLatin1(build::kProductName)));
  updatesBtn_->setText(LgText(lg::kCheckForUpdates));
  closeBtn_->setText(LgText(lg::kClose));
}

}  // namespace kova
