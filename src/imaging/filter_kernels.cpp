#include "imaging/filter_kernels.h"

#include <cmath>

namespace kova {

namespace {

TXPropInfo RadiusProperty() {
  TXPropInfo info;
  info.Name = "Radius";
  info.Kind = TXPropKind::Float;
  info.GetFloat = [](const TXPersistent& o) {
    return static_cast<double>(static_cast<const TXFilterKernel&>(o).Radius());
  };
  info.SetFloat = [](TXPersistent& o, double v) {
    static_cast<TXFilterKernel&>(o).SetRadius(static_cast<float>(v));
  };
  return info;
}

}  // namespace

const TXClassInfo& TXFilterKernel::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXFilterKernel>("TXFilterKernel", TXPersistent::StaticClassInfo())
          .Custom(RadiusProperty())
          .Build();
  return info;
}

void TXFilterKernel::SetRadius(float) {}

bool TXFilterKernel::Assign(const TXPersistent& source) {
  auto* other = dynamic_cast<const TXFilterKernel*>(&source);
  if (!other) return false;
  SetRadius(other->Radius());
  return true;
}

const TXClassInfo& TXSizableFilterKernel::StaticClassInfo() {
  static const TXClassInfo& info = TXClassBuilder<TXSizableFilterKernel>(
                                       "TXSizableFilterKernel", TXFilterKernel::StaticClassInfo())
                                       .Build();
  return info;
}

void TXSizableFilterKernel::SetRadius(float radius) {
  if (radius > 4.0f) {
    radius_ = 4.0f;
  } else if (radius == 0.0f) {
    radius_ = 1.0f;
  } else {
    radius_ = radius;
  }
}

const TXClassInfo& TXLanczosKernel::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXLanczosKernel>("TXLanczosKernel", TXSizableFilterKernel::StaticClassInfo())
          .Build();
  return info;
}

double TXLanczosKernel::Evaluate(float x) const {
  if (x == 0.0f) return 1.0;
  float a = std::fabs(x);
  if (a >= radius_) return 0.0;
  constexpr float kPi = 3.14159274f;
  a = a * kPi;
  long double sine = std::sin(static_cast<long double>(a));
  long double value = sine * radius_ * std::sin(static_cast<long double>(a) / radius_) /
                      (static_cast<long double>(a) * a);
  return static_cast<float>(value);
}

const TXLanczosKernel& DefaultLanczosKernel() {
  static const TXLanczosKernel kernel(3.0f);
  return kernel;
}

}  // namespace kova
