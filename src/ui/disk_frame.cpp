#include "ui/disk_frame.h"

#include "flow/drive_access_texts.h"
#include "imaging/skin_interface.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/disk_aspect.h"
#include "ui/disk_sizes.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/qt_pictures.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kDriveGroupHeight = 127;
constexpr int kSizeGroupHeight = 141;
constexpr int kComposableHeight = 65;
constexpr int kTextLeft = 56;

}  // namespace

TXDRDiskFrm::TXDRDiskFrm(IXDRSkin& skin, QWidget* parent, TXCustomEngine* engine,
                         TXPlatformPaths paths)
    : TXCustomDRFrame(parent, engine),
      skin_(skin),
      driveGroupBox_(MakeGroupBox(this)),
      driveBox_(new TXDriveComboBox(driveGroupBox_, std::move(paths))),
      sizeGroupBox_(MakeGroupBox(this)),
      composablePanel_(new QWidget(this)),
      helpDlg_(this) {
  setObjectName(QStringLiteral("DRDiskFrm"));
  BuildDriveGroup();
  BuildAccessPanel();
  BuildSizeGroup();
  composer_ = std::make_unique<TXComposer>(*composablePanel_, QPoint(ScaledX(12), ScaledY(6)));
}

void TXDRDiskFrm::BuildDriveGroup() {
  label1_ = MakeWrappedLabel(driveGroupBox_);
  warningImage_ = MakeIconImage(driveGroupBox_, ScaledX(32));
  refreshBtn_ = new QPushButton(driveGroupBox_);
  cardHelpLabel_ = new QLabel(driveGroupBox_);
  for (QWidget* control : {static_cast<QWidget*>(driveBox_), static_cast<QWidget*>(refreshBtn_),
                           static_cast<QWidget*>(cardHelpLabel_)})
    UseNormalFont(*control);
  refreshBtn_->setAutoDefault(false);
  cardHelpLabel_->setTextFormat(Qt::RichText);
  cardHelpLabel_->setCursor(Qt::PointingHandCursor);
  if (TXImageCollection* card = skin_.Images(skin::kApplicationImages))
    driveBox_->SetRemovableIcon(ToQIcon(*card));
  connect(driveBox_, &TXDriveComboBox::DriveChanged, this, &TXDRDiskFrm::DriveChanged);
  connect(refreshBtn_, &QPushButton::clicked, this, &TXDRDiskFrm::RefreshDrives);
  connect(cardHelpLabel_, &QLabel::linkActivated, this, [this] { helpDlg_.Execute(); });
}

void TXDRDiskFrm::BuildAccessPanel() {
  accessPanel_ = new QWidget(this);
  accessPanel_->setAutoFillBackground(true);
  QPalette paper = accessPanel_->palette();
  paper.setColor(QPalette::Window, paper.color(QPalette::AlternateBase));
  accessPanel_->setPalette(paper);
  accessImage_ = MakeIconImage(accessPanel_, ScaledX(32));
  accessLabel_ = MakeWrappedLabel(accessPanel_);
  accessLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  accessPanel_->hide();
}

