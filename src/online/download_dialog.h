#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "online/net_dialog.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kova {

// The progress dialog of downloads and of the news request: the current file, a progress bar,
// the status and speed lines, "close when finished", and after a successful download the
// buttons that open the file or its folder. Cancel asks the request to stop (command 102);
// closing tells the wrapper (command -3). Until the request has succeeded the window's own close
// command does nothing; afterwards it acts as the Close button.
class TXNetDownloadDialog : public QDialog, public TXCustomNetDialog {
 public:
  enum TXCloseResult { crDone = 1, crStopped = 2 };

  explicit TXNetDownloadDialog(QWidget* parent = nullptr);
  ~TXNetDownloadDialog() override;

  void ShowProgress(uint32_t flags) override;
  void Finish(bool succeeded, const std::string& message) override;
  void SetCurrentFile(const std::string& fileName) override;
  void SetStatusText(const std::string& text) override;
  void SetSpeedText(const std::string& text) override;
  void SetPosition(int32_t position) override;
  void SetMarquee(bool marquee) override;
  bool IsShowing() const override { return isVisible(); }
  void SetWrapper(TXNetWrapper* wrapper) override { wrapper_ = wrapper; }

  uint32_t Flags() const { return flags_; }
  bool Finished() const { return finished_; }
  bool Cancelled() const { return cancelled_; }
  const std::string& CurrentFile() const { return currentFile_; }

  // Raised after a cancel.
  std::function<void()> OnCancel;

  void ApplyLanguage();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void done(int result) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildForm();
  void PlaceControls();
  void ShowFileName();
  void ShowCompletion();
  void CancelClicked();
  void OpenClicked();
  void FolderClicked();
  void SendToWrapper(int32_t command);
  int Scaled(int length) const;
  std::string FileFolder() const;

  TXNetWrapper* wrapper_ = nullptr;
  uint32_t flags_ = 0;
  bool finished_ = false;
  bool cancelled_ = false;
  bool completionShown_ = false;
  bool destroying_ = false;
  std::string currentFile_;
  QLabel* fileLabel_;
  QProgressBar* progressBar_;
  QLabel* statusLabel_;
  QLabel* speedLabel_;
  QCheckBox* closeCheck_;
  QPushButton* openButton_;
  QPushButton* folderButton_;
  QPushButton* cancelButton_;
};

}  // namespace kova
