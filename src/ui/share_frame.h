#pragma once

#include <QToolButton>
#include <array>

#include "ui/custom_frame.h"

namespace kova {

class IXDRSkin;
class TXComposeTable;

// The share panel of the command bar: three buttons that open the maker's share pages for
// FaceBook, Twitter and Pinterest, each with its picture and a brighter one under the mouse.
// When no browser can be started for a page, a message gives its address.
class TXKovaShareFrm : public TXCustomFrame {
  Q_OBJECT

 public:
  static constexpr char kClassName[] = "TXKovaShareFrm";

  explicit TXKovaShareFrm(IXDRSkin& skin, QWidget* parent = nullptr);

  QToolButton& ToolButton(int index) const { return *buttons_[static_cast<size_t>(index)]; }
  // The address a button opens.
  static QString SharePage(int index);

 private:
  std::array<QToolButton*, 3> buttons_;
};

// Makes the share panel a frame class the composers know, and registers the content "Main" of
// the skin's compose table: the share panel.
void RegisterShareComposition(IXDRSkin& skin);

}  // namespace kova
