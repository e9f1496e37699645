#pragma once

#include <cstdint>
#include <string>

#include "persistence/localized_objects.h"

// Texts in several languages: one string per language identifier.
namespace kova {

class TXStringItem : public TXLocalizedCollectionItem {
  KOVA_PERSISTENT(TXStringItem)

 public:
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text) { text_ = text; }

 private:
  std::string text_;
};

class TXStringCollection : public TXLocalizedCollectionOf<TXStringItem> {
  KOVA_PERSISTENT(TXStringCollection)

 public:
  // The collection's own language.
  uint32_t LgID() const { return lgID_; }
  void SetLgID(uint32_t lgID) { lgID_ = lgID; }

  // The text for the current language (Lg().LanguageID()).
  std::string Text() const;
  // The entry of the language; failing that, of its primary language (the low 8 bits); then of
  // the collection's own language; then of identifier 0; then, unless the collection's language
  // is English, the English entry; otherwise empty.
  std::string TextFor(uint32_t lgID) const;
  // Replaces the entry of the language, or adds one.
  void SetText(uint32_t lgID, const std::string& text);

  bool Assign(const TXPersistent& source) override;

 private:
  const TXStringItem* Find(uint32_t lgID) const;

  uint32_t lgID_ = 0;
};

}  // namespace kova
