#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

// The language manager: every window, page and dialog registers the procedure that puts its texts
// on its controls, and the manager calls them all again whenever the language changes.
namespace kova {

// A procedure with an identity: a target object plus a method. Two procedures are the same when
// both the target and the method are the same, which is what removal compares.
class TXAnyProcedure {
 public:
  using Function = std::function<void()>;

  template <class C>
  TXAnyProcedure(C* target, void (C::*method)())
      : target_(target),
        key_(std::string(reinterpret_cast<const char*>(&method), sizeof(method)) +
             typeid(method).name()),
        function_([target, method] { (target->*method)(); }) {}

  // A callable with an explicit identity: the key tells apart several callables of one target.
  TXAnyProcedure(const void* target, std::string key, Function function)
      : target_(target), key_(std::move(key)), function_(std::move(function)) {}

  const void* Target() const { return target_; }
  void operator()() const { function_(); }

  friend bool operator==(const TXAnyProcedure& a, const TXAnyProcedure& b) {
    return a.target_ == b.target_ && a.key_ == b.key_;
  }

 private:
  const void* target_;
  std::string key_;
  Function function_;
};

// Registered procedures in registration order. User-interface thread only.
class TXLanguageManager {
 public:
  // Appends the procedure (a second registration of the same one is ignored) and, unless applying
  // is suspended, calls it at once. Answers false when that call threw.
  bool Register(TXAnyProcedure procedure);
  template <class C>
  bool Register(C* target, void (C::*method)()) {
    return Register(TXAnyProcedure(target, method));
  }
  void Unregister(const TXAnyProcedure& procedure);
  template <class C>
  void Unregister(C* target, void (C::*method)()) {
    Unregister(TXAnyProcedure(target, method));
  }
  // Removes every procedure of the target.
  void UnregisterTarget(const void* target);

  // Unless suspended, calls every procedure in registration order. An exception stops the round:
  // it is recorded as the thread's last error and the answer is false. A procedure removed during
  // the round is not called.
  bool Apply();

  // Suspensions nest; the last Resume ends them and, when asked, applies at once.
  void Suspend() { ++suspended_; }
  bool Resume(bool applyNow);
  bool IsSuspended() const { return suspended_ > 0; }

  size_t Count() const { return entries_.size(); }

 private:
  struct Entry {
    uint64_t Serial;
    TXAnyProcedure Procedure;
  };
  static bool CallGuarded(const TXAnyProcedure& procedure);
  const Entry* FindSerial(uint64_t serial) const;

  std::vector<Entry> entries_;
  uint64_t nextSerial_ = 0;
  int32_t suspended_ = 0;
};

// The process-wide language manager.
TXLanguageManager& LanguageManager();

}  // namespace kova
