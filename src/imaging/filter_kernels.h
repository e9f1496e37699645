#pragma once

#include "framework/persistent.h"

// Resampling filter kernels. The radius is a 32-bit float and the arithmetic follows it exactly,
// so that weight maps come out the same wherever they are built.
namespace kova {

class TXFilterKernel : public TXPersistent {
  KOVA_PERSISTENT(TXFilterKernel)

 public:
  float Radius() const { return radius_; }
  // The base kernel has a fixed radius of 1 and ignores the value.
  virtual void SetRadius(float radius);
  // The kernel's value at distance x from the centre.
  virtual double Evaluate(float x) const = 0;

  // Copies another kernel's radius through SetRadius.
  bool Assign(const TXPersistent& source) override;

 protected:
  float radius_ = 1.0f;
};

// A kernel whose radius may be set: above 4 becomes 4, exactly 0 becomes 1, anything else stays.
// 3 at creation and after Clear.
class TXSizableFilterKernel : public TXFilterKernel {
  KOVA_PERSISTENT(TXSizableFilterKernel)

 public:
  TXSizableFilterKernel() { radius_ = 3.0f; }
  void SetRadius(float radius) override;
  void Clear() override { radius_ = 3.0f; }
};

class TXLanczosKernel : public TXSizableFilterKernel {
  KOVA_PERSISTENT(TXLanczosKernel)

 public:
  TXLanczosKernel() = default;
  explicit TXLanczosKernel(float radius) { SetRadius(radius); }
  // 1 at 0; 0 from the radius on; otherwise sin(a) r sin(a / r) / a^2 with a = |x| pi, each step
  // rounded to 32 bits.
  double Evaluate(float x) const override;
};

// The imaging layer's own Lanczos kernel of radius 3.
const TXLanczosKernel& DefaultLanczosKernel();

}  // namespace kova
