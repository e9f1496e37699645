#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "output/cluster_error_dialog.h"
#include "output/dr_dialogs.h"

// A dialog interface for tests: it records every question it is asked and answers from a script
// given beforehand. While it lives it is the process-wide dialogs (Dialogs()); the previous ones
// come back when it goes. A question without a scripted answer is answered as a user who closes
// the dialog would (cancelled folder and file dialogs, the harmless button, the answer the
// cluster-error dialog proposes) and counted in Unscripted.
namespace kova::test {

class ScriptedDialogs final : public IXDRDialogs {
 public:
  enum class Kind { Folder, Message, SaveImage, OpenImage, ClusterError };

  // One question as it was asked.
  struct Question {
    Kind What = Kind::Message;
    TXFolderRequest Folder;       // folder dialog
    TXMessageRequest Message;     // message box
    std::string FileName;         // file dialogs: the name proposed
    std::string Filter;           // file dialogs
    TXDRClusterErrorDialog Unit;  // cluster error: the data as the dialog received it
  };

  struct ClusterAnswer {
    uint8_t Choice = ecIgnoreAll;
    int64_t SkipCount = TXDRClusterErrorDialog::kDefaultSkipCount;
  };

  ScriptedDialogs() : previous_(&Dialogs()) { SetDialogs(this); }
  ~ScriptedDialogs() override { SetDialogs(previous_); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // --- the script, answered in order per kind
  ScriptedDialogs& AnswerFolder(std::string folder, bool checked = false) {
    return Push(folders_, TXFolderAnswer{std::move(folder), checked});
  }
  ScriptedDialogs& AnswerMessage(TXMessageButton button, bool checked = false) {
    return Push(messages_, TXMessageAnswer{button, checked});
  }
  ScriptedDialogs& AnswerSaveImage(std::string fileName) {
    return Push(saveNames_, std::move(fileName));
  }
  ScriptedDialogs& AnswerOpenImage(std::string fileName) {
    return Push(openNames_, std::move(fileName));
  }
  ScriptedDialogs& AnswerClusterError(uint8_t choice, int64_t skipCount = 10) {
    return Push(clusterAnswers_, ClusterAnswer{choice, skipCount});
  }

  // --- what was asked
  std::vector<Question> Questions() const {
    std::lock_guard lock(mutex_);
    return questions_;
  }
  std::vector<Question> QuestionsOf(Kind kind) const {
    std::vector<Question> found;
    for (const Question& question : Questions())
      if (question.What == kind) found.push_back(question);
    return found;
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const Question& question : QuestionsOf(Kind::Message))
      texts.push_back(question.Message.Text);
    return texts;
  }
  size_t Count() const { return Questions().size(); }
  int Unscripted() const {
    std::lock_guard lock(mutex_);
    return unscripted_;
  }

  // --- the interface
  TXFolderAnswer SelectFolder(const TXFolderRequest& request) override {
    Question question;
    question.What = Kind::Folder;
    question.Folder = request;
    return Ask(question, folders_, TXFolderAnswer{{}, request.Checked});
  }
  TXMessageAnswer ShowMessage(const TXMessageRequest& request) override {
    Question question;
    question.What = Kind::Message;
    question.Message = request;
    return Ask(question, messages_, TXMessageAnswer{HarmlessButton(request.Buttons), false});
  }
  std::string SaveImageFile(const std::string& fileName, const std::string& filter) override {
    return AskFile(Kind::SaveImage, fileName, filter, saveNames_);
  }
  std::string OpenImageFile(const std::string& fileName, const std::string& filter) override {
    return AskFile(Kind::OpenImage, fileName, filter, openNames_);
  }
  void AskClusterError(TXDRClusterErrorDialog& dialog) override {
    Question question;
    question.What = Kind::ClusterError;
    question.Unit = dialog;
    const ClusterAnswer answer = Ask(question, clusterAnswers_, ClusterAnswer{});
    dialog.Choice = answer.Choice;
    dialog.SkipCount = answer.SkipCount;
  }

 private:
  template <class T, class V>
  ScriptedDialogs& Push(std::deque<T>& queue, V&& value) {
    std::lock_guard lock(mutex_);
    queue.push_back(std::forward<V>(value));
    return *this;
  }

  template <class T>
  T Ask(const Question& question, std::deque<T>& queue, T unscripted) {
    std::lock_guard lock(mutex_);
    questions_.push_back(question);
    if (queue.empty()) {
      ++unscripted_;
      return unscripted;
    }
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }

  std::string AskFile(Kind kind, const std::string& fileName, const std::string& filter,
                      std::deque<std::string>& names) {
    Question question;
    question.What = kind;
    question.FileName = fileName;
    question.Filter = filter;
    return Ask(question, names, std::string());
  }

  IXDRDialogs* previous_;
  mutable std::mutex mutex_;
  std::vector<Question> questions_;
  std::deque<TXFolderAnswer> folders_;
  std::deque<TXMessageAnswer> messages_;
  std::deque<std::string> saveNames_;
  std::deque<std::string> openNames_;
  std::deque<ClusterAnswer> clusterAnswers_;
  int unscripted_ = 0;
};

}  // namespace kova::test
