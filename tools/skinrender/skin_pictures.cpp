#include "skin_pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <utility>

#include "badge_template.h"
#include "catalogue_groups.h"
#include "svg_check.h"
#include "svg_render.h"

namespace kova::skinrender {

SkinPictures::SkinPictures(QString skinDir, SkinManifest manifest)
    : skinDir_(std::move(skinDir)), manifest_(std::move(manifest)) {}

bool SkinPictures::RenderAll(QStringList& problems) {
  const qsizetype before = problems.size();
  images_.clear();
  for (const SkinPicture& picture : std::as_const(manifest_.pictures))
    RenderPicture(picture, problems);
  ReportUnlistedFiles(problems);
  return problems.size() == before;
}

QImage SkinPictures::Picture(const QString& box, const QString& name) const {
  return images_.value(Key(box, name));
}

QImage SkinPictures::Badge(const QString& box, const QString& extension) const {
  return images_.value(Key(box, extension.toLower()));
}

void SkinPictures::RenderPicture(const SkinPicture& picture, QStringList& problems) {
  QFile file(QDir(skinDir_).filePath(picture.file));
  if (!file.open(QIODevice::ReadOnly)) {
    problems.append(
        QStringLiteral("%1: cannot be read (%2)").arg(picture.file, file.errorString()));
    return;
  }
  const QByteArray svg = file.readAll();
  const qsizetype before = problems.size();
  CheckSvgSource(svg, picture, problems);
  if (problems.size() != before) return;
  if (picture.IsTemplate())
    RenderTemplate(picture, svg, problems);
  else
    RenderInto(Key(picture.box, picture.name), picture, svg, problems);
}

void SkinPictures::RenderTemplate(const SkinPicture& picture, const QByteArray& svg,
                                  QStringList& problems) {
  for (const CatalogueGroup& group : CatalogueGroups()) {
    const BadgeColours* colours = manifest_.ColoursOf(group.group);
    if (!colours) {
      problems.append(
          QStringLiteral("badge_colours.tsv has no colours for the group \"%1\"").arg(group.group));
      continue;
    }
    for (const QString& extension : group.extensions)
      RenderInto(Key(picture.box, extension), picture, FillBadgeTemplate(svg, extension, *colours),
                 problems);
  }
}

void SkinPictures::RenderInto(const QString& key, const SkinPicture& picture, const QByteArray& svg,
                              QStringList& problems) {
  QImage image;
  QString error;
  if (!RenderSvg(svg, picture.size, image, error)) {
    problems.append(QStringLiteral("%1 (%2): %3").arg(picture.file, key, error));
    return;
  }
  images_.insert(key, image);
}

void SkinPictures::ReportUnlistedFiles(QStringList& problems) const {
  QSet<QString> listed;
  for (const SkinPicture& picture : manifest_.pictures)
    listed.insert(picture.file);
  const QStringList files = QDir(skinDir_).entryList({QStringLiteral("*.svg")}, QDir::Files);
  for (const QString& file : files) {
    if (!listed.contains(file))
      problems.append(QStringLiteral("%1: not listed in pictures.tsv").arg(file));
  }
}

bool SkinPictures::WritePictures(const QString& folder, QString& error) const {
  for (auto it = images_.cbegin(); it != images_.cend(); ++it) {
    QString name = it.key();
    name.remove(QLatin1Char('.'));
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!QDir().mkpath(QFileInfo(path).path()) || !it.value().save(path)) {
      error = QStringLiteral("%1: cannot be written").arg(path);
      return false;
    }
  }
  return true;
}

}  // namespace kova::skinrender
