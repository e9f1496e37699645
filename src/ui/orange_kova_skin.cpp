#include "ui/orange_kova_skin.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include "recovery/file_types.h"
#include "ui/qt_pictures.h"

namespace kova {

namespace {

// The badge colour group of each catalogue group, as the results list files extensions.
constexpr std::pair<TXDRFileGroup, const char*> kBadgeGroups[] = {
    {fgImages, "image"}, {fgVideo, "video"}, {fgAudio, "audio"}};

QByteArray FillBadgeTemplate(QByteArray svg, const std::string& extension,
                             const TXBadgeColours& colours) {
  const QString label = QString::fromStdString(extension).mid(1).toUpper();
  return svg.replace("{EXT}", label.toUtf8())
      .replace("{FILL}", colours.Fill.toUtf8())
      .replace("{SHADE}", colours.Shade.toUtf8());
}

QImage RenderSvg(const QByteArray& svg, QSize size) {
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) return {};
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return image;
}

}  // namespace

TXOrangeKovaSkinData::TXOrangeKovaSkinData(const QString& folder, int32_t scale)
    : folder_(folder), scale_(std::max(scale, 1)) {
  Load(folder);
}

IXDRSkin& TXOrangeKovaSkinData::AtScale(int32_t scale) {
  const int32_t wanted = std::max(scale, 1);
  if (wanted == scale_) return *this;
  std::unique_ptr<TXOrangeKovaSkinData>& scaled = scaled_[wanted];
  if (!scaled) scaled = std::make_unique<TXOrangeKovaSkinData>(folder_, wanted);
  return *scaled;
}

TXOrangeKovaSkinData::~TXOrangeKovaSkinData() = default;

TXImagesBox* TXOrangeKovaSkinData::FindImagesBox(std::string_view name) {
  for (const auto& box : boxes_) {
    if (box->Name() == name) return box.get();
  }
  return nullptr;
}

TXImagesBox& TXOrangeKovaSkinData::BoxNamed(const QString& name) {
  if (TXImagesBox* box = FindImagesBox(name.toStdString())) return *box;
  auto box = std::make_unique<TXImagesBox>();
  box->SetName(name.toStdString());
  boxes_.push_back(std::move(box));
  return *boxes_.back();
}

void TXOrangeKovaSkinData::Load(const QString& folder) {
  TXSkinManifest manifest;
  QString error;
  if (!ReadSkinManifest(folder, manifest, error)) {
    problems_.append(error);
    return;
  }
  for (const TXSkinPictureEntry& entry : manifest.Pictures) {
    QFile file(folder + QLatin1Char('/') + entry.File);
    if (!file.open(QIODevice::ReadOnly)) {
      problems_.append(QStringLiteral("%1 cannot be read").arg(file.fileName()));
      continue;
    }
    const QByteArray svg = file.readAll();
    TXImagesBox& box = BoxNamed(entry.Box);
    if (entry.IsBadgeTemplate()) {
      AddBadges(box, entry, svg, manifest);
    } else {
      AddPicture(box, entry.Name, svg, entry.Size, entry.File);
    }
  }
}

void TXOrangeKovaSkinData::AddBadges(TXImagesBox& box, const TXSkinPictureEntry& entry,
                                     const QByteArray& svg, const TXSkinManifest& manifest) {
  for (const auto& [group, colourGroup] : kBadgeGroups) {
    const TXBadgeColours* colours = manifest.ColoursOf(QLatin1String(colourGroup));
    if (!colours) {
      problems_.append(QStringLiteral("no badge colours for the group %1").arg(colourGroup));
      continue;
    }
    for (const std::string& extension : GroupExtensions(group)) {
      AddPicture(box, QString::fromStdString(extension),
                 FillBadgeTemplate(svg, extension, *colours), entry.Size, entry.File);
    }
  }
}

void TXOrangeKovaSkinData::AddPicture(TXImagesBox& box, const QString& name, const QByteArray& svg,
                                      QSize size, const QString& file) {
  TXImageItem* item = box.Images().Add();
  item->SetDisplayName(name.toStdString());
  if (!LoadPngPicture(RenderSvg(svg, size * scale_), item->Data())) {
    problems_.append(QStringLiteral("%1 (%2) cannot be drawn").arg(file, name));
    box.Images().Delete(item->Index());
  }
}

}  // namespace kova
