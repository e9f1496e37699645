#pragma once

#include <string>

#include "framework/collection.h"
#include "framework/service_manager.h"

namespace kova {

// A client of the news service: the news request sends the names of all clients.
class TXClientItem : public TXCollectionItem {
  KOVA_PERSISTENT(TXClientItem)

 public:
  std::string Name = "xx";
};

class TXClientCollection : public TXTypedCollection<TXClientItem> {
  KOVA_PERSISTENT(TXClientCollection)

 public:
  // The non-empty names joined by ";", or "xx" when there is none.
  std::string Ids() const;
};

// The version service of the news requests, with its clients. The application module registers
// one (without clients) with the application's service manager.
class TXAppClientService : public TXAppVersionService {
 public:
  TXClientCollection& Clients() { return clients_; }
  const TXClientCollection& Clients() const { return clients_; }

 private:
  TXClientCollection clients_;
};

}  // namespace kova
