#include "persistence/lg_coding.h"

#include <array>
#include <cstdio>

#include "framework/text_utils.h"

namespace kova {

namespace {

constexpr std::string_view kDigits = "VOA5TR8NECSMYF0JU7LZD2X6G1IBWHQ43P9K";
constexpr int kBase = 36;

constexpr std::array<int8_t, 256> MakeDigitValues() {
  std::array<int8_t, 256> values{};
  for (auto& value : values)
    value = -1;
  for (size_t i = 0; i < kDigits.size(); ++i) {
    auto upper = static_cast<unsigned char>(kDigits[i]);
    values[upper] = static_cast<int8_t>(i);
    if (upper >= 'A' && upper <= 'Z') values[upper - 'A' + 'a'] = static_cast<int8_t>(i);
  }
  return values;
}

constexpr std::array<int8_t, 256> kDigitValues = MakeDigitValues();

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string EncodeLgText(std::string_view text) {
  std::string coded;
  coded.reserve(text.size() * 2);
  for (unsigned char byte : text) {
    coded += kDigits[byte / kBase];
    coded += kDigits[byte % kBase];
  }
  return coded;
}

std::optional<std::string> DecodeLgText(std::string_view coded) {
  if (coded.size() % 2 != 0) return std::nullopt;
  std::string text;
  text.reserve(coded.size() / 2);
  for (size_t i = 0; i < coded.size(); i += 2) {
    int high = kDigitValues[static_cast<unsigned char>(coded[i])];
    int low = kDigitValues[static_cast<unsigned char>(coded[i + 1])];
    int value = high * kBase + low;
    if (high < 0 || low < 0 || value > 255) return std::nullopt;
    text += static_cast<char>(value);
  }
  return text;
}

std::string FormatWordsLine(uint32_t id, std::string_view text) {
  char key[16];
  std::snprintf(key, sizeof(key), "%08X=", id);
  return key + EncodeLgText(text);
}

std::optional<TXLgWord> ParseWordsLine(std::string_view line) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  std::optional<uint32_t> id = ParseHex32(Trim(line.substr(0, equals)));
  if (!id || *id == 0) return std::nullopt;
  return TXLgWord{*id, std::string(Trim(line.substr(equals + 1)))};
}

std::optional<uint32_t> ParseHex32(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    int digit = HexValue(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return value;
}

}  // namespace kova
