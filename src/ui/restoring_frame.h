#pragma once

#include <QGroupBox>
#include <QLabel>

#include "ui/custom_frame.h"
#include "ui/picture_control.h"
#include "ui/run_figures_label.h"

namespace kova {

class IXDRSkin;

// The page shown while the checked files are copied: how many go into which folder, and the run's
// figures (bytes written of the total, files saved and failed, speed, time left). The header
// above it shows the progress.
class TXDRRestoringFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  explicit TXDRRestoringFrm(IXDRSkin& skin, QWidget* parent = nullptr,
                            TXCustomEngine* engine = nullptr);

  void ApplyLanguage() override;

  QGroupBox& FolderGroupBox() const { return *groupBox_; }
  QLabel& SummaryLabel() const { return *summaryLabel_; }
  TXRunFiguresLabel& Figures() const { return *figures_; }

 protected:
  void Initialize() override;
  void Shown() override;
  void Resized() override;

 private:
  // Reads the folder and the checked files from the recovery engine's data.
  void ShowRun();

  IXDRSkin& skin_;
  QGroupBox* groupBox_;
  TXImage* arrowImage_;
  QLabel* summaryLabel_;
  TXRunFiguresLabel* figures_;
};

}  // namespace kova
