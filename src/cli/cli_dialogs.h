#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "output/dr_dialogs.h"

namespace kova::cli {

// What kova-cli does about an unreadable cluster while it copies a card (--on-error).
enum class TXOnError { Ask, Ignore, Skip, Finish };

struct TXClusterPolicy {
  TXOnError Mode = TXOnError::Ignore;
  int64_t SkipCount = 10;  // for Skip
};

// "ask", "ignore", "skip:N" (N at least 1) or "finish"; nothing for anything else.
std::optional<TXClusterPolicy> ParseClusterPolicy(std::string_view text);

// The dialogs of kova-cli: messages on the error output, questions on the terminal. The answers
// are read from the input while it is a terminal; otherwise every question gets the answer that
// changes nothing (and replacing an existing file is refused). Ctrl+C ends a question as a
// cancel. Install with SetDialogs for the lifetime of a command.
class TXCliDialogs final : public IXDRDialogs {
 public:
  TXCliDialogs(int input, std::FILE* output, std::function<bool()> interrupted);

  // Whether questions can be answered (the input is a terminal).
  bool Interactive() const { return interactive_; }
  void SetClusterPolicy(TXClusterPolicy policy) { policy_ = policy; }
  // Called before a question or message is written (to take the progress bar away).
  std::function<void()> BeforeWriting;

  TXFolderAnswer SelectFolder(const TXFolderRequest& request) override;
  TXMessageAnswer ShowMessage(const TXMessageRequest& request) override;
  std::string SaveImageFile(const std::string& fileName, const std::string& filter) override;
  std::string OpenImageFile(const std::string& fileName, const std::string& filter) override;
  void AskClusterError(TXDRClusterErrorDialog& dialog) override;

 private:
  void Write(const std::string& text);
  // The line typed after the prompt, without its line break; nothing at the end of the input or
  // on Ctrl+C.
  std::optional<std::string> Ask(const std::string& prompt);
  bool Confirm(const std::string& prompt);
  void AskAtTerminal(TXDRClusterErrorDialog& dialog);

  int input_;
  std::FILE* output_;
  std::function<bool()> interrupted_;
  bool interactive_;
  TXClusterPolicy policy_;
};

// Installs kova-cli's dialogs as the process-wide dialogs for the lifetime of a command.
class TXCliDialogsInstalled {
 public:
  explicit TXCliDialogsInstalled(IXDRDialogs& dialogs) { SetDialogs(&dialogs); }
  ~TXCliDialogsInstalled() { SetDialogs(nullptr); }
  TXCliDialogsInstalled(const TXCliDialogsInstalled&) = delete;
  TXCliDialogsInstalled& operator=(const TXCliDialogsInstalled&) = delete;
};

}  // namespace kova::cli
