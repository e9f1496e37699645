#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "persistence/lg_header.h"
#include "persistence/localized_objects.h"

// Registering languages and selecting one: the selected language's words and documents are
// installed into the process-wide language object and every registered window re-applies its
// texts. User-interface thread only.
namespace kova {

class TXLgSelector {
 public:
  explicit TXLgSelector(uint32_t appID = kKovaAppID, uint32_t appVer = kKovaAppVer);

  uint32_t AppID() const { return appID_; }
  uint32_t AppVer() const { return appVer_; }
  // Language identifiers to offer, in their order; when none of them is registered, every
  // registered language is offered.
  TXLocaleIDStringList& Preferred() { return preferred_; }

  const TXLgHeaderList& Languages() const { return languages_; }
  // The languages menus and lists show: English first, the others by name.
  const std::vector<TXLgHeader*>& Offered() const { return offered_; }
  std::vector<std::string> OfferedNames() const;
  // Identifier of the selected language, 0 before the first selection.
  uint32_t CurrentLgID() const { return currentLgID_; }
  // Position of the selected language among the offered ones, or -1.
  int32_t CurrentIndex() const;

  // Registers the language held by the stream (which must outlive the selector). Answers false
  // when the stream is empty, holds no language of this application, or a language with the same
  // identifier is registered.
  bool AddLanguage(TXStream& stream);
  // The same for a language file, which is read again when the language is selected.
  bool AddLanguageFile(const std::string& fileName);

  // Installs offered language n; when it cannot be read, the first registered language read
  // from a stream instead. Answers false when nothing could be installed: the previous texts stay.
  bool SelectLanguage(int32_t offeredIndex);
  // The offered language with the identifier, or the first offered one.
  bool SelectLanguageID(uint32_t lgID);

  // After a language was installed, before the windows re-apply their texts.
  std::function<void()> OnLanguageChanged;
  // After the offered list changed (menus and lists refill themselves).
  std::function<void()> OnOfferedChanged;

 private:
  bool Register(std::unique_ptr<TXLgHeader> header);
  void Refresh();
  bool LoadProject(const TXLgHeader& header, TXLgProject& project) const;
  void Install(TXLgProject& project);

  uint32_t appID_;
  uint32_t appVer_;
  TXLocaleIDStringList preferred_;
  TXLgHeaderList languages_;
  std::vector<TXLgHeader*> offered_;
  uint32_t currentLgID_ = 0;
};

// The process-wide language selector of this program.
TXLgSelector& LgSelector();

}  // namespace kova
