#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/persistent.h"
#include "persistence/lg_coding.h"
#include "persistence/stream_item.h"

// The language object: every text the user interface shows is looked up in it by a fixed
// identifier (lg_keys.h), and the help documents by name. One process-wide instance (Lg())
// holds the selected language; loading words into it re-applies the language to every window.
namespace kova {

// A document of a language: a stream item whose display name (published as "Name") is the
// document's name and whose data object holds its bytes and data class (".rtf" for help texts,
// a graphic class for pictures).
class TXBI : public TXStreamItem {
  KOVA_PERSISTENT(TXBI)

 public:
  std::string Name() const { return DisplayName(); }
  void SetName(const std::string& name) { SetDisplayName(name); }
};

using TXBCollection = TXStreamCollectionOf<TXBI>;

class TXLg : public TXPersistent {
  KOVA_PERSISTENT(TXLg)

 public:
  TXLg() = default;

  // The text of the identifier, or an empty text when there is none. Below 0x80000000 every
  // "#13#10" in the text becomes a line break (CR LF).
  std::string Word(uint32_t id) const;
  // The text with its "%s" places filled (FormatLgText).
  std::string Format(uint32_t id, std::initializer_list<std::string_view> args) const;
  // The decimal value of text 1, 0 when it is not a number; and as four lower-case hexadecimal
  // digits.
  uint32_t LanguageID() const;
  std::string LanguageIDText() const;
  size_t WordCount() const { return words_.size(); }

  // The bytes of the first document of that name (ignoring case), rewound; a shared empty stream
  // when there is none.
  TXMemoryStream& Document(std::string_view name);
  // Appends a document with a copy of the stream's bytes; false (and no document) when the bytes
  // cannot be taken.
  bool AddDocument(const std::string& name, const std::string& dataClass, TXStream& data);
  TXBCollection& Documents() { return items_; }
  const TXBCollection& Documents() const { return items_; }

  // Appends the pairs of a words text (lines "KEY=CODED"; lines with a bad or zero key are
  // skipped) and re-applies the language when this is the process-wide instance and ApplyOnLoad
  // is set.
  void LoadWords(TXStream& stream, bool rewind);
  void LoadWordsText(std::string_view text);

  // Loading words into the process-wide instance re-applies the language.
  bool ApplyOnLoad = true;

  // Copies words, documents and the apply switch; re-applies when this is the process-wide
  // instance.
  bool Assign(const TXPersistent& source) override;
  // Empties words and documents.
  void Clear() override;

 private:
  void AppendWords(std::string_view text);
  void Reapply() const;

  std::vector<TXLgWord> words_;
  std::unordered_map<uint32_t, size_t> first_;
  TXBCollection items_;
};

// The process-wide language object.
TXLg& Lg();

}  // namespace kova
