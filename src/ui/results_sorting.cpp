#include "ui/results_sorting.h"

#include "framework/text_utils.h"
#include "recovery/file_item.h"

namespace kova {

namespace {

template <class T>
int Sign(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareDimensions(TXSize a, TXSize b) {
  const int byArea = Sign(int64_t{a.Width} * a.Height, int64_t{b.Width} * b.Height);
  return byArea != 0 ? byArea : Sign(a.Width, b.Width);
}

int Normalised(int comparison) {
  return comparison < 0 ? -1 : (comparison > 0 ? 1 : 0);
}

}  // namespace

void TXDRResultsSort::ChooseEntry(int entry) {
  if (entry <= 0 || entry > kResultsColumnCount) {
    state_ = TXSortState::ssNone;
    return;
  }
  if (state_ == TXSortState::ssNone) state_ = TXSortState::ssAscending;
  column_ = entry - 1;
}

void TXDRResultsSort::ClickColumn(int column) {
  if (column < 0 || column >= kResultsColumnCount) return;
  column_ = column;
  switch (state_) {
    case TXSortState::ssNone:
      state_ = TXSortState::ssAscending;
      break;
    case TXSortState::ssAscending:
      state_ = TXSortState::ssDescending;
      break;
    case TXSortState::ssDescending:
      state_ = TXSortState::ssNone;
      break;
  }
}

bool TXDRResultsSort::Before(const TXDRFileItem& a, const TXDRFileItem& b) const {
  if (state_ != TXSortState::ssNone) {
    const int direction = state_ == TXSortState::ssAscending ? 1 : -1;
    const int order = direction * CompareByColumn(column_, a, b);
    if (order != 0) return order < 0;
  }
  return a.ID() < b.ID();
}

int CompareByColumn(int column, const TXDRFileItem& a, const TXDRFileItem& b) {
  switch (column) {
    case rcName:
      return Normalised(CompareText(a.Name, b.Name));
    case rcDimensions:
      return CompareDimensions(a.Dimensions, b.Dimensions);
    case rcSize:
      return Sign(a.Size(), b.Size());
    case rcType:
      return Normalised(CompareText(a.Ext, b.Ext));
    case rcCreated:
      return Sign(a.Created, b.Created);
    case rcOrigin: {
      const int byOrigin = Sign(OriginOf(a), OriginOf(b));
      return byOrigin != 0 ? byOrigin : Sign(MayBeDamaged(a), MayBeDamaged(b));
    }
    default:
      return 0;
  }
}

}  // namespace kova
