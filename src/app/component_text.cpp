#include "app/component_text.h"

#include <cctype>
#include <vector>

#include "app/registry_persistence.h"
#include "framework/collection.h"
#include "framework/error_data.h"
#include "framework/text_utils.h"

namespace kova {

namespace {

// --- writing

std::string Quote(std::string_view text) {
  if (text.empty()) return "''";
  std::string quoted;
  bool open = false;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      if (open) quoted += '\'';
      open = false;
      quoted += '#' + std::to_string(byte);
      continue;
    }
    if (!open) quoted += '\'';
    open = true;
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  if (open) quoted += '\'';
  return quoted;
}

class TextWriter {
 public:
  std::string Write(const TXPersistent& object) {
    Line(0, "object " + object.ClassName());
    Properties(object, {}, 1);
    Line(0, "end");
    return std::move(text_);
  }

 private:
  void Line(int depth, const std::string& text) {
    text_.append(static_cast<size_t>(depth) * 2, ' ');
    text_ += text;
    text_ += '\n';
  }

  void Properties(const TXPersistent& object, const std::string& prefix, int depth) {
    auto& source = const_cast<TXPersistent&>(object);
    for (const TXPropInfo* prop : object.ClassInfo().Properties()) {
      if (!prop->Stored) continue;
      const std::string name = prefix + prop->Name;
      switch (prop->Kind) {
        case TXPropKind::Object:
          if (TXPersistent* child = prop->GetObject(source)) Nested(*child, name, depth);
          break;
        case TXPropKind::StringList:
          Strings(prop->GetStrings(object), name, depth);
          break;
        case TXPropKind::String:
          Line(depth, name + " = " + Quote(prop->GetString(object)));
          break;
        default:
          Line(depth, name + " = " + GetPropText(object, *prop));
          break;
      }
    }
  }

  void Nested(const TXPersistent& child, const std::string& name, int depth) {
    if (auto* collection = dynamic_cast<const TXCollection*>(&child)) {
      Items(*collection, name, depth);
    } else {
      Properties(child, name + ".", depth);
    }
  }

  void Items(const TXCollection& collection, const std::string& name, int depth) {
    if (collection.Count() == 0) return Line(depth, name + " = <>");
    Line(depth, name + " = <");
    for (int32_t i = 0; i < collection.Count(); ++i) {
      Line(depth + 1, "item");
      Properties(*collection.Item(i), {}, depth + 2);
      Line(depth + 1, i + 1 == collection.Count() ? "end>" : "end");
    }
  }

  void Strings(const std::vector<std::string>& lines, const std::string& name, int depth) {
    if (lines.empty()) return Line(depth, name + " = ()");
    Line(depth, name + " = (");
    for (size_t i = 0; i < lines.size(); ++i)
      Line(depth + 1, Quote(lines[i]) + (i + 1 == lines.size() ? ")" : ""));
  }

  std::string text_;
};

// --- reading

enum class TokenKind { Name, Number, Text, Symbol, End };

struct Token {
  TokenKind Kind = TokenKind::End;
  std::string Text;
  size_t Line = 0;

  bool Is(TokenKind kind, std::string_view text) const {
    return Kind == kind && (Kind != TokenKind::Name ? Text == text : SameText(Text, text));
  }
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    SkipBlanks();
    Token token;
    token.Line = line_;
    if (pos_ >= text_.size()) return token;
    const char c = text_[pos_];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      token.Kind = TokenKind::Name;
      token.Text = TakeWhile([](char ch) {
        return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '.';
      });
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+') {
      token.Kind = TokenKind::Number;
      token.Text = TakeWhile([](char ch) {
        return std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '-' || ch == '+';
      });
    } else if (c == '\'' || c == '#') {
      token.Kind = TokenKind::Text;
      token.Text = TakeText();
    } else {
      token.Kind = TokenKind::Symbol;
      token.Text = std::string(1, c);
      ++pos_;
    }
    return token;
  }

  [[noreturn]] void Fail(size_t line, const std::string& what) const {
    RaiseThreadError(kErrRead, 0, "component text, line " + std::to_string(line) + ": " + what);
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
  }

  template <class Accept>
  std::string TakeWhile(Accept accept) {
    const size_t start = pos_;
    while (pos_ < text_.size() && accept(text_[pos_]))
      ++pos_;
    return std::string(text_.substr(start, pos_ - start));
  }

  // Quoted runs and "#" codes, joined directly or across lines by "+".
  std::string TakeText() {
    std::string value;
    for (;;) {
      if (pos_ < text_.size() && text_[pos_] == '\'') {
        value += TakeQuoted();
      } else if (pos_ < text_.size() && text_[pos_] == '#') {
        value += TakeCode();
      } else if (!TakeContinuation()) {
        return value;
      }
    }
  }

  std::string TakeQuoted() {
    std::string value;
    for (++pos_; pos_ < text_.size(); ++pos_) {
      if (text_[pos_] == '\n') break;
      if (text_[pos_] != '\'') {
        value += text_[pos_];
      } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
        value += '\'';
        ++pos_;
      } else {
        ++pos_;
        return value;
      }
    }
    Fail(line_, "a quoted text does not end on its line");
  }

  char TakeCode() {
    ++pos_;
    std::string digits =
        TakeWhile([](char ch) { return std::isdigit(static_cast<unsigned char>(ch)) != 0; });
    std::optional<int64_t> code = ParseInteger(digits);
    if (!code || *code < 0 || *code > 255)
      Fail(line_, "a character code is not between #0 and #255");
    return static_cast<char>(*code);
  }

  bool TakeContinuation() {
    const size_t start = pos_;
    const size_t startLine = line_;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '+') {
      ++pos_;
      SkipBlanks();
      if (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) return true;
    }
    pos_ = start;
    line_ = startLine;
    return false;
  }

  std::string_view text_;
  size_t pos_ = 0;
  size_t line_ = 1;
};

