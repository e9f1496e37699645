#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kova::cli {

// One JSON object written member by member on one line.
class TXJsonObject {
 public:
  TXJsonObject& Add(std::string_view name, std::string_view value);
  TXJsonObject& Add(std::string_view name, const char* value) {
    return Add(name, std::string_view(value));
  }
  TXJsonObject& Add(std::string_view name, int64_t value);
  TXJsonObject& Add(std::string_view name, int32_t value) { return Add(name, int64_t{value}); }
  TXJsonObject& Add(std::string_view name, uint32_t value) { return Add(name, int64_t{value}); }
  TXJsonObject& Add(std::string_view name, double value);
  TXJsonObject& Add(std::string_view name, bool value);
  TXJsonObject& AddNull(std::string_view name);
  // A value already written as JSON (an array or an object).
  TXJsonObject& AddRaw(std::string_view name, std::string_view json);

  std::string Text() const { return "{" + members_ + "}"; }

 private:
  TXJsonObject& Member(std::string_view name, std::string_view json);
  std::string members_;
};

}  // namespace kova::cli
