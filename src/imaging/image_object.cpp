#include "imaging/image_object.h"

#include <filesystem>

#include "framework/error_data.h"
#include "imaging/graphic_classes.h"
#include "imaging/image_items.h"

namespace kova {

namespace {

std::unique_ptr<TXGraphic> DecodeStream(const std::string& dataClass, TXStream& stream) {
  std::unique_ptr<TXGraphic> graphic = CreateGraphic(dataClass);
  if (!graphic) throw EXInvalidGraphic("unknown picture class \"" + dataClass + "\"");
  stream.SetPosition(0);
  graphic->LoadFromStream(stream);
  return graphic;
}

}  // namespace

const TXClassInfo& TXImageObject::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXImageObject>("TXImageObject", TXCustomSizeStreamObject::StaticClassInfo())
          .Build();
  return info;
}

bool TXImageObject::LoadFrom(const TXObject& source) {
  if (&source == this) return true;
  Clear();
  try {
    if (auto* image = dynamic_cast<const TXImageObject*>(&source)) return Assign(*image);
    if (auto* item = dynamic_cast<const TXImageItem*>(&source)) return Assign(item->Data());
    if (auto* graphic = dynamic_cast<const TXGraphic*>(&source)) {
      graphic->SaveToStream(DataStream());
      Keep(StoredGraphicClassName(*graphic), *graphic);
      return true;
    }
  } catch (const std::exception& error) {
    RecordException(error);
  }
  Clear();
  return false;
}

bool TXImageObject::LoadFromStream(const std::string& dataClass, TXStream& stream) {
  Clear();
  try {
    std::unique_ptr<TXGraphic> graphic = DecodeStream(dataClass, stream);
    DataStream().CopyFrom(stream, 0);
    Keep(StoredGraphicClassName(*graphic), *graphic);
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    Clear();
    return false;
  }
}

bool TXImageObject::LoadFromFile(const std::string& fileName, bool keepFileName) {
  Clear();
  try {
    std::string dataClass =
        GraphicClassOfExtension(std::filesystem::path(fileName).extension().string());
    TXFileStream file(fileName, TXFileMode::fmOpenRead);
    if (dataClass.empty()) throw EXInvalidGraphic("no picture class reads files like " + fileName);
    std::unique_ptr<TXGraphic> graphic = DecodeStream(dataClass, file);
    DataStream().CopyFrom(file, 0);
    Keep(StoredGraphicClassName(*graphic), *graphic);
    if (keepFileName) SetFileName(fileName);
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    Clear();
    return false;
  }
}

std::unique_ptr<TXGraphic> TXImageObject::Decode() const {
  if (IsEmpty()) return nullptr;
  std::unique_ptr<TXGraphic> graphic = CreateGraphic(DataClass());
  if (!graphic) return nullptr;
  TXMemoryStream bytes(Bytes());
  graphic->LoadFromStream(bytes);
  return graphic;
}

void TXImageObject::Keep(const std::string& dataClass, const TXGraphic& graphic) {
  SetDataClass(dataClass);
  SetWidth(graphic.Width());
  SetHeight(graphic.Height());
  DataChanged();
}

}  // namespace kova
