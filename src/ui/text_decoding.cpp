#include "ui/text_decoding.h"

#include <QStringDecoder>

#include "framework/windows1252.h"

namespace kova {

namespace {

QString DecodeWindows1252(QByteArrayView bytes) {
  QString text;
  text.reserve(bytes.size());
  for (char byte : bytes)
    text.append(QChar(Windows1252Char(static_cast<uint8_t>(byte))));
  return text;
}

std::optional<QString> DecodeStrictly(QByteArrayView bytes, QStringConverter::Encoding encoding) {
  QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError() || !QStringView(text).isValidUtf16()) return std::nullopt;
  return text;
}

bool IsReadableText(const QString& text) {
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\f' && u != '\r') return false;
  }
  return true;
}

std::optional<QString> DecodeByMark(QByteArrayView bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF"))
    return DecodeStrictly(bytes.sliced(3), QStringConverter::Utf8);
  if (bytes.startsWith("\xFF\xFE")) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    return DecodeStrictly(bytes.sliced(2), QStringConverter::Utf16LE);
  }
  if (bytes.startsWith("\xFE\xFF")) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    return DecodeStrictly(bytes.sliced(2), QStringConverter::Utf16BE);
  }
  if (std::optional<QString> utf8 = DecodeStrictly(bytes, QStringConverter::Utf8)) return utf8;
  return DecodeWindows1252(bytes);
}

}  // namespace

QString DecodeCodePage(QByteArrayView bytes, int codePage) {
  if (codePage > 0 && codePage != kWindowsLatin1CodePage) {
    for (const char* prefix : {"windows-", "cp"}) {
      const QByteArray name = prefix + QByteArray::number(codePage);
      QStringDecoder decoder(name.constData());
      if (decoder.isValid()) return decoder.decode(bytes);
    }
  }
  return DecodeWindows1252(bytes);
}

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0:
    case 1:
      return kWindowsLatin1CodePage;
    case 128:
      return 932;
    case 129:
      return 949;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    default:
      return 0;
  }
}

std::optional<QString> DecodePlainText(QByteArrayView bytes) {
  std::optional<QString> text = DecodeByMark(bytes);
  if (!text || !IsReadableText(*text)) return std::nullopt;
  return text;
}

}  // namespace kova
