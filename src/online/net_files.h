#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/collection.h"
#include "framework/stream.h"

// The files one request fetches, into memory or onto disk.
namespace kova {

class TXNetFileItem : public TXCollectionItem {
  KOVA_PERSISTENT(TXNetFileItem)

 public:
  // An item with an empty address is skipped.
  std::string Url;
  // The target path; empty means the body is kept in Data only.
  std::string FileName;
  // Form fields, one "name=value" a line.
  std::vector<std::string> PostData;
  bool IsPost = false;
  // -1 while unknown.
  int64_t Size = -1;
  // The whole body has arrived.
  bool Done = false;

  TXMemoryStream& Data() { return data_; }
  const TXMemoryStream& Data() const { return data_; }
  // PostData with each line followed by CR LF.
  std::string PostText() const;

  // Copies every field, the data by content.
  bool Assign(const TXPersistent& source) override;

 private:
  TXMemoryStream data_;
};

class TXNetFileCollection : public TXTypedCollection<TXNetFileItem> {
  KOVA_PERSISTENT(TXNetFileCollection)

 public:
  // The first item whose address equals the url exactly; nullptr for an empty url.
  TXNetFileItem* FindByUrl(const std::string& url) const;
  // The item already listed with this address, file name and post text, or a new one.
  TXNetFileItem* AddFile(const std::string& url, const std::string& fileName,
                         const std::string& postText);
  // True when every item with an address knows its size.
  bool AllSizesKnown() const;
  // True when some item still has an address.
  bool AnyUrlLeft() const;
};

}  // namespace kova
