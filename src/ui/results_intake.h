#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <vector>

#include "imaging/bitmap32.h"

namespace kova {

class TXDRFileItem;
class TXDRResultsImages;
class TXDRResultsModel;
class TXDRTypeIcons;

// Turns announced files into rows of the results list without holding up the user interface. A
// scan announces its files one notification each, often thousands in one delivery; each is only
// queued here. A zero-time timer then prepares queued files (icon indexes, the framed thumbnail in
// the large list, the item's thumbnail bytes dropped) for a slice of time at a time, and shows
// the prepared ones as rows at most every kShowInterval, so that the views lay themselves out a
// few times a second rather than once per file.
class TXDRResultsIntake : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kSlice{15};
  static constexpr std::chrono::milliseconds kShowInterval{60};

  // What slices and showings are measured by: a steady clock, in milliseconds.
  using TXClock = std::function<std::chrono::milliseconds()>;

  TXDRResultsIntake(TXDRResultsModel& model, TXDRResultsImages& images, QObject* parent = nullptr);

  // Replaces the steady clock (a test's clock tells the intake how long its work took).
  void SetClock(TXClock clock);

  // The icons whose indexes the files get (not owned).
  void SetIcons(const TXDRTypeIcons* icons) { icons_ = icons; }
  // The colours thumbnails are drawn with: the list's background and the frame.
  void SetColours(TXColor background, TXColor frame);

  void Add(TXDRFileItem* item);
  // Forgets every waiting file.
  void Clear();
  // Files announced but not shown yet.
  int WaitingCount() const { return static_cast<int>(queued_.size() + prepared_.size()); }
  // Sets Checked of the waiting files, or of those of one group (0 images, 1 video, 2 audio).
  void SetChecked(bool checked);
  void SetGroupChecked(int group, bool checked);

  // Prepares queued files until the time is used up (one at least), and shows the prepared ones
  // when the last showing is kShowInterval ago or nothing is left.
  void Process(std::chrono::milliseconds budget);
  // Prepares and shows every waiting file now.
  void ProcessAll();

 private:
  void Prepare(TXDRFileItem& item);
  void Show();
  void Turn();
  template <class Match>
  void SetWaitingChecked(bool checked, Match match);

  TXDRResultsModel& model_;
  TXDRResultsImages& images_;
  const TXDRTypeIcons* icons_ = nullptr;
  TXColor background_ = MakeColor(255, 255, 255);
  TXColor frame_ = MakeColor(128, 128, 128);
  std::deque<TXDRFileItem*> queued_;
  std::vector<TXDRFileItem*> prepared_;
  QTimer timer_;
  TXClock clock_;
  std::chrono::milliseconds shownAt_{0};
};

}  // namespace kova