void TXDRDiskFrm::BuildSizeGroup() {
  label2_ = MakeWrappedLabel(sizeGroupBox_);
  infoImage_ = MakeIconImage(sizeGroupBox_, ScaledX(32));
  fixedSizeBtn_ = new QRadioButton(sizeGroupBox_);
  customSizeBtn_ = new QRadioButton(sizeGroupBox_);
  sizeBox_ = new QComboBox(sizeGroupBox_);
  sizeEdit_ = new QLineEdit(QStringLiteral("8"), sizeGroupBox_);
  unitBox_ = new QComboBox(sizeGroupBox_);
  for (QWidget* control : {static_cast<QWidget*>(fixedSizeBtn_),
                           static_cast<QWidget*>(customSizeBtn_), static_cast<QWidget*>(sizeBox_),
                           static_cast<QWidget*>(sizeEdit_), static_cast<QWidget*>(unitBox_)})
    UseNormalFont(*control);
  for (const TXPredefinedSize& size : PredefinedSizes())
    sizeBox_->addItem(QString::fromLatin1(size.Caption));
  unitBox_->addItems({QStringLiteral("MB"), QStringLiteral("GB")});
  fixedSizeBtn_->setChecked(true);
  SizeKindChanged();
  connect(fixedSizeBtn_, &QRadioButton::clicked, this, &TXDRDiskFrm::SizeKindChanged);
  connect(customSizeBtn_, &QRadioButton::clicked, this, &TXDRDiskFrm::SizeKindChanged);
  connect(sizeBox_, &QComboBox::currentIndexChanged, this, &TXDRDiskFrm::SendDiskChoice);
  connect(unitBox_, &QComboBox::currentIndexChanged, this, &TXDRDiskFrm::SendDiskChoice);
  connect(sizeEdit_, &QLineEdit::textChanged, this, &TXDRDiskFrm::SendDiskChoice);
}

void TXDRDiskFrm::AfterConstruction() {
  TXCustomDRFrame::AfterConstruction();
  loading_ = false;
  ProbeDrive();
}

void TXDRDiskFrm::Initialize() {
  if (skin_.ComposeTable().Contains(TXComposeTable::kDisk))
    skin_.ComposeTable().Compose(TXComposeTable::kDisk, *composer_);
}

void TXDRDiskFrm::Shown() {
  ProbeDrive();
  for (TXImage* image : {warningImage_, accessImage_})
    image->SetIconSize(ScaledX(32));
  infoImage_->SetIconSize(ScaledX(32));
  if (TXImageCollection* warnings = skin_.Images(skin::kWarningImages)) {
    warningImage_->PickPicture(*warnings);
    accessImage_->PickPicture(*warnings);
  }
  if (TXImageCollection* infos = skin_.Images(skin::kInfoImages)) infoImage_->PickPicture(*infos);
  SendDiskChoice();
}

void TXDRDiskFrm::InitPageData(AXNotification&) {
  if (!isVisible()) return;  // becoming visible looks at the drive anyway
  ProbeDrive();
  SendDiskChoice();
}

void TXDRDiskFrm::SubmitPageData(AXNotification&) {
  SendDiskChoice();
}

void TXDRDiskFrm::SizeKindChanged() {
  const bool fixed = fixedSizeBtn_->isChecked();
  sizeBox_->setEnabled(fixed);
  sizeEdit_->setEnabled(!fixed);
  unitBox_->setEnabled(!fixed);
  SendDiskChoice();
}

void TXDRDiskFrm::DriveChanged() {
  ProbeDrive();
  SendDiskChoice();
}

void TXDRDiskFrm::RefreshDrives() {
  if (std::shared_ptr<IXDeviceAccessBroker> broker = DeviceAccessBroker()) broker->Forget();
  {
    const QSignalBlocker quiet(driveBox_);
    driveBox_->Refresh();
  }
  DriveChanged();
}

void TXDRDiskFrm::ProbeDrive() {
  if (loading_) return;
  probe_ = kova::ProbeDrive(driveBox_->SelectedRoot().toStdString());
  access_ = probe_.Access;
  notReady_ = !probe_.Readable();
  sizeGroupBox_->setVisible(probe_.Readable() && probe_.Size == 0);
  const QSignalBlocker quiet(sizeEdit_);
  if (notReady_) {
    sizeEdit_->clear();
  } else if (probe_.Size == 0) {
    sizeEdit_->setText(SizeEditText(probe_.Size));
  }
  const std::string why =
      access_ == TXDriveAccess::daNoDrive ? std::string() : DriveAccessText(probe_);
  SetLabelText(*accessLabel_, QString::fromStdString(why));
  accessPanel_->setVisible(!why.empty());
  Resized();
}

int64_t TXDRDiskFrm::ChosenSize() const {
  if (sizeGroupBox_->isHidden()) return 0;
  if (fixedSizeBtn_->isChecked()) {
    const int index = sizeBox_->currentIndex();
    if (index < 0) return 0;
    return PredefinedSizes()[static_cast<size_t>(index)].MiB * kMiB;
  }
  return CustomSizeBytes(sizeEdit_->text(), unitBox_->currentIndex() == 1);
}

