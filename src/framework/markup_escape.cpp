#include "framework/markup_escape.h"

#include <cstdio>

#include "framework/text_utils.h"

namespace kova {

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string XmlUnescaped(std::string_view text) {
  std::string out(text);
  out = ReplaceAll(out, "&lt;", "<");
  out = ReplaceAll(out, "&gt;", ">");
  out = ReplaceAll(out, "&apos;", "'");
  out = ReplaceAll(out, "&quot;", "\"");
  return ReplaceAll(out, "&amp;", "&");
}

std::string JsonQuoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

}  // namespace kova
