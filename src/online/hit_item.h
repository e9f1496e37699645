#pragma once

#include <cstdint>
#include <string>

#include "framework/gear_component.h"
#include "persistence/localized_objects.h"

namespace kova {

// An action a control or a picture runs when clicked: what it does follows its Hit (run a
// program, write an e-mail, open a web page; downloads are left to the caller).
class TXHitItem : public TXLocalizedCollectionItem {
  KOVA_PERSISTENT(TXHitItem)

 public:
  std::string Name() const { return DisplayName(); }
  void SetName(const std::string& name) { SetDisplayName(name); }

  components::TXHitType Hit = components::xhtNone;
  int32_t Cursor = 0;
  std::string Caption;
  std::string Command;
  std::string Args;
  std::string Hint;

  // Runs the action: xhtExe starts Command with the parameters Args (both with text macros
  // expanded), xhtMail writes an e-mail to Args, xhtWeb opens Args in the browser. Answers
  // whether the action was one of these.
  bool Execute() const;
};

}  // namespace kova
