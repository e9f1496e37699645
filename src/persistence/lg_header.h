#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/stream.h"
#include "persistence/lg.h"
#include "persistence/localized_objects.h"

// What describes a language (its header), a whole language (its project: header, words and
// documents) and the list of the languages a program knows.
namespace kova {

// The application identifier and version the languages of this program belong to.
inline constexpr uint32_t kKovaAppID = 7000;
inline constexpr uint32_t kKovaAppVer = 500;

class TXLgHeader : public TXNamedPersistent {
  KOVA_PERSISTENT(TXLgHeader)

 public:
  uint32_t AppID = 0;
  uint32_t AppVer = 0;
  std::string Revision;
  std::string Author;
  std::string Contact;
  std::string Comments;
  std::string Data;
  // The file a language registered from a file is read from.
  std::string FileName;
  // The stream the header was read from (not owned), or none.
  TXStream* Source = nullptr;

  bool Assign(const TXPersistent& source) override;
};

// A whole language: its header, its words text and its documents.
class TXLgProject : public TXLgHeader {
  KOVA_PERSISTENT(TXLgProject)

 public:
  TXMemoryStream& Words() { return words_; }
  TXBCollection& Documents() { return documents_; }

  bool Assign(const TXPersistent& source) override;
  // Empties the words and the documents.
  void Clear() override;

 private:
  TXMemoryStream words_;
  TXBCollection documents_;
};

// Language headers, owned.
class TXLgHeaderList {
 public:
  TXLgHeader& Add(std::unique_ptr<TXLgHeader> header);
  int32_t Count() const { return static_cast<int32_t>(headers_.size()); }
  TXLgHeader& At(int32_t index) const { return *headers_.at(static_cast<size_t>(index)); }
  // Position of the first header with the identifier, or -1.
  int32_t IndexOfLgID(uint32_t lgID) const;
  // Position of the first header read from a stream, or -1.
  int32_t IndexOfFirstWithStream() const;
  // English (identifier 9) first, the others by name ignoring case.
  void Sort();
  void Clear() { headers_.clear(); }

 private:
  std::vector<std::unique_ptr<TXLgHeader>> headers_;
};

// Orders headers as the header list sorts them.
bool LgHeaderBefore(const TXLgHeader& a, const TXLgHeader& b);

}  // namespace kova
