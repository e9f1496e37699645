// A fuzzed news answer. The first byte picks what the rest is: the tagged text of a news
// collection (even) or one item's binary form (odd). Every item that reads must be written by
// this system into a form that reads back to the same item.
#include "framework/error_data.h"
#include "fuzz_support.h"
#include "online/toc_filers.h"
#include "online/toc_items.h"

namespace {

using namespace kova;

void ExpectReadsBack(TXTocItem& item) {
  std::string written;
  if (!TXTocItemFiler::SaveItem(item, written))
    fuzz::Fail("an item that was read cannot be written");
  TXTocItem again;
  again.SetDisplayName(item.Name());
  if (!TXTocItemFiler::LoadItem(again, written)) fuzz::Fail("a written item does not read back");
  std::string rewritten;
  if (!TXTocItemFiler::SaveItem(again, rewritten) || rewritten != written)
    fuzz::Fail("an item does not read back to itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string input = fuzz::Text(data + 1, size - 1);
  if (data[0] % 2 == 0) {
    TXTocCollection items;
    TXTocItemTagFiler filer;
    filer.SetObject(&items);
    if (filer.LoadFromString(input)) {
      for (int32_t i = 0; i < items.Count(); ++i)
        ExpectReadsBack(*items.At(i));
    }
  } else {
    TXTocItem item;
    if (TXTocItemFiler::LoadItem(item, input)) ExpectReadsBack(item);
  }
  ClearThreadError();
  return 0;
}
