#include "online/net_coding.h"

#include <QByteArray>
#include <cstdint>

namespace kova {

namespace {

constexpr std::string_view kKey = "Velmora Kova online";

uint8_t KeyByte(size_t position) {
  const auto key = static_cast<uint8_t>(kKey[position % kKey.size()]);
  return static_cast<uint8_t>(key ^ (position * 167 + 13));
}

std::string Mixed(std::string_view text) {
  std::string mixed(text);
  for (size_t i = 0; i < mixed.size(); ++i)
    mixed[i] = static_cast<char>(static_cast<uint8_t>(mixed[i]) ^ KeyByte(i));
  return mixed;
}

std::string WithoutBlanks(std::string_view text) {
  std::string kept;
  for (char c : text) {
    if (c != ' ' && c != '\r' && c != '\n' && c != '\t') kept += c;
  }
  return kept;
}

}  // namespace

std::string EncodeNetText(std::string_view text) {
  const std::string mixed = Mixed(text);
  return QByteArray(mixed.data(), static_cast<qsizetype>(mixed.size())).toBase64().toStdString();
}

std::optional<std::string> DecodeNetText(std::string_view coded) {
  const std::string compact = WithoutBlanks(coded);
  const auto decoded =
      QByteArray::fromBase64Encoding(QByteArray(compact.data(), qsizetype(compact.size())),
                                     QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return std::nullopt;
  const QByteArray& bytes = decoded.decoded;
  return Mixed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace kova
