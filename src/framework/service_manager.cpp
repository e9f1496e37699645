#include "framework/service_manager.h"

#include <algorithm>

#include "framework/framework_objects.h"
#include "framework/vel_app.h"

namespace kova {

TXServiceManager::~TXServiceManager() {
  services_.clear();
  while (!owned_.empty())
    owned_.pop_back();
}

void TXServiceManager::Register(std::type_index type, std::unique_ptr<TXObject> service) {
  Unregister(type);
  TXObject* object = service.get();
  services_[type] = object;
  const std::type_index own = typeid(*object);
  if (!services_.contains(own)) services_[own] = object;
  owned_.push_back(std::move(service));
}

void TXServiceManager::Unregister(std::type_index type) {
  auto found = services_.find(type);
  if (found == services_.end()) return;
  TXObject* old = found->second;
  std::erase_if(services_, [old](const auto& entry) { return entry.second == old; });
  std::erase_if(owned_, [old](const auto& service) { return service.get() == old; });
}

TXObject* TXServiceManager::Find(std::type_index type) const {
  auto found = services_.find(type);
  return found == services_.end() ? nullptr : found->second;
}

std::string TXAppVersionService::GetVersion() const {
  return VelApp().GetVersion();
}

}  // namespace kova
