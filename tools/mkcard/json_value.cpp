#include "json_value.h"

#include <charconv>
#include <cstdio>

namespace kova::mkcard {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  bool Document(JsonValue* value, std::string* error) {
    const bool ok = Value(value, 0) && (SkipBlanks(), at_ == text_.size());
    if (!ok) *error = "malformed JSON near character " + std::to_string(at_ + 1);
    return ok;
  }

 private:
  static constexpr int kDeepest = 32;

  void SkipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
      ++at_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue* v, int depth) {
    SkipBlanks();
    if (at_ >= text_.size() || depth > kDeepest) return false;
    const char c = text_[at_];
    if (c == '{') return Object(v, depth);
    if (c == '[') return Array(v, depth);
    if (c == '"') {
      v->kind = JsonValue::Kind::kString;
      return String(&v->text);
    }
    if (Word("true") || Word("false")) {
      v->kind = JsonValue::Kind::kBool;
      v->boolean = c == 't';
      return true;
    }
    if (Word("null")) return true;
    return Number(v);
  }

  bool Number(JsonValue* v) {
    const size_t start = at_;
    while (at_ < text_.size() &&
           std::string_view("+-0123456789.eE").find(text_[at_]) != std::string_view::npos)
      ++at_;
    if (at_ == start) return false;
    v->kind = JsonValue::Kind::kNumber;
    v->text = std::string(text_.substr(start, at_ - start));
    return true;
  }

  bool String(std::string* out) {
    ++at_;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (at_ >= text_.size()) return false;
      c = text_[at_++];
      static constexpr std::string_view kFrom = "\"\\/bfnrt";
      static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
      if (const size_t k = kFrom.find(c); k != std::string_view::npos) {
        out->push_back(kTo[k]);
      } else if (c == 'u' && !Unicode(out)) {
        return false;
      } else if (c != 'u') {
        return false;
      }
    }
    return at_++ < text_.size();
  }

  bool Unicode(std::string* out) {
    unsigned code = 0;
    if (at_ + 4 > text_.size()) return false;
    auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
    if (error != std::errc() || end != text_.data() + at_ + 4) return false;
    at_ += 4;
    if (code < 0x80) {
      out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (code >> 6)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xE0 | (code >> 12)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
    return true;
  }

  bool Array(JsonValue* v, int depth) {
    ++at_;
    v->kind = JsonValue::Kind::kArray;
    if (Take(']')) return true;
    do {
      v->items.emplace_back();
      if (!Value(&v->items.back(), depth + 1)) return false;
    } while (Take(','));
    return Take(']');
  }

  bool Object(JsonValue* v, int depth) {
    ++at_;
    v->kind = JsonValue::Kind::kObject;
    if (Take('}')) return true;
    do {
      SkipBlanks();
      std::string name;
      if (at_ >= text_.size() || text_[at_] != '"' || !String(&name) || !Take(':')) return false;
      if (!Value(&v->members[name], depth + 1)) return false;
    } while (Take(','));
    return Take('}');
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(const std::string& name) const {
  auto found = members.find(name);
  return found == members.end() ? nullptr : &found->second;
}

std::optional<int64_t> JsonValue::AsInteger() const {
  int64_t value = 0;
  if (kind != Kind::kNumber) return std::nullopt;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool ParseJson(std::string_view text, JsonValue* value, std::string* error) {
  *value = JsonValue{};
  return Parser(text).Document(value, error);
}

}  // namespace kova::mkcard
