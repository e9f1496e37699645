#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/stream.h"
#include "persistence/rstream_layout.h"

// The stream container: named groups of records, each record a list of typed, CRC-checked,
// optionally compressed entries. Writing keeps the container valid after every completed step:
// an end record always follows the last complete object. Operations answer false on failure and
// leave the reason in the calling thread's error record: 41 a tag, CRC or data check failed, 42
// the container is not open as needed or has another version, 44 a read failed, 45 a write
// failed, 46 walking the index failed, 47 the index ended without its end record (noted only:
// the container still opens with what was read).
namespace kova {

class IXProgress;

enum TXROpenFlag : uint32_t {
  rfCreate = 1,        // write a new container
  rfOpenOrCreate = 2,  // open an existing one, or create it when the stream is empty
  rfRead = 4,
  rfWrite = 8,
};

// Decides whether a container's file header holds the data the caller expects.
using TXRHeaderCheck = std::function<bool(const TXRFileHeader&)>;

class TXRStream : public TXObject {
 public:
  ~TXRStream() override;

  // Resets the object, then creates a new container (rfCreate, or rfOpenOrCreate on a stream
  // that ends at the base offset) or reads the index of the existing one.
  bool Open(uint32_t flags, TXStream& stream, int64_t baseOffset = 0,
            IXProgress* progress = nullptr);
  // The same on a file, which the container then owns.
  bool OpenFile(uint32_t flags, const std::string& fileName, int64_t baseOffset = 0,
                IXProgress* progress = nullptr);
  // Closes the container; the damaged flag stays until the next open.
  void Close();

  bool IsOpen() const { return stream_ != nullptr; }
  // Set when walking the index failed: the container's chain is broken.
  bool IsDamaged() const { return damaged_; }
  uint32_t Flags() const { return flags_; }
  int64_t AppendPosition() const { return append_; }

  // The header written into new containers, and after opening the one read.
  TXRFileHeader& FileHeader() { return fileHeader_; }
  // Consulted when an existing container is opened; a refusal closes it with error 42.
  TXRHeaderCheck HeaderCheck;

  const std::vector<TXRGroupObject>& Groups() const { return groups_; }
  // By exact name; nullptr when absent.
  const TXRGroupObject* FindGroup(const std::string& name) const;

  // Writes a new group with its data (compressed; none when data is null). Fails, changing
  // nothing, when a group of that name exists.
  bool AddGroup(const std::string& name, TXStream* data = nullptr);
  // Starts a record of `count` entries in the named group.
  bool BeginRecord(const std::string& groupName, int32_t kind, uint16_t count);
  // Writes the next entry of the open record: compressed when the kind is negative.
  bool WriteEntry(int32_t kind, const void* data, int64_t size);
  bool WriteEntry(int32_t kind, const std::string& text);
  // The whole stream, from its start.
  bool WriteEntry(int32_t kind, TXStream& data);
  // Completes the open record; entries not written stay empty.
  bool EndRecord();
  bool IsRecordOpen() const { return record_.has_value(); }

  // Reads an entry's data (inflated and CRC-checked) into a buffer or onto the end of a stream.
  // With an expected kind, the entry's kind must have the same absolute value.
  bool ReadEntry(const std::string& groupName, int32_t record, int32_t entry,
                 std::vector<uint8_t>& data, std::optional<int32_t> expectedKind = {});
  bool ReadEntry(const std::string& groupName, int32_t record, int32_t entry, TXStream& data,
                 std::optional<int32_t> expectedKind = {});
  // Reads a group's data (inflated and checked against the group's data CRC).
  bool ReadGroupData(const std::string& groupName, std::vector<uint8_t>& data);

  // Writes a copy without deleted groups and records, and without groups whose object was never
  // read, into the destination from its current position. Progress counts records.
  bool CompactTo(TXStream& destination, IXProgress* progress = nullptr);

 protected:
  explicit TXRStream(const TXRTags& tags) : tags_(tags) {}

  const TXRTags& Tags() const { return tags_; }
  TXStream& Stream() const { return *stream_; }
  int64_t Base() const { return base_; }
  void SetAppendPosition(int64_t position) { append_ = position; }
  // Runs an operation: exceptions become false with the code recorded (a more precise code
  // already recorded wins).
  template <class Step>
  static bool Guarded(int32_t code, Step&& step);
  // Opens on a stream without dropping an owned file stream.
  bool OpenAttached(uint32_t flags, TXStream& stream, int64_t baseOffset, IXProgress* progress);
  void ReadFileHeader();
  void CreateContainer();
  // The index walk; answers false after recording 41 or 46.
  bool ReadIndex(IXProgress* progress);
  static std::unique_ptr<TXFileStream> OpenFileStream(uint32_t flags, const std::string& name,
                                                      int64_t baseOffset);

  void ReadAt(int64_t position, void* buffer, int64_t count);
  void WriteAt(int64_t position, const void* buffer, int64_t count);
  int64_t ContainerSize();

 private:
  struct OpenRecord {
    size_t Group;
    TXRHeaderObject Header;
    size_t Written = 0;
    int64_t WritePosition = 0;
  };

  void RequireFlag(uint32_t flag) const;
  TXRGroupObject* FindGroupByID(int32_t id);
  TXRGroupObject& GroupForRecord(int32_t id);
  void ReadLinkedObject(int64_t position);
  void ReadGroupObject(int64_t position);
  void ReadRecordHeader(int64_t position);
  const TXREntry& LocateEntry(const std::string& groupName, int32_t record, int32_t entry,
                              int64_t& offset) const;
  std::vector<uint8_t> ReadStored(int64_t offset, int64_t size);
  // Places the object at append + 16, then the end record after it, then the link.
  void Link(int64_t objectEnd);
  void CopyObject(TXStream& destination, int64_t& position, int64_t from, int64_t size);

  TXRTags tags_;
  TXRFileHeader fileHeader_;
  std::unique_ptr<TXFileStream> ownedFile_;
  TXStream* stream_ = nullptr;
  int64_t base_ = 0;
  int64_t append_ = 0;
  uint32_t flags_ = 0;
  bool damaged_ = false;
  std::vector<TXRGroupObject> groups_;
  std::optional<OpenRecord> record_;
};

// The container with the "XX" tag family, and appending.
class TXQStream : public TXRStream {
 public:
  TXQStream();

  // Opens an existing container to add to it (creating it when the stream is empty): the file
  // header is checked and the index read, so that names and identifiers of new groups stay
  // unique, and writing continues where the last complete object ends.
  bool OpenForAppend(uint32_t flags, TXStream& stream, int64_t baseOffset = 0,
                     IXProgress* progress = nullptr);
  bool OpenFileForAppend(uint32_t flags, const std::string& fileName, int64_t baseOffset = 0,
                         IXProgress* progress = nullptr);
};

}  // namespace kova
