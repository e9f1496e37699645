#include "app/registry_persistence.h"

#include <limits>

#include "framework/collection.h"
#include "framework/text_utils.h"

namespace kova {

namespace {

constexpr char kItemPrefix[] = "Item";

bool InRange(std::optional<int64_t> value, int64_t low, int64_t high) {
  return value && *value >= low && *value <= high;
}

bool IsIdentifier(const TXPropInfo& prop, std::string_view text) {
  for (const std::string& identifier : prop.Identifiers) {
    if (SameText(identifier, text)) return true;
  }
  return false;
}

bool EnumAccepts(const TXPropInfo& prop, std::string_view text) {
  const auto count = static_cast<int64_t>(prop.Identifiers.size());
  return IsIdentifier(prop, text) || InRange(ParseInteger(text), 0, count - 1);
}

bool SetAccepts(const TXPropInfo& prop, std::string_view text) {
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return false;
  for (const std::string& member : SplitString(text.substr(1, text.size() - 2), ',')) {
    if (!Trim(member).empty() && !IsIdentifier(prop, Trim(member))) return false;
  }
  return true;
}

void SaveItems(const TXCollection& collection, TXKeyStore& store, const std::string& path) {
  store.DeleteKey(path);
  store.CreateKey(path);
  for (int32_t i = 0; i < collection.Count(); ++i)
    SaveObjectToKey(*collection.Item(i), store, SubkeyPath(path, kItemPrefix + std::to_string(i)));
}

void LoadItems(TXCollection& collection, const TXKeyStore& store, const std::string& path,
               const TXKey& key) {
  collection.Clear();
  for (const auto& subkey : key.Subkeys())
    LoadObjectFromKey(*collection.Add(), store, SubkeyPath(path, subkey->Name()));
}

void LoadValues(TXPersistent& object, const TXKey& key) {
  for (const auto& [name, text] : key.Values()) {
    const TXPropInfo* prop = object.ClassInfo().FindProperty(name);
    if (!prop || !prop->Stored || prop->Kind == TXPropKind::Object) continue;
    if (PropertyAcceptsText(*prop, text)) SetPropText(object, *prop, text);
  }
}

void LoadObjects(TXPersistent& object, const TXKeyStore& store, const std::string& path,
                 const TXKey& key) {
  for (const auto& subkey : key.Subkeys()) {
    TXPersistent* child = GetPropObject(object, subkey->Name());
    if (child) LoadObjectFromKey(*child, store, SubkeyPath(path, subkey->Name()));
  }
}

}  // namespace

bool PropertyAcceptsText(const TXPropInfo& prop, const std::string& text) {
  const std::string_view trimmed = Trim(text);
  switch (prop.Kind) {
    case TXPropKind::Integer:
      return InRange(ParseInteger(trimmed), std::numeric_limits<int32_t>::min(),
                     std::numeric_limits<int32_t>::max());
    case TXPropKind::Cardinal:
      return InRange(ParseInteger(trimmed), 0, std::numeric_limits<uint32_t>::max());
    case TXPropKind::Int64:
      return ParseInteger(trimmed).has_value();
    case TXPropKind::Enum:
      return EnumAccepts(prop, trimmed);
    case TXPropKind::Set:
      return SetAccepts(prop, trimmed);
    case TXPropKind::Float:
      return ParseFloatText(trimmed).has_value();
    case TXPropKind::String:
    case TXPropKind::StringList:
      return true;
    case TXPropKind::Object:
      return false;
  }
  return false;
}

void SaveObjectToKey(const TXPersistent& object, TXKeyStore& store, const std::string& path) {
  if (auto* collection = dynamic_cast<const TXCollection*>(&object)) {
    SaveItems(*collection, store, path);
    return;
  }
  TXKey& key = store.CreateKey(path);
  auto& source = const_cast<TXPersistent&>(object);
  for (const TXPropInfo* prop : object.ClassInfo().Properties()) {
    if (!prop->Stored) continue;
    if (prop->Kind != TXPropKind::Object) {
      key.SetValue(prop->Name, GetPropText(object, *prop));
    } else if (const TXPersistent* child = prop->GetObject(source)) {
      SaveObjectToKey(*child, store, SubkeyPath(path, prop->Name));
    }
  }
}

bool LoadObjectFromKey(TXPersistent& object, const TXKeyStore& store, const std::string& path) {
  const TXKey* key = store.OpenKey(path);
  if (!key) return false;
  if (auto* collection = dynamic_cast<TXCollection*>(&object)) {
    LoadItems(*collection, store, path, *key);
    return true;
  }
  LoadValues(object, *key);
  LoadObjects(object, store, path, *key);
  return true;
}

}  // namespace kova
