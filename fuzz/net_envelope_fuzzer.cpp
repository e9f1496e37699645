// A fuzzed server answer through the envelope parser and the answer coding; a text coded by
// this system must decode to itself.
#include "framework/error_data.h"
#include "fuzz_support.h"
#include "online/net_coding.h"
#include "online/net_data_filer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  const std::string text = fuzz::Text(data, size);
  TXNetDataFiler filer;
  filer.Response = text;
  filer.Parse();
  ElementContent(text, "cgi_data");
  DecodeNetText(text);
  if (DecodeNetText(EncodeNetText(text)) != text) fuzz::Fail("a coded text does not decode back");
  ClearThreadError();
  return 0;
}
