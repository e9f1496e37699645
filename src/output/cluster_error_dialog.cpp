#include "output/cluster_error_dialog.h"

#include <algorithm>

#include "framework/text_utils.h"
#include "output/dr_dialogs.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"

namespace kova {

void TXDRClusterErrorDialog::Reset() {
  Choice = ecNotAsked;
  SkipCount = kDefaultSkipCount;
}

int TXDRClusterErrorDialog::Execute() {
  Dialogs().AskClusterError(*this);
  Normalize();
  return 1;
}

void TXDRClusterErrorDialog::Normalize() {
  if (Choice < ecIgnoreAll || Choice > ecFinishReading) Choice = ecIgnoreAll;
  SkipCount = std::max<int64_t>(1, SkipCount);
}

int64_t TXDRClusterErrorDialog::ParseSkipCount(std::string_view text) {
  return std::max<int64_t>(1, ParseInteger(Trim(text)).value_or(1));
}

std::string TXDRClusterErrorDialog::Title() {
  return Lg().Word(lg::kReadErrorTitle);
}

std::string TXDRClusterErrorDialog::Question() {
  return Lg().Word(lg::kReadErrorQuestion);
}

std::string TXDRClusterErrorDialog::SkipThisText() {
  return Lg().Word(lg::kSkipThisCluster);
}

std::string TXDRClusterErrorDialog::SkipSeveralText() {
  return Lg().Word(lg::kSkipClusters);
}

std::string TXDRClusterErrorDialog::SkipSeveralText(int64_t count) {
  const std::string text = SkipSeveralText();
  const size_t blanks = text.find("  ");
  const std::string number = std::to_string(count);
  if (blanks == std::string::npos) return text + " " + number;
  const size_t after = text.find_first_not_of(' ', blanks);
  const std::string head = text.substr(0, blanks);
  const std::string tail = after == std::string::npos ? std::string() : text.substr(after);
  return head + " " + number + (tail.empty() ? "" : " " + tail);
}

std::string TXDRClusterErrorDialog::IgnoreAllText() {
  return Lg().Word(lg::kIgnoreAllErrors) + " (" + Lg().Word(lg::kDefaultChoice) + ")";
}

std::string TXDRClusterErrorDialog::FinishText() {
  return Lg().Word(lg::kFinishReading);
}

std::string TXDRClusterErrorDialog::OkText() {
  return Lg().Word(lg::kOK);
}

std::string TXDRClusterErrorDialog::UnitLabel() const {
  return Lg().Format(lg::kClusterUnreadable,
                     {std::to_string(FailedUnit), std::to_string(TotalUnits)});
}

std::string TXDRClusterErrorDialog::UnitSizeLabel() const {
  return "(" + Lg().Format(lg::kClusterSize, {std::to_string(UnitSize)}) + ")";
}

}  // namespace kova
