#include "app/key_store.h"

#include <algorithm>

#include "framework/text_utils.h"

namespace kova {

namespace {

template <class List, class NameOf>
auto FindByName(List& list, std::string_view name, NameOf nameOf) {
  return std::find_if(list.begin(), list.end(),
                      [&](const auto& entry) { return SameText(nameOf(entry), name); });
}

const std::string& ValueName(const TXKey::TXValue& value) {
  return value.first;
}
const std::string& KeyName(const std::unique_ptr<TXKey>& key) {
  return key->Name();
}

}  // namespace

std::optional<std::string> TXKey::Value(std::string_view name) const {
  auto found = FindByName(values_, name, ValueName);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void TXKey::SetValue(std::string_view name, std::string value) {
  auto found = FindByName(values_, name, ValueName);
  if (found != values_.end()) {
    found->second = std::move(value);
  } else {
    values_.emplace_back(std::string(name), std::move(value));
  }
}

bool TXKey::DeleteValue(std::string_view name) {
  auto found = FindByName(values_, name, ValueName);
  if (found == values_.end()) return false;
  values_.erase(found);
  return true;
}

TXKey* TXKey::FindSubkey(std::string_view name) const {
  auto found = FindByName(subkeys_, name, KeyName);
  return found == subkeys_.end() ? nullptr : found->get();
}

TXKey& TXKey::CreateSubkey(std::string_view name) {
  if (TXKey* existing = FindSubkey(name)) return *existing;
  return *subkeys_.emplace_back(std::make_unique<TXKey>(std::string(name)));
}

bool TXKey::DeleteSubkey(std::string_view name) {
  auto found = FindByName(subkeys_, name, KeyName);
  if (found == subkeys_.end()) return false;
  subkeys_.erase(found);
  return true;
}

void TXKey::Clear() {
  values_.clear();
  subkeys_.clear();
}

TXKey* TXKeyStore::OpenKey(std::string_view path) const {
  const TXKey* key = &root_;
  for (const std::string& name : SplitKeyPath(path)) {
    key = key->FindSubkey(name);
    if (!key) return nullptr;
  }
  return const_cast<TXKey*>(key);
}

TXKey& TXKeyStore::CreateKey(std::string_view path) {
  TXKey* key = &root_;
  for (const std::string& name : SplitKeyPath(path))
    key = &key->CreateSubkey(name);
  return *key;
}

bool TXKeyStore::DeleteKey(std::string_view path) {
  std::vector<std::string> names = SplitKeyPath(path);
  if (names.empty()) return false;
  TXKey* parent = &root_;
  for (size_t i = 0; i + 1 < names.size(); ++i) {
    parent = parent->FindSubkey(names[i]);
    if (!parent) return false;
  }
  return parent->DeleteSubkey(names.back());
}

void TXKeyStore::Clear() {
  root_.Clear();
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  for (std::string& name : SplitString(path, '\\')) {
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

std::string SubkeyPath(std::string_view path, std::string_view name) {
  std::string result(path);
  if (!result.empty() && result.back() != '\\') result += '\\';
  result += name;
  result += '\\';
  return result;
}

}  // namespace kova
