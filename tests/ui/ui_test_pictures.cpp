#include "ui_test_pictures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>

#include "framework/stream.h"

namespace kova::test {

namespace {

QByteArray Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format));
  return bytes;
}

void Load(TXImageObject& picture, const QByteArray& bytes, const char* dataClass) {
  TXMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  ASSERT_TRUE(picture.LoadFromStream(dataClass, stream)) << dataClass;
}

void AppendLE(QByteArray& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i)
    bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

QImage PlainImage(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

void LoadPicture(TXImageObject& picture, const QImage& image, const char* dataClass) {
  const bool jpeg = QByteArray(dataClass).contains("JPEG");
  Load(picture, Encoded(image, jpeg ? "JPG" : "PNG"), dataClass);
}

void LoadIconPicture(TXImageObject& picture, std::initializer_list<int> sizes, QColor colour) {
  QList<QByteArray> entries;
  for (int size : sizes)
    entries.append(Encoded(PlainImage(size, size, colour), "PNG"));
  QByteArray file;
  AppendLE(file, 0, 2);
  AppendLE(file, 1, 2);
  AppendLE(file, static_cast<uint32_t>(sizes.size()), 2);
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
  int index = 0;
  for (int size : sizes) {
    AppendLE(file, static_cast<uint32_t>(size % 256), 1);
    AppendLE(file, static_cast<uint32_t>(size % 256), 1);
    AppendLE(file, 0, 2);
    AppendLE(file, 1, 2);
    AppendLE(file, 32, 2);
    AppendLE(file, static_cast<uint32_t>(entries[index].size()), 4);
    AppendLE(file, offset, 4);
    offset += static_cast<uint32_t>(entries[index++].size());
  }
  for (const QByteArray& entry : entries)
    file.append(entry);
  Load(picture, file, "TIcon");
}

}  // namespace kova::test
