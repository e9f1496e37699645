#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "framework/managed_object.h"

// Published properties: a persistent object describes its stored state as a list of named, typed
// properties that filers, the settings store and the pages read and write by name.
namespace kova {

class TXPersistent;
class TXStream;

enum class TXPropKind : uint8_t {
  Integer,     // int32_t
  Cardinal,    // uint32_t
  Int64,       // int64_t
  Enum,        // an enumeration by identifier; Booleans are "False" and "True"
  Set,         // a set of enumeration members, held as a bit mask; text "[a,b]"
  Float,       // double; date-times are floats (days since 1899-12-30)
  String,      // UTF-8 text
  StringList,  // lines of text
  Object,      // a nested persistent object (or collection) owned by the instance
};

struct TXPropInfo {
  std::string Name;
  TXPropKind Kind = TXPropKind::Integer;
  bool IsDateTime = false;
  bool Stored = true;
  // Declared default of an ordinal (Integer to Set) property; without one the value is always
  // written. Strings are written when not empty, floats when not zero.
  std::optional<int64_t> Default;
  std::vector<std::string> Identifiers;  // of Enum and Set properties

  std::function<int64_t(const TXPersistent&)> GetOrdinal;
  std::function<void(TXPersistent&, int64_t)> SetOrdinal;
  std::function<double(const TXPersistent&)> GetFloat;
  std::function<void(TXPersistent&, double)> SetFloat;
  std::function<std::string(const TXPersistent&)> GetString;
  std::function<void(TXPersistent&, const std::string&)> SetString;
  std::function<std::vector<std::string>(const TXPersistent&)> GetStrings;
  std::function<void(TXPersistent&, const std::vector<std::string>&)> SetStrings;
  std::function<TXPersistent*(TXPersistent&)> GetObject;

  bool IsOrdinal() const { return Kind <= TXPropKind::Set; }
  // True when a filer writes the property: stored, and an object or not at its default.
  bool ShouldStore(const TXPersistent& object) const;
};

// A property that the object stores as raw bytes of its own format ("Data", "CData").
struct TXBinaryProperty {
  std::string Name;
  std::function<bool()> HasData;
  std::function<void(std::vector<uint8_t>&)> Write;
  std::function<void(const std::vector<uint8_t>&)> Read;
};

// The published description of a persistent class.
class TXClassInfo {
 public:
  using Factory = std::unique_ptr<TXPersistent> (*)();

  TXClassInfo(std::string name, const TXClassInfo* parent, Factory factory,
              std::vector<TXPropInfo> properties);
  TXClassInfo(const TXClassInfo&) = delete;
  TXClassInfo& operator=(const TXClassInfo&) = delete;

  const std::string& Name() const { return name_; }
  const TXClassInfo* Parent() const { return parent_; }
  bool InheritsFrom(const TXClassInfo& other) const;
  // A new instance, or nullptr for an abstract class.
  std::unique_ptr<TXPersistent> CreateInstance() const { return factory_ ? factory_() : nullptr; }

  // Every property, the base class's first, in declaration order; a property declared again
  // under an inherited name takes the inherited one's place.
  const std::vector<const TXPropInfo*>& Properties() const { return all_; }
  // By name, ignoring case.
  const TXPropInfo* FindProperty(std::string_view name) const;

 private:
  std::string name_;
  const TXClassInfo* parent_;
  Factory factory_;
  std::vector<TXPropInfo> own_;
  std::vector<const TXPropInfo*> all_;
};

// Class lookup by name, for objects that a stream names by their class ("ObjClassName"). A class
// is known once its StaticClassInfo has been asked for.
const TXClassInfo* FindClassInfo(std::string_view name);
// Creates a class description in the process-wide registry, which keeps it for the process's life.
const TXClassInfo& RegisterClassInfo(std::string name, const TXClassInfo* parent,
                                     TXClassInfo::Factory factory,
                                     std::vector<TXPropInfo> properties);

// The root of every object with published properties.
class TXPersistent : public TXObject {
 public:
  static const TXClassInfo& StaticClassInfo();
  virtual const TXClassInfo& ClassInfo() const { return StaticClassInfo(); }
  const std::string& ClassName() const { return ClassInfo().Name(); }
  bool InheritsFrom(const TXClassInfo& info) const { return ClassInfo().InheritsFrom(info); }

