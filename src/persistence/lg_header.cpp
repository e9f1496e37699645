#include "persistence/lg_header.h"

#include <algorithm>

#include "framework/text_utils.h"

namespace kova {

const TXClassInfo& TXLgHeader::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXLgHeader>("TXLgHeader", TXNamedPersistent::StaticClassInfo())
          .Property("Name", &TXLgHeader::Name, &TXLgHeader::SetName)
          .Property("LgID", &TXLgHeader::LgID, &TXLgHeader::SetLgID)
          .Property("AppID", &TXLgHeader::AppID)
          .Property("AppVer", &TXLgHeader::AppVer)
          .Property("Revision", &TXLgHeader::Revision)
          .Property("Author", &TXLgHeader::Author)
          .Property("Contact", &TXLgHeader::Contact)
          .Property("Comments", &TXLgHeader::Comments)
          .Property("Data", &TXLgHeader::Data)
          .Build();
  return info;
}

bool TXLgHeader::Assign(const TXPersistent& source) {
  auto* header = dynamic_cast<const TXLgHeader*>(&source);
  if (!header) return false;
  SetName(header->Name());
  SetLgID(header->LgID());
  AppID = header->AppID;
  AppVer = header->AppVer;
  Revision = header->Revision;
  Author = header->Author;
  Contact = header->Contact;
  Comments = header->Comments;
  Data = header->Data;
  FileName = header->FileName;
  Source = header->Source;
  return true;
}

const TXClassInfo& TXLgProject::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXLgProject>("TXLgProject", TXLgHeader::StaticClassInfo()).Build();
  return info;
}

bool TXLgProject::Assign(const TXPersistent& source) {
  if (!TXLgHeader::Assign(source)) return false;
  if (auto* project = dynamic_cast<const TXLgProject*>(&source)) {
    if (project == this) return true;
    words_.Bytes() = project->words_.Bytes();
    words_.SetPosition(0);
    documents_.Assign(project->documents_);
  }
  return true;
}

void TXLgProject::Clear() {
  TXLgHeader::Clear();
  words_.Clear();
  documents_.Clear();
}

TXLgHeader& TXLgHeaderList::Add(std::unique_ptr<TXLgHeader> header) {
  headers_.push_back(std::move(header));
  return *headers_.back();
}

int32_t TXLgHeaderList::IndexOfLgID(uint32_t lgID) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i).LgID() == lgID) return i;
  }
  return -1;
}

int32_t TXLgHeaderList::IndexOfFirstWithStream() const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i).Source) return i;
  }
  return -1;
}

void TXLgHeaderList::Sort() {
  std::stable_sort(headers_.begin(), headers_.end(),
                   [](const auto& a, const auto& b) { return LgHeaderBefore(*a, *b); });
}

bool LgHeaderBefore(const TXLgHeader& a, const TXLgHeader& b) {
  bool aDefault = a.LgID() == kDefaultLgID;
  bool bDefault = b.LgID() == kDefaultLgID;
  if (aDefault != bDefault) return aDefault;
  return CompareText(a.Name(), b.Name()) < 0;
}

}  // namespace kova
