#include "persistence/lg_format.h"

namespace kova {

std::string FormatLgText(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string text;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      text += format[i];
      continue;
    }
    char directive = i + 1 < format.size() ? format[i + 1] : '\0';
    if (directive == '%') {
      text += '%';
    } else if (directive == 's' && next != args.end()) {
      text += *next++;
    } else {
      return std::string(format);
    }
    ++i;
  }
  return text;
}

}  // namespace kova