void TXDRDiskFrm::SendDiskChoice() {
  if (loading_) return;
  auto choice = MakeNotification<TXDiskAspect>(driveBox_->SelectedRoot().toStdString(),
                                               ChosenSize(), notReady_ ? 1 : 0, probe_.Usable());
  SendAction(*choice);
}

void TXDRDiskFrm::Resized() {
  const QRect area = contentsRect();
  const int inner = area.width();
  driveGroupBox_->setGeometry(area.left(), area.top(), inner, ScaledY(kDriveGroupHeight));
  const int textLeft = ScaledX(kTextLeft), textWidth = inner - textLeft - ScaledX(12);
  warningImage_->move(ScaledX(12), ScaledY(22));
  label1_->setGeometry(textLeft, ScaledY(20), textWidth, ScaledY(48));
  const QSize button(ScaledX(120), ScaledY(23));
  // As wide as the longest drive caption needs, in the room the page has.
  const int driveWidth = std::min(std::max(ScaledX(300), driveBox_->sizeHint().width()),
                                  textWidth - button.width() - ScaledX(8));
  driveBox_->setGeometry(textLeft, ScaledY(72), driveWidth, button.height());
  refreshBtn_->setGeometry(QRect(QPoint(textLeft + driveWidth + ScaledX(8), ScaledY(72)), button));
  cardHelpLabel_->setGeometry(textLeft, ScaledY(102), textWidth, ScaledY(18));

  const int below = driveGroupBox_->geometry().bottom() + 1 + ScaledY(4);
  const QRect lower(area.left(), below, inner, ScaledY(kSizeGroupHeight));
  sizeGroupBox_->setGeometry(lower);
  infoImage_->move(ScaledX(12), ScaledY(22));
  label2_->setGeometry(textLeft, ScaledY(20), textWidth, ScaledY(34));
  fixedSizeBtn_->setGeometry(textLeft, ScaledY(62), ScaledX(130), button.height());
  sizeBox_->setGeometry(textLeft + ScaledX(136), ScaledY(62), ScaledX(120), button.height());
  customSizeBtn_->setGeometry(textLeft, ScaledY(96), ScaledX(130), button.height());
  sizeEdit_->setGeometry(textLeft + ScaledX(136), ScaledY(96), ScaledX(64), button.height());
  unitBox_->setGeometry(textLeft + ScaledX(206), ScaledY(96), ScaledX(50), button.height());

  accessPanel_->setGeometry(lower);
  accessImage_->move(ScaledX(12), ScaledY(10));
  accessLabel_->setGeometry(textLeft, ScaledY(8), textWidth, lower.height() - ScaledY(16));
  composablePanel_->setGeometry(area.left(), area.bottom() + 1 - ScaledY(kComposableHeight), inner,
                                ScaledY(kComposableHeight));
}

void TXDRDiskFrm::ApplyLanguage() {
  driveGroupBox_->setTitle(LgText(lg::kSelectDrive));
  sizeGroupBox_->setTitle(LgText(lg::kSelectSize));
  SetLabelText(*label1_, LgText(lg::kSelectDriveHint));
  SetLabelText(*label2_, LgText(lg::kSelectSizeHint));
  cardHelpLabel_->setText(
      QStringLiteral("<a href=\"help\">%1</a>").arg(LgText(lg::kCardHelpLink).toHtmlEscaped()));
  refreshBtn_->setText(LgText(lg::kRefreshDrives));
  fixedSizeBtn_->setText(LgText(lg::kPredefinedSize));
  customSizeBtn_->setText(LgText(lg::kCustomSize));
  if (!accessPanel_->isHidden())
    SetLabelText(*accessLabel_, QString::fromStdString(DriveAccessText(probe_)));
  helpDlg_.LoadDocument("kovacardhelp");
}

}  // namespace kova
