#include "app/key_store_text.h"

#include <optional>

#include "framework/text_utils.h"

namespace kova {

namespace {

constexpr std::string_view kValueNameSpecials = "=[;#";
constexpr std::string_view kKeyNameSpecials = "]\\";
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Encode(std::string_view text, std::string_view specials) {
  std::string encoded;
  encoded.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '%' || byte < 0x20 || byte == 0x7F || specials.find(c) != std::string_view::npos) {
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 0x0F];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Decode(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return decoded;
}

std::string HeaderPath(const std::vector<const TXKey*>& keys) {
  std::string path;
  for (const TXKey* key : keys) {
    if (!path.empty()) path += '\\';
    path += Encode(key->Name(), kKeyNameSpecials);
  }
  return path;
}

// Writes the key when it holds values or nothing at all (an empty key must survive), then its
// subkeys; keys that only lead to others are implied by their descendants' paths.
void WriteKey(const TXKey& key, std::vector<const TXKey*>& path, std::string& text) {
  const bool root = path.empty();
  if (!key.Values().empty() || (!root && key.Subkeys().empty())) {
    text += "[" + HeaderPath(path) + "]\n";
    for (const auto& [name, value] : key.Values())
      text += Encode(name, kValueNameSpecials) + "=" + Encode(value, {}) + "\n";
  }
  for (const auto& subkey : key.Subkeys()) {
    path.push_back(subkey.get());
    WriteKey(*subkey, path, text);
    path.pop_back();
  }
}

class TextReader {
 public:
  explicit TextReader(TXKeyStore& store) : store_(store) {}

  void ReadLine(std::string_view line, size_t number) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (Trim(line).empty() || line.front() == ';' || line.front() == '#') return;
    if (line.find('\0') != std::string_view::npos) return Problem(number, "holds a zero byte");
    if (line.front() == '[') return ReadHeader(line, number);
    ReadValue(line, number);
  }

  TXKeyStoreTextProblems Problems() { return std::move(problems_); }

 private:
  void ReadHeader(std::string_view line, size_t number) {
    if (line.back() != ']') return Problem(number, "a key header lacks its closing bracket");
    std::vector<std::string> names;
    for (const std::string& part : SplitString(line.substr(1, line.size() - 2), '\\')) {
      if (part.empty()) continue;
      std::optional<std::string> name = Decode(part);
      if (!name) return Problem(number, "a key name has a broken % sequence");
      names.push_back(std::move(*name));
    }
    // Walked name by name: a decoded name may hold the path separator.
    key_ = &store_.Root();
    for (const std::string& name : names)
      key_ = &key_->CreateSubkey(name);
  }

  void ReadValue(std::string_view line, size_t number) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
      return Problem(number, "is neither a key header, a value nor a comment");
    if (!key_) return Problem(number, "a value stands before the first key header");
    std::optional<std::string> name = Decode(line.substr(0, equals));
    std::optional<std::string> value = Decode(line.substr(equals + 1));
    if (!name || !value) return Problem(number, "a value has a broken % sequence");
    key_->SetValue(*name, std::move(*value));
  }

  void Problem(size_t number, std::string_view what) {
    problems_.Lines.push_back("line " + std::to_string(number) + ": " + std::string(what));
  }

  TXKeyStore& store_;
  TXKey* key_ = nullptr;
  TXKeyStoreTextProblems problems_;
};

}  // namespace

std::string KeyStoreToText(const TXKeyStore& store) {
  std::string text = "; Velmora Kova user settings. Rewritten by the program when it ends.\n";
  std::vector<const TXKey*> path;
  WriteKey(store.Root(), path, text);
  return text;
}

TXKeyStoreTextProblems KeyStoreFromText(TXKeyStore& store, std::string_view text) {
  store.Clear();
  TextReader reader(store);
  size_t number = 0;
  for (const std::string& line : SplitString(text, '\n'))
    reader.ReadLine(line, ++number);
  return reader.Problems();
}

}  // namespace kova
