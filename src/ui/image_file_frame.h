#pragma once

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/custom_frame.h"
#include "ui/run_figures_label.h"

namespace kova {

// The page of a running (and finished) memory card image copy: the run's figures (bytes copied
// of the drive's size, unreadable units, speed, time left), the status log the copying thread
// writes line by line (TXLogClearAspect, TXLogStringAspect) and "Save Log", which writes the log
// as UTF-8 text with a byte order mark.
class TXDRImageFileFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  explicit TXDRImageFileFrm(QWidget* parent = nullptr, TXCustomEngine* engine = nullptr);

  // TXDRDialogInitPageDataSaveAspect: whether "Save Log" is enabled.
  void InitPageData(AXNotification& notification) override;
  void ApplyLanguage() override;

  QStringList LogLines() const;
  // Writes the log into the file; false with the reason in `error` (the log stays as it is).
  bool SaveLog(const QString& fileName, QString& error) const;
  // The save dialog's filter, from the language texts.
  QString SaveFilter() const;

  QGroupBox& StatusGroupBox() const { return *groupBox_; }
  TXRunFiguresLabel& Figures() const { return *figures_; }
  QPlainTextEdit& StatusLog() const { return *statusLog_; }
  QPushButton& SaveLogBtn() const { return *saveLogBtn_; }

 protected:
  void Shown() override;
  void Resized() override;

 private:
  void LogCleared(AXNotification& notification);
  void LogString(AXNotification& notification);
  void AskAndSave();

  QGroupBox* groupBox_;
  TXRunFiguresLabel* figures_;
  QPlainTextEdit* statusLog_;
  QPushButton* saveLogBtn_;
};

}  // namespace kova
