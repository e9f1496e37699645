#pragma once

#include <QGroupBox>
#include <QLabel>

#include "ui/custom_frame.h"
#include "ui/picture_control.h"

namespace kova {

class IXDRSkin;

// The first page: "About the Program" with the smiley and the about text, and the artwork of
// photos coming back out of a card.
class TXDRWelcomeFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  explicit TXDRWelcomeFrm(IXDRSkin& skin, QWidget* parent = nullptr,
                          TXCustomEngine* engine = nullptr);

  void ApplyLanguage() override;

  QGroupBox& AboutGroupBox() const { return *aboutGroupBox_; }
  TXImage& AboutImage() const { return *aboutImage_; }
  QLabel& AboutLabel() const { return *aboutLabel_; }
  TXImage& StartImage() const { return *startImage_; }

 protected:
  void Initialize() override;
  void Resized() override;

 private:
  IXDRSkin& skin_;
  QGroupBox* aboutGroupBox_;
  TXImage* aboutImage_;
  QLabel* aboutLabel_;
  TXImage* startImage_;
};

}  // namespace kova
