// A fuzzed help document or news body, loaded as the help and news views load them: read as RTF
// and written as Qt rich text, or decoded as plain text when it is no RTF.
#include <QByteArrayView>

#include "fuzz_support.h"
#include "ui/rich_text_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  LoadRichText(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  return 0;
}
