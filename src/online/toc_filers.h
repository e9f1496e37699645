#pragma once

#include <string>
#include <string_view>

#include "online/toc_items.h"
#include "persistence/stream_filer.h"
#include "persistence/tag_filer.h"

// How news items travel. The news script's data is tagged text: a "toc" block holding one
// "toc_item" block per item, named by the item's name. Each item block holds a "bin" element
// with the item's binary form written in base64 (RFC 4648, line breaks and blanks ignored when
// read). The binary form is a stream container (data kind 250, application 250, version 0, title
// "TocItem") whose group "TocItem" holds the item as one object record: its object XML, its data
// index with the item "Data", and the picture's bytes as that data entry.
namespace kova {

// The binary form of one item.
class TXTocItemFiler : public TXRStreamFiler {
 public:
  static TXFilerHeader TocItemHeader();

  // The item's binary form; false (with the reason in the thread's error record) on failure.
  static bool SaveItem(TXTocItem& item, std::string& bytes);
  // Reads an item's binary form into it, keeping its name. On failure the item is left empty
  // (still named) and the answer is false.
  static bool LoadItem(TXTocItem& item, std::string_view bytes);

 protected:
  void CreateGroups() override;
  // The picture's bytes go into the data entry, not into the XML.
  void WriteTo(TXStream& stream) override;
};

// The tagged text of a news collection.
class TXTocItemTagFiler : public TXTagFiler {
 protected:
  void CreateGroups() override;
};

}  // namespace kova
