#include "framework/error_data.h"
#include "persistence/lg_builtin.h"
#include "persistence/lg_selector.h"
#include "persistence/xml_filer_objects.h"

namespace kova::lgdata {
extern const char kTlgDataXml[];
extern const size_t kTlgDataXmlSize;
}  // namespace kova::lgdata

namespace kova {

TXStreamBox& BuiltInLanguageData() {
  static TXStreamBox box;
  [[maybe_unused]] static const bool loaded =
      ObjectFromXml(box, std::string_view(lgdata::kTlgDataXml, lgdata::kTlgDataXmlSize));
  return box;
}

bool UseBuiltInLanguage(uint32_t rememberedLgID) {
  TXLgSelector& selector = LgSelector();
  TXStream& stream = BuiltInLanguageData().Data().DataStream();
  if (selector.Languages().IndexOfLgID(kDefaultLgID) < 0) selector.AddLanguage(stream);
  return selector.SelectLanguageID(rememberedLgID);
}

}  // namespace kova
