#pragma once

#include <QFont>
#include <QPalette>

class QApplication;

namespace kova {

class IXDRSkin;

// The wizard's colours: warm neutrals, ink for text and structure, orange for selection and
// links (the palette the skin's artwork was drawn for).
QPalette KovaPalette();

// The wizard's font.
QFont KovaFont();

// The colour of frames and separator lines.
QColor KovaFrameColour();

// Gives the application its look: the Fusion style with the wizard's palette and font, the
// program's icon from the skin's desktop icons, and thumbnails of found files made for the
// screen's pixel scale.
void ApplyApplicationLook(QApplication& application, IXDRSkin& skin);

}  // namespace kova
