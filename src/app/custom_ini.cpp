#include "app/custom_ini.h"

#include "app/component_text.h"
#include "app/registry_persistence.h"
#include "framework/aspects.h"
#include "persistence/xml_filer.h"

namespace kova {

namespace {

// Whether the stream, from its position, holds object XML (maybe after a UTF-8 byte order mark).
bool HoldsXml(TXStream& stream) {
  const int64_t start = stream.Position();
  char head[8] = {};
  const int64_t read = stream.Read(head, sizeof(head));
  stream.SetPosition(start);
  std::string_view text(head, static_cast<size_t>(read));
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return text.starts_with("<?xml");
}

template <class TFiler>
bool SaveWith(TXPersistent& object, TXStream& stream) {
  TFiler filer;
  filer.SetObject(&object);
  return filer.SaveToStream(stream);
}

}  // namespace

const TXClassInfo& TXCustomIni::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXCustomIni>("TXCustomIni", TXPersistent::StaticClassInfo())
          .Property("Tag", &TXCustomIni::Tag, &TXCustomIni::SetTag)
          .Default(0)
          .Property("DocType", &TXCustomIni::DocType, &TXCustomIni::SetDocType)
          .Property("DocVer", &TXCustomIni::DocVer, &TXCustomIni::SetDocVer)
          .Default(0)
          .Build();
  return info;
}

void TXCustomIni::Changed() {
  DispatchAspect<TXChangedAspect>(observable_);
}

bool TXCustomIni::LoadFromStream(TXStream& stream) {
  try {
    if (HoldsXml(stream)) return LoadObjectFromStream<TXMLFiler>(*this, stream);
    return LoadObjectFromStream<TXComponentTextFiler>(*this, stream);
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  }
}

bool TXCustomIni::SaveToStream(TXStream& stream, TXIniStreamFormat format) {
  if (format == TXIniStreamFormat::ifObjectXml) return SaveWith<TXMLFiler>(*this, stream);
  return SaveWith<TXComponentTextFiler>(*this, stream);
}

bool TXCustomIni::LoadFromRegistry(const TXKeyStore& store, const std::string& key) {
  return LoadObjectFromKey(*this, store, key);
}

void TXCustomIni::SaveToRegistry(TXKeyStore& store, const std::string& key) {
  BeforeSave();
  SaveObjectToKey(*this, store, key);
}

bool TXCustomIni::Load(const std::string& key, const TXKeyStoreFile& file) {
  SetDefaults();
  bool loaded = false;
  try {
    TXKeyStore store;
    const bool whole = file.Load(store);
    const bool found = LoadFromRegistry(store, key);
    if (whole && !found) SetThreadError(kErrFileNotFound, 0, file.Path().string() + ": " + key);
    loaded = whole && found;
  } catch (const std::exception& error) {
    RecordException(error);
  }
  AfterLoad();
  return loaded;
}

bool TXCustomIni::Save(const std::string& key, const TXKeyStoreFile& file) {
  try {
    TXKeyStore store;
    if (!file.Load(store) && ThreadError().Code != kErrFileNotFound &&
        ThreadError().Code != kErrCheck)
      return false;
    SaveToRegistry(store, key);
    return file.Save(store);
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  }
}

const TXClassInfo& TXIni::StaticClassInfo() {
  static const TXClassInfo& info = TXClassBuilder<TXIni>("TXIni", TXCustomIni::StaticClassInfo())
                                       .Property("lgID", &TXIni::LgID, &TXIni::SetLgID)
                                       .Build();
  return info;
}

void TXIni::SetDefaults() {
  TXCustomIni::SetDefaults();
  lgID_ = kDefaultLanguage;
}

const TXClassInfo& TXAIni::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXAIni>("TXAIni", TXIni::StaticClassInfo()).Build();
  return info;
}

}  // namespace kova
