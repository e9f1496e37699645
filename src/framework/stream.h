#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/managed_object.h"

namespace kova {

enum class TXSeekOrigin { soBeginning, soCurrent, soEnd };

// Where a seek lands, the one rule of every stream: from the beginning at offset, from the
// current position at position + offset, from the end at size + offset (so an offset from the end
// is 0 or negative, and Seek(0, soEnd) answers the size). A place before the start is 0. Streams
// that can grow may be placed past their end; the others stop at their size (SeekWithin).
int64_t SeekTarget(int64_t offset, TXSeekOrigin origin, int64_t position, int64_t size);
int64_t SeekWithin(int64_t offset, TXSeekOrigin origin, int64_t position, int64_t size);

// A positioned sequence of bytes. Positions and sizes are signed 64-bit. Read and Write answer the
// number of bytes moved; the *Buffer forms move all or throw EXError (44 for reads, 45 for
// writes).
class TXStream : public TXObject {
 public:
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TXSeekOrigin origin) = 0;
  virtual int64_t GetSize();
  virtual void SetSize(int64_t size);

  int64_t Position() { return Seek(0, TXSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TXSeekOrigin::soBeginning); }
  int64_t Size() { return GetSize(); }

  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from source's current position (the whole source from its start when
  // count is 0) and answers the bytes copied.
  int64_t CopyFrom(TXStream& source, int64_t count);
  // The bytes from the current position to the end.
  std::vector<uint8_t> ReadRemaining();
};

// Bytes held in memory.
class TXMemoryStream : public TXStream {
 public:
  TXMemoryStream() = default;
  explicit TXMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(bytes_.size()); }
  void SetSize(int64_t size) override;

  void Clear();
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t>& Bytes() { return bytes_; }
  const uint8_t* Data() const { return bytes_.data(); }

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

// How a file is opened.
enum class TXFileMode {
  fmOpenRead,       // existing file, read only; writers are denied while it is open
  fmOpenReadWrite,  // existing file, read and write, exclusive
  fmCreate,         // created or truncated, read and write, exclusive
  fmCreateNew,      // created only when nothing of that name exists (fails with EEXIST)
};

// A file on disk. Opening failures record and raise the thread's error: 31 file not found, 33
// access denied, 4 any other (with the OS error), each with the file name as text.
class TXFileStream : public TXStream {
 public:
  TXFileStream(const std::string& fileName, TXFileMode mode);
  ~TXFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override;
  void SetSize(int64_t size) override;

  const std::string& FileName() const { return fileName_; }
  int Handle() const { return fd_; }

 private:
  std::string fileName_;
  int fd_ = -1;
};

}  // namespace kova
