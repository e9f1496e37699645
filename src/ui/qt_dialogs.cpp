#include "ui/qt_dialogs.h"

#include <exception>

#include "framework/app_engine.h"
#include "framework/core_app.h"
#include "framework/error_data.h"
#include "ui/cluster_error_frm.h"
#include "ui/qt_dialogs_file_choosers.h"
#include "ui/qt_dialogs_message_box.h"

namespace kova {

TXQtDialogs::TXQtDialogs(IXDRSkin* skin, QWidget* parent) : skin_(skin), parent_(parent) {}

void TXQtDialogs::SetParent(QWidget* parent) {
  parent_ = parent;
}

template <class T, class F>
T TXQtDialogs::OnUserInterface(T closed, F&& ask) {
  T answer = closed;
  const auto asked = [&] {
    try {
      answer = ask();
    } catch (const std::exception& error) {
      RecordException(error);
      answer = closed;
    }
  };
  if (CoreApp().IsTerminating() || !CoreApp().Engine().Invoke(asked)) return closed;
  return answer;
}

TXFolderAnswer TXQtDialogs::SelectFolder(const TXFolderRequest& request) {
  return OnUserInterface(TXFolderAnswer{{}, request.Checked},
                         [&] { return ChooseFolder(request, parent_.data()); });
}

TXMessageAnswer TXQtDialogs::ShowMessage(const TXMessageRequest& request) {
  return OnUserInterface(TXMessageAnswer{HarmlessButton(request.Buttons), false},
                         [&] { return ShowMessageBox(request, skin_, parent_.data()); });
}

std::string TXQtDialogs::SaveImageFile(const std::string& fileName, const std::string& filter) {
  return OnUserInterface(std::string(),
                         [&] { return ChooseSaveFile(fileName, filter, parent_.data()); });
}

std::string TXQtDialogs::OpenImageFile(const std::string& fileName, const std::string& filter) {
  return OnUserInterface(std::string(),
                         [&] { return ChooseOpenFile(fileName, filter, parent_.data()); });
}

void TXQtDialogs::AskClusterError(TXDRClusterErrorDialog& dialog) {
  const TXDRClusterErrorDialog asked = dialog;
  dialog = OnUserInterface(asked, [&] {
    TXDRClusterErrorQtDialog form(parent_.data());
    form.Options().Skin = skin_;
    form.Data() = asked;
    return form.Execute() == drFailed ? asked : form.Data();
  });
}

}  // namespace kova
