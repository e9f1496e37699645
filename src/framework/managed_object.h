#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

namespace kova {

// Root of the object model. Every class that other parts observe, own or persist derives from it.
class TXObject {
 public:
  TXObject() = default;
  virtual ~TXObject() = default;
  TXObject(const TXObject&) = delete;
  TXObject& operator=(const TXObject&) = delete;
};

// An object with a second hook that runs once its construction has completed, so that the hook
// may call virtual operations of the finished object. Create such objects with MakeInitialized.
class TXInitializableObject : public TXObject {
 public:
  virtual void AfterConstruction() {}
};

template <class T, class... Args>
std::unique_ptr<T> MakeInitialized(Args&&... args) {
  auto object = std::make_unique<T>(std::forward<Args>(args)...);
  object->AfterConstruction();
  return object;
}

// How a managed object's lifetime is governed.
enum class TXRefMode : uint8_t {
  rmNone = 0,         // not counted: its owner frees it; AddRef and Release answer -1
  rmPlain = 1,        // counted by the one thread that uses it
  rmInterlocked = 2,  // counted atomically: shared between threads
};

// An object reachable through counted references (TXRef). A new object has count 0; the release
// that brings the count back to 0 frees it. Objects with rmNone are owned by whoever created them.
class TXManagedObject : public TXObject {
 public:
  explicit TXManagedObject(TXRefMode mode = TXRefMode::rmNone) : mode_(mode) {}
  ~TXManagedObject() override = default;

  TXRefMode RefMode() const { return mode_; }
  int32_t RefCount() const { return count_.load(std::memory_order_acquire); }

  // Answer the new count, or -1 for an object that is not counted.
  int32_t AddRef() const;
  int32_t Release() const;

 private:
  const TXRefMode mode_;
  mutable std::atomic<int32_t> count_{0};
};

// Counted reference to a managed object (the C++ form of an interface reference). For an object
// with rmNone it is a plain, non-owning pointer.
template <class T>
class TXRef {
 public:
  TXRef() = default;
  TXRef(std::nullptr_t) {}
  TXRef(T* object) : object_(object) { Acquire(); }
  TXRef(const TXRef& other) : object_(other.object_) { Acquire(); }
  TXRef(TXRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  TXRef(const TXRef<U>& other) : object_(other.Get()) {
    Acquire();
  }
  // Takes the reference over without counting, so that handing a new object to another thread
  // (posting a notification) leaves no count change behind on this one.
  template <class U>
  TXRef(TXRef<U>&& other) noexcept : object_(other.Detach()) {}
  ~TXRef() { Drop(); }

  TXRef& operator=(TXRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void Reset() { TXRef().Swap(*this); }
  // Gives up the reference without releasing it.
  T* Detach() noexcept { return std::exchange(object_, nullptr); }
  void Swap(TXRef& other) noexcept { std::swap(object_, other.object_); }

  friend bool operator==(const TXRef& a, const TXRef& b) { return a.object_ == b.object_; }
  friend bool operator==(const TXRef& a, std::nullptr_t) { return a.object_ == nullptr; }

 private:
  void Acquire() {
    if (object_) object_->AddRef();
  }
  void Drop() {
    if (object_) std::exchange(object_, nullptr)->Release();
  }

  T* object_ = nullptr;
};

// Creates a counted object and hands out its first reference.
template <class T, class... Args>
TXRef<T> MakeRef(Args&&... args) {
  return TXRef<T>(new T(std::forward<Args>(args)...));
}

}  // namespace kova
