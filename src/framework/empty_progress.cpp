#include "framework/empty_progress.h"

namespace kova {

TXEmptyProgress& EmptyProgress() {
  static TXEmptyProgress progress;
  return progress;
}

}  // namespace kova
