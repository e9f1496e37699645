#include "required_pictures.h"

namespace kova::skinrender {

namespace {

struct RequiredBox {
  QString box;
  QStringList names;
  bool ordered;
};

const QList<RequiredBox>& RequiredBoxes() {
  static const QList<RequiredBox> boxes{
      {"ImagesBox",
       {"tile", "top", "smiley", "start", "arrow", "image", "video", "audio", "simage", "svideo",
        "saudio"},
       false},
      {"LargeExtImagesBox", {"ascend", "descend", kExtensionPlaceholder}, true},
      {"SmallExtImagesBox", {"ascend", "descend", kExtensionPlaceholder}, true},
      {"InfoImages", {"info64", "info48", "info32", "info16"}, true},
      {"WarningImages", {"warning64", "warning48", "warning32", "warning16"}, true},
      {"OriginImages", {"live", "deleted", "lost", "search"}, false},
      {"MessageImages", {"error", "question"}, false},
      {"ApplicationImages", {"Application", "Application16", "Application48"}, true},
      {"DesktopIcons", {"16", "24", "32", "48", "64", "128", "256"}, true},
      {"ShareImages", {"facebook", "twitter", "pinterest"}, true},
      {"ShareHotImages", {"facebook", "twitter", "pinterest"}, true},
      {"FinishImages", {"Finish"}, true}};
  return boxes;
}

QStringList NamesOf(const QList<SkinPicture>& pictures) {
  QStringList names;
  for (const SkinPicture& picture : pictures)
    names.append(picture.name);
  return names;
}

void CheckBox(const SkinManifest& manifest, const RequiredBox& required, QStringList& problems) {
  const QStringList listed = NamesOf(manifest.Box(required.box));
  for (const QString& name : required.names) {
    if (!listed.contains(name))
      problems.append(QStringLiteral("pictures.tsv: %1 lacks \"%2\"").arg(required.box, name));
  }
  for (const QString& name : listed) {
    if (!required.names.contains(name))
      problems.append(QStringLiteral("pictures.tsv: %1 holds \"%2\", which nothing asks for")
                          .arg(required.box, name));
  }
  if (required.ordered && listed.size() == required.names.size() && listed != required.names)
    problems.append(QStringLiteral("pictures.tsv: %1 must list %2 in this order")
                        .arg(required.box, required.names.join(QStringLiteral(", "))));
}

void CheckLargestFirst(const SkinManifest& manifest, const QString& box, QStringList& problems) {
  const QList<SkinPicture> pictures = manifest.Box(box);
  for (qsizetype i = 1; i < pictures.size(); ++i) {
    if (pictures[i].size.width() >= pictures[i - 1].size.width())
      problems.append(
          QStringLiteral("pictures.tsv: %1 must list its sizes largest first").arg(box));
  }
}

}  // namespace

void CheckRequiredPictures(const SkinManifest& manifest, QStringList& problems) {
  QStringList boxes;
  for (const RequiredBox& required : RequiredBoxes()) {
    CheckBox(manifest, required, problems);
    boxes.append(required.box);
  }
  for (const SkinPicture& picture : manifest.pictures) {
    if (!boxes.contains(picture.box))
      problems.append(
          QStringLiteral("pictures.tsv:%1: unknown box \"%2\"").arg(picture.line).arg(picture.box));
  }
  CheckLargestFirst(manifest, QStringLiteral("InfoImages"), problems);
  CheckLargestFirst(manifest, QStringLiteral("WarningImages"), problems);
}

}  // namespace kova::skinrender
