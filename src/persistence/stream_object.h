#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/stream.h"
#include "persistence/localized_objects.h"

// Data objects: a named blob of bytes that says what it holds (a graphic class name such as
// "TPngImage", or a lower-case file extension with its dot such as ".rtf"), with its size, version
// and time stamp. Forms and object XML carry the bytes as the binary property "Data", or as one
// zlib stream in "CData" when Compressed is set.
namespace kova {

class TXStreamObject : public TXNamedPersistent {
  KOVA_PERSISTENT(TXStreamObject)

 public:
  TXStreamObject() = default;

  bool Compressed() const { return compressed_; }
  void SetCompressed(bool compressed) { compressed_ = compressed; }
  const std::string& DataClass() const { return dataClass_; }
  void SetDataClass(const std::string& dataClass) { dataClass_ = dataClass; }
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& fileName) { fileName_ = fileName; }
  const std::string& Version() const { return version_; }
  void SetVersion(const std::string& version) { version_ = version; }
  // Byte count of the data when it was set.
  int64_t Size() const { return size_; }
  void SetSize(int64_t size) { size_ = size; }
  // When the data was set (days since 1899-12-30).
  double TimeStamp() const { return timeStamp_; }
  void SetTimeStamp(double timeStamp) { timeStamp_ = timeStamp; }

  // The bytes. Writers that fill the stream directly call DataChanged afterwards.
  TXMemoryStream& DataStream() { return data_; }
  const TXMemoryStream& DataStream() const { return data_; }
  const std::vector<uint8_t>& Bytes() const { return data_.Bytes(); }
  // Replaces the bytes; sets Size and TimeStamp.
  void SetBytes(std::vector<uint8_t> bytes);
  // Sets Size from the bytes and TimeStamp to now; rewinds the data stream.
  void DataChanged();
  bool IsEmpty() const { return data_.Bytes().empty(); }

  // Whether the bytes are written with the other properties (on at creation). A filer that stores
  // the bytes elsewhere turns it off.
  virtual bool StoreData() const { return storeData_; }
  virtual void SetStoreData(bool storeData) { storeData_ = storeData; }

  // Clears, takes the class name, copies the whole stream from its start and sets Size. On
  // failure the object is left cleared, the thread's error record says why and the answer is
  // false.
  virtual bool LoadFromStream(const std::string& dataClass, TXStream& stream);
  // Clears and reads the whole file; DataClass becomes the file's extension in lower case with
  // its dot. With keepFileName the name is kept in FileName. Failure as for LoadFromStream.
  virtual bool LoadFromFile(const std::string& fileName, bool keepFileName = true);
  void SaveToStream(TXStream& stream) const;

  // Copies a data object: its properties and bytes; Size is recomputed from the bytes.
  bool Assign(const TXPersistent& source) override;
  // Empties the bytes, data class, file name, version, size and time stamp; the name and the
  // Compressed flag stay.
  void Clear() override;
  void DefineBinaryProperties(std::vector<TXBinaryProperty>& properties) override;

 private:
  bool compressed_ = false;
  std::string dataClass_;
  std::string fileName_;
  std::string version_;
  int64_t size_ = 0;
  double timeStamp_ = 0;
  TXMemoryStream data_;
  bool storeData_ = true;
};

// A data object that knows the pixel size of the picture it holds.
class TXCustomSizeStreamObject : public TXStreamObject {
  KOVA_PERSISTENT(TXCustomSizeStreamObject)

 public:
  int32_t Width() const { return width_; }
  void SetWidth(int32_t width) { width_ = width; }
  int32_t Height() const { return height_; }
  void SetHeight(int32_t height) { height_ = height; }

  // Also copies Width and Height from a sized source (0 x 0 from any other data object).
  bool Assign(const TXPersistent& source) override;
  void Clear() override;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace kova