  // Copies the state of another object. The base copies every published property when the
  // source is of this object's class or derives from it, and answers whether it did.
  virtual bool Assign(const TXPersistent& source);
  // Returns every published property to its initial value.
  virtual void Clear() {}
  // Properties that the object writes as raw bytes besides its published ones.
  virtual void DefineBinaryProperties(std::vector<TXBinaryProperty>& /*properties*/) {}
};

// Text form of a property value, as the settings store and the object XML use it.
std::string GetPropText(const TXPersistent& object, const TXPropInfo& prop);
// Sets a property from its text form; answers false when the text does not convert.
bool SetPropText(TXPersistent& object, const TXPropInfo& prop, const std::string& text);
// The same by property name (ignoring case); false for an unknown name.
std::optional<std::string> GetPropText(const TXPersistent& object, std::string_view name);
bool SetPropText(TXPersistent& object, std::string_view name, const std::string& text);
// The nested object of an Object property, or nullptr.
TXPersistent* GetPropObject(TXPersistent& object, std::string_view name);

// Floating-point text with up to 15 significant digits and a full stop, whatever the locale.
std::string FormatFloatText(double value);
std::optional<double> ParseFloatText(std::string_view text);

// Declares the published description inside a persistent class.
#define KOVA_PERSISTENT(Class)                            \
 public:                                                  \
  static const ::kova::TXClassInfo& StaticClassInfo();    \
  const ::kova::TXClassInfo& ClassInfo() const override { \
    return StaticClassInfo();                             \
  }

// Builds a class description from member pointers and accessors, for example:
//   const TXClassInfo& TXFoo::StaticClassInfo() {
//     static const TXClassInfo& info = TXClassBuilder<TXFoo>("TXFoo",
//     TXPersistent::StaticClassInfo())
//         .Property("Name", &TXFoo::name_).Property("Count", &TXFoo::count_).Default(0).Build();
//     return info;
//   }
template <class T>
class TXClassBuilder {
 public:
  TXClassBuilder(std::string name, const TXClassInfo& parent)
      : name_(std::move(name)), parent_(&parent) {}

  // Members and accessors may belong to T or to a base class of T.
  // A data member; the kind follows its type (bool, integers, double, std::string, lines).
  template <class V, class C>
  requires std::is_base_of_v<C, T> TXClassBuilder& Property(std::string name, V C::*member);
  // A getter and a setter; the kind follows the getter's type.
  template <class V, class A, class CG, class CS>
  requires std::is_base_of_v<CG, T> && std::is_base_of_v<CS, T> TXClassBuilder& Property(
      std::string name, V (CG::*getter)() const, void (CS::*setter)(A));
  // An enumeration data member with its identifiers in value order.
  template <class E, class C>
  requires std::is_base_of_v<C, T> TXClassBuilder& Enum(std::string name, E C::*member,
                                                        std::vector<std::string> identifiers);
  // A date-time data member (days since 1899-12-30).
  template <class C>
  requires std::is_base_of_v<C, T> TXClassBuilder& DateTime(std::string name, double C::*member);
  // A nested object reached through an accessor.
  template <class U>
  TXClassBuilder& Object(std::string name, U* (T::*getter)());
  template <class U>
  TXClassBuilder& Object(std::string name, U& (T::*getter)());
  // Any property described by hand.
  TXClassBuilder& Custom(TXPropInfo info);

  // Modifiers of the last property added.
  TXClassBuilder& Default(int64_t value);
  TXClassBuilder& NotStored();

  // Registers the description; call once, from the class's StaticClassInfo.
  const TXClassInfo& Build() const;

 private:
  static T& Self(TXPersistent& object) { return static_cast<T&>(object); }
  static const T& Self(const TXPersistent& object) { return static_cast<const T&>(object); }
  TXClassBuilder& Add(TXPropInfo info);
  template <class V, class Get, class Set>
  TXClassBuilder& Typed(std::string name, Get get, Set set);

