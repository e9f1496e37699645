// A fuzzed file through one scan format: the first byte chooses the kind, the rest is the file.
// Measures its end, checks it, validates it and decodes its thumbnail and its preview.
#include <algorithm>

#include "framework/error_data.h"
#include "framework/worker.h"
#include "fuzz_support.h"
#include "recovery/formats/scan_format_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  if (size < 2) return 0;
  const uint8_t kind = data[0] % kScanKindCount;
  TXMemoryStream source(fuzz::Bytes(data + 1, size - 1));
  TXSearch search;
  search.SetSource(&source);
  search.SetWorker(MakeRef<TXWorker>());

  std::unique_ptr<TXDRScanFormat> format = CreateFormat(kind);
  const int64_t fileSize = source.Size();
  const int64_t end = format->FindEnd(search, 0);
  CreateFormat(kind)->Check(search, 0);
  const int64_t measured = end > 0 ? std::min(end + 1, fileSize) : fileSize;

  TXBlocks blocks;
  blocks.Add(0, measured);
  TXMemoryStream file(fuzz::Bytes(data + 1, static_cast<size_t>(measured)));
  format->ValidateItem(file, blocks);
  TXSize picture;
  TXImageObject image;
  format->MakeThumbnail(picture, image, blocks, file);
  if (image.Width() > 72 || image.Height() > 72) fuzz::Fail("thumbnail larger than its box");
  format->MakePreview(picture, image, blocks, file);
  if (image.Width() > 600 || image.Height() > 600) fuzz::Fail("preview larger than its box");
  ClearThreadError();
  return 0;
}
