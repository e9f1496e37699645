#pragma once

#include <QPointer>
#include <QWidget>

#include "imaging/skin_interface.h"
#include "output/dr_dialogs.h"

namespace kova {

// The wizard's dialogs: message boxes with the skin's icons, Qt's folder and file dialogs and the
// cluster-error form, each modal over the parent window. Any thread may ask: a question asked on
// another thread than the application engine's (the Qt main thread) is handed over to it and the
// asking thread waits for the answer; asked on that thread it is shown at once. A question that
// cannot be shown (the application is ending, the form fails) gets the answer of a user who
// closes it: no folder or file, the harmless button, the cluster question's checked choice.
// Install with SetDialogs once the main window exists; the skin must outlive the dialogs.
class TXQtDialogs final : public IXDRDialogs {
 public:
  explicit TXQtDialogs(IXDRSkin* skin, QWidget* parent = nullptr);

  // The window the dialogs are modal over; it may go before the dialogs do.
  void SetParent(QWidget* parent);

  TXFolderAnswer SelectFolder(const TXFolderRequest& request) override;
  TXMessageAnswer ShowMessage(const TXMessageRequest& request) override;
  std::string SaveImageFile(const std::string& fileName, const std::string& filter) override;
  std::string OpenImageFile(const std::string& fileName, const std::string& filter) override;
  void AskClusterError(TXDRClusterErrorDialog& dialog) override;

 private:
  // The answer of the question asked on the user-interface thread, or `closed` when it could not
  // be asked.
  template <class T, class F>
  T OnUserInterface(T closed, F&& ask);

  IXDRSkin* skin_;
  QPointer<QWidget> parent_;
};

}  // namespace kova
