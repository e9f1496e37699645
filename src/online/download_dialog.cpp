#include "online/download_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <filesystem>

#include "framework/gear_component.h"
#include "framework/text_utils.h"
#include "online/net_thread.h"
#include "online/net_wrapper.h"
#include "online/online_shell.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "persistence/lg_manager.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

// The form's lengths at 96 dots per inch.
constexpr int kClientWidth = 448;
constexpr int kClientHeight = 129;
constexpr int kMargin = 8;
constexpr int kWideControl = 432;
constexpr int kLabelHeight = 17;
constexpr int kBarTop = 34;
constexpr int kBarHeight = 18;
constexpr int kStatusTop = 59;
constexpr int kSpeedTop = 80;
constexpr int kCheckTop = 101;
constexpr int kButtonTop = 98;
constexpr int kButtonHeight = 25;
constexpr int kOpenLeft = 176;
constexpr int kFolderLeft = 258;
constexpr int kCancelLeft = 365;
constexpr int kButtonWidth = 75;
constexpr int kFolderWidth = 100;
constexpr int kProgressMax = 1000;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

TXNetDownloadDialog::TXNetDownloadDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TXNetDownloadDlg");
  BuildForm();
  LanguageManager().Register(this, &TXNetDownloadDialog::ApplyLanguage);
}

TXNetDownloadDialog::~TXNetDownloadDialog() {
  destroying_ = true;
  LanguageManager().UnregisterTarget(this);
}

int TXNetDownloadDialog::Scaled(int length) const {
  return ScaledY(length);
}

void TXNetDownloadDialog::BuildForm() {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFixedSize(Scaled(kClientWidth), Scaled(kClientHeight));
  fileLabel_ = new QLabel(this);
  fileLabel_->setObjectName("FileLabel");
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName("ProgressBar");
  progressBar_->setRange(0, kProgressMax);
  progressBar_->setTextVisible(false);
  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName("StatusLabel");
  speedLabel_ = new QLabel(this);
  speedLabel_->setObjectName("SpeedLabel");
  closeCheck_ = new QCheckBox(this);
  closeCheck_->setObjectName("CloseCheck");
  openButton_ = new QPushButton(this);
  openButton_->setObjectName("OpenButton");
  folderButton_ = new QPushButton(this);
  folderButton_->setObjectName("FolderButton");
  cancelButton_ = new QPushButton(this);
  cancelButton_->setObjectName("CancelButton");
  cancelButton_->setDefault(true);
  openButton_->hide();
  folderButton_->hide();
  connect(closeCheck_, &QCheckBox::clicked, this, [this](bool checked) {
    flags_ = checked ? flags_ | dfCloseWhenDone : flags_ & ~uint32_t{dfCloseWhenDone};
  });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelClicked(); });
  connect(openButton_, &QPushButton::clicked, this, [this] { OpenClicked(); });
  connect(folderButton_, &QPushButton::clicked, this, [this] { FolderClicked(); });
  PlaceControls();
}

void TXNetDownloadDialog::PlaceControls() {
  const int wide = width() - Scaled(2 * kMargin);
  fileLabel_->setGeometry(Scaled(kMargin), Scaled(kMargin), wide, Scaled(kLabelHeight));
  progressBar_->setGeometry(Scaled(kMargin), Scaled(kBarTop), wide, Scaled(kBarHeight));
  statusLabel_->setGeometry(Scaled(kMargin), Scaled(kStatusTop), wide, Scaled(kLabelHeight));
  speedLabel_->setGeometry(Scaled(kMargin), Scaled(kSpeedTop), wide, Scaled(kLabelHeight));
  // The check box and the open buttons never show together: it may reach the cancel button.
  closeCheck_->setGeometry(Scaled(kMargin), Scaled(kCheckTop), Scaled(kCancelLeft - 2 * kMargin),
                           Scaled(kLabelHeight));
  openButton_->setGeometry(Scaled(kOpenLeft), Scaled(kButtonTop), Scaled(kButtonWidth),
                           Scaled(kButtonHeight));
  folderButton_->setGeometry(Scaled(kFolderLeft), Scaled(kButtonTop), Scaled(kFolderWidth),
                             Scaled(kButtonHeight));
  cancelButton_->setGeometry(Scaled(kCancelLeft), Scaled(kButtonTop), Scaled(kButtonWidth),
                             Scaled(kButtonHeight));
  ShowFileName();
}

void TXNetDownloadDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceControls();
}

