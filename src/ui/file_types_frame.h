#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QTreeWidget>
#include <array>

#include "recovery/file_types.h"
#include "ui/custom_frame.h"

namespace kova {

class IXDRSkin;

// The page where the advanced mode chooses the file types to look for: a check box per group
// (image, video, audio) above the list of its extensions, the common ones first. The page keeps
// no copy of the choice: it reads the file-type object given to it when the wizard hands it the
// page data, and writes it back when the wizard asks.
class TXDRFileTypesFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  explicit TXDRFileTypesFrm(IXDRSkin& skin, QWidget* parent = nullptr,
                            TXCustomEngine* engine = nullptr);

  // The object the page reads and writes (not owned); none leaves the lists as they are.
  void SetFileTypes(TXDRFileTypes* types) { types_ = types; }
  void InitPageData(AXNotification& notification) override;
  void SubmitPageData(AXNotification& notification) override;
  void ApplyLanguage() override;

  // The lists and check boxes from the object, and back: the object is first reset (everything
  // selected), then every extension is written by its property name, then the three groups.
  void ReadFileTypes(const TXDRFileTypes& types);
  void WriteFileTypes(TXDRFileTypes& types) const;

  QGroupBox& FileTypesGroupBox() const { return *groupBox_; }
  QCheckBox& GroupCheckBox(TXDRFileGroup group) const { return *checks_[Slot(group)]; }
  QTreeWidget& TypesView(TXDRFileGroup group) const { return *views_[Slot(group)]; }
  // The extension items of a list, in catalogue order.
  std::vector<QTreeWidgetItem*> Items(TXDRFileGroup group) const;

 protected:
  void Resized() override;

 private:
  static size_t Slot(TXDRFileGroup group) { return static_cast<size_t>(group) - 1; }
  void FillList(TXDRFileGroup group);

  IXDRSkin& skin_;
  TXDRFileTypes* types_ = nullptr;
  QGroupBox* groupBox_;
  std::array<QCheckBox*, 3> checks_;
  std::array<QTreeWidget*, 3> views_;
};

}  // namespace kova
