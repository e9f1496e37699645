#pragma once

#include <vector>

#include "framework/gear_component.h"

namespace kova::components {

// A gear that holds gears. It owns them, shares its handle with them and closes only when all
// of them may.
class TXGearBox : public TXGear {
 public:
  using TXGear::TXGear;
  ~TXGearBox() override;

  // Creates a gear held by the box; it receives the box's handle at once.
  template <class G, class... Args>
  G& AddGear(Args&&... args) {
    G& gear = Create<G>(std::forward<Args>(args)...);
    gears_.push_back(&gear);
    gear.ReceiveOwnerHandle(Handle());
    return gear;
  }
  const std::vector<TXGear*>& Gears() const { return gears_; }

  // Stores the handle and hands it to every gear in order.
  void SetHandle(TXWindowHandle handle) override;
  // True only when every gear answers true; every gear is asked.
  bool CanClose() override;
  void ReleaseHandle() override;

 protected:
  void Notification(TXComponent& component, TXOperation operation) override;

 private:
  std::vector<TXGear*> gears_;
};

// A gear box with a hidden window of its own (the base of engines made of components).
class TXEngineBox : public TXOwnWindowGear<TXGearBox> {
 public:
  using TXOwnWindowGear::TXOwnWindowGear;
};

}  // namespace kova::components
