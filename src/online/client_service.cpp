#include "online/client_service.h"

namespace kova {

const TXClassInfo& TXClientItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXClientItem>("TXClientItem", TXCollectionItem::StaticClassInfo())
          .Property("Name", &TXClientItem::Name)
          .Build();
  return info;
}

const TXClassInfo& TXClientCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXClientCollection>("TXClientCollection", TXCollection::StaticClassInfo())
          .Build();
  return info;
}

std::string TXClientCollection::Ids() const {
  std::string ids;
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i)->Name.empty()) continue;
    if (!ids.empty()) ids += ";";
    ids += At(i)->Name;
  }
  return ids.empty() ? "xx" : ids;
}

}  // namespace kova
