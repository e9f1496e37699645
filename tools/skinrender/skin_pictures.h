#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include "skin_manifest.h"

namespace kova::skinrender {

// Every picture of a skin folder, checked and rendered at its listed size. Badge templates are
// rendered once per catalogue extension, filled with the colours of the extension's group.
class SkinPictures {
 public:
  SkinPictures(QString skinDir, SkinManifest manifest);

  // Checks and renders everything; answers false when anything failed, with one line per fault
  // in `problems`. What rendered is kept either way.
  bool RenderAll(QStringList& problems);

  // The rendered picture, or a null image when the box has no such picture.
  QImage Picture(const QString& box, const QString& name) const;
  // The box's badge template filled for `extension` (".jpg"), or a null image.
  QImage Badge(const QString& box, const QString& extension) const;

  const SkinManifest& Manifest() const { return manifest_; }
  int RenderedCount() const { return static_cast<int>(images_.size()); }

  // Writes every rendered picture as "<folder>/<box>/<name>.png" (badges under the extension
  // without its dot). Answers false with the first failing path in `error`.
  bool WritePictures(const QString& folder, QString& error) const;

 private:
  static QString Key(const QString& box, const QString& name) { return box + u'/' + name; }

  void RenderPicture(const SkinPicture& picture, QStringList& problems);
  void RenderTemplate(const SkinPicture& picture, const QByteArray& svg, QStringList& problems);
  void RenderInto(const QString& key, const SkinPicture& picture, const QByteArray& svg,
                  QStringList& problems);
  void ReportUnlistedFiles(QStringList& problems) const;

  QString skinDir_;
  SkinManifest manifest_;
  QHash<QString, QImage> images_;
};

}  // namespace kova::skinrender
