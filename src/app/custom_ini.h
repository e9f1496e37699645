#pragma once

#include <cstdint>
#include <string>

#include "app/key_store.h"
#include "app/key_store_file.h"
#include "framework/observable.h"
#include "framework/persistent.h"
#include "framework/stream.h"

// Settings objects: published properties that survive between runs in the user's key store, one
// value per property and one subkey per nested object (registry_persistence.h), so adding a
// property to a class adds it to the stored settings.
namespace kova {

enum class TXIniStreamFormat : uint8_t {
  ifComponentText,  // object TX... / Name = value / end
  ifObjectXml,      // the object XML of the filers
};

// The base of the settings objects: an observable component whose tag and document markers are
// stored like any other property.
class TXCustomIni : public TXPersistent {
  KOVA_PERSISTENT(TXCustomIni)

 public:
  TXCustomIni() = default;

  // Where a change of the settings is announced (TXChangedAspect).
  TXObservable& Observable() { return observable_; }
  void Changed();

  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }
  const std::string& DocType() const { return docType_; }
  void SetDocType(const std::string& docType) { docType_ = docType; }
  int32_t DocVer() const { return docVer_; }
  void SetDocVer(int32_t docVer) { docVer_ = docVer; }

  // Each class sets its own defaults after its parent's.
  virtual void SetDefaults() {}
  // Called after every load from the key store, whether it read anything or not.
  virtual void AfterLoad() {}
  // Called before the settings are written into the key store.
  virtual void BeforeSave() {}

  // Component text or object XML (told apart by the "<?xml" at the start). False, with the
  // reason in the thread's error record, when the stream holds neither; properties read before
  // the failure keep their new values.
  virtual bool LoadFromStream(TXStream& stream);
  virtual bool SaveToStream(TXStream& stream,
                            TXIniStreamFormat format = TXIniStreamFormat::ifComponentText);
  // False when the key does not exist.
  virtual bool LoadFromRegistry(const TXKeyStore& store, const std::string& key);
  virtual void SaveToRegistry(TXKeyStore& store, const std::string& key);

  // The defaults, then the key of the key-store file (the user's unless another is given).
  // False when the file is missing, damaged or lacks the key: whatever could not be read keeps
  // its default, and the reason is in the thread's error record. Never throws.
  bool Load(const std::string& key, const TXKeyStoreFile& file = TXKeyStoreFile());
  // Writes the settings under the key into the file, keeping every other key and every value no
  // property writes. False, with the reason in the thread's error record, when the file could not
  // be read (then nothing is written) or replaced.
  bool Save(const std::string& key, const TXKeyStoreFile& file = TXKeyStoreFile());

 private:
  TXContainedObservable observable_{this};
  int32_t tag_ = 0;
  std::string docType_;
  int32_t docVer_ = 0;
};

// Settings with the user-interface language.
class TXIni : public TXCustomIni {
  KOVA_PERSISTENT(TXIni)

 public:
  static constexpr uint32_t kDefaultLanguage = 9;  // English

  uint32_t LgID() const { return lgID_; }
  void SetLgID(uint32_t lgID) { lgID_ = lgID; }

  void SetDefaults() override;

 private:
  uint32_t lgID_ = kDefaultLanguage;
};

// The settings of an application, kept under one key of the user's key store.
class TXAIni : public TXIni {
  KOVA_PERSISTENT(TXAIni)

 public:
  explicit TXAIni(std::string regKey = {}) : regKey_(std::move(regKey)) {}

  const std::string& RegKey() const { return regKey_; }
  using TXCustomIni::Load;
  using TXCustomIni::Save;
  bool Load(const TXKeyStoreFile& file = TXKeyStoreFile()) { return Load(regKey_, file); }
  bool Save(const TXKeyStoreFile& file = TXKeyStoreFile()) { return Save(regKey_, file); }

 private:
  std::string regKey_;
};

}  // namespace kova
