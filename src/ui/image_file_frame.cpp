#include "ui/image_file_frame.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>
#include <QTextBlock>

#include "framework/aspects.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "recovery/recovery_aspects.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/run_figures_label.h"
#include "ui/screen_dpi.h"

namespace kova {

TXDRImageFileFrm::TXDRImageFileFrm(QWidget* parent, TXCustomEngine* engine)
    : TXCustomDRFrame(parent, engine),
      groupBox_(MakeGroupBox(this)),
      figures_(new TXRunFiguresLabel(TXRunFiguresKind::rfImage, groupBox_)),
      statusLog_(new QPlainTextEdit(groupBox_)),
      saveLogBtn_(new QPushButton(groupBox_)) {
  setObjectName(QStringLiteral("DRImageFileFrm"));
  UseNormalFont(*figures_);
  UseNormalFont(*statusLog_);
  UseNormalFont(*saveLogBtn_);
  statusLog_->setReadOnly(true);
  statusLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  statusLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  saveLogBtn_->setAutoDefault(false);
  connect(saveLogBtn_, &QPushButton::clicked, this, &TXDRImageFileFrm::AskAndSave);
  Observable().AddObserver<TXLogClearAspect>(this, &TXDRImageFileFrm::LogCleared);
  Observable().AddObserver<TXLogStringAspect>(this, &TXDRImageFileFrm::LogString);
}

void TXDRImageFileFrm::Shown() {
  figures_->Watch(RunWorker());
}

void TXDRImageFileFrm::LogCleared(AXNotification& notification) {
  if (notification.AspectAs<TXLogClearAspect>()) statusLog_->clear();
}

void TXDRImageFileFrm::LogString(AXNotification& notification) {
  if (auto* line = notification.AspectAs<TXLogStringAspect>())
    statusLog_->appendPlainText(QString::fromStdString(line->Text));
}

void TXDRImageFileFrm::InitPageData(AXNotification& notification) {
  if (auto* save = notification.AspectAs<TXDRDialogInitPageDataSaveAspect>())
    saveLogBtn_->setEnabled(save->Value);
}

QStringList TXDRImageFileFrm::LogLines() const {
  QStringList lines;
  for (QTextBlock block = statusLog_->document()->begin(); block.isValid(); block = block.next())
    lines.append(block.text());
  if (lines.size() == 1 && lines.front().isEmpty()) lines.clear();
  return lines;
}

bool TXDRImageFileFrm::SaveLog(const QString& fileName, QString& error) const {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) {
    error = file.errorString();
    return false;
  }
  QByteArray bytes("\xEF\xBB\xBF");
  for (const QString& line : LogLines())
    bytes += line.toUtf8() + "\r\n";
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    error = file.errorString();
    return false;
  }
  return true;
}

QString TXDRImageFileFrm::SaveFilter() const {
  return QStringLiteral("%1 (*.txt);;%2 (*)")
      .arg(LgText(lg::kTextFilesFilter), LgText(lg::kAllFilesFilter));
}

void TXDRImageFileFrm::AskAndSave() {
  QFileDialog dialog(this, LgText(lg::kSaveLog));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.setNameFilter(SaveFilter());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString fileName = dialog.selectedFiles().front();
  QString error;
  if (!SaveLog(fileName, error)) {
    QMessageBox::warning(this, LgText(lg::kSaveLog),
                         QString::fromStdString(Lg().Format(
                             lg::kSaveLogFailed, {fileName.toStdString(), error.toStdString()})));
  }
}

void TXDRImageFileFrm::Resized() {
  groupBox_->setGeometry(contentsRect());
  const QSize button(ScaledX(100), ScaledY(23));
  const int margin = ScaledX(8);
  saveLogBtn_->setGeometry(groupBox_->width() - button.width() - margin,
                           groupBox_->height() - button.height() - margin, button.width(),
                           button.height());
  const int width = groupBox_->width() - 2 * margin;
  figures_->setGeometry(margin, ScaledY(22), width, ScaledY(32));
  const int logTop = figures_->geometry().bottom() + ScaledY(4);
  statusLog_->setGeometry(margin, logTop, width, saveLogBtn_->y() - logTop - ScaledY(6));
}

void TXDRImageFileFrm::ApplyLanguage() {
  groupBox_->setTitle(LgText(lg::kStatusGroup));
  saveLogBtn_->setText(LgText(lg::kSaveLog));
}

}  // namespace kova
