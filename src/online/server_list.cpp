#include "online/server_list.h"

#include "online/net_endpoints.h"

namespace kova {

const TXClassInfo& TXServerItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXServerItem>("TXServerItem", TXCollectionItem::StaticClassInfo())
          .Property("Domain", &TXServerItem::domain_)
          .Build();
  return info;
}

std::string TXServerItem::Url() const {
  return online::ServerUrl(domain_);
}

const TXClassInfo& TXServerCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXServerCollection>("TXServerCollection", TXCollection::StaticClassInfo())
          .Build();
  return info;
}

TXServerItem* TXServerCollection::AddDomain(const std::string& domain) {
  std::lock_guard lock(mutex_);
  TXServerItem* item = Add();
  item->SetDomain(domain);
  return item;
}

std::string TXServerCollection::Text() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (int32_t i = 0; i < Count(); ++i)
    text += At(i)->Domain() + "\r\n";
  return text;
}

void TXServerCollection::CopyFrom(const TXServerCollection& other) {
  if (&other == this) return;
  std::scoped_lock lock(mutex_, other.mutex_);
  Assign(other);
}

TXServerCollection& BuiltInServers() {
  static TXServerCollection list;
  static std::once_flag filled;
  std::call_once(filled, [] {
    for (std::string_view domain : online::kBuiltInDomains)
      list.AddDomain(std::string(domain));
  });
  return list;
}

}  // namespace kova
