#include "framework/persistent.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <mutex>
#include <sstream>
#include <unordered_map>

#include "framework/text_utils.h"

namespace kova {

namespace {

class ClassRegistry {
 public:
  static ClassRegistry& Instance() {
    static ClassRegistry registry;
    return registry;
  }

  const TXClassInfo& Add(std::string name, const TXClassInfo* parent, TXClassInfo::Factory factory,
                         std::vector<TXPropInfo> properties) {
    std::lock_guard lock(mutex_);
    const TXClassInfo& info =
        infos_.emplace_back(std::move(name), parent, factory, std::move(properties));
    byName_[LowerCase(info.Name())] = &info;
    return info;
  }

  const TXClassInfo* Find(std::string_view name) {
    std::lock_guard lock(mutex_);
    auto it = byName_.find(LowerCase(name));
    return it == byName_.end() ? nullptr : it->second;
  }

 private:
  std::mutex mutex_;
  std::deque<TXClassInfo> infos_;
  std::unordered_map<std::string, const TXClassInfo*> byName_;
};

std::string OrdinalText(const TXPropInfo& prop, int64_t value) {
  if (prop.Kind == TXPropKind::Enum) {
    if (value >= 0 && value < static_cast<int64_t>(prop.Identifiers.size())) {
      return prop.Identifiers[static_cast<size_t>(value)];
    }
    return std::to_string(value);
  }
  if (prop.Kind == TXPropKind::Set) {
    std::string text = "[";
    for (size_t i = 0; i < prop.Identifiers.size() && i < 64; ++i) {
      if (!((static_cast<uint64_t>(value) >> i) & 1u)) continue;
      if (text.size() > 1) text += ",";
      text += prop.Identifiers[i];
    }
    return text + "]";
  }
  if (prop.Kind == TXPropKind::Cardinal) return std::to_string(static_cast<uint32_t>(value));
  return std::to_string(value);
}

std::optional<int64_t> IdentifierIndex(const TXPropInfo& prop, std::string_view text) {
  for (size_t i = 0; i < prop.Identifiers.size(); ++i) {
    if (SameText(prop.Identifiers[i], text)) return static_cast<int64_t>(i);
  }
  return ParseInteger(text);
}

std::optional<int64_t> ParseOrdinal(const TXPropInfo& prop, std::string_view text) {
  text = Trim(text);
  if (prop.Kind == TXPropKind::Enum) return IdentifierIndex(prop, text);
  if (prop.Kind != TXPropKind::Set) return ParseInteger(text);
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return std::nullopt;
  int64_t mask = 0;
  for (const std::string& member : SplitString(text.substr(1, text.size() - 2), ',')) {
    if (Trim(member).empty()) continue;
    std::optional<int64_t> index = IdentifierIndex(prop, Trim(member));
    if (!index || *index < 0 || *index >= 64) return std::nullopt;
    mask |= int64_t{1} << *index;
  }
  return mask;
}

}  // namespace

TXClassInfo::TXClassInfo(std::string name, const TXClassInfo* parent, Factory factory,
                         std::vector<TXPropInfo> properties)
    : name_(std::move(name)), parent_(parent), factory_(factory), own_(std::move(properties)) {
  if (parent_) all_ = parent_->Properties();
  // A property declared again under an inherited name hides the inherited one.
  for (const TXPropInfo& prop : own_) {
    auto same = std::find_if(all_.begin(), all_.end(),
                             [&](const TXPropInfo* p) { return SameText(p->Name, prop.Name); });
    if (same != all_.end()) {
      *same = &prop;
    } else {
      all_.push_back(&prop);
    }
  }
}

bool TXClassInfo::InheritsFrom(const TXClassInfo& other) const {
  for (const TXClassInfo* info = this; info; info = info->parent_) {
    if (info == &other) return true;
  }
  return false;
}

const TXPropInfo* TXClassInfo::FindProperty(std::string_view name) const {
  for (const TXPropInfo* prop : all_) {
    if (SameText(prop->Name, name)) return prop;
  }
  return nullptr;
}

const TXClassInfo* FindClassInfo(std::string_view name) {
  return ClassRegistry::Instance().Find(name);
}

const TXClassInfo& RegisterClassInfo(std::string name, const TXClassInfo* parent,
                                     TXClassInfo::Factory factory,
                                     std::vector<TXPropInfo> properties) {
  return ClassRegistry::Instance().Add(std::move(name), parent, factory, std::move(properties));
}

bool TXPropInfo::ShouldStore(const TXPersistent& object) const {
  if (!Stored) return false;
  switch (Kind) {
    case TXPropKind::Object:
      return true;
    case TXPropKind::Float:
      return GetFloat(object) != 0.0;
    case TXPropKind::String:
      return !GetString(object).empty();
    case TXPropKind::StringList:
      return !GetStrings(object).empty();
    default:
      return !Default || GetOrdinal(object) != *Default;
  }
}

const TXClassInfo& TXPersistent::StaticClassInfo() {
  static const TXClassInfo& info = RegisterClassInfo("TPersistent", nullptr, nullptr, {});
  return info;
}

bool TXPersistent::Assign(const TXPersistent& source) {
  if (!source.InheritsFrom(ClassInfo())) return false;
  auto& src = const_cast<TXPersistent&>(source);
  for (const TXPropInfo* prop : ClassInfo().Properties()) {
    switch (prop->Kind) {
      case TXPropKind::Object: {
        TXPersistent* from = prop->GetObject(src);
        TXPersistent* to = prop->GetObject(*this);
        if (from && to) to->Assign(*from);
        break;
      }
      case TXPropKind::Float:
        prop->SetFloat(*this, prop->GetFloat(source));
        break;
      case TXPropKind::String:
        prop->SetString(*this, prop->GetString(source));
        break;
      case TXPropKind::StringList:
        prop->SetStrings(*this, prop->GetStrings(source));
        break;
      default:
        prop->SetOrdinal(*this, prop->GetOrdinal(source));
        break;
    }
  }
  return true;
}

std::string GetPropText(const TXPersistent& object, const TXPropInfo& prop) {
  switch (prop.Kind) {
    case TXPropKind::Object:
      return {};
    case TXPropKind::Float:
      return FormatFloatText(prop.GetFloat(object));
    case TXPropKind::String:
      return prop.GetString(object);
    case TXPropKind::StringList:
      return JoinLines(prop.GetStrings(object));
    default:
      return OrdinalText(prop, prop.GetOrdinal(object));
  }
}

bool SetPropText(TXPersistent& object, const TXPropInfo& prop, const std::string& text) {
  switch (prop.Kind) {
    case TXPropKind::Object:
      return false;
    case TXPropKind::Float: {
      std::optional<double> value = ParseFloatText(text);
      if (!value) return false;
      prop.SetFloat(object, *value);
      return true;
    }
    case TXPropKind::String:
      prop.SetString(object, text);
      return true;
    case TXPropKind::StringList:
      prop.SetStrings(object, SplitLines(text));
      return true;
    default: {
      std::optional<int64_t> value = ParseOrdinal(prop, text);
      if (!value) return false;
      prop.SetOrdinal(object, *value);
      return true;
    }
  }
}

std::optional<std::string> GetPropText(const TXPersistent& object, std::string_view name) {
  const TXPropInfo* prop = object.ClassInfo().FindProperty(name);
  if (!prop || prop->Kind == TXPropKind::Object) return std::nullopt;
  return GetPropText(object, *prop);
}

bool SetPropText(TXPersistent& object, std::string_view name, const std::string& text) {
  const TXPropInfo* prop = object.ClassInfo().FindProperty(name);
  return prop && SetPropText(object, *prop, text);
}

TXPersistent* GetPropObject(TXPersistent& object, std::string_view name) {
  const TXPropInfo* prop = object.ClassInfo().FindProperty(name);
  return prop && prop->Kind == TXPropKind::Object ? prop->GetObject(object) : nullptr;
}

std::string FormatFloatText(double value) {
  char buffer[64];
  auto result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

std::optional<double> ParseFloatText(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace kova
