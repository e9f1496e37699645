#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "wizard_app_fixture.h"

namespace kova::test {

// The program as users see it (the start-up of kova, its skin, palette and font), walked through
// every page of the wizard's three paths on the fixture's card: restoring from the card, copying
// it into an image file, and parsing that file. Each page is visited while it shows; the card's
// reads are slowed so that the running pages stay up while they are visited.
class PageWalkTest : public WizardAppTest {
 protected:
  using TXVisit = std::function<void(const std::string& page)>;

  static void SetUpTestSuite();

  // Restored files and the image file go below the target folder, which must lie on another
  // file system than the card's.
  void WalkEveryPage(const std::filesystem::path& target, std::chrono::milliseconds readDelay,
                     const TXVisit& visit);

 private:
  void RestoreThePhotos(const std::string& path, const std::filesystem::path& target,
                        const TXVisit& visit);
  void ChooseAdvancedAction(bool parse);
};

}  // namespace kova::test
