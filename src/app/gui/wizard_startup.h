#pragma once

class QApplication;

namespace kova {

class IXDRSkin;

// What the kova program does to its Qt application before the wizard's module starts: the
// program's names, the wizard's look (style, palette, font, icon) and thumbnails for the screen.
// The screenshots run it too, so that they show what users see.
void PrepareWizardApplication(QApplication& application, IXDRSkin& skin);

}  // namespace kova