// Reads into a target that may be missing (an unknown property): the text is still read so that
// what follows stays in step, and nothing is assigned.
class TextReader {
 public:
  explicit TextReader(std::string_view text) : lexer_(text) {}

  void Read(TXPersistent& object) {
    Expect(Next(), TokenKind::Name, "object");
    Token name = Next();
    if (name.Kind != TokenKind::Name) lexer_.Fail(name.Line, "the object has no class name");
    if (Peek().Is(TokenKind::Symbol, ":")) {
      Next();
      if (Next().Kind != TokenKind::Name) lexer_.Fail(name.Line, "the object has no class name");
    }
    Body(&object);
    if (Peek().Kind != TokenKind::End) lexer_.Fail(Peek().Line, "text follows the object's end");
  }

 private:
  Token Next() {
    if (peeked_) return std::exchange(peeked_, std::nullopt).value();
    return lexer_.Next();
  }
  const Token& Peek() {
    if (!peeked_) peeked_ = lexer_.Next();
    return *peeked_;
  }
  void Expect(const Token& token, TokenKind kind, std::string_view text) {
    if (!token.Is(kind, text)) lexer_.Fail(token.Line, "\"" + std::string(text) + "\" expected");
  }

  // Properties up to "end" (consumed); nested objects of owned components are read and skipped.
  void Body(TXPersistent* object) {
    for (Token token = Next();; token = Next()) {
      if (token.Is(TokenKind::Name, "end")) return;
      if (token.Is(TokenKind::Name, "object")) {
        SkipObject(token);
        continue;
      }
      if (token.Kind != TokenKind::Name)
        lexer_.Fail(token.Line, "a property name or \"end\" expected");
      Expect(Next(), TokenKind::Symbol, "=");
      Value(object, token.Text);
    }
  }

  void SkipObject(const Token& start) {
    Token name = Next();
    if (name.Kind != TokenKind::Name) lexer_.Fail(start.Line, "the object has no class name");
    if (Peek().Is(TokenKind::Symbol, ":")) {
      Next();
      Next();
    }
    Body(nullptr);
  }

  void Value(TXPersistent* object, const std::string& qualified) {
    const TXPropInfo* prop = nullptr;
    TXPersistent* owner = Resolve(object, qualified, prop);
    Token token = Next();
    if (token.Is(TokenKind::Symbol, "<")) return Items(owner, prop);
    if (token.Is(TokenKind::Symbol, "(")) return Strings(owner, prop);
    const bool set = token.Is(TokenKind::Symbol, "[");
    if (!set && (token.Kind == TokenKind::Symbol || token.Kind == TokenKind::End))
      lexer_.Fail(token.Line, "a value expected after \"" + qualified + " =\"");
    std::string text = set ? SetText() : token.Text;
    if (owner && prop && prop->Kind != TXPropKind::Object && PropertyAcceptsText(*prop, text))
      SetPropText(*owner, *prop, text);
  }

  // The object that holds the last part of a dotted name, and that part's property.
  TXPersistent* Resolve(TXPersistent* object, const std::string& qualified,
                        const TXPropInfo*& prop) {
    std::vector<std::string> parts = SplitString(qualified, '.');
    for (size_t i = 0; object && i + 1 < parts.size(); ++i)
      object = GetPropObject(*object, parts[i]);
    prop = object ? object->ClassInfo().FindProperty(parts.back()) : nullptr;
    if (prop && !prop->Stored) prop = nullptr;
    return object;
  }

  std::string SetText() {
    std::string text = "[";
    for (Token token = Next(); !token.Is(TokenKind::Symbol, "]"); token = Next()) {
      if (token.Kind == TokenKind::End) lexer_.Fail(token.Line, "a set does not end");
      if (token.Kind == TokenKind::Name) text += (text.size() > 1 ? "," : "") + token.Text;
    }
    return text + "]";
  }

  void Items(TXPersistent* owner, const TXPropInfo* prop) {
    TXCollection* collection = nullptr;
    if (owner && prop && prop->Kind == TXPropKind::Object)
      collection = dynamic_cast<TXCollection*>(prop->GetObject(*owner));
    if (collection) collection->Clear();
    for (Token token = Next(); !token.Is(TokenKind::Symbol, ">"); token = Next()) {
      Expect(token, TokenKind::Name, "item");
      Body(collection ? collection->Add() : nullptr);
    }
  }

  void Strings(TXPersistent* owner, const TXPropInfo* prop) {
    std::vector<std::string> lines;
    for (Token token = Next(); !token.Is(TokenKind::Symbol, ")"); token = Next()) {
      if (token.Kind != TokenKind::Text) lexer_.Fail(token.Line, "a quoted line expected");
      lines.push_back(token.Text);
    }
    if (owner && prop && prop->Kind == TXPropKind::StringList) prop->SetStrings(*owner, lines);
  }

  Lexer lexer_;
  std::optional<Token> peeked_;
};

}  // namespace

std::string ObjectToComponentText(const TXPersistent& object) {
  return TextWriter().Write(object);
}

void ObjectFromComponentText(TXPersistent& object, std::string_view text) {
  TextReader(text).Read(object);
}

void TXComponentTextFiler::CreateGroups() {
  Groups().Add<TXComponentTextGroup>(*this, Object()->ClassName(), Object());
}

}  // namespace kova
