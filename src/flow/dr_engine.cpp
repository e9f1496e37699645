#include "flow/dr_engine.h"

#include <utility>

#include "framework/aspects.h"
#include "framework/error_data.h"

namespace kova {

namespace {

// The user-interface thread raises on cancellation (1) and on a drive that is gone (11).
constexpr uint32_t kUserInterfaceRaiseMask = (1u << kErrCancelled) | (1u << kErrNotReady);

}  // namespace

TXDREngine::TXDREngine(IXEventLoop& loop, std::string name) : TXEngine(loop, std::move(name)) {
  ThreadError().RaiseMasks = {kUserInterfaceRaiseMask, 0, 0, 0};
}

TXDREngine::~TXDREngine() {
  TXCustomGear* gears[] = {worker_, data_, view_};
  for (TXCustomGear* gear : gears)
    Unsubscribe(*gear);
  RemoveGear(*std::exchange(worker_, nullptr)).reset();
  RemoveGear(*std::exchange(data_, nullptr)).reset();
  RemoveGear(*std::exchange(view_, nullptr)).reset();
}

void TXDREngine::StopWork() {
  if (worker_) worker_->StopThread();
}

void TXDREngine::Unsubscribe(TXCustomGear& gear) {
  RemoveObserversOf(&gear);
  gear.RemoveObserversOf(this);
  TXCustomGear* others[] = {worker_, data_, view_};
  for (TXCustomGear* other : others) {
    if (other && other != &gear) other->RemoveObserversOf(&gear);
  }
}

void TXDREngine::AttachData(TXDRDataGear& data) {
  data_ = &data;
  AddObserver<TXAssembleAspect>(&data, &TXDRDataGear::OnAssemble);
}

void TXDREngine::AttachView(TXDRViewGear& view) {
  view_ = &view;
  AddObserver<TXAssembleAspect>(&view, &TXDRViewGear::OnAssemble);
}

void TXDREngine::Assemble() {
  DispatchAspect<TXAssembleAspect>(*this);
}

}  // namespace kova
