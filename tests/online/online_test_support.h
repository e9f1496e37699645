#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "online/net_dialog.h"
#include "online/online_shell.h"

namespace kova::test {

// Runs the Qt event loop until the condition holds or the time is up; answers the condition.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Stands in for the desktop while installed: records messages, opens and program starts, and
// answers the save dialog with a prepared path.
class RecordingShell : public IXOnlineShell {
 public:
  RecordingShell();
  ~RecordingShell() override;

  struct Message {
    std::string Text;
    TXMessageIcon Icon;
  };
  std::vector<Message> Messages;
  std::vector<std::string> Opened;
  std::vector<std::string> Started;
  std::optional<std::string> SaveAnswer;
  std::vector<std::string> SaveQuestions;

  void ShowMessage(QWidget* parent, const std::string& text, TXMessageIcon icon) override;
  bool Open(const std::string& target, const std::string& workingFolder) override;
  bool Run(const std::string& program, const std::string& parameters,
           const std::string& workingFolder) override;
  std::optional<std::string> AskSaveFileName(QWidget* parent, const std::string& folder,
                                             const std::string& fileName) override;
};

// What a progress dialog was told; it outlives the dialog, which goes with its request.
struct DialogRecord {
  uint32_t Flags = 0;
  bool Showing = false;
  bool Marquee = false;
  int Finishes = 0;
  bool Succeeded = false;
  std::string FinishMessage;
  std::vector<std::string> Files;
  std::vector<std::string> Statuses;
  std::vector<std::string> Speeds;
  std::vector<int32_t> Positions;
};

// A progress dialog without widgets that records what requests tell it. It closes as the real one
// does: when a request fails, or succeeds with dfCloseWhenDone.
class RecordingDialog : public TXCustomNetDialog {
 public:
  explicit RecordingDialog(std::shared_ptr<DialogRecord> record) : record_(std::move(record)) {}

  void ShowProgress(uint32_t flags) override;
  void Finish(bool succeeded, const std::string& message) override;
  void SetCurrentFile(const std::string& fileName) override { record_->Files.push_back(fileName); }
  void SetStatusText(const std::string& text) override { record_->Statuses.push_back(text); }
  void SetSpeedText(const std::string& text) override { record_->Speeds.push_back(text); }
  void SetPosition(int32_t position) override { record_->Positions.push_back(position); }
  void SetMarquee(bool marquee) override { record_->Marquee = marquee; }
  bool IsShowing() const override { return record_->Showing; }
  void SetWrapper(TXNetWrapper* wrapper) override { wrapper_ = wrapper; }

  // As the Cancel button and the window's closing do.
  void Cancel();
  void Close();

 private:
  std::shared_ptr<DialogRecord> record_;
  TXNetWrapper* wrapper_ = nullptr;
};

// Points the network layer's server addresses at a base address while it exists.
class BaseUrlScope {
 public:
  explicit BaseUrlScope(const std::string& baseUrl);
  ~BaseUrlScope();
};

}  // namespace kova::test
