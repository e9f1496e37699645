#include "cli/cli_json.h"

#include <cmath>
#include <cstdio>

#include "framework/markup_escape.h"

namespace kova::cli {

TXJsonObject& TXJsonObject::Member(std::string_view name, std::string_view json) {
  if (!members_.empty()) members_ += ",";
  members_ += JsonQuoted(name) + ":" + std::string(json);
  return *this;
}

TXJsonObject& TXJsonObject::Add(std::string_view name, std::string_view value) {
  return Member(name, JsonQuoted(value));
}

TXJsonObject& TXJsonObject::Add(std::string_view name, int64_t value) {
  return Member(name, std::to_string(value));
}

TXJsonObject& TXJsonObject::Add(std::string_view name, double value) {
  if (!std::isfinite(value)) return AddNull(name);
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return Member(name, text);
}

TXJsonObject& TXJsonObject::Add(std::string_view name, bool value) {
  return Member(name, value ? "true" : "false");
}

TXJsonObject& TXJsonObject::AddNull(std::string_view name) {
  return Member(name, "null");
}

TXJsonObject& TXJsonObject::AddRaw(std::string_view name, std::string_view json) {
  return Member(name, json);
}

}  // namespace kova::cli
