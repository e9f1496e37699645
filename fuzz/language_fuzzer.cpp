// A fuzzed language file: its header, then the whole project, whose words and documents are
// taken into a language as the selector does.
#include "framework/error_data.h"
#include "fuzz_support.h"
#include "persistence/lg.h"
#include "persistence/lg_filer.h"
#include "persistence/lg_keys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  TXMemoryStream stream(fuzz::Bytes(data, size));
  TXLgHeader header;
  header.AppID = kKovaAppID;
  header.AppVer = kKovaAppVer;
  LoadLgHeader(header, stream);

  stream.SetPosition(0);
  TXLgProject project;
  project.AppID = kKovaAppID;
  project.AppVer = kKovaAppVer;
  if (LoadLgProject(project, stream)) {
    TXLg language;
    language.ApplyOnLoad = false;
    language.LoadWords(project.Words(), true);
    language.Word(lg::kNothingFound);
    language.LanguageIDText();
  }
  ClearThreadError();
  return 0;
}
