// A fuzzed stream container: opened for reading, every group's data and every record's entries
// read, compacted into a new container that must open again; then opened for appending, given
// one more record, and opened again.
#include "framework/error_data.h"
#include "fuzz_support.h"
#include "persistence/rstream.h"

namespace kova {
namespace {

void ReadEverything(TXRStream& container) {
  const std::vector<TXRGroupObject> groups = container.Groups();
  std::vector<uint8_t> bytes;
  for (const TXRGroupObject& group : groups) {
    container.ReadGroupData(group.Name, bytes);
    for (size_t r = 0; r < group.Records.size(); ++r) {
      for (size_t e = 0; e < group.Records[r].Entries.size(); ++e)
        container.ReadEntry(group.Name, static_cast<int32_t>(r), static_cast<int32_t>(e), bytes);
    }
  }
}

void CompactAndReopen(TXQStream& container) {
  TXMemoryStream compacted;
  if (!container.CompactTo(compacted)) return;
  compacted.SetPosition(0);
  TXQStream copy;
  if (!copy.Open(rfRead, compacted))
    fuzz::Fail("a compacted container does not open: " + ThreadError().ToString());
  ReadEverything(copy);
}

void AppendAndReopen(const uint8_t* data, size_t size) {
  TXMemoryStream stream(fuzz::Bytes(data, size));
  {
    TXQStream container;
    if (!container.OpenForAppend(rfRead | rfWrite, stream)) return;
    if (container.AddGroup("fuzz") && container.BeginRecord("fuzz", 1, 1)) {
      container.WriteEntry(-2, std::string("appended"));
      container.EndRecord();
    }
  }
  stream.SetPosition(0);
  TXQStream reopened;
  if (reopened.Open(rfRead, stream)) ReadEverything(reopened);
}

}  // namespace
}  // namespace kova

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  {
    TXMemoryStream stream(fuzz::Bytes(data, size));
    TXQStream container;
    if (container.Open(rfRead, stream)) {
      ReadEverything(container);
      CompactAndReopen(container);
    }
  }
  AppendAndReopen(data, size);
  ClearThreadError();
  return 0;
}
