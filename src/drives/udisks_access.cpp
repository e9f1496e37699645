#include "drives/udisks_access.h"

#include <fcntl.h>
#include <unistd.h>

namespace kova {

namespace {

TXAccessGrant CopyOf(int descriptor) {
  const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return {-1, TXAccessRefusal::arFailed, "no descriptor left to read the drive"};
  return {copy, TXAccessRefusal::arNone, {}};
}

}  // namespace

TXUDisksAccessBroker::TXUDisksAccessBroker(const std::string& address) : client_(address) {}

TXUDisksAccessBroker::~TXUDisksAccessBroker() {
  Forget();
}

TXAccessGrant TXUDisksAccessBroker::Grant(const std::string& path, TXAccessPrompt prompt) {
  std::lock_guard lock(mutex_);
  if (auto kept = granted_.find(path); kept != granted_.end()) return CopyOf(kept->second);
  TXUDisksOpening opening = client_.OpenForBackup(path, prompt);
  if (opening.Refusal == TXAccessRefusal::arNoAgent) noAgent_.insert(path);
  // A drive that could be unlocked if anything could ask for the password is not offered as
  // locked once asking found nobody to ask: going on would only be refused again.
  if (opening.Refusal == TXAccessRefusal::arNeedsPassword && noAgent_.contains(path))
    opening.Refusal = TXAccessRefusal::arNoAgent;
  if (opening.Descriptor < 0) {
    refused_[path] = {-1, opening.Refusal, opening.Reason};
    return refused_[path];
  }
  refused_.erase(path);
  granted_[path] = opening.Descriptor;
  return CopyOf(opening.Descriptor);
}

TXAccessGrant TXUDisksAccessBroker::LastRefusal(const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto refused = refused_.find(path);
  return refused == refused_.end() ? TXAccessGrant{} : refused->second;
}

void TXUDisksAccessBroker::Forget() {
  std::lock_guard lock(mutex_);
  for (const auto& [path, descriptor] : granted_)
    ::close(descriptor);
  granted_.clear();
  noAgent_.clear();
}

}  // namespace kova
