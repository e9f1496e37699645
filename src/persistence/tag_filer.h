#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "persistence/filer.h"

// Tagged text, UTF-8: an object is written as "<tag>", CR LF, its content, CR LF, "</tag>"; a
// collection item as "<tag name="...">", CR LF, its content, CR LF, "</tag>", followed by CR LF.
namespace kova {

// One tagged block found in a text.
struct TXTagBlock {
  size_t Begin = 0;  // of "<tag"
  size_t End = 0;    // just past "</tag>"
  std::string Name;  // of the first name="..." in the opening tag, entities decoded
  std::string Content;
};

// The first block of the tag at or after `from`: "<" tag followed by a blank or ">", up to the
// next "</" tag ">". The CR LF written around the content is not part of it. Nothing when there
// is no complete block.
std::optional<TXTagBlock> FindTagBlock(std::string_view text, std::string_view tag,
                                       size_t from = 0);
std::string TagBlockText(std::string_view tag, std::string_view content);
std::string NamedTagBlockText(std::string_view tag, std::string_view name,
                              std::string_view content);

// A group of tagged text with three tag names: around the object, around each item (with its
// name; a named object without a collection is written alone with it under its own name) and
// around the whole output of the group. An empty tag name leaves that wrapping out. What the
// content of the object and of an item is, subclasses define; the base writes and reads none.
class TXTagFilerGroup : public TXFilerGroup {
 public:
  TXTagFilerGroup(TXFiler& filer, std::string name, TXPersistent* object, TXCollection* collection,
                  std::string objectTag, std::string itemTag, std::string groupTag);

  const std::string& ObjectTag() const { return objectTag_; }
  const std::string& ItemTag() const { return itemTag_; }
  const std::string& GroupTag() const { return groupTag_; }

  std::string SaveText();
  // Reads the object and then the items; the collection is cleared first.
  void LoadText(std::string_view text);

 protected:
  virtual std::string ObjectContent() { return {}; }
  virtual void ReadObjectContent(std::string_view /*content*/) {}
  virtual std::string ItemContent(TXCollectionItem& /*item*/) { return {}; }
  virtual void ReadItemContent(TXCollectionItem& /*item*/, std::string_view /*content*/) {}

 private:
  bool WritesObjectAsItem() const;
  std::string ObjectBlock();
  size_t ReadObject(std::string_view body);
  void ReadItems(std::string_view body, size_t from);

  std::string objectTag_;
  std::string itemTag_;
  std::string groupTag_;
};

// The tagged text filer: the outputs of its tag groups one after the other.
class TXTagFiler : public TXCustomStringFiler {
 protected:
  void LoadText(const std::string& text) override;
  std::string SaveText() override;
};

}  // namespace kova
