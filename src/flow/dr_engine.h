#pragma once

#include <functional>
#include <memory>

#include "flow/dr_data_gear.h"
#include "flow/dr_view_gear.h"
#include "framework/engine.h"
#include "run/dr_worker_gear.h"

namespace kova {

// The engine of the recovery flow. It owns three gears: the data gear (what the user chose and
// what the runs produced), the view gear (the user interface) and the worker gear (the recovery
// threads). Announcing TXAssembleAspect wires them, in the order data, view, worker. Its
// destruction ends every subscription among the gears, then frees the worker, data and view
// gears in that order. The scan thread reports through the engine's virtual message functions, so
// the most derived engine class stops it in its own destructor (StopWork), before any part of the
// engine is torn down.
class TXDREngine : public TXEngine {
 public:
  ~TXDREngine() override;

  TXDRDataGear& DataGear() const { return *data_; }
  TXDRViewGear& ViewGear() const { return *view_; }
  TXDRWorkerGear& WorkerGear() const { return *worker_; }

  // What the results page does when a scan found nothing (the program shows a message).
  std::function<void()> NothingFoundAction;

  // Announces TXAssembleAspect once the settings and the view's parts are set.
  void Assemble();

 protected:
  TXDREngine(IXEventLoop& loop, std::string name);

  // Each gear is attached right after its creation, so that the gears assemble in that order.
  void AttachData(TXDRDataGear& data);
  void AttachView(TXDRViewGear& view);
  void AttachWorker(TXDRWorkerGear& worker) { worker_ = &worker; }
  // Asks a running recovery thread to terminate and waits for it.
  void StopWork();

 private:
  void Unsubscribe(TXCustomGear& gear);

  TXDRDataGear* data_ = nullptr;
  TXDRViewGear* view_ = nullptr;
  TXDRWorkerGear* worker_ = nullptr;
};

// The engine with gears of the given classes.
template <class TData, class TView, class TWorker>
class TXDREngineOf : public TXDREngine {
 public:
  explicit TXDREngineOf(IXEventLoop& loop = DefaultEventLoop(), std::string name = "Recovery")
      : TXDREngine(loop, std::move(name)) {
    AttachData(CreateGear<TData>(*this));
    AttachView(CreateGear<TView>(*this));
    AttachWorker(CreateGear<TWorker>());
  }

  TData& Data() const { return static_cast<TData&>(DataGear()); }
  TView& View() const { return static_cast<TView&>(ViewGear()); }
};

}  // namespace kova
