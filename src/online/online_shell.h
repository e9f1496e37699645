#pragma once

#include <optional>
#include <string>

#include "output/dr_dialogs.h"

class QWidget;

// What the online dialogs ask of the desktop: message boxes, the shell's "open", starting
// programs and the save dialog. The wizard points these at its own implementations with
// SetOnlineShell; until then the plain ones serve (QMessageBox, the wizard's shell "open",
// QProcess, QFileDialog).
namespace kova {

class IXOnlineShell {
 public:
  virtual ~IXOnlineShell() = default;

  // A modal message with an OK button.
  virtual void ShowMessage(QWidget* parent, const std::string& text, TXMessageIcon icon) = 0;
  // Opens a file, a folder or an address (http:, mailto:) with the user's default program; a
  // file's program starts in the working folder when one is given. False when nothing opened; the
  // user has then been told what to open by hand.
  virtual bool Open(const std::string& target, const std::string& workingFolder) = 0;
  // Starts a program with parameters (split like a command line).
  virtual bool Run(const std::string& program, const std::string& parameters,
                   const std::string& workingFolder) = 0;
  // The chosen target path, or nothing when the user cancels. Asks before overwriting.
  virtual std::optional<std::string> AskSaveFileName(QWidget* parent, const std::string& folder,
                                                     const std::string& fileName) = 0;
};

// The installed shell, or the Qt one.
IXOnlineShell& OnlineShell();
// Installs a shell (nullptr returns to the Qt one); the caller keeps it alive while installed.
void SetOnlineShell(IXOnlineShell* shell);

}  // namespace kova
