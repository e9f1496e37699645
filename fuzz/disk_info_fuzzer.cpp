// A fuzzed disk-information trailer: read, written again and read back to the same record.
#include "fuzz_support.h"
#include "storage/disk_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  TXDiskInfoRecord read;
  read.FromXml(fuzz::Text(data, size));
  const std::string written = read.ToXml();
  TXDiskInfoRecord again;
  again.FromXml(written);
  if (!(again == read)) fuzz::Fail("the trailer reads back differently:\n" + written);
  FormatByteSize(read.DiskSize);
  FormatByteSize(read.FreeSpace);
  return 0;
}
