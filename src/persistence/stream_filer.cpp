#include "persistence/stream_filer.h"

#include <filesystem>

#include "persistence/stream_item.h"
#include "persistence/xml_filer_objects.h"

namespace kova {

namespace {

// Container operations answer false with the reason recorded; inside a filer that ends the load
// or save.
void Check(bool succeeded) {
  if (succeeded) return;
  int32_t code = ThreadError().Code;
  throw EXError(code == kErrNone ? kErrRead : code);
}

std::vector<uint8_t> ReadBytes(TXRStream& container, const std::string& group, int32_t record,
                               int32_t entry, std::optional<int32_t> expectedKind = {}) {
  std::vector<uint8_t> bytes;
  Check(container.ReadEntry(group, record, entry, bytes, expectedKind));
  return bytes;
}

std::string ReadText(TXRStream& container, const std::string& group, int32_t record, int32_t entry,
                     std::optional<int32_t> expectedKind = {}) {
  std::vector<uint8_t> bytes = ReadBytes(container, group, record, entry, expectedKind);
  return {bytes.begin(), bytes.end()};
}

void FillTarget(TXDataIndexItem& target, const std::vector<uint8_t>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  if (auto* stream = std::get_if<TXStream*>(&target.Data())) {
    (*stream)->SetSize(0);
    (*stream)->SetPosition(0);
    (*stream)->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    (*stream)->SetPosition(0);
  } else if (auto* string = std::get_if<std::string*>(&target.Data())) {
    **string = text;
  } else if (auto* object = std::get_if<TXPersistent*>(&target.Data())) {
    Check(ObjectFromXml(**object, text));
  } else {
    target.Scratch().Clear();
    target.Scratch().WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    target.Scratch().SetPosition(0);
  }
}

}  // namespace

TXRStreamFilerGroup::TXRStreamFilerGroup(TXFiler& filer, std::string name, TXPersistent* object,
                                         TXCollection* collection)
    : TXFilerGroup(filer, std::move(name), object, collection) {}

std::string TXRStreamFilerGroup::ItemXml(TXCollectionItem& item) {
  return ObjectToXml(item);
}

void TXRStreamFilerGroup::Write(TXRStream& container) {
  if (!container.FindGroup(Name())) Check(container.AddGroup(Name()));
  if (WriteObject && Object()) WriteObjectRecord(container);
  Filer().StepProgress();
  if (!Collection()) return;
  for (int32_t i = 0; i < Collection()->Count(); ++i) {
    WriteItemRecord(container, *Collection()->Item(i));
    Filer().StepProgress();
  }
}

void TXRStreamFilerGroup::WriteObjectRecord(TXRStream& container) {
  dataIndex_.Clear();
  dataIndex_.Items().SetBase(2);
  if (WriteData) AddObjectData(dataIndex_.Items());
  auto count = static_cast<uint16_t>(2 + dataIndex_.Items().Count());
  Check(container.BeginRecord(Name(), ObjectRecordKind, count));
  Check(container.WriteEntry(ekObject, ObjectToXml(*Object())));
  Check(container.WriteEntry(ekDataIndex, ObjectToXml(dataIndex_)));
  WriteDataEntries(container, dataIndex_);
  Check(container.EndRecord());
}

void TXRStreamFilerGroup::WriteItemRecord(TXRStream& container, TXCollectionItem& item) {
  TXDataIndex index;
  index.Items().SetBase(3);
  if (WriteData) AddItemData(item, index.Items());
  auto count = static_cast<uint16_t>(3 + index.Items().Count());
  Check(container.BeginRecord(Name(), ItemRecordKind, count));
  Check(container.WriteEntry(ekString, ItemKey(item)));
  Check(container.WriteEntry(ekItem, ItemXml(item)));
  Check(container.WriteEntry(ekDataIndex, ObjectToXml(index)));
  WriteDataEntries(container, index);
  Check(container.EndRecord());
}

void TXRStreamFilerGroup::WriteDataEntries(TXRStream& container, const TXDataIndex& index) {
  for (int32_t i = 0; i < index.Items().Count(); ++i) {
    TXDataIndexItem& item = *index.Items()[i];
    if (auto* stream = std::get_if<TXStream*>(&item.Data())) {
      Check(container.WriteEntry(ekBinary, **stream));
    } else if (auto* text = std::get_if<std::string*>(&item.Data())) {
      Check(container.WriteEntry(ekString, **text));
    } else if (auto* object = std::get_if<TXPersistent*>(&item.Data())) {
      Check(container.WriteEntry(ekObject, ObjectToXml(**object)));
    } else {
      Check(container.WriteEntry(ekBinary, item.Scratch()));
    }
  }
}

void TXRStreamFilerGroup::Read(TXRStream& container, bool headerOnly) {
  const TXRGroupObject* group = container.FindGroup(Name());
  if (!group) RaiseThreadError(kErrRead, 0, "the container has no group " + Name());
  const auto records = static_cast<int32_t>(group->Records.size());
  if (WriteObject && Object()) {
    int32_t last = -1;
    for (int32_t r = 0; r < records; ++r) {
      if (group->Records[static_cast<size_t>(r)].Kind == ObjectRecordKind) last = r;
    }
    if (last < 0) RaiseThreadError(kErrRead, 0, "group " + Name() + " holds no object");
    ReadObjectRecord(container, last, headerOnly);
  }
  Filer().StepProgress();
  if (headerOnly || !Collection()) return;
  Collection()->Clear();
  for (int32_t r = 0; r < records; ++r) {
    if (container.FindGroup(Name())->Records[static_cast<size_t>(r)].Kind != ItemRecordKind) {
      continue;
    }
    ReadItemRecord(container, r);
    Filer().StepProgress();
  }
}

void TXRStreamFilerGroup::ReadObjectRecord(TXRStream& container, int32_t record, bool headerOnly) {
  Check(ObjectFromXml(*Object(), ReadText(container, Name(), record, 0, ekObject)));
  if (headerOnly) return;
  dataIndex_.Clear();
  dataIndex_.Items().SetBase(2);
  AddObjectData(dataIndex_.Items());
  ReadDataEntries(container, record, 1, dataIndex_);
}

void TXRStreamFilerGroup::ReadItemRecord(TXRStream& container, int32_t record) {
  TXCollectionItem& item = *Collection()->Add();
  SetItemKey(item, ReadText(container, Name(), record, 0, ekString));
  Check(ObjectFromXml(item, ReadText(container, Name(), record, 1)));
  TXDataIndex bound;
  bound.Items().SetBase(3);
  AddItemData(item, bound.Items());
  ReadDataEntries(container, record, 2, bound);
}

void TXRStreamFilerGroup::ReadDataEntries(TXRStream& container, int32_t record, int32_t indexEntry,
                                          TXDataIndex& bound) {
  TXDataIndex stored;
  Check(ObjectFromXml(stored, ReadText(container, Name(), record, indexEntry, ekDataIndex)));
  for (int32_t i = 0; i < stored.Items().Count(); ++i) {
    const TXDataIndexItem& item = *stored.Items()[i];
    if (item.Idx() <= 0) continue;
    TXDataIndexItem* target = bound.Items().Find(item.Name());
    if (!target) target = bound.Items().AddData(item.Name(), item.XFilter(), std::monostate());
    target->SetIdx(item.Idx());
    FillTarget(*target, ReadBytes(container, Name(), record, item.Idx()));
  }
}

TXRStreamItemsFilerGroup::TXRStreamItemsFilerGroup(TXFiler& filer, TXPersistent* object,
                                                   TXCollection* collection, std::string name)
    : TXRStreamFilerGroup(filer, std::move(name), object, collection) {
  ItemRecordKind = 2;
}

void TXRStreamItemsFilerGroup::AddItemData(TXCollectionItem& item, TXDataIndexCollection& index) {
  if (auto* streamItem = dynamic_cast<TXCustomStreamItem*>(&item)) {
    index.AddData("Data", "", &streamItem->Object().DataStream());
  }
}

std::string TXRStreamItemsFilerGroup::ItemXml(TXCollectionItem& item) {
  auto* streamItem = dynamic_cast<TXCustomStreamItem*>(&item);
  if (!streamItem || !WriteData) return TXRStreamFilerGroup::ItemXml(item);
  const bool stores = streamItem->StoreData();
  streamItem->SetStoreData(false);
  std::string xml;
  try {
    xml = TXRStreamFilerGroup::ItemXml(item);
  } catch (...) {
    streamItem->SetStoreData(stores);
    throw;
  }
  streamItem->SetStoreData(stores);
  return xml;
}

void TXRStreamFiler::CreateGroups() {
  Groups().Add<TXRStreamFilerGroup>(*this, Object()->ClassName(), Object());
}

bool TXRStreamFiler::AcceptsHeader(const TXRFileHeader& header) const {
  const TXFilerHeader& expected = Header();
  if (expected.IsEmpty()) return true;
  return header.DataKind == expected.DataKind && header.AppID == expected.AppID &&
         header.AppVer == expected.AppVer && header.Reserved1 == expected.Reserved1 &&
         header.Reserved2 == expected.Reserved2 &&
         (!expected.CheckTitle || header.Title == expected.Title);
}

void TXRStreamFiler::PrepareContainer(TXQStream& container) const {
  container.HeaderCheck = [this](const TXRFileHeader& header) { return AcceptsHeader(header); };
  TXRFileHeader& header = container.FileHeader();
  header.DataKind = Header().DataKind;
  header.AppID = Header().AppID;
  header.AppVer = Header().AppVer;
  header.Reserved1 = Header().Reserved1;
  header.Reserved2 = Header().Reserved2;
  header.Title = Header().Title;
}

void TXRStreamFiler::ReadFrom(TXStream& stream) {
  TXQStream container;
  PrepareContainer(container);
  Check(container.Open(rfRead, stream, BaseOffset));
  ReadGroups(container);
}

void TXRStreamFiler::ReadGroups(TXQStream& container) {
  const TXErrorData noted = ThreadError();
  if (noted.Code == kErrNoEndRecord && Strict) throw EXError(kErrNoEndRecord);
  int32_t units = 0;
  for (const auto& group : Groups())
    units += 1 + (group->Collection() ? 1 : 0);
  StartProgress(units);
  for (const auto& group : Groups()) {
    if (auto* streamGroup = dynamic_cast<TXRStreamFilerGroup*>(group.get())) {
      streamGroup->Read(container, Mode() == TXFilerMode::fmHeaderOnly || group->HeaderOnly);
    }
  }
  if (noted.Code == kErrNoEndRecord) SetThreadError(noted.Code, noted.OSError, noted.Text);
}

void TXRStreamFiler::WriteTo(TXStream& stream) {
  TXQStream container;
  PrepareContainer(container);
  Check(container.Open(rfCreate | rfWrite, stream, BaseOffset));
  WriteGroups(container);
}

void TXRStreamFiler::WriteGroups(TXQStream& container) {
  int32_t units = 0;
  for (const auto& group : Groups()) {
    units += 1 + (group->Collection() ? group->Collection()->Count() : 0);
  }
  StartProgress(units);
  for (const auto& group : Groups()) {
    if (auto* streamGroup = dynamic_cast<TXRStreamFilerGroup*>(group.get())) {
      streamGroup->Write(container);
    }
  }
}

bool TXRStreamFiler::SaveToFile(const std::string& fileName) {
  if (!std::filesystem::exists(fileName)) return TXFiler::SaveToFile(fileName);
  return SaveIntoFile(fileName, false);
}

bool TXRStreamFiler::AppendToFile(const std::string& fileName) {
  return SaveIntoFile(fileName, true);
}

bool TXRStreamFiler::SaveIntoFile(const std::string& fileName, bool append) {
  return Guarded(kErrWrite, [&] {
    if (!Object()) RaiseThreadError(kErrWrite, 0, "the filer has no object");
    BeforeSave();
    TXQStream container;
    PrepareContainer(container);
    Check(append ? container.OpenFileForAppend(0, fileName, BaseOffset)
                 : container.OpenFile(rfRead | rfWrite, fileName, BaseOffset));
    WriteGroups(container);
    AfterSave();
  });
}

}  // namespace kova
