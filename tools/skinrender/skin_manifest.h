#pragma once

#include <QList>
#include <QSize>
#include <QString>

namespace kova::skinrender {

// The text an extension badge template carries where the extension goes.
inline constexpr char kExtensionPlaceholder[] = "{EXT}";

// One picture of the skin: the box that holds it, its name there, the SVG file that draws it and
// the size it is drawn at. A template (its name is the extension placeholder) stands for one
// picture per catalogue extension.
struct SkinPicture {
  QString box;
  QString name;
  QString file;
  QSize size;
  int line = 0;

  bool IsTemplate() const { return name == QLatin1String(kExtensionPlaceholder); }
};

// The colours an extension badge template is filled with for one file group.
struct BadgeColours {
  QString group;
  QString fill;
  QString shade;
};

struct SkinManifest {
  QList<SkinPicture> pictures;
  QList<BadgeColours> badgeColours;

  const SkinPicture* Find(const QString& box, const QString& name) const;
  QList<SkinPicture> Box(const QString& box) const;
  const BadgeColours* ColoursOf(const QString& group) const;
};

// Reads "pictures.tsv" and "badge_colours.tsv" of a skin folder. Answers false with the file and
// line of the first fault in `error` when a file is missing or a line is malformed.
bool LoadSkinManifest(const QString& skinDir, SkinManifest& manifest, QString& error);

}  // namespace kova::skinrender
