#pragma once

#include <memory>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "framework/managed_object.h"

namespace kova {

// A registry of process-wide services by type. It owns the services registered with it and frees
// them, newest first, when it goes.
class TXServiceManager : public TXObject {
 public:
  explicit TXServiceManager(std::string name = {}) : name_(std::move(name)) {}
  ~TXServiceManager() override;

  const std::string& Name() const { return name_; }

  // Registers the service for type T, replacing (and freeing) the service registered for T
  // before. The service is also found under its own class when that differs from T and is not
  // registered yet. Answers the service.
  template <class T, class U>
  U& RegisterService(std::unique_ptr<U> service) {
    static_assert(std::is_base_of_v<T, U> && std::is_base_of_v<TXObject, U>);
    U& registered = *service;
    Register(typeid(T), std::move(service));
    return registered;
  }
  // The service registered for T (or found under T's class), or nullptr.
  template <class T>
  T* GetService() const {
    return dynamic_cast<T*>(Find(typeid(T)));
  }
  // Frees the service registered for T, with every other entry that names it.
  template <class T>
  void UnregisterService() {
    Unregister(typeid(T));
  }

 private:
  void Register(std::type_index type, std::unique_ptr<TXObject> service);
  void Unregister(std::type_index type);
  TXObject* Find(std::type_index type) const;

  std::string name_;
  // Requested types and the services' own classes.
  std::unordered_map<std::type_index, TXObject*> services_;
  std::vector<std::unique_ptr<TXObject>> owned_;
};

// The maker and product codes and the version text that the online services send.
class TXAppVersionService : public TXInitializableObject {
 public:
  const std::string& MakerCode() const { return makerCode_; }
  void SetMakerCode(const std::string& code) { makerCode_ = code; }
  const std::string& ProductCode() const { return productCode_; }
  void SetProductCode(const std::string& code) { productCode_ = code; }
  // The application object's version text.
  virtual std::string GetVersion() const;

 private:
  std::string makerCode_ = "xx";
  std::string productCode_;
};

}  // namespace kova
