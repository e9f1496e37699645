#include "persistence/tag_filer.h"

#include "framework/markup_escape.h"
#include "framework/text_utils.h"
#include "persistence/localized_objects.h"

namespace kova {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

std::string NameAttribute(std::string_view openingTag) {
  constexpr std::string_view kKey = "name=\"";
  size_t start = openingTag.find(kKey);
  if (start == std::string_view::npos) return {};
  start += kKey.size();
  size_t end = openingTag.find('"', start);
  if (end == std::string_view::npos) return {};
  return XmlUnescaped(openingTag.substr(start, end - start));
}

std::string_view WithoutFramingBreaks(std::string_view content) {
  if (content.starts_with(kLineBreak)) content.remove_prefix(kLineBreak.size());
  if (content.ends_with(kLineBreak)) content.remove_suffix(kLineBreak.size());
  return content;
}

}  // namespace

std::optional<TXTagBlock> FindTagBlock(std::string_view text, std::string_view tag, size_t from) {
  const std::string opening = "<" + std::string(tag);
  const std::string closing = "</" + std::string(tag) + ">";
  for (size_t begin = text.find(opening, from); begin != std::string_view::npos;
       begin = text.find(opening, begin + 1)) {
    size_t after = begin + opening.size();
    if (after >= text.size() || (text[after] != ' ' && text[after] != '>')) continue;
    size_t openEnd = text.find('>', after);
    if (openEnd == std::string_view::npos) return std::nullopt;
    size_t close = text.find(closing, openEnd + 1);
    if (close == std::string_view::npos) return std::nullopt;
    TXTagBlock block;
    block.Begin = begin;
    block.End = close + closing.size();
    block.Name = NameAttribute(text.substr(begin, openEnd - begin));
    block.Content = WithoutFramingBreaks(text.substr(openEnd + 1, close - openEnd - 1));
    return block;
  }
  return std::nullopt;
}

std::string TagBlockText(std::string_view tag, std::string_view content) {
  std::string text = "<" + std::string(tag) + ">";
  text += kLineBreak;
  text += content;
  text += kLineBreak;
  return text + "</" + std::string(tag) + ">";
}

std::string NamedTagBlockText(std::string_view tag, std::string_view name,
                              std::string_view content) {
  std::string text = "<" + std::string(tag) + " name=\"" + XmlEscaped(name) + "\">";
  text += kLineBreak;
  text += content;
  text += kLineBreak;
  return text + "</" + std::string(tag) + ">";
}

TXTagFilerGroup::TXTagFilerGroup(TXFiler& filer, std::string name, TXPersistent* object,
                                 TXCollection* collection, std::string objectTag,
                                 std::string itemTag, std::string groupTag)
    : TXFilerGroup(filer, std::move(name), object, collection),
      objectTag_(std::move(objectTag)),
      itemTag_(std::move(itemTag)),
      groupTag_(std::move(groupTag)) {}

bool TXTagFilerGroup::WritesObjectAsItem() const {
  return objectTag_.empty() && !itemTag_.empty() && !Collection() &&
         dynamic_cast<TXNamedPersistent*>(Object()) != nullptr;
}

std::string TXTagFilerGroup::ObjectBlock() {
  if (WritesObjectAsItem()) {
    return NamedTagBlockText(itemTag_, static_cast<TXNamedPersistent*>(Object())->Name(),
                             ObjectContent());
  }
  return objectTag_.empty() ? ObjectContent() : TagBlockText(objectTag_, ObjectContent());
}

std::string TXTagFilerGroup::SaveText() {
  std::string body;
  if (WriteObject && Object()) {
    body += ObjectBlock();
    body += kLineBreak;
  }
  if (Collection()) {
    for (int32_t i = 0; i < Collection()->Count(); ++i) {
      TXCollectionItem& item = *Collection()->Item(i);
      body += itemTag_.empty() ? ItemContent(item)
                               : NamedTagBlockText(itemTag_, item.DisplayName(), ItemContent(item));
      body += kLineBreak;
    }
  }
  if (groupTag_.empty()) return body;
  return TagBlockText(groupTag_, body) + std::string(kLineBreak);
}

void TXTagFilerGroup::LoadText(std::string_view text) {
  std::string body(text);
  if (!groupTag_.empty()) {
    std::optional<TXTagBlock> group = FindTagBlock(text, groupTag_);
    if (!group) return;
    body = group->Content;
  }
  size_t itemsFrom = WriteObject && Object() ? ReadObject(body) : 0;
  if (Collection() && !itemTag_.empty()) ReadItems(body, itemsFrom);
}

size_t TXTagFilerGroup::ReadObject(std::string_view body) {
  const std::string& tag = WritesObjectAsItem() ? itemTag_ : objectTag_;
  if (tag.empty()) {
    ReadObjectContent(body);
    return 0;
  }
  std::optional<TXTagBlock> block = FindTagBlock(body, tag);
  if (!block) return 0;
  if (WritesObjectAsItem()) static_cast<TXNamedPersistent*>(Object())->SetName(block->Name);
  ReadObjectContent(block->Content);
  return block->End;
}

void TXTagFilerGroup::ReadItems(std::string_view body, size_t from) {
  Collection()->Clear();
  for (std::optional<TXTagBlock> block = FindTagBlock(body, itemTag_, from); block;
       block = FindTagBlock(body, itemTag_, block->End)) {
    TXCollectionItem* item = Collection()->Add();
    item->SetDisplayName(block->Name);
    ReadItemContent(*item, block->Content);
  }
}

void TXTagFiler::LoadText(const std::string& text) {
  StartProgress(Groups().Count());
  for (const auto& group : Groups()) {
    if (auto* tagGroup = dynamic_cast<TXTagFilerGroup*>(group.get())) tagGroup->LoadText(text);
    StepProgress();
  }
}

std::string TXTagFiler::SaveText() {
  std::string text;
  StartProgress(Groups().Count());
  for (const auto& group : Groups()) {
    if (auto* tagGroup = dynamic_cast<TXTagFilerGroup*>(group.get())) text += tagGroup->SaveText();
    StepProgress();
  }
  return text;
}

}  // namespace kova
