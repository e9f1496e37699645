#pragma once

#include <cstdint>

namespace kova {

class TXDRFileItem;

// The columns of the results list, in the order they are created.
enum TXDRResultsColumn : int {
  rcName = 0,
  rcDimensions = 1,
  rcSize = 2,
  rcType = 3,
  rcCreated = 4,
  rcOrigin = 5,
};
inline constexpr int kResultsColumnCount = 6;

enum class TXSortState : uint8_t { ssNone, ssAscending, ssDescending };

// How the results list is ordered: not at all (the order in which the files were found), or
// ascending or descending by one column. The sort combo's entries are "None" followed by the
// columns.
class TXDRResultsSort {
 public:
  TXSortState State() const { return state_; }
  int Column() const { return column_; }

  // Entry 0 ("None") stops sorting; entry n sorts by column n - 1, ascending when the list was
  // not sorted, else keeping the direction.
  void ChooseEntry(int entry);
  // The clicked column becomes the sort column and the state steps from none to ascending to
  // descending and back to none, from the state the list was in whatever its column.
  void ClickColumn(int column);
  // The combo entry that shows the order.
  int Entry() const { return state_ == TXSortState::ssNone ? 0 : column_ + 1; }

  // Whether `a` comes before `b`. Files that compare equal keep the order they were found in.
  bool Before(const TXDRFileItem& a, const TXDRFileItem& b) const;

 private:
  TXSortState state_ = TXSortState::ssNone;
  int column_ = rcName;
};

// -1, 0 or 1 as `a` orders before, with or after `b` by the column: names and types ignoring
// case, picture sizes by area and then width, sizes, creation dates, origins (live, deleted,
// lost folder, search; a file that may be damaged after an intact one of its origin).
int CompareByColumn(int column, const TXDRFileItem& a, const TXDRFileItem& b);

}  // namespace kova
