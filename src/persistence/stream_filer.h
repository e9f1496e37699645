#pragma once

#include <string>

#include "persistence/filer.h"
#include "persistence/filer_data_index.h"
#include "persistence/rstream.h"

// The stream filer maps an object, its collection items and their named data onto records of a
// stream container. An object is one record (entry 0 the object as object XML, entry 1 its data
// index, then one entry per data item); each collection item is one record (entry 0 its key,
// entry 1 the item as object XML, entry 2 its data index, then its data items).
namespace kova {

// Entry kinds written by the stream filer; negative kinds are stored compressed.
enum TXREntryKind : int32_t {
  ekString = -1,
  ekBinary = -2,
  ekObject = -3,
  ekItem = -4,
  ekComponent = -5,
  ekDataIndex = -6,
};

class TXRStreamFilerGroup : public TXFilerGroup {
 public:
  TXRStreamFilerGroup(TXFiler& filer, std::string name, TXPersistent* object,
                      TXCollection* collection = nullptr);

  // The object record's data items (entry numbers from 2); after reading it also holds the data
  // items the stored index names but the group does not bind, filled into their scratch streams.
  TXDataIndex& DataIndex() { return dataIndex_; }

  int32_t ObjectRecordKind = 3;
  int32_t ItemRecordKind = 4;

  void Write(TXRStream& container);
  // Reads the object from the last object record of the group and, unless only the header is
  // wanted, the items from the item records (the collection is cleared first).
  void Read(TXRStream& container, bool headerOnly);

 protected:
  // Named data of the object and of an item; the base binds none.
  virtual void AddObjectData(TXDataIndexCollection& /*index*/) {}
  virtual void AddItemData(TXCollectionItem& /*item*/, TXDataIndexCollection& /*index*/) {}
  // The item as object XML.
  virtual std::string ItemXml(TXCollectionItem& item);
  // The item's key (entry 0): the base has none.
  virtual std::string ItemKey(TXCollectionItem& /*item*/) { return {}; }
  virtual void SetItemKey(TXCollectionItem& /*item*/, const std::string& /*key*/) {}

 private:
  void WriteObjectRecord(TXRStream& container);
  void WriteItemRecord(TXRStream& container, TXCollectionItem& item);
  void WriteDataEntries(TXRStream& container, const TXDataIndex& index);
  void ReadObjectRecord(TXRStream& container, int32_t record, bool headerOnly);
  void ReadItemRecord(TXRStream& container, int32_t record);
  void ReadDataEntries(TXRStream& container, int32_t record, int32_t indexEntry,
                       TXDataIndex& bound);

  TXDataIndex dataIndex_;
};

// A group whose collection holds stream items: each item's bytes are written as its data item
// "Data" instead of inside its object XML. Its group name is "Streams" unless given.
class TXRStreamItemsFilerGroup : public TXRStreamFilerGroup {
 public:
  TXRStreamItemsFilerGroup(TXFiler& filer, TXPersistent* object, TXCollection* collection,
                           std::string name = "Streams");

 protected:
  void AddItemData(TXCollectionItem& item, TXDataIndexCollection& index) override;
  // Without the bytes, which go into the data item instead (unless data items are off).
  std::string ItemXml(TXCollectionItem& item) override;
};

// The filer of the stream container. Loading checks the container's file header against the
// expected one (unless it is empty); a strict filer also fails when the container ended early.
// Saving to a stream creates a new container; saving to an existing file adds to the container
// it holds.
class TXRStreamFiler : public TXFiler {
 public:
  bool SaveToFile(const std::string& fileName) override;
  // Adds the groups' records to the container of the file (creating it when needed).
  bool AppendToFile(const std::string& fileName);

 protected:
  // One group named after the object's class, for the object alone.
  void CreateGroups() override;
  void ReadFrom(TXStream& stream) override;
  void WriteTo(TXStream& stream) override;

 private:
  bool AcceptsHeader(const TXRFileHeader& header) const;
  // The header check of reading and the file header of new containers.
  void PrepareContainer(TXQStream& container) const;
  void ReadGroups(TXQStream& container);
  void WriteGroups(TXQStream& container);
  // Adds to the container of an existing file, or creates it when `append` allows.
  bool SaveIntoFile(const std::string& fileName, bool append);
};

}  // namespace kova
