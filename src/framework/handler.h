#pragma once

#include <functional>
#include <string>
#include <typeinfo>
#include <utility>

namespace kova {

class AXNotification;

// An observer's callback: a target object plus a method taking the notification. Two handlers are
// the same when both the target and the method are the same, which is what removal compares.
class TXHandler {
 public:
  using Function = std::function<void(AXNotification&)>;

  template <class C>
  TXHandler(C* target, void (C::*method)(AXNotification&))
      : target_(target),
        key_(MethodKey(method)),
        function_([target, method](AXNotification& n) { (target->*method)(n); }) {}

  // A callable with an explicit identity: the key tells apart several callables of one target.
  TXHandler(const void* target, std::string key, Function function)
      : target_(target), key_(std::move(key)), function_(std::move(function)) {}

  const void* Target() const { return target_; }
  void operator()(AXNotification& notification) const { function_(notification); }

  friend bool operator==(const TXHandler& a, const TXHandler& b) {
    return a.target_ == b.target_ && a.key_ == b.key_;
  }

 private:
  template <class M>
  static std::string MethodKey(M method) {
    return std::string(reinterpret_cast<const char*>(&method), sizeof(method)) + typeid(M).name();
  }

  const void* target_;
  std::string key_;
  Function function_;
};

}  // namespace kova
