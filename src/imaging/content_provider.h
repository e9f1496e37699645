#pragma once

#include "framework/managed_object.h"

namespace kova {

// A counted object that hands out the object it holds.
template <class T>
class IXContentProvider : public TXManagedObject {
 public:
  using TXManagedObject::TXManagedObject;
  virtual T* GetContent() const = 0;
};

// Holds one object behind a counted reference shared between threads; with ownership the object
// is freed with the last reference.
template <class T>
class TXManagedObjectContainer final : public IXContentProvider<T> {
 public:
  TXManagedObjectContainer(T* object, bool owns)
      : IXContentProvider<T>(TXRefMode::rmInterlocked), object_(object), owns_(owns) {}
  ~TXManagedObjectContainer() override {
    if (owns_) delete object_;
  }

  T* GetContent() const override { return object_; }

 private:
  T* object_;
  bool owns_;
};

}  // namespace kova
