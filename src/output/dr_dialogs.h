#pragma once

#include <string>

// How the recovery commands and the wizard's page states ask the user something. The wizard
// answers with Qt dialogs, kova-cli on the terminal, the tests from a script. A call may come
// from a run's thread: the implementation shows the question on the user-interface thread while
// the caller waits.
namespace kova {

class TXDRClusterErrorDialog;

enum class TXMessageIcon { Error, Warning, Information, Question };
enum class TXMessageButtons { Ok, StopContinue, BackExit };
enum class TXMessageButton { Ok, Stop, Continue, Back, Exit };

struct TXMessageRequest {
  std::string Text;
  TXMessageIcon Icon = TXMessageIcon::Information;
  TXMessageButtons Buttons = TXMessageButtons::Ok;
  // A confirmation check box under the text; none when empty.
  std::string CheckText;
};

struct TXMessageAnswer {
  TXMessageButton Button = TXMessageButton::Ok;
  bool Checked = false;
};

struct TXFolderRequest {
  std::string Title;
  std::string InitialFolder;  // where the dialog starts; empty for the dialog's choice
  // An option check box under the folders, and its state when the dialog opens; none when empty.
  std::string CheckText;
  bool Checked = false;
};

struct TXFolderAnswer {
  std::string Folder;  // with a trailing '/', or empty when the user cancelled
  bool Checked = false;
};

class IXDRDialogs {
 public:
  virtual ~IXDRDialogs() = default;

  // The chosen folder and the state the option was left in; a cancelled dialog leaves the
  // option as the request gave it.
  virtual TXFolderAnswer SelectFolder(const TXFolderRequest& request) = 0;
  virtual TXMessageAnswer ShowMessage(const TXMessageRequest& request) = 0;
  // The chosen file, or empty when the user cancelled. The filter is "Text (*.bin)|*.bin".
  // Saving asks before replacing an existing file; opening accepts only existing files.
  virtual std::string SaveImageFile(const std::string& fileName, const std::string& filter) = 0;
  virtual std::string OpenImageFile(const std::string& fileName, const std::string& filter) = 0;
  // Shows the cluster-error question filled from the dialog's data and stores the answer in it.
  virtual void AskClusterError(TXDRClusterErrorDialog& dialog) = 0;
};

// The process-wide dialogs; the program installs its own at start-up. Until then (and after
// SetDialogs(nullptr)) questions are answered unattended: folder and file dialogs are cancelled,
// messages are written to standard error and answered with HarmlessButton, and unreadable units
// of a card are ignored.
IXDRDialogs& Dialogs();
void SetDialogs(IXDRDialogs* dialogs);

// The answer that changes nothing: Continue for Stop/Continue, Back for Back/Exit, else OK.
TXMessageButton HarmlessButton(TXMessageButtons buttons);

}  // namespace kova
