#pragma once

#include <string>
#include <string_view>

#include "framework/persistent.h"
#include "persistence/text_filer.h"

// Component text: the readable form of an object's published properties that form files use.
//
//   object TXKovaIni
//     lgID = 9
//     DocType = 'a ''quoted'' text'#13#10'second line'
//     FileTypes.Images = True
//     Items = <
//       item
//         Name = 'x'
//       end>
//     Lines = (
//       'first'
//       'second')
//   end
//
// Nested objects are written as dotted names, collections as "<" items ">", string lists in
// parentheses; strings are quoted with doubled quotes and control characters as "#" codes.
namespace kova {

std::string ObjectToComponentText(const TXPersistent& object);

// Reads component text into the object. Properties the object does not have, and values that do
// not fit their property, are skipped; text that is not component text throws EXError (44) with
// the reason as the thread's error text.
void ObjectFromComponentText(TXPersistent& object, std::string_view text);

// The plain text filer of one object in component text.
class TXComponentTextFiler : public TXTextFiler {
 protected:
  void CreateGroups() override;
};

class TXComponentTextGroup : public TXTextFilerGroup {
 public:
  using TXTextFilerGroup::TXTextFilerGroup;

 protected:
  std::string ObjectText() override { return ObjectToComponentText(*Object()); }
  std::string ItemText(TXCollectionItem& /*item*/) override { return {}; }
  void ReadText(std::string_view text) override { ObjectFromComponentText(*Object(), text); }
};

}  // namespace kova
