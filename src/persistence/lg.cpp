#include "persistence/lg.h"

#include <cstdio>

#include "framework/text_utils.h"
#include "persistence/lg_format.h"
#include "persistence/lg_manager.h"

namespace kova {

const TXClassInfo& TXBI::StaticClassInfo() {
  static const TXClassInfo& info = TXClassBuilder<TXBI>("TXBI", TXStreamItem::StaticClassInfo())
                                       .Property("Name", &TXBI::Name, &TXBI::SetName)
                                       .Build();
  return info;
}

const TXClassInfo& TXLg::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXLg>("TXLg", TXPersistent::StaticClassInfo()).Build();
  return info;
}

std::string TXLg::Word(uint32_t id) const {
  auto it = first_.find(id);
  if (it == first_.end()) return {};
  std::optional<std::string> text = DecodeLgText(words_[it->second].Coded);
  if (!text) return {};
  if (id < 0x80000000u) return ReplaceAll(std::move(*text), "#13#10", "\r\n");
  return *text;
}

std::string TXLg::Format(uint32_t id, std::initializer_list<std::string_view> args) const {
  return FormatLgText(Word(id), args);
}

uint32_t TXLg::LanguageID() const {
  std::optional<int64_t> value = ParseInteger(Word(1));
  return value && *value >= 0 && *value <= UINT32_MAX ? static_cast<uint32_t>(*value) : 0;
}

std::string TXLg::LanguageIDText() const {
  char text[16];
  std::snprintf(text, sizeof(text), "%04x", LanguageID());
  return text;
}

TXMemoryStream& TXLg::Document(std::string_view name) {
  if (TXBI* item = items_.Find(name)) {
    item->Object().DataStream().SetPosition(0);
    return item->Object().DataStream();
  }
  static TXMemoryStream empty;
  empty.Clear();
  return empty;
}

bool TXLg::AddDocument(const std::string& name, const std::string& dataClass, TXStream& data) {
  TXBI* item = items_.Add();
  item->SetName(name);
  if (item->Object().LoadFromStream(dataClass, data)) return true;
  items_.Delete(item->Index());
  return false;
}

void TXLg::LoadWords(TXStream& stream, bool rewind) {
  if (rewind) stream.SetPosition(0);
  std::vector<uint8_t> bytes = stream.ReadRemaining();
  AppendWords(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TXLg::LoadWordsText(std::string_view text) {
  AppendWords(text);
}

void TXLg::AppendWords(std::string_view text) {
  for (const std::string& line : SplitLines(text)) {
    std::optional<TXLgWord> word = ParseWordsLine(line);
    if (!word) continue;
    first_.emplace(word->ID, words_.size());
    words_.push_back(std::move(*word));
  }
  if (ApplyOnLoad) Reapply();
}

bool TXLg::Assign(const TXPersistent& source) {
  auto* other = dynamic_cast<const TXLg*>(&source);
  if (!other) return false;
  if (other == this) return true;
  words_ = other->words_;
  first_ = other->first_;
  items_.Assign(other->items_);
  ApplyOnLoad = other->ApplyOnLoad;
  Reapply();
  return true;
}

void TXLg::Clear() {
  words_.clear();
  first_.clear();
  items_.Clear();
}

void TXLg::Reapply() const {
  if (this == &Lg()) LanguageManager().Apply();
}

TXLg& Lg() {
  static TXLg lg;
  return lg;
}

}  // namespace kova