void TXNetDownloadDialog::ApplyLanguage() {
  const TXLg& lg = Lg();
  setWindowTitle(Q(lg.Word(completionShown_ ? lg::kDownloadComplete : lg::kDownloadCaption)));
  cancelButton_->setText(Q(lg.Word(finished_ ? lg::kDialogClose : lg::kDialogCancel)));
  closeCheck_->setText(Q(lg.Word(lg::kCloseWhenFinished)));
  folderButton_->setText(Q(lg.Word(lg::kOpenFolderButton)));
  const bool program = SameText(std::filesystem::path(currentFile_).extension().string(), ".exe");
  openButton_->setText(Q(lg.Word(program ? lg::kRunButton : lg::kOpenButton)));
}

void TXNetDownloadDialog::ShowProgress(uint32_t flags) {
  flags_ = flags;
  finished_ = false;
  cancelled_ = false;
  completionShown_ = false;
  closeCheck_->setChecked((flags & dfCloseWhenDone) != 0);
  closeCheck_->setVisible((flags & dfCloseWhenDone) == 0);
  openButton_->hide();
  folderButton_->hide();
  progressBar_->setRange(0, kProgressMax);
  progressBar_->setValue(0);
  statusLabel_->setText(Q(Lg().Word(lg::kConnecting)) + "...");
  fileLabel_->clear();
  speedLabel_->clear();
  ApplyLanguage();
  SetMarquee(true);
  if (flags & dfModal) {
    // The request may complete, and free this dialog, while it shows.
    QPointer<TXNetDownloadDialog> guard(this);
    exec();
    if (!guard) return;
  } else {
    show();
  }
}

void TXNetDownloadDialog::Finish(bool succeeded, const std::string& message) {
  if (!message.empty()) OnlineShell().ShowMessage(this, message, TXMessageIcon::Warning);
  finished_ = succeeded;
  if (cancelled_) return;
  if (!succeeded) {
    done(crStopped);
  } else if (flags_ & dfCloseWhenDone) {
    done(crDone);
  } else {
    ShowCompletion();
  }
}

void TXNetDownloadDialog::ShowCompletion() {
  completionShown_ = true;
  closeCheck_->hide();
  SetMarquee(false);
  progressBar_->setValue(kProgressMax);
  ApplyLanguage();
  if ((flags_ & dfOfferOpen) && !currentFile_.empty()) {
    openButton_->show();
    folderButton_->show();
  }
}

void TXNetDownloadDialog::SetCurrentFile(const std::string& fileName) {
  currentFile_ = fileName;
  ShowFileName();
}

void TXNetDownloadDialog::ShowFileName() {
  if (!(flags_ & dfShowFileName)) return;
  const QFontMetrics metrics(fileLabel_->font());
  fileLabel_->setText(metrics.elidedText(Q(currentFile_), Qt::ElideMiddle, fileLabel_->width()));
}

void TXNetDownloadDialog::SetStatusText(const std::string& text) {
  statusLabel_->setText(Q(text));
}

void TXNetDownloadDialog::SetSpeedText(const std::string& text) {
  speedLabel_->setText(Q(text));
}

void TXNetDownloadDialog::SetPosition(int32_t position) {
  progressBar_->setValue(std::clamp(position, 0, kProgressMax));
}

void TXNetDownloadDialog::SetMarquee(bool marquee) {
  // A bar without a range shows the busy animation.
  progressBar_->setRange(0, marquee ? 0 : kProgressMax);
}

void TXNetDownloadDialog::CancelClicked() {
  if (finished_) {
    done(crDone);
    return;
  }
  cancelled_ = true;
  SendToWrapper(ncCancel);
  done(crStopped);
  if (OnCancel) OnCancel();
}

void TXNetDownloadDialog::OpenClicked() {
  OnlineShell().Open(currentFile_, FileFolder());
  done(crDone);
}

void TXNetDownloadDialog::FolderClicked() {
  OnlineShell().Open(FileFolder(), {});
  done(crDone);
}

std::string TXNetDownloadDialog::FileFolder() const {
  return std::filesystem::path(currentFile_).parent_path().string();
}

void TXNetDownloadDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (finished_) CancelClicked();
}

void TXNetDownloadDialog::reject() {
  if (finished_) CancelClicked();
}

void TXNetDownloadDialog::done(int result) {
  QDialog::done(result);
  if (!destroying_) SendToWrapper(ncDialogClosed);
}

void TXNetDownloadDialog::SendToWrapper(int32_t command) {
  if (wrapper_) wrapper_->IntCommand({nullptr, 0, components::xhtNone, {}, command, {}});
}

}  // namespace kova
