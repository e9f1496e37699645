#include "review_sheets.h"

#include <QDir>
#include <QList>
#include <QPair>

#include "catalogue_groups.h"
#include "page_mock.h"
#include "review_sheet.h"
#include "skin_composition.h"

namespace kova::skinrender {

namespace {

const WindowColours kColours;
const QColor kDarkDesktop(0x2b, 0x2d, 0x31);
constexpr int kSheetWidth = 960;

const QString kImages = QStringLiteral("ImagesBox");

QString SizeCaption(const QString& name, const QImage& image) {
  return QStringLiteral("%1 %2x%3").arg(name).arg(image.width()).arg(image.height());
}

QImage Header(const SkinPictures& pictures, int width) {
  return ComposeHeader(pictures.Picture(kImages, QStringLiteral("tile")),
                       pictures.Picture(kImages, QStringLiteral("top")), width);
}

QImage HeaderSheet(const SkinPictures& pictures) {
  ReviewSheet sheet(kSheetWidth);
  sheet.BeginRow(QStringLiteral("tile and top, no caption"), kColours.window);
  sheet.Add(Header(pictures, 900), QStringLiteral("900 px: top at 427, tiles at 23 and -381"));
  sheet.BeginRow(QStringLiteral("with page captions"), kColours.window);
  for (const QString& caption :
       {QStringLiteral("Velmora Kova 7"),
        QStringLiteral("Select drive letter assigned to your memory card")}) {
    QImage header = Header(pictures, 900);
    DrawHeaderCaption(header, caption);
    sheet.Add(header);
  }
  QImage scanning = Header(pictures, 624);
  DrawHeaderCaption(scanning, QStringLiteral("Scanning..."));
  DrawHeaderProgress(scanning, 0.6);
  sheet.Add(scanning, QStringLiteral("624 px, scanning with progress"));
  QImage narrow = Header(pictures, 624);
  DrawHeaderCaption(narrow, QStringLiteral("Restore photos from memory card"));
  sheet.Add(narrow, QStringLiteral("624 px, long caption"));
  sheet.BeginRow(
      QStringLiteral("900 px joins enlarged 4 times: tile to tile at 23, tile to top at 427"),
      kColours.window);
  const QImage wide = Header(pictures, 900);
  for (const int join : {23, 427})
    sheet.Add(Zoomed(wide.copy(join - 20, 0, 40, wide.height()), 4));
  sheet.BeginRow(QStringLiteral("the pieces"), kColours.window);
  sheet.Add(pictures.Picture(kImages, QStringLiteral("tile")), QStringLiteral("tile"));
  sheet.Add(pictures.Picture(kImages, QStringLiteral("top")), QStringLiteral("top"));
  return sheet.Compose();
}

void AddBoxRows(ReviewSheet& sheet, const SkinPictures& pictures, const QString& box,
                const QColor& background, int zoom) {
  QList<QImage> images;
  sheet.BeginRow(box, background);
  for (const SkinPicture& picture : pictures.Manifest().Box(box)) {
    if (picture.IsTemplate()) continue;
    const QImage image = pictures.Picture(box, picture.name);
    sheet.Add(image, SizeCaption(picture.name, image));
    if (image.width() <= 64) images.append(image);
  }
  if (images.isEmpty() || zoom <= 1) return;
  sheet.BeginRow(QStringLiteral("%1 enlarged %2 times").arg(box).arg(zoom), background);
  for (const QImage& image : images)
    sheet.Add(Zoomed(image, zoom));
}

QImage AlertSheet(const SkinPictures& pictures) {
  ReviewSheet sheet(kSheetWidth);
  for (const QString& box : {QStringLiteral("InfoImages"), QStringLiteral("WarningImages"),
                             QStringLiteral("MessageImages")})
    AddBoxRows(sheet, pictures, box, kColours.window, 4);
  return sheet.Compose();
}

QImage ButtonSheet(const SkinPictures& pictures) {
  ReviewSheet sheet(kSheetWidth);
  AddBoxRows(sheet, pictures, QStringLiteral("ShareImages"), kColours.window, 4);
  AddBoxRows(sheet, pictures, QStringLiteral("ShareHotImages"), kColours.window, 4);
  AddBoxRows(sheet, pictures, QStringLiteral("SmallExtImagesBox"), kColours.list, 6);
  return sheet.Compose();
}

QImage ApplicationSheet(const SkinPictures& pictures) {
  ReviewSheet sheet(kSheetWidth);
  AddBoxRows(sheet, pictures, QStringLiteral("ApplicationImages"), kColours.window, 6);
  AddBoxRows(sheet, pictures, QStringLiteral("DesktopIcons"), kColours.window, 1);
  AddBoxRows(sheet, pictures, QStringLiteral("DesktopIcons"), kDarkDesktop, 1);
  return sheet.Compose();
}

QImage ExtensionSheet(const SkinPictures& pictures, bool large) {
  const QString box =
      large ? QStringLiteral("LargeExtImagesBox") : QStringLiteral("SmallExtImagesBox");
  ReviewSheet sheet(kSheetWidth);
  for (const CatalogueGroup& group : CatalogueGroups()) {
    const QString name = large ? group.picture : group.smallPicture;
    const QImage base = pictures.Picture(kImages, name);
    sheet.BeginRow(large ? group.group
                         : QStringLiteral("%1: actual size and enlarged 4 times").arg(group.group),
                   kColours.list);
    sheet.Add(ComposeListIcon(base, {}, kColours.list, large), name);
    for (const QString& extension : group.extensions) {
      const QImage icon =
          ComposeListIcon(base, pictures.Badge(box, extension), kColours.list, large);
      sheet.Add(icon, extension);
      if (!large) sheet.Add(Zoomed(icon, 4));
    }
  }
  return sheet.Compose();
}

QImage IllustrationSheet(const SkinPictures& pictures) {
  ReviewSheet sheet(kSheetWidth);
  sheet.BeginRow(QStringLiteral("ImagesBox pictures on the window colour"), kColours.window);
  for (const QString& name :
       {QStringLiteral("start"), QStringLiteral("smiley"), QStringLiteral("arrow"),
        QStringLiteral("image"), QStringLiteral("video"), QStringLiteral("audio")}) {
    const QImage image = pictures.Picture(kImages, name);
    sheet.Add(image, SizeCaption(name, image));
  }
  sheet.BeginRow(QStringLiteral("smiley and arrow enlarged 4 times"), kColours.window);
  sheet.Add(Zoomed(pictures.Picture(kImages, QStringLiteral("smiley")), 4));
  sheet.Add(Zoomed(pictures.Picture(kImages, QStringLiteral("arrow")), 4));
  sheet.BeginRow(QStringLiteral("FinishImages"), kColours.window);
  const QImage finish = pictures.Picture(QStringLiteral("FinishImages"), QStringLiteral("Finish"));
  sheet.Add(finish, SizeCaption(QStringLiteral("Finish"), finish));
  return sheet.Compose();
}

QList<QImage> ShareButtons(const SkinPictures& pictures) {
  QList<QImage> buttons;
  for (const SkinPicture& picture : pictures.Manifest().Box(QStringLiteral("ShareImages")))
    buttons.append(pictures.Picture(picture.box, picture.name));
  return buttons;
}

QImage WelcomePage(const SkinPictures& pictures) {
  QImage header = Header(pictures, 624);
  DrawHeaderCaption(header, QStringLiteral("Velmora Kova 7"));
  PageMock page(header, kColours);
  page.GroupBox(QRect(8, 12, 608, 88), QStringLiteral("About the Program"));
  page.Picture(QPoint(24, 42), pictures.Picture(kImages, QStringLiteral("smiley")));
  page.Text(QRect(68, 34, 530, 56),
            QStringLiteral("Velmora Kova brings back photos, RAW files and videos from memory "
                           "cards: deleted, lost to a quick format or left on a damaged card. "
                           "Nothing is ever written to the card."),
            kColours.text);
  page.Picture(QPoint(112, 127), pictures.Picture(kImages, QStringLiteral("start")));
  page.CommandBar({QStringLiteral("About")},
                  {QStringLiteral("Start >"), QStringLiteral("Exit"), QStringLiteral("Help")},
                  ShareButtons(pictures));
  return page.Image();
}

QImage FinishPage(const SkinPictures& pictures) {
  QImage header = Header(pictures, 624);
  DrawHeaderCaption(header, QStringLiteral("Finished"));
  PageMock page(header, kColours);
  page.GroupBox(QRect(8, 12, 608, 76), QStringLiteral("Files are saved to:"));
  page.Picture(QPoint(20, 32), pictures.Picture(kImages, QStringLiteral("arrow")));
  page.Text(QRect(80, 36, 380, 40), QStringLiteral("/home/anna/Pictures/Recovered from card"),
            kColours.link);
  page.Button(QRect(480, 44, 120, 23), QStringLiteral("Open Folder"));
  page.Picture(QPoint(12, 96),
               pictures.Picture(QStringLiteral("FinishImages"), QStringLiteral("Finish")));
  page.CommandBar({QStringLiteral("About")}, {QStringLiteral("Close"), QStringLiteral("Help")},
                  ShareButtons(pictures));
  return page.Image();
}

}  // namespace

bool WriteReviewSheets(const SkinPictures& pictures, const QString& folder, QString& error) {
  const QList<QPair<QString, QImage>> sheets{
      {QStringLiteral("header.png"), HeaderSheet(pictures)},
      {QStringLiteral("alerts.png"), AlertSheet(pictures)},
      {QStringLiteral("buttons.png"), ButtonSheet(pictures)},
      {QStringLiteral("application.png"), ApplicationSheet(pictures)},
      {QStringLiteral("extensions_large.png"), ExtensionSheet(pictures, true)},
      {QStringLiteral("extensions_small.png"), ExtensionSheet(pictures, false)},
      {QStringLiteral("illustrations.png"), IllustrationSheet(pictures)},
      {QStringLiteral("welcome_page.png"), WelcomePage(pictures)},
      {QStringLiteral("finish_page.png"), FinishPage(pictures)}};
  if (!QDir().mkpath(folder)) {
    error = QStringLiteral("%1: cannot be created").arg(folder);
    return false;
  }
  for (const auto& [name, image] : sheets) {
    const QString path = QDir(folder).filePath(name);
    if (!image.save(path)) {
      error = QStringLiteral("%1: cannot be written").arg(path);
      return false;
    }
  }
  return true;
}

}  // namespace kova::skinrender
