#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kova {

// The answers to an unreadable unit of a card being copied.
enum TXClusterErrorChoice : uint8_t {
  ecNotAsked = 0,
  ecIgnoreAll = 1,     // zeros for every unreadable unit, no further questions
  ecSkipThis = 2,      // zeros for this unit; ask again at the next one
  ecSkipSeveral = 3,   // zeros for SkipCount units from this one, unread
  ecFinishReading = 4  // end the copy here
};

// The question the disk image thread asks when a unit of the card cannot be read, as data that
// travels to the user interface and back. The wizard's form and the terminal fill themselves
// from it (the texts below) and store the answer in Choice and SkipCount.
class TXDRClusterErrorDialog {
 public:
  static constexpr int64_t kDefaultSkipCount = 10;

  uint8_t Choice = ecNotAsked;
  int64_t SkipCount = kDefaultSkipCount;
  int64_t FailedUnit = 0;  // 1-based
  int64_t TotalUnits = 0;
  int64_t UnitSize = 0;

  // A new image: not asked yet, ten units for skipping several.
  void Reset();
  // Asks through the process-wide dialogs; afterwards Choice is one of the four answers (anything
  // else counts as ignoring all errors) and SkipCount at least 1. Always answers 1.
  int Execute();

  // The count typed by the user: 1 when the text is not a number or below 1.
  static int64_t ParseSkipCount(std::string_view text);

  // The texts of the question, from the language texts.
  static std::string Title();
  static std::string Question();
  static std::string SkipThisText();
  // The skip-several text with its run of blanks where the count is typed.
  static std::string SkipSeveralText();
  // The skip-several text with the count in place of its blanks ("Skip 10 clusters").
  static std::string SkipSeveralText(int64_t count);
  static std::string IgnoreAllText();  // followed by the default mark in parentheses
  static std::string FinishText();
  static std::string OkText();
  // "Cluster 65 of 8192 cannot be read."
  std::string UnitLabel() const;
  // "(cluster size: 4096 bytes)"
  std::string UnitSizeLabel() const;

 private:
  void Normalize();
};

}  // namespace kova
