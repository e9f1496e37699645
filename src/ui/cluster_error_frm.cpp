#include "ui/cluster_error_frm.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "ui/page_widgets.h"
#include "ui/qt_dialogs_icons.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kIconSize = 32;
constexpr int kCountWidth = 64;
// Up to eighteen digits always fit a 64-bit count.
constexpr char kCountPattern[] = "[0-9]{0,18}";

QString FromUtf8(const std::string& text) {
  return QString::fromStdString(text);
}

// The skip-several text around its run of blanks: the part before the count and the part after.
std::pair<QString, QString> AroundTheCount(const QString& text) {
  const qsizetype blanks = text.indexOf(QStringLiteral("  "));
  if (blanks < 0) return {text.trimmed(), QString()};
  return {text.left(blanks).trimmed(), text.mid(blanks).trimmed()};
}

}  // namespace

TXDRClusterErrorFrm::TXDRClusterErrorFrm(QWidget* parent)
    : TXCustomForm(parent),
      errorIcon_(new QLabel(this)),
      unitLabel_(MakeWrappedLabel(this)),
      unitSizeLabel_(MakeWrappedLabel(this)),
      questionBox_(MakeGroupBox(this)),
      ignoreAllBtn_(new QRadioButton(questionBox_)),
      skipThisBtn_(new QRadioButton(questionBox_)),
      skipSeveralBtn_(new QRadioButton(questionBox_)),
      skipEdit_(new QLineEdit(questionBox_)),
      skipSuffix_(new QLabel(questionBox_)),
      finishBtn_(new QRadioButton(questionBox_)),
      okBtn_(new QPushButton(this)) {
  setObjectName(QStringLiteral("ClusterErrorFrm"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* choices = new QButtonGroup(this);
  for (QRadioButton* button : {ignoreAllBtn_, skipThisBtn_, skipSeveralBtn_, finishBtn_}) {
    UseNormalFont(*button);
    choices->addButton(button);
  }
  UseNormalFont(*skipEdit_);
  UseNormalFont(*skipSuffix_);
  skipEdit_->setObjectName(QStringLiteral("SkipEdit"));
  skipEdit_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QString::fromLatin1(kCountPattern)), this));
  skipEdit_->setFixedWidth(ScaledX(kCountWidth));
  skipEdit_->setAlignment(Qt::AlignRight);
  skipEdit_->installEventFilter(this);
  skipSuffix_->installEventFilter(this);
  errorIcon_->setFixedSize(ScaledX(kIconSize), ScaledY(kIconSize));
  ignoreAllBtn_->setChecked(true);
  okBtn_->setDefault(true);
  okBtn_->setMinimumWidth(ScaledX(75));
  connect(okBtn_, &QPushButton::clicked, this, &QDialog::accept);
  connect(skipEdit_, &QLineEdit::textEdited, this, [this] { skipSeveralBtn_->setChecked(true); });
  BuildLayout();
}

void TXDRClusterErrorFrm::BuildLayout() {
  auto* skipRow = new QHBoxLayout();
  skipRow->setSpacing(ScaledX(4));
  skipRow->addWidget(skipSeveralBtn_);
  skipRow->addWidget(skipEdit_);
  skipRow->addWidget(skipSuffix_);
  skipRow->addStretch(1);

  auto* choices = new QVBoxLayout(questionBox_);
  choices->setSpacing(ScaledY(6));
  choices->addWidget(ignoreAllBtn_);
  choices->addWidget(skipThisBtn_);
  choices->addLayout(skipRow);
  choices->addWidget(finishBtn_);

  auto* texts = new QVBoxLayout();
  texts->setSpacing(ScaledY(2));
  texts->addWidget(unitLabel_);
  texts->addWidget(unitSizeLabel_);
  texts->addStretch(1);

  auto* head = new QHBoxLayout();
  head->setSpacing(ScaledX(12));
  head->addWidget(errorIcon_, 0, Qt::AlignTop);
  head->addLayout(texts, 1);

  auto* form = new QVBoxLayout(this);
  form->setContentsMargins(ScaledX(12), ScaledY(12), ScaledX(12), ScaledY(10));
  form->setSpacing(ScaledY(10));
  form->addLayout(head);
  form->addWidget(questionBox_);
  form->addWidget(okBtn_, 0, Qt::AlignRight);
  form->setSizeConstraint(QLayout::SetFixedSize);
}

bool TXDRClusterErrorFrm::eventFilter(QObject* watched, QEvent* event) {
  const bool clickedSuffix = watched == skipSuffix_ && event->type() == QEvent::MouseButtonPress;
  const bool enteredCount = watched == skipEdit_ && event->type() == QEvent::FocusIn;
  if (clickedSuffix || enteredCount) skipSeveralBtn_->setChecked(true);
  return TXCustomForm::eventFilter(watched, event);
}

void TXDRClusterErrorFrm::ReceiveOptions(const TXClusterErrorOptions& options) {
  errorIcon_->setPixmap(MessageIconPixmap(options.Skin, TXMessageIcon::Error, errorIcon_->width()));
}

void TXDRClusterErrorFrm::ReceiveData(const TXDRClusterErrorDialog& data) {
  data_ = data;
  skipEdit_->setText(QString::number(data.SkipCount));
  ButtonFor(data.Choice)->setChecked(true);
  ApplyLanguage();
}

QRadioButton* TXDRClusterErrorFrm::ButtonFor(uint8_t choice) const {
  switch (choice) {
    case ecSkipThis:
      return skipThisBtn_;
    case ecSkipSeveral:
      return skipSeveralBtn_;
    case ecFinishReading:
      return finishBtn_;
    default:
      return ignoreAllBtn_;
  }
}

uint8_t TXDRClusterErrorFrm::CheckedChoice() const {
  for (uint8_t choice : {ecSkipThis, ecSkipSeveral, ecFinishReading})
    if (ButtonFor(choice)->isChecked()) return choice;
  return ecIgnoreAll;
}

void TXDRClusterErrorFrm::GiveData(TXDRClusterErrorDialog& data) {
  data.SkipCount = TXDRClusterErrorDialog::ParseSkipCount(skipEdit_->text().toStdString());
  data.Choice = CheckedChoice();
}

void TXDRClusterErrorFrm::ApplyLanguage() {
  setWindowTitle(FromUtf8(TXDRClusterErrorDialog::Title()));
  unitLabel_->setText(FromUtf8(data_.UnitLabel()));
  unitSizeLabel_->setText(FromUtf8(data_.UnitSizeLabel()));
  questionBox_->setTitle(FromUtf8(TXDRClusterErrorDialog::Question()));
  ignoreAllBtn_->setText(FromUtf8(TXDRClusterErrorDialog::IgnoreAllText()));
  skipThisBtn_->setText(FromUtf8(TXDRClusterErrorDialog::SkipThisText()));
  const auto [beforeCount, afterCount] =
      AroundTheCount(FromUtf8(TXDRClusterErrorDialog::SkipSeveralText()));
  skipSeveralBtn_->setText(beforeCount);
  skipSuffix_->setText(afterCount);
  finishBtn_->setText(FromUtf8(TXDRClusterErrorDialog::FinishText()));
  okBtn_->setText(FromUtf8(TXDRClusterErrorDialog::OkText()));
}

}  // namespace kova
