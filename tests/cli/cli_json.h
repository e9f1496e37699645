#pragma once

#include <gtest/gtest.h>

#include <string>

#include "json_value.h"

// Reading kova-cli's JSON output in the tests: a failed parse fails the calling test, a missing
// member reads as a value no real field has.
namespace kova::test::cli_json {

inline mkcard::JsonValue Parse(const std::string& text) {
  mkcard::JsonValue value;
  std::string error;
  EXPECT_TRUE(mkcard::ParseJson(text, &value, &error)) << error << ": " << text;
  return value;
}

inline std::string Text(const mkcard::JsonValue& object, const std::string& name) {
  const mkcard::JsonValue* member = object.Member(name);
  return member ? member->text : std::string("<missing ") + name + ">";
}

inline int64_t Number(const mkcard::JsonValue& object, const std::string& name) {
  const mkcard::JsonValue* member = object.Member(name);
  return member && member->AsInteger() ? *member->AsInteger() : -1;
}

}  // namespace kova::test::cli_json
