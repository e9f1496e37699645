#pragma once

#include "framework/core_app.h"
#include "framework/worker_interfaces.h"

namespace kova {

// A recovery run stops when the application shuts down or its worker has terminated (finished,
// failed or cancelled).
inline bool RunStopped(const IXWorker& worker) {
  return CoreApp().IsTerminating() || worker.IsTerminated();
}

}  // namespace kova
