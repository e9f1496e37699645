#include "online/net_data_filer.h"

#include "framework/error_data.h"
#include "framework/text_utils.h"
#include "online/net_coding.h"

namespace kova {

namespace {

constexpr uint8_t kCodeData = 1;
constexpr uint8_t kCodeNothingNew = 2;
constexpr uint8_t kCodeRefused = 3;
constexpr uint8_t kFormatCoded = 1;
constexpr uint8_t kFormatPlain = 2;

// The decimal value of the element, or `fallback` when it is missing, not a number or above 3.
uint8_t SmallNumber(std::string_view text, std::string_view name, uint8_t fallback) {
  const std::optional<int64_t> value = ParseInteger(Trim(ElementContent(text, name)));
  if (!value || *value < 0 || *value > 3) return fallback;
  return static_cast<uint8_t>(*value);
}

// The text after the first opening tag up to the last closing tag of the element, so that data
// which itself holds the closing tag is kept whole.
std::string OuterElementContent(std::string_view text, std::string_view name) {
  const std::string opening = "<" + std::string(name) + ">";
  const std::string closing = "</" + std::string(name) + ">";
  const size_t begin = text.find(opening);
  if (begin == std::string_view::npos) return {};
  const size_t start = begin + opening.size();
  const size_t end = text.rfind(closing);
  if (end == std::string_view::npos || end < start) return {};
  return std::string(text.substr(start, end - start));
}

}  // namespace

std::string ElementContent(std::string_view text, std::string_view name) {
  const std::string opening = "<" + std::string(name) + ">";
  const std::string closing = "</" + std::string(name) + ">";
  const size_t begin = text.find(opening);
  if (begin == std::string_view::npos) return {};
  const size_t start = begin + opening.size();
  const size_t end = text.find(closing, start);
  if (end == std::string_view::npos) return {};
  return std::string(text.substr(start, end - start));
}

bool TXNetDataFiler::Parse() {
  Code = 0;
  Format = 0;
  Data.clear();
  const std::string status = ElementContent(Response, "cgi_status");
  Code = SmallNumber(status, "code", 0);
  if (Code == kCodeData) {
    Format = SmallNumber(status, "format", kFormatPlain);
    Data = OuterElementContent(Response, "cgi_data");
    if (Format == kFormatCoded) {
      std::optional<std::string> decoded = DecodeNetText(Data);
      if (decoded) {
        Data = std::move(*decoded);
      } else {
        Code = 0;
        Data.clear();
      }
    }
  }
  Response.clear();
  switch (Code) {
    case kCodeData:
      return true;
    case kCodeNothingNew:
      SetThreadError(kErrNothingNew);
      return true;
    case kCodeRefused:
      SetThreadError(kErrNetRefused, 0, "the server refused the request");
      return false;
    default:
      SetThreadError(kErrRead, 0, "the server's answer holds no valid status");
      return false;
  }
}

}  // namespace kova
