#include "ui/results_intake.h"

#include <exception>
#include <utility>

#include "imaging/extension_icons.h"
#include "recovery/file_item.h"
#include "recovery/file_types.h"
#include "ui/results_images.h"
#include "ui/results_model.h"

namespace kova {

namespace {

std::chrono::milliseconds SteadyNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace

TXDRResultsIntake::TXDRResultsIntake(TXDRResultsModel& model, TXDRResultsImages& images,
                                     QObject* parent)
    : QObject(parent), model_(model), images_(images), clock_(SteadyNow), shownAt_(clock_()) {
  timer_.setSingleShot(true);
  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, &TXDRResultsIntake::Turn);
}

void TXDRResultsIntake::SetClock(TXClock clock) {
  clock_ = std::move(clock);
  shownAt_ = clock_();
}

void TXDRResultsIntake::SetColours(TXColor background, TXColor frame) {
  background_ = background;
  frame_ = frame;
}

void TXDRResultsIntake::Add(TXDRFileItem* item) {
  if (!item) return;
  queued_.push_back(item);
  if (!timer_.isActive()) timer_.start();
}

void TXDRResultsIntake::Clear() {
  timer_.stop();
  queued_.clear();
  prepared_.clear();
}

template <class Match>
void TXDRResultsIntake::SetWaitingChecked(bool checked, Match match) {
  for (TXDRFileItem* item : queued_) {
    if (match(*item)) item->Checked = checked;
  }
  for (TXDRFileItem* item : prepared_) {
    if (match(*item)) item->Checked = checked;
  }
}

void TXDRResultsIntake::SetChecked(bool checked) {
  SetWaitingChecked(checked, [](const TXDRFileItem&) { return true; });
}

void TXDRResultsIntake::SetGroupChecked(int group, bool checked) {
  SetWaitingChecked(checked, [group](const TXDRFileItem& item) {
    return TXDRResultsModel::GroupOf(item) == group;
  });
}

void TXDRResultsIntake::Turn() {
  Process(kSlice);
  if (WaitingCount() > 0) timer_.start();
}

void TXDRResultsIntake::Process(std::chrono::milliseconds budget) {
  const std::chrono::milliseconds start = clock_();
  while (!queued_.empty()) {
    TXDRFileItem* item = queued_.front();
    queued_.pop_front();
    Prepare(*item);
    prepared_.push_back(item);
    if (clock_() - start >= budget) break;
  }
  if (queued_.empty() || clock_() - shownAt_ >= kShowInterval) Show();
}

void TXDRResultsIntake::ProcessAll() {
  timer_.stop();
  while (!queued_.empty()) {
    Prepare(*queued_.front());
    prepared_.push_back(queued_.front());
    queued_.pop_front();
  }
  Show();
}

void TXDRResultsIntake::Prepare(TXDRFileItem& item) {
  const int32_t icon =
      icons_ ? icons_->IconIndexOf(CatalogueExtension(item.Ext)) : TXDRTypeIcons::kGenericIcon;
  item.SmallImageIndex = icon;
  item.LargeImageIndex = icon;
  if (!item.Thumbnail.IsEmpty()) {
    try {
      const int32_t thumbnail = images_.AddThumbnail(item.Thumbnail, background_, frame_);
      if (thumbnail >= 0) {
        item.LargeImageIndex = thumbnail;
      } else {
        qWarning("The thumbnail of %s cannot be shown; its type icon stands in.",
                 item.Name.c_str());
      }
    } catch (const std::exception& error) {
      qWarning("The thumbnail of %s could not be drawn: %s", item.Name.c_str(), error.what());
    }
  }
  item.Thumbnail.Clear();
}

void TXDRResultsIntake::Show() {
  shownAt_ = clock_();
  if (prepared_.empty()) return;
  std::vector<TXDRFileItem*> shown;
  shown.swap(prepared_);
  model_.Append(shown);
}

}  // namespace kova
