#include "persistence/lg_selector.h"

#include <algorithm>

#include "framework/error_data.h"
#include "persistence/lg_filer.h"
#include "persistence/lg_manager.h"

namespace kova {

TXLgSelector::TXLgSelector(uint32_t appID, uint32_t appVer) : appID_(appID), appVer_(appVer) {}

std::vector<std::string> TXLgSelector::OfferedNames() const {
  std::vector<std::string> names;
  for (const TXLgHeader* header : offered_)
    names.push_back(header->Name());
  return names;
}

int32_t TXLgSelector::CurrentIndex() const {
  for (size_t i = 0; i < offered_.size(); ++i) {
    if (offered_[i]->LgID() == currentLgID_) return static_cast<int32_t>(i);
  }
  return -1;
}

bool TXLgSelector::AddLanguage(TXStream& stream) {
  auto header = std::make_unique<TXLgHeader>();
  header->AppID = appID_;
  header->AppVer = appVer_;
  bool read = false;
  try {
    read = stream.Size() > 0 && LoadLgHeader(*header, stream);
  } catch (const std::exception& error) {
    RecordException(error);
  }
  if (!read) return false;
  header->Source = &stream;
  return Register(std::move(header));
}

bool TXLgSelector::AddLanguageFile(const std::string& fileName) {
  auto header = std::make_unique<TXLgHeader>();
  header->AppID = appID_;
  header->AppVer = appVer_;
  if (!LoadObjectFromFile<TXLgFiler>(*header, fileName, TXFilerMode::fmHeaderOnly)) return false;
  header->FileName = fileName;
  return Register(std::move(header));
}

bool TXLgSelector::Register(std::unique_ptr<TXLgHeader> header) {
  if (languages_.IndexOfLgID(header->LgID()) >= 0) return false;
  languages_.Add(std::move(header));
  Refresh();
  return true;
}

void TXLgSelector::Refresh() {
  offered_.clear();
  for (int32_t p = 0; p < preferred_.Count(); ++p) {
    int32_t index = languages_.IndexOfLgID(preferred_.LgIDAt(p));
    if (index >= 0) offered_.push_back(&languages_.At(index));
  }
  if (offered_.empty()) {
    for (int32_t i = 0; i < languages_.Count(); ++i)
      offered_.push_back(&languages_.At(i));
  }
  std::stable_sort(offered_.begin(), offered_.end(),
                   [](const TXLgHeader* a, const TXLgHeader* b) { return LgHeaderBefore(*a, *b); });
  if (OnOfferedChanged) OnOfferedChanged();
}

bool TXLgSelector::LoadProject(const TXLgHeader& header, TXLgProject& project) const {
  project.Clear();
  project.AppID = appID_;
  project.AppVer = appVer_;
  if (header.Source) {
    header.Source->SetPosition(0);
    return LoadLgProject(project, *header.Source);
  }
  return !header.FileName.empty() && LoadLgProjectFile(project, header.FileName);
}

bool TXLgSelector::SelectLanguage(int32_t offeredIndex) {
  if (offeredIndex < 0 || offeredIndex >= static_cast<int32_t>(offered_.size())) return false;
  LanguageManager().Suspend();
  bool installed = false;
  try {
    TXLgProject project;
    bool loaded = LoadProject(*offered_[static_cast<size_t>(offeredIndex)], project);
    int32_t fallback = languages_.IndexOfFirstWithStream();
    if (!loaded && fallback >= 0) loaded = LoadProject(languages_.At(fallback), project);
    if (loaded) {
      Install(project);
      installed = true;
    }
  } catch (const std::exception& error) {
    RecordException(error);
  }
  LanguageManager().Resume(installed);
  return installed;
}

bool TXLgSelector::SelectLanguageID(uint32_t lgID) {
  for (size_t i = 0; i < offered_.size(); ++i) {
    if (offered_[i]->LgID() == lgID) return SelectLanguage(static_cast<int32_t>(i));
  }
  return SelectLanguage(0);
}

void TXLgSelector::Install(TXLgProject& project) {
  TXLg& lg = Lg();
  lg.Clear();
  TXBCollection& documents = project.Documents();
  for (int32_t i = 0; i < documents.Count(); ++i) {
    TXStreamObject& document = documents[i]->Object();
    lg.AddDocument(documents[i]->Name(), document.DataClass(), document.DataStream());
    document.Clear();
  }
  lg.LoadWords(project.Words(), true);
  currentLgID_ = project.LgID();
  if (OnLanguageChanged) OnLanguageChanged();
}

TXLgSelector& LgSelector() {
  static TXLgSelector selector;
  return selector;
}

}  // namespace kova