  std::string name_;
  const TXClassInfo* parent_;
  std::vector<TXPropInfo> properties_;
};

template <class T>
TXClassBuilder<T>& TXClassBuilder<T>::Add(TXPropInfo info) {
  properties_.push_back(std::move(info));
  return *this;
}

template <class T>
template <class V, class Get, class Set>
TXClassBuilder<T>& TXClassBuilder<T>::Typed(std::string name, Get get, Set set) {
  TXPropInfo info;
  info.Name = std::move(name);
  if constexpr (std::is_same_v<V, bool>) {
    info.Kind = TXPropKind::Enum;
    info.Identifiers = {"False", "True"};
  } else if constexpr (std::is_same_v<V, int32_t> || std::is_same_v<V, int16_t> ||
                       std::is_same_v<V, uint16_t> || std::is_same_v<V, uint8_t>) {
    info.Kind = TXPropKind::Integer;
  } else if constexpr (std::is_same_v<V, uint32_t>) {
    info.Kind = TXPropKind::Cardinal;
  } else if constexpr (std::is_same_v<V, int64_t>) {
    info.Kind = TXPropKind::Int64;
  } else if constexpr (std::is_same_v<V, double>) {
    info.Kind = TXPropKind::Float;
  } else if constexpr (std::is_same_v<V, std::string>) {
    info.Kind = TXPropKind::String;
  } else if constexpr (std::is_same_v<V, std::vector<std::string>>) {
    info.Kind = TXPropKind::StringList;
  } else {
    static_assert(sizeof(V) == 0, "no property kind for this type");
  }
  if constexpr (std::is_integral_v<V>) {
    info.GetOrdinal = [get](const TXPersistent& o) { return static_cast<int64_t>(get(Self(o))); };
    info.SetOrdinal = [set](TXPersistent& o, int64_t v) { set(Self(o), static_cast<V>(v)); };
  } else if constexpr (std::is_same_v<V, double>) {
    info.GetFloat = [get](const TXPersistent& o) { return get(Self(o)); };
    info.SetFloat = [set](TXPersistent& o, double v) { set(Self(o), v); };
  } else if constexpr (std::is_same_v<V, std::string>) {
    info.GetString = [get](const TXPersistent& o) { return get(Self(o)); };
    info.SetString = [set](TXPersistent& o, const std::string& v) { set(Self(o), v); };
  } else {
    info.GetStrings = [get](const TXPersistent& o) { return get(Self(o)); };
    info.SetStrings = [set](TXPersistent& o, const std::vector<std::string>& v) {
      set(Self(o), v);
    };
  }
  return Add(std::move(info));
}

template <class T>
template <class V, class C>
requires std::is_base_of_v<C, T> TXClassBuilder<T>
&TXClassBuilder<T>::Property(std::string name, V C::*member) {
  return Typed<V>(
      std::move(name), [member](const T& t) { return t.*member; },
      [member](T& t, const V& v) { t.*member = v; });
}

template <class T>
template <class V, class A, class CG, class CS>
requires std::is_base_of_v<CG, T> && std::is_base_of_v<CS, T> TXClassBuilder<T>
&TXClassBuilder<T>::Property(std::string name, V (CG::*getter)() const, void (CS::*setter)(A)) {
  return Typed<std::decay_t<V>>(
      std::move(name), [getter](const T& t) { return (t.*getter)(); },
      [setter](T& t, const std::decay_t<V>& v) { (t.*setter)(v); });
}

template <class T>
template <class E, class C>
requires std::is_base_of_v<C, T> TXClassBuilder<T>
&TXClassBuilder<T>::Enum(std::string name, E C::*member, std::vector<std::string> identifiers) {
  TXPropInfo info;
  info.Name = std::move(name);
  info.Kind = TXPropKind::Enum;
  info.Identifiers = std::move(identifiers);
  info.GetOrdinal = [member](const TXPersistent& o) {
    return static_cast<int64_t>(Self(o).*member);
  };
  info.SetOrdinal = [member](TXPersistent& o, int64_t v) { Self(o).*member = static_cast<E>(v); };
  return Add(std::move(info));
}

template <class T>
template <class C>
requires std::is_base_of_v<C, T> TXClassBuilder<T>
&TXClassBuilder<T>::DateTime(std::string name, double C::*member) {
  Property(std::move(name), member);
  properties_.back().IsDateTime = true;
  return *this;
}

template <class T>
template <class U>
TXClassBuilder<T>& TXClassBuilder<T>::Object(std::string name, U* (T::*getter)()) {
  TXPropInfo info;
  info.Name = std::move(name);
  info.Kind = TXPropKind::Object;
  info.GetObject = [getter](TXPersistent& o) -> TXPersistent* { return (Self(o).*getter)(); };
  return Add(std::move(info));
}

template <class T>
template <class U>
TXClassBuilder<T>& TXClassBuilder<T>::Object(std::string name, U& (T::*getter)()) {
  TXPropInfo info;
  info.Name = std::move(name);
  info.Kind = TXPropKind::Object;
  info.GetObject = [getter](TXPersistent& o) -> TXPersistent* { return &(Self(o).*getter)(); };
  return Add(std::move(info));
}

template <class T>
TXClassBuilder<T>& TXClassBuilder<T>::Custom(TXPropInfo info) {
  return Add(std::move(info));
}

template <class T>
TXClassBuilder<T>& TXClassBuilder<T>::Default(int64_t value) {
  properties_.back().Default = value;
  return *this;
}

template <class T>
TXClassBuilder<T>& TXClassBuilder<T>::NotStored() {
  properties_.back().Stored = false;
  return *this;
}

template <class T>
const TXClassInfo& TXClassBuilder<T>::Build() const {
  TXClassInfo::Factory factory = nullptr;
  if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>) {
    factory = []() -> std::unique_ptr<TXPersistent> { return std::make_unique<T>(); };
  }
  return RegisterClassInfo(name_, parent_, factory, properties_);
}

}  // namespace kova
