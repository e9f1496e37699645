#pragma once

#include <string>
#include <string_view>

#include "persistence/filer.h"

namespace kova {

// A group of plain text: the text of its object followed by the text of each collection item, in
// collection order, concatenated. Subclasses define the texts and how a text is read back.
class TXTextFilerGroup : public TXFilerGroup {
 public:
  using TXFilerGroup::TXFilerGroup;

  std::string SaveText();
  // Hands the whole text to the group; the collection is cleared first.
  void LoadText(std::string_view text);

 protected:
  virtual std::string ObjectText() = 0;
  virtual std::string ItemText(TXCollectionItem& item) = 0;
  virtual void ReadText(std::string_view text) = 0;
};

// The plain text filer: the texts of its text groups one after the other.
class TXTextFiler : public TXCustomStringFiler {
 protected:
  void LoadText(const std::string& text) override;
  std::string SaveText() override;
};

}  // namespace kova
