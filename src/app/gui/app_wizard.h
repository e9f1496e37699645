#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/notification.h"
#include "persistence/lg_selector.h"

namespace kova {

// The program's application wizard: the language packs it knows, the one selected, and what
// happens when the application terminates. The languages live in the process-wide selector; the
// wizard registers the built-in language, selects the remembered one and tells the program when
// the language changed.
class TXAppWizard {
 public:
  static constexpr uint32_t kAppID = 7000;
  static constexpr uint32_t kAppVer = 500;

  TXAppWizard();
  ~TXAppWizard();
  TXAppWizard(const TXAppWizard&) = delete;
  TXAppWizard& operator=(const TXAppWizard&) = delete;

  // Registers the built-in language and selects the language with the identifier, or the first
  // offered one when there is none of that identifier. False when no language could be installed.
  bool StartLanguage(uint32_t lgID);
  std::vector<std::string> LanguageNames() const;
  int32_t CurrentIndex() const;
  uint32_t CurrentLgID() const;
  // Selects an offered language; false (the texts stay) when it cannot be installed.
  bool SelectLanguage(int32_t index);

  // After a language was installed.
  std::function<void()> OnLanguageChanged;
  // When the application terminates (TXAppTerminatedAspect on the application engine).
  std::function<void()> OnTerminate;

 private:
  void Terminated(AXNotification& notification);
};

}  // namespace kova
