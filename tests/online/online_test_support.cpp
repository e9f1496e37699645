#include "online_test_support.h"

#include <QTest>
#include <cstdlib>

#include "framework/gear_component.h"
#include "online/net_endpoints.h"
#include "online/net_thread.h"
#include "online/net_wrapper.h"

namespace kova::test {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

RecordingShell::RecordingShell() {
  SetOnlineShell(this);
}

RecordingShell::~RecordingShell() {
  SetOnlineShell(nullptr);
}

void RecordingShell::ShowMessage(QWidget*, const std::string& text, TXMessageIcon icon) {
  Messages.push_back({text, icon});
}

bool RecordingShell::Open(const std::string& target, const std::string& workingFolder) {
  Opened.push_back(workingFolder.empty() ? target : target + " in " + workingFolder);
  return true;
}

bool RecordingShell::Run(const std::string& program, const std::string& parameters,
                         const std::string&) {
  Started.push_back(program + " " + parameters);
  return true;
}

std::optional<std::string> RecordingShell::AskSaveFileName(QWidget*, const std::string& folder,
                                                           const std::string& fileName) {
  SaveQuestions.push_back(folder + "|" + fileName);
  return SaveAnswer;
}

void RecordingDialog::ShowProgress(uint32_t flags) {
  record_->Flags = flags;
  record_->Showing = true;
}

void RecordingDialog::Finish(bool succeeded, const std::string& message) {
  ++record_->Finishes;
  record_->Succeeded = succeeded;
  record_->FinishMessage = message;
  if (record_->Showing && (!succeeded || (record_->Flags & dfCloseWhenDone))) Close();
}

void RecordingDialog::Cancel() {
  if (wrapper_) wrapper_->IntCommand({nullptr, 0, components::xhtNone, {}, ncCancel, {}});
  Close();
}

void RecordingDialog::Close() {
  record_->Showing = false;
  if (wrapper_) wrapper_->IntCommand({nullptr, 0, components::xhtNone, {}, ncDialogClosed, {}});
}

BaseUrlScope::BaseUrlScope(const std::string& baseUrl) {
  setenv(std::string(online::kBaseUrlVariable).c_str(), baseUrl.c_str(), 1);
}

BaseUrlScope::~BaseUrlScope() {
  unsetenv(std::string(online::kBaseUrlVariable).c_str());
}

}  // namespace kova::test
