#pragma once

#include <QGroupBox>
#include <QLabel>
#include <string_view>

#include "ui/picture_control.h"

// Small builders shared by the pages, so that every page draws its parts alike.
namespace kova {

class IXDRSkin;

// A group box with a bold caption (its children take UseNormalFont).
QGroupBox* MakeGroupBox(QWidget* parent);
// Gives a control inside a group box the page's normal weight.
void UseNormalFont(QWidget& widget);
// A word-wrapped label aligned to its top left.
QLabel* MakeWrappedLabel(QWidget* parent);
// A picture control for icons and artwork: stretched with resampling, on the button colour.
TXImage* MakeIconImage(QWidget* parent, int size);
// Shows the skin's picture in the control, drawn for the screen's pixel scale.
void ShowSkinPicture(TXImage& image, IXDRSkin& skin, std::string_view box, std::string_view name);
// Lets the control pick from the skin's box (PickPicture), drawn for the screen's pixel scale.
void PickSkinPicture(TXImage& image, IXDRSkin& skin, std::string_view box);
// Sets the label's text when it differs (keeps the layout quiet).
void SetLabelText(QLabel& label, const QString& text);

}  // namespace kova
