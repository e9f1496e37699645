#include "desktop_icons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "svg_check.h"
#include "svg_render.h"

namespace kova::skinrender {

namespace {

const QString kDesktopIcons = QStringLiteral("DesktopIcons");

const SkinPicture* Largest(const QList<SkinPicture>& box) {
  const SkinPicture* largest = nullptr;
  for (const SkinPicture& picture : box) {
    if (!largest || picture.size.width() > largest->size.width()) largest = &picture;
  }
  return largest;
}

const SkinPicture& PictureFor(const QList<SkinPicture>& box, int size, const SkinPicture& largest) {
  for (const SkinPicture& picture : box) {
    if (picture.size == QSize(size, size)) return picture;
  }
  return largest;
}

// The checked SVG source of the picture; empty, with the fault in `problems`, when it cannot be
// read or the skin module could not draw it.
QByteArray CheckedSource(const QString& skinDir, const SkinPicture& picture,
                         QStringList& problems) {
  QFile file(QDir(skinDir).filePath(picture.file));
  if (!file.open(QIODevice::ReadOnly)) {
    problems.append(
        QStringLiteral("%1: cannot be read (%2)").arg(picture.file, file.errorString()));
    return {};
  }
  const QByteArray svg = file.readAll();
  const qsizetype before = problems.size();
  CheckSvgSource(svg, picture, problems);
  return problems.size() == before ? svg : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
         file.write(bytes) == bytes.size();
}

void WritePng(const QByteArray& svg, const SkinPicture& picture, int size, const QString& path,
              QStringList& problems) {
  QImage image;
  QString error;
  if (!RenderSvg(svg, QSize(size, size), image, error)) {
    problems.append(QStringLiteral("%1 at %2 px: %3").arg(picture.file).arg(size).arg(error));
    return;
  }
  if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG"))
    problems.append(QStringLiteral("%1: cannot be written").arg(path));
}

}  // namespace

void WriteDesktopIcons(const QString& skinDir, const SkinManifest& manifest,
                       const QString& themeFolder, const QString& iconName, QStringList& problems) {
  const QList<SkinPicture> box = manifest.Box(kDesktopIcons);
  const SkinPicture* largest = Largest(box);
  if (!largest) {
    problems.append(QStringLiteral("pictures.tsv lists no %1").arg(kDesktopIcons));
    return;
  }
  const QDir theme(themeFolder);
  for (int size : kHicolorSizes) {
    const SkinPicture& picture = PictureFor(box, size, *largest);
    const QByteArray svg = CheckedSource(skinDir, picture, problems);
    if (svg.isEmpty()) continue;
    WritePng(svg, picture, size,
             theme.filePath(QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(iconName)), problems);
  }
  const QByteArray scalable = CheckedSource(skinDir, *largest, problems);
  const QString svgPath = theme.filePath(QStringLiteral("scalable/apps/%1.svg").arg(iconName));
  if (!scalable.isEmpty() && !WriteFile(svgPath, scalable))
    problems.append(QStringLiteral("%1: cannot be written").arg(svgPath));
}

}  // namespace kova::skinrender
