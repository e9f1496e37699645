#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/markup_escape.h"

namespace kova::mkcard {

// A parsed JSON value, enough for reading manifests back. Numbers keep their text so that
// 64-bit offsets survive.
struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;  // a number's digits or a string's value
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;

  const JsonValue* Member(const std::string& name) const;
  std::optional<int64_t> AsInteger() const;
};

// Parses one complete JSON text; false with a message for malformed input.
bool ParseJson(std::string_view text, JsonValue* value, std::string* error);

// Builds one JSON object line field by field.
class JsonLine {
 public:
  JsonLine& Text(const char* name, std::string_view value) { return Raw(name, JsonQuoted(value)); }
  JsonLine& Number(const char* name, int64_t value) { return Raw(name, std::to_string(value)); }
  JsonLine& Flag(const char* name, bool value) { return Raw(name, value ? "true" : "false"); }
  JsonLine& Raw(const char* name, const std::string& value) {
    line_ += (line_.size() > 1 ? "," : "") + JsonQuoted(name) + ":" + value;
    return *this;
  }
  std::string Finish() { return line_ + "}\n"; }

 private:
  std::string line_ = "{";
};

}  // namespace kova::mkcard
