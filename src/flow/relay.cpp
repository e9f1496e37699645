#include "flow/relay.h"

#include <algorithm>
#include <utility>

#include "framework/aspects.h"
#include "recovery/recovery_aspects.h"

namespace kova {

namespace {

using TXRelayEntry = std::pair<const TXObservable*, const AXNotification*>;

thread_local std::vector<TXRelayEntry> relaysInFlight;

template <class A, class... Args>
TXNotificationRef SharedCopy(Args&&... args) {
  return MakeSharedNotification<A>(std::forward<Args>(args)...);
}

}  // namespace

void RelayNotification(TXObservable& target, AXNotification& notification) {
  const TXRelayEntry entry{&target, &notification};
  if (std::find(relaysInFlight.begin(), relaysInFlight.end(), entry) != relaysInFlight.end())
    return;
  relaysInFlight.push_back(entry);
  try {
    target.Dispatch(notification);
  } catch (...) {
    std::erase(relaysInFlight, entry);
    throw;
  }
  std::erase(relaysInFlight, entry);
}

TXNotificationRef PostableNotification(AXNotification& n) {
  if (n.RefMode() == TXRefMode::rmInterlocked) return TXNotificationRef(&n);
  if (auto* a = n.AspectAs<TXProgressChangedAspect>())
    return SharedCopy<TXProgressChangedAspect>(a->Position);
  if (auto* a = n.AspectAs<TXProgressSectionChangedAspect>())
    return SharedCopy<TXProgressSectionChangedAspect>(a->Section);
  if (auto* a = n.AspectAs<TXProgressStyleChangedAspect>())
    return SharedCopy<TXProgressStyleChangedAspect>(a->Style);
  if (auto* a = n.AspectAs<TXDRAddFileAspect>()) return SharedCopy<TXDRAddFileAspect>(a->Item);
  if (auto* a = n.AspectAs<TXLogStringAspect>()) return SharedCopy<TXLogStringAspect>(a->Text);
  if (n.AspectAs<TXLogClearAspect>()) return SharedCopy<TXLogClearAspect>();
  if (auto* a = n.AspectAs<TXOperationThreadTerminatedAspect>())
    return SharedCopy<TXOperationThreadTerminatedAspect>(a->Name, a->ErrorData);
  return nullptr;
}

void TXKeptObservers::Add(TXObservable& source, const TXAspectClass& aspectClass,
                          TXHandler handler) {
  keepers_.push_back(source.AddKeptObserver(aspectClass, std::move(handler)));
}

}  // namespace kova
