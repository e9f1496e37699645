#include "imaging/geometry.h"

#include <algorithm>

namespace kova {

int32_t RoundedQuotient(int64_t numerator, int64_t denominator) {
  int64_t quotient = numerator / denominator;
  int64_t twiceRemainder = 2 * (numerator % denominator);
  if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0)) {
    ++quotient;
  }
  return static_cast<int32_t>(quotient);
}

TXSize FitSize(int32_t sw, int32_t sh, int32_t aw, int32_t ah) {
  if (sw <= 0 || sh <= 0 || (aw >= sw && ah >= sh)) return {sw, sh};
  aw = std::max(aw, 0);
  ah = std::max(ah, 0);
  int32_t w = aw;
  int32_t h = RoundedQuotient(int64_t{aw} * sh, sw);
  if (h > ah) {
    h = ah;
    w = RoundedQuotient(int64_t{sw} * ah, sh);
  }
  return {w, h};
}

TXRect CenteredRect(const TXRect& area, TXSize size) {
  return TXRect::FromSize(area.Left + (area.Width() - size.Width) / 2,
                          area.Top + (area.Height() - size.Height) / 2, size.Width, size.Height);
}

}  // namespace kova
