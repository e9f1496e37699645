#include "results_test_files.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include "recovery/formats/scan_format_registry.h"
#include "recovery/recovery_aspects.h"
#include "support/test_files.h"
#include "ui/images_frm.h"

namespace kova::test {

FoundFiles::FoundFiles()
    : medium_(std::make_unique<TXFileStream>((dir_ / "card.img").string(), TXFileMode::fmCreate)) {}

FoundFiles::~FoundFiles() = default;

TXBlocks FoundFiles::Append(const std::vector<uint8_t>& bytes) {
  const int64_t start = (medium_->GetSize() + 511) / 512 * 512;
  medium_->Seek(start, TXSeekOrigin::soBeginning);
  medium_->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  TXBlocks blocks;
  blocks.Add(start, static_cast<int64_t>(bytes.size()));
  return blocks;
}

TXDRFileItem& FoundFiles::Add(const std::string& name, const std::string& ext, int64_t size,
                              TXSize dimensions, double created) {
  TXDRFileItem& item = *files_.Add();
  item.EditBlocks() = Append(NoiseBytes(static_cast<size_t>(size), files_.Count()));
  item.Name = name;
  item.Ext = ext;
  item.Dimensions = dimensions;
  item.Created = created;
  return item;
}

TXDRFileItem& FoundFiles::AddReal(const std::filesystem::path& file, std::string name) {
  TXDRFileItem& item = *files_.Add();
  item.EditBlocks() = Append(ReadFileBytes(file));
  item.Ext = file.extension().string();
  item.Name = name.empty() ? FoundFileName(static_cast<uint32_t>(files_.Count()), item.Ext) : name;
  const TXDRScanFormatClass* formatClass = ClassOfExt(item.Ext);
  if (!formatClass) return item;
  std::unique_ptr<TXDRScanFormat> format = CreateFormat(formatClass->Kind);
  format->ValidateItem(*medium_, item.Blocks());
  TXSize size;
  item.MarkThumbnail(format->MakeThumbnail(size, item.Thumbnail, item.Blocks(), *medium_));
  item.Dimensions = format->Dimensions.IsEmpty() ? size : format->Dimensions;
  return item;
}

TXDRFileItem& FoundFiles::AddPhoto(const std::string& name, int width, int height) {
  QImage photo(width, height, QImage::Format_RGB32);
  QPainter painter(&photo);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, QColor(90, 150, 220));
  sky.setColorAt(1, QColor(230, 240, 250));
  painter.fillRect(photo.rect(), sky);
  painter.setBrush(QColor(60, 140, 80));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPoint(width / 3, height), width / 2, height / 3);
  painter.setBrush(QColor(245, 160, 70));
  painter.drawEllipse(QPoint(width * 3 / 4, height / 4), height / 10, height / 10);
  painter.end();
  const std::filesystem::path file = dir_ / name;
  EXPECT_TRUE(photo.save(QString::fromStdString(file.string()), "JPG", 90));
  return AddReal(file, name);
}

void FoundFiles::Announce(TXDRImagesFrm& page) {
  for (; announced_ < files_.Count(); ++announced_)
    DispatchAspect<TXDRAddFileAspect>(page.Observable(), files_[announced_]);
}

}  // namespace kova::test
