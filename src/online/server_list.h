#pragma once

#include <mutex>
#include <string>

#include "framework/collection.h"

// The maker's servers that the online services try in turn.
namespace kova {

class TXServerItem : public TXCollectionItem {
  KOVA_PERSISTENT(TXServerItem)

 public:
  const std::string& Domain() const { return domain_; }
  void SetDomain(const std::string& domain) { domain_ = domain; }
  // The server's address (ServerUrl of the domain).
  std::string Url() const;

 private:
  std::string domain_;
};

// A list of servers. It is shared between the user-interface thread, which replaces it after a
// refresh, and request threads, which copy it: copies and replacements take the list's lock.
class TXServerCollection : public TXTypedCollection<TXServerItem> {
  KOVA_PERSISTENT(TXServerCollection)

 public:
  TXServerCollection() = default;

  // Set when a refresh loaded the list.
  bool Updated() const { return updated_; }
  void SetUpdated(bool updated) { updated_ = updated; }

  TXServerItem* AddDomain(const std::string& domain);
  // Each domain followed by CR LF.
  std::string Text() const;

  // Replaces the servers by those of the other list, under both lists' locks; the Updated flag
  // stays as it is.
  void CopyFrom(const TXServerCollection& other);

 private:
  mutable std::recursive_mutex mutex_;
  bool updated_ = false;
};

// The process-wide built-in list of the maker's six servers, made on first use.
TXServerCollection& BuiltInServers();

}  // namespace kova
