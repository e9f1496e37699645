// A fuzzed words text: loaded into a language, every known text looked up and formatted, and
// every text that decodes coded again to the same text.
#include "framework/text_utils.h"
#include "fuzz_support.h"
#include "persistence/lg.h"
#include "persistence/lg_coding.h"
#include "persistence/lg_format.h"
#include "persistence/lg_keys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  const std::string text = fuzz::Text(data, size);
  TXLg language;
  language.ApplyOnLoad = false;
  language.LoadWordsText(text);
  for (const lg::TXLgKey& key : lg::kAllKeys)
    language.Format(key.ID, {"first", "", "%s third"});
  language.LanguageID();

  for (const std::string& line : SplitLines(text)) {
    std::optional<TXLgWord> word = ParseWordsLine(line);
    if (!word) continue;
    std::optional<std::string> plain = DecodeLgText(word->Coded);
    if (!plain) continue;
    if (DecodeLgText(EncodeLgText(*plain)) != plain) fuzz::Fail("a text does not code back");
    FormatLgText(*plain, {"a", "b"});
  }
  return 0;
}
