#include "persistence/stream_object.h"

#include <filesystem>

#include "framework/core_app.h"
#include "framework/error_data.h"
#include "framework/text_utils.h"
#include "persistence/zlib_stream.h"

namespace kova {

const TXClassInfo& TXStreamObject::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXStreamObject>("TXStreamObject", TXNamedPersistent::StaticClassInfo())
          .Property("Name", &TXStreamObject::Name, &TXStreamObject::SetName)
          .Property("Compressed", &TXStreamObject::compressed_)
          .Property("DataClass", &TXStreamObject::dataClass_)
          .Property("FileName", &TXStreamObject::fileName_)
          .Property("Version", &TXStreamObject::version_)
          .Property("Size", &TXStreamObject::size_)
          .Default(0)
          .DateTime("TimeStamp", &TXStreamObject::timeStamp_)
          .Build();
  return info;
}

void TXStreamObject::SetBytes(std::vector<uint8_t> bytes) {
  data_.Bytes() = std::move(bytes);
  DataChanged();
}

void TXStreamObject::DataChanged() {
  data_.SetPosition(0);
  size_ = data_.Size();
  timeStamp_ = CoreApp().Now();
}

bool TXStreamObject::LoadFromStream(const std::string& dataClass, TXStream& stream) {
  Clear();
  try {
    dataClass_ = dataClass;
    data_.CopyFrom(stream, 0);
    DataChanged();
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    Clear();
    return false;
  }
}

bool TXStreamObject::LoadFromFile(const std::string& fileName, bool keepFileName) {
  Clear();
  try {
    TXFileStream file(fileName, TXFileMode::fmOpenRead);
    data_.CopyFrom(file, 0);
    dataClass_ = LowerCase(std::filesystem::path(fileName).extension().string());
    if (keepFileName) fileName_ = fileName;
    DataChanged();
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    Clear();
    return false;
  }
}

void TXStreamObject::SaveToStream(TXStream& stream) const {
  stream.WriteBuffer(Bytes().data(), static_cast<int64_t>(Bytes().size()));
}

bool TXStreamObject::Assign(const TXPersistent& source) {
  auto* other = dynamic_cast<const TXStreamObject*>(&source);
  if (!other) return false;
  if (other == this) return true;
  SetName(other->Name());
  SetLgID(other->LgID());
  compressed_ = other->compressed_;
  dataClass_ = other->dataClass_;
  fileName_ = other->fileName_;
  version_ = other->version_;
  timeStamp_ = other->timeStamp_;
  data_.Bytes() = other->Bytes();
  data_.SetPosition(0);
  size_ = data_.Size();
  return true;
}

void TXStreamObject::Clear() {
  data_.Clear();
  dataClass_.clear();
  fileName_.clear();
  version_.clear();
  size_ = 0;
  timeStamp_ = 0;
}

void TXStreamObject::DefineBinaryProperties(std::vector<TXBinaryProperty>& properties) {
  auto written = [this](bool compressed) {
    return [this, compressed] { return StoreData() && !IsEmpty() && compressed_ == compressed; };
  };
  properties.push_back({"Data", written(false),
                        [this](std::vector<uint8_t>& out) { out = Bytes(); },
                        [this](const std::vector<uint8_t>& in) {
                          data_.Bytes() = in;
                          data_.SetPosition(0);
                        }});
  properties.push_back({"CData", written(true),
                        [this](std::vector<uint8_t>& out) {
                          try {
                            out = ZCompress(Bytes());
                          } catch (const std::exception&) {
                            out.clear();
                          }
                        },
                        [this](const std::vector<uint8_t>& in) {
                          ZDecompress(in, data_.Bytes(), 65536);
                          data_.SetPosition(0);
                        }});
}

const TXClassInfo& TXCustomSizeStreamObject::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXCustomSizeStreamObject>("TXCustomSizeStreamObject",
                                               TXStreamObject::StaticClassInfo())
          .Property("Width", &TXCustomSizeStreamObject::width_)
          .Default(0)
          .Property("Height", &TXCustomSizeStreamObject::height_)
          .Default(0)
          .Build();
  return info;
}

bool TXCustomSizeStreamObject::Assign(const TXPersistent& source) {
  if (!TXStreamObject::Assign(source)) return false;
  auto* sized = dynamic_cast<const TXCustomSizeStreamObject*>(&source);
  width_ = sized ? sized->width_ : 0;
  height_ = sized ? sized->height_ : 0;
  return true;
}

void TXCustomSizeStreamObject::Clear() {
  TXStreamObject::Clear();
  width_ = 0;
  height_ = 0;
}

}  // namespace kova
