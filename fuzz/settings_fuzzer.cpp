// A fuzzed settings stream (component text or object XML): read into the settings, then written
// in both forms, each of which must read back.
#include "app/kova_ini.h"
#include "framework/error_data.h"
#include "fuzz_support.h"

namespace kova {
namespace {

void WriteAndReadBack(TXKovaIni& settings, TXIniStreamFormat format) {
  TXMemoryStream written;
  if (!settings.SaveToStream(written, format)) return;
  written.SetPosition(0);
  TXKovaIni again;
  if (!again.LoadFromStream(written)) {
    const std::vector<uint8_t>& bytes = written.Bytes();
    fuzz::Fail("written settings do not read back (" + ThreadError().ToString() + "):\n" +
               std::string(bytes.begin(), bytes.end()));
  }
}

}  // namespace
}  // namespace kova

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  TXMemoryStream stream(fuzz::Bytes(data, size));
  TXKovaIni settings;
  settings.LoadFromStream(stream);
  WriteAndReadBack(settings, TXIniStreamFormat::ifComponentText);
  WriteAndReadBack(settings, TXIniStreamFormat::ifObjectXml);
  ClearThreadError();
  return 0;
}
