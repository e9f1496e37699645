#include "recipe_line.h"

#include <cctype>
#include <charconv>

namespace kova::mkcard {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// Reads one word starting at `at`, unquoting quoted parts; false for an unclosed quote.
bool ReadWord(std::string_view text, size_t* at, std::string* word) {
  while (*at < text.size() && !IsBlank(text[*at])) {
    const char c = text[(*at)++];
    if (c != '"') {
      word->push_back(c);
      continue;
    }
    for (;;) {
      if (*at >= text.size()) return false;
      char q = text[(*at)++];
      if (q == '"') break;
      if (q == '\\' && *at < text.size()) q = text[(*at)++];
      word->push_back(q);
    }
  }
  return true;
}

}  // namespace

std::optional<uint64_t> ParseQuantity(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  std::string_view suffix(end, text.data() + text.size() - end);
  if (suffix.empty()) return value;
  if (base == 16) return std::nullopt;
  static constexpr std::pair<std::string_view, int> kSuffixes[] = {
      {"K", 10}, {"KiB", 10}, {"M", 20}, {"MiB", 20}, {"G", 30}, {"GiB", 30}};
  for (const auto& [name, shift] : kSuffixes) {
    if (suffix == name) {
      if (value > (UINT64_MAX >> shift)) return std::nullopt;
      return value << shift;
    }
  }
  return std::nullopt;
}

Status RecipeLine::Parse(std::string_view text, RecipeLine* line) {
  *line = RecipeLine();
  size_t at = 0;
  for (;;) {
    while (at < text.size() && IsBlank(text[at]))
      ++at;
    if (at >= text.size() || text[at] == '#') return {};
    std::string word;
    const size_t start = at;
    if (!ReadWord(text, &at, &word)) return Status::Failure("a quote is not closed");
    const size_t equals = text.substr(start, at - start).find('=');
    const bool quoted_key = text.substr(start, equals).find('"') != std::string_view::npos;
    if (line->command_.empty()) {
      line->command_ = word;
    } else if (equals == std::string_view::npos || quoted_key) {
      line->words_.push_back(word);
    } else {
      const std::string key = word.substr(0, equals);
      if (key.empty()) return Status::Failure("an option has no name before '='");
      if (!line->options_.emplace(key, word.substr(equals + 1)).second) {
        return Status::Failure("option '" + key + "' is given twice");
      }
    }
  }
}

std::optional<std::string> RecipeLine::Text(const std::string& key) {
  auto found = options_.find(key);
  if (found == options_.end()) return std::nullopt;
  used_.insert(key);
  return found->second;
}

Status RecipeLine::Number(const std::string& key, uint64_t* value) {
  const std::optional<std::string> text = Text(key);
  if (!text) return {};
  const std::optional<uint64_t> parsed = ParseQuantity(*text);
  if (!parsed) return Status::Failure(key + "=" + *text + ": not a number");
  *value = *parsed;
  return {};
}

Status RecipeLine::Byte(const std::string& key, uint8_t* value) {
  uint64_t number = *value;
  if (Status ok = Number(key, &number); !ok) return ok;
  if (number > 0xFF) return Status::Failure(key + ": a byte value is 0 to 255 (0x00 to 0xFF)");
  *value = static_cast<uint8_t>(number);
  return {};
}

Status RecipeLine::Sectors(const std::string& key, uint64_t* sectors) {
  const std::optional<std::string> text = Text(key);
  if (!text) return {};
  const std::optional<uint64_t> parsed = ParseQuantity(*text);
  if (!parsed) return Status::Failure(key + "=" + *text + ": not a number");
  const bool hex = text->rfind("0x", 0) == 0 || text->rfind("0X", 0) == 0;
  const bool bytes = !hex && std::isalpha(static_cast<unsigned char>(text->back()));
  *sectors = bytes ? *parsed / 512 : *parsed;
  return {};
}

Status RecipeLine::Flag(const std::string& key, bool* value) {
  const std::optional<std::string> text = Text(key);
  if (!text) return {};
  for (const char* yes : {"yes", "true", "on", "1"}) {
    if (*text == yes) return *value = true, Status();
  }
  for (const char* no : {"no", "false", "off", "0"}) {
    if (*text == no) return *value = false, Status();
  }
  return Status::Failure(key + "=" + *text + ": expected yes or no");
}

Status RecipeLine::Size2D(const std::string& key, int* width, int* height) {
  const std::optional<std::string> text = Text(key);
  if (!text) return {};
  const size_t x = text->find('x');
  const auto w = x == std::string::npos ? std::nullopt : ParseQuantity(text->substr(0, x));
  const auto h = x == std::string::npos ? std::nullopt : ParseQuantity(text->substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > 65535 || *h > 65535) {
    return Status::Failure(key + "=" + *text + ": expected WIDTHxHEIGHT such as 1600x1200");
  }
  *width = static_cast<int>(*w);
  *height = static_cast<int>(*h);
  return {};
}

Status RecipeLine::Time(const std::string& key, std::optional<DosTime>* time) {
  const std::optional<std::string> text = Text(key);
  if (!text) return {};
  *time = ParseDosTime(*text);
  if (!*time) {
    return Status::Failure(
        key + "=" + *text +
        ": expected YYYY-MM-DDTHH:MM:SS between 1980 and 2107 with even seconds");
  }
  return {};
}

Status RecipeLine::CheckAllUsed() const {
  for (const auto& [key, value] : options_) {
    if (used_.count(key) == 0)
      return Status::Failure("unknown option '" + key + "' for '" + command_ + "'");
  }
  return {};
}

}  // namespace kova::mkcard
