#include "framework/managed_object.h"

namespace kova {

int32_t TXManagedObject::AddRef() const {
  switch (mode_) {
    case TXRefMode::rmNone:
      return -1;
    case TXRefMode::rmPlain: {
      int32_t count = count_.load(std::memory_order_relaxed) + 1;
      count_.store(count, std::memory_order_relaxed);
      return count;
    }
    case TXRefMode::rmInterlocked:
      return count_.fetch_add(1, std::memory_order_acq_rel) + 1;
  }
  return -1;
}

int32_t TXManagedObject::Release() const {
  int32_t count = -1;
  switch (mode_) {
    case TXRefMode::rmNone:
      return -1;
    case TXRefMode::rmPlain:
      count = count_.load(std::memory_order_relaxed) - 1;
      count_.store(count, std::memory_order_relaxed);
      break;
    case TXRefMode::rmInterlocked:
      count = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
      break;
  }
  if (count == 0) delete this;
  return count;
}

}  // namespace kova
