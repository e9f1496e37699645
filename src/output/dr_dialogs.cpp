#include "output/dr_dialogs.h"

#include <atomic>
#include <cstdio>

#include "output/cluster_error_dialog.h"

namespace kova {

namespace {

// What a program without a user interface of its own answers: every question is cancelled or
// given its harmless answer, and messages go to standard error so that none is lost.
class TXUnattendedDialogs final : public IXDRDialogs {
 public:
  TXFolderAnswer SelectFolder(const TXFolderRequest& request) override {
    return {{}, request.Checked};
  }

  TXMessageAnswer ShowMessage(const TXMessageRequest& request) override {
    std::fprintf(stderr, "%s\n", request.Text.c_str());
    return {HarmlessButton(request.Buttons), false};
  }

  std::string SaveImageFile(const std::string&, const std::string&) override { return {}; }
  std::string OpenImageFile(const std::string&, const std::string&) override { return {}; }

  // Unreadable units are copied as zeros without further questions, as the dialog proposes.
  void AskClusterError(TXDRClusterErrorDialog& dialog) override { dialog.Choice = ecIgnoreAll; }
};

TXUnattendedDialogs& Unattended() {
  static TXUnattendedDialogs dialogs;
  return dialogs;
}

std::atomic<IXDRDialogs*> installed{nullptr};

}  // namespace

TXMessageButton HarmlessButton(TXMessageButtons buttons) {
  switch (buttons) {
    case TXMessageButtons::StopContinue:
      return TXMessageButton::Continue;
    case TXMessageButtons::BackExit:
      return TXMessageButton::Back;
    default:
      return TXMessageButton::Ok;
  }
}

IXDRDialogs& Dialogs() {
  IXDRDialogs* dialogs = installed.load(std::memory_order_acquire);
  return dialogs ? *dialogs : Unattended();
}

void SetDialogs(IXDRDialogs* dialogs) {
  installed.store(dialogs, std::memory_order_release);
}

}  // namespace kova
