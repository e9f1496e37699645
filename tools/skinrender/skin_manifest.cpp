#include "skin_manifest.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <functional>

namespace kova::skinrender {

namespace {

using LineParser = std::function<bool(const QStringList& fields, int line, QString& error)>;

// Calls `parse` with the tab-separated fields of every line that is neither blank nor a comment.
bool ReadTable(const QString& path, int fieldCount, const LineParser& parse, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    error = QStringLiteral("%1: cannot be read (%2)").arg(path, file.errorString());
    return false;
  }
  int line = 0;
  while (!file.atEnd()) {
    ++line;
    const QString text = QString::fromUtf8(file.readLine()).trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#'))) continue;
    const QStringList fields = text.split(QLatin1Char('\t'));
    if (fields.size() != fieldCount) {
      error = QStringLiteral("%1:%2: expected %3 tab-separated fields, found %4")
                  .arg(path)
                  .arg(line)
                  .arg(fieldCount)
                  .arg(fields.size());
      return false;
    }
    if (!parse(fields, line, error)) {
      error = QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(error);
      return false;
    }
  }
  return true;
}

bool ParseDimension(const QString& text, int& value) {
  bool ok = false;
  value = text.toInt(&ok);
  return ok && value > 0 && value <= 4096;
}

bool IsPlainFileName(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^[a-z0-9_]+\\.svg$"));
  return pattern.match(name).hasMatch();
}

bool ParsePicture(const QStringList& fields, int line, const QString& skinDir,
                  SkinManifest& manifest, QString& error) {
  SkinPicture picture{fields[0], fields[1], fields[2], {}, line};
  int width = 0;
  int height = 0;
  error.clear();
  if (picture.box.isEmpty() || picture.name.isEmpty()) {
    error = QStringLiteral("box and picture name must not be empty");
  } else if (!IsPlainFileName(picture.file)) {
    error = QStringLiteral("\"%1\" is not a lower-case .svg file name").arg(picture.file);
  } else if (!ParseDimension(fields[3], width) || !ParseDimension(fields[4], height)) {
    error = QStringLiteral("size \"%1 x %2\" is not two whole numbers from 1 to 4096")
                .arg(fields[3], fields[4]);
  } else if (manifest.Find(picture.box, picture.name)) {
    error = QStringLiteral("%1 holds \"%2\" twice").arg(picture.box, picture.name);
  } else if (!QFileInfo::exists(QDir(skinDir).filePath(picture.file))) {
    error = QStringLiteral("%1 does not exist").arg(picture.file);
  }
  if (!error.isEmpty()) return false;
  picture.size = QSize(width, height);
  manifest.pictures.append(picture);
  return true;
}

bool ParseBadgeColours(const QStringList& fields, SkinManifest& manifest, QString& error) {
  const BadgeColours colours{fields[0], fields[1], fields[2]};
  if (manifest.ColoursOf(colours.group)) {
    error = QStringLiteral("group \"%1\" is listed twice").arg(colours.group);
    return false;
  }
  for (const QString& colour : {colours.fill, colours.shade}) {
    if (colour.size() != 7 || !QColor::isValidColorName(colour)) {
      error = QStringLiteral("\"%1\" is not a #rrggbb colour").arg(colour);
      return false;
    }
  }
  manifest.badgeColours.append(colours);
  return true;
}

}  // namespace

const SkinPicture* SkinManifest::Find(const QString& box, const QString& name) const {
  for (const SkinPicture& picture : pictures) {
    if (picture.box == box && picture.name == name) return &picture;
  }
  return nullptr;
}

QList<SkinPicture> SkinManifest::Box(const QString& box) const {
  QList<SkinPicture> result;
  for (const SkinPicture& picture : pictures) {
    if (picture.box == box) result.append(picture);
  }
  return result;
}

const BadgeColours* SkinManifest::ColoursOf(const QString& group) const {
  for (const BadgeColours& colours : badgeColours) {
    if (colours.group == group) return &colours;
  }
  return nullptr;
}

bool LoadSkinManifest(const QString& skinDir, SkinManifest& manifest, QString& error) {
  const QDir dir(skinDir);
  manifest = {};
  const bool picturesRead = ReadTable(
      dir.filePath(QStringLiteral("pictures.tsv")), 5,
      [&](const QStringList& fields, int line, QString& lineError) {
        return ParsePicture(fields, line, skinDir, manifest, lineError);
      },
      error);
  if (!picturesRead) return false;
  return ReadTable(
      dir.filePath(QStringLiteral("badge_colours.tsv")), 3,
      [&](const QStringList& fields, int, QString& lineError) {
        return ParseBadgeColours(fields, manifest, lineError);
      },
      error);
}

}  // namespace kova::skinrender
