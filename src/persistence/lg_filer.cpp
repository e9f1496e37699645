#include "persistence/lg_filer.h"

namespace kova {

TXLgFilerGroup::TXLgFilerGroup(TXFiler& filer, TXLgHeader& header)
    : TXRStreamItemsFilerGroup(filer, &header,
                               dynamic_cast<TXLgProject*>(&header)
                                   ? &dynamic_cast<TXLgProject*>(&header)->Documents()
                                   : nullptr,
                               kLgTitle),
      project_(dynamic_cast<TXLgProject*>(&header)) {
  ItemRecordKind = 4;
}

void TXLgFilerGroup::AddObjectData(TXDataIndexCollection& index) {
  if (project_) index.AddData("Words", "", &project_->Words());
}

void TXLgFiler::SetObject(TXPersistent* object, TXFilerMode mode, const TXFilerHeader&) {
  TXFilerHeader header;
  if (auto* lgHeader = dynamic_cast<TXLgHeader*>(object)) {
    header = {kLgDataKind,
              static_cast<int32_t>(lgHeader->AppID),
              static_cast<int32_t>(lgHeader->AppVer),
              0,
              0,
              kLgTitle,
              true};
  }
  TXRStreamFiler::SetObject(object, mode, header);
}

void TXLgFiler::CreateGroups() {
  if (auto* header = dynamic_cast<TXLgHeader*>(Object())) {
    Groups().Add<TXLgFilerGroup>(*this, *header);
  }
}

bool LoadLgHeader(TXLgHeader& header, TXStream& stream) {
  return LoadObjectFromStream<TXLgFiler>(header, stream, TXFilerMode::fmHeaderOnly);
}

bool LoadLgProject(TXLgProject& project, TXStream& stream) {
  return LoadObjectFromStream<TXLgFiler>(project, stream);
}

bool LoadLgProjectFile(TXLgProject& project, const std::string& fileName) {
  return LoadObjectFromFile<TXLgFiler>(project, fileName);
}

}  // namespace kova
