#pragma once

#include "persistence/lg_header.h"
#include "persistence/stream_filer.h"

// The language filer: a language is a stream container with the file header data kind 100,
// the language's application identifier and version and the title "Language", holding one group
// "Language": record 0 the header or project (its data item "Words" the words text), then one
// record (kind 4) per document.
namespace kova {

inline constexpr int32_t kLgDataKind = 100;
inline constexpr const char* kLgTitle = "Language";

class TXLgFilerGroup : public TXRStreamItemsFilerGroup {
 public:
  TXLgFilerGroup(TXFiler& filer, TXLgHeader& header);

 protected:
  // Binds "Words" to the project's words text.
  void AddObjectData(TXDataIndexCollection& index) override;

 private:
  TXLgProject* project_;
};

class TXLgFiler : public TXRStreamFiler {
 public:
  // The object is a TXLgHeader (or a TXLgProject); the header record is made from its
  // application identifier and version, whatever is passed.
  void SetObject(TXPersistent* object, TXFilerMode mode = TXFilerMode::fmAll,
                 const TXFilerHeader& header = {}) override;

 protected:
  void CreateGroups() override;
};

// Reads a language header (only record 0's object) or a whole project from a stream or a file.
// The object's AppID and AppVer say which application's languages are accepted.
bool LoadLgHeader(TXLgHeader& header, TXStream& stream);
bool LoadLgProject(TXLgProject& project, TXStream& stream);
bool LoadLgProjectFile(TXLgProject& project, const std::string& fileName);

}  // namespace kova
