#pragma once

#include <type_traits>
#include <typeindex>
#include <typeinfo>

#include "framework/managed_object.h"

namespace kova {

// Payload of a notification. Each subclass carries the details of one kind of event as plain
// fields set by its constructor; its class says what happened.
class TXCustomAspect : public TXObject {};

// The identity of an aspect class, as observers register for it. One instance exists per class;
// compare them by address.
struct TXAspectClass {
  std::type_index type;
  // True when the aspect is of this class or of a class derived from it.
  bool (*matches)(const TXCustomAspect& aspect);
};

template <class A>
const TXAspectClass& AspectClassOf() {
  static_assert(std::is_base_of_v<TXCustomAspect, A>, "observers register for aspect classes");
  static const TXAspectClass aspectClass{typeid(A), [](const TXCustomAspect& aspect) {
                                           if constexpr (std::is_same_v<A, TXCustomAspect>) {
                                             return true;
                                           } else {
                                             return dynamic_cast<const A*>(&aspect) != nullptr;
                                           }
                                         }};
  return aspectClass;
}

// Registering for the root aspect class means every aspect.
inline const TXAspectClass& EveryAspect() {
  return AspectClassOf<TXCustomAspect>();
}

}  // namespace kova
