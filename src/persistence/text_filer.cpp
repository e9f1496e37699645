#include "persistence/text_filer.h"

namespace kova {

std::string TXTextFilerGroup::SaveText() {
  std::string text;
  if (WriteObject && Object()) text += ObjectText();
  if (Collection()) {
    for (int32_t i = 0; i < Collection()->Count(); ++i)
      text += ItemText(*Collection()->Item(i));
  }
  return text;
}

void TXTextFilerGroup::LoadText(std::string_view text) {
  if (Collection()) Collection()->Clear();
  ReadText(text);
}

void TXTextFiler::LoadText(const std::string& text) {
  StartProgress(Groups().Count());
  for (const auto& group : Groups()) {
    if (auto* textGroup = dynamic_cast<TXTextFilerGroup*>(group.get())) textGroup->LoadText(text);
    StepProgress();
  }
}

std::string TXTextFiler::SaveText() {
  std::string text;
  StartProgress(Groups().Count());
  for (const auto& group : Groups()) {
    if (auto* textGroup = dynamic_cast<TXTextFilerGroup*>(group.get()))
      text += textGroup->SaveText();
    StepProgress();
  }
  return text;
}

}  // namespace kova
