#pragma once

#include <QList>
#include <QSize>
#include <QString>

namespace kova {

// One line of a skin's "pictures.tsv": the box that holds the picture, its name there, its SVG
// file and the size it is drawn at. The name "{EXT}" marks an extension badge template.
struct TXSkinPictureEntry {
  QString Box;
  QString Name;
  QString File;
  QSize Size;

  bool IsBadgeTemplate() const { return Name == QLatin1String("{EXT}"); }
};

// One line of "badge_colours.tsv": the colours a badge template is filled with for a group.
struct TXBadgeColours {
  QString Group;  // "image", "video" or "audio"
  QString Fill;
  QString Shade;
};

struct TXSkinManifest {
  QList<TXSkinPictureEntry> Pictures;
  QList<TXBadgeColours> BadgeColours;

  const TXBadgeColours* ColoursOf(const QString& group) const;
};

// Reads both tables of a skin folder. False with the file and line of the first fault in `error`
// when a table is missing or a line is malformed.
bool ReadSkinManifest(const QString& folder, TXSkinManifest& manifest, QString& error);

}  // namespace kova
