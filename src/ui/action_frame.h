#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <array>

#include "ui/custom_frame.h"
#include "ui/picture_control.h"

namespace kova {

class IXDRSkin;

// The page where the advanced mode chooses what to do: restore from the card (0), create a
// memory card image file (1) or parse an existing one (2), each with its explanation. A click on
// a choice, and the wizard asking for the page's data, send TXDRSelectedActionAspect with the
// chosen value.
class TXDRActionFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  explicit TXDRActionFrm(IXDRSkin& skin, QWidget* parent = nullptr,
                         TXCustomEngine* engine = nullptr);

  // 0, 1 or 2 as the radio buttons stand.
  uint8_t SelectedAction() const;
  void SubmitPageData(AXNotification& notification) override;
  void ApplyLanguage() override;

  QGroupBox& SelectActionGroupBox() const { return *groupBox_; }
  QRadioButton& RecoverDiskBtn() const { return *buttons_[0]; }
  QRadioButton& CreateDiskImageBtn() const { return *buttons_[1]; }
  QRadioButton& RecoverDiskImageBtn() const { return *buttons_[2]; }
  QLabel& Explanation(int index) const { return *explanations_[static_cast<size_t>(index)]; }
  TXImage& InfoImage(int index) const { return *infoImages_[static_cast<size_t>(index)]; }

 protected:
  void Shown() override;
  void Resized() override;

 private:
  void SendSelectedAction();

  IXDRSkin& skin_;
  QGroupBox* groupBox_;
  std::array<QRadioButton*, 3> buttons_;
  std::array<QLabel*, 3> explanations_;
  std::array<TXImage*, 3> infoImages_;
  QLabel* createNote_;
};

}  // namespace kova
