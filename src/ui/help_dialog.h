#pragma once

#include <QPushButton>
#include <QTextBrowser>
#include <string>

#include "framework/persistent.h"
#include "persistence/stream_object.h"
#include "ui/custom_dialog.h"

namespace kova {

// The text view of the help window: links (fields of the document, and addresses in its text,
// which are found automatically) open with the desktop's default program, but only for a left
// press and release on the same link.
class TXHelpBrowser : public QTextBrowser {
  Q_OBJECT

 public:
  explicit TXHelpBrowser(QWidget* parent = nullptr);

  // Shows a help document; false (the view emptied) for bytes that are neither RTF nor text.
  bool LoadDocument(QByteArrayView bytes);
  // Turns web and mail addresses written in the text into links.
  void DetectLinks();

 signals:
  void LinkOpened(const QString& link);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString pressedLink_;
};

class TXHelpDialogOptions : public TXPersistent {
  KOVA_PERSISTENT(TXHelpDialogOptions)

 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption) { caption_ = caption; }

 private:
  std::string caption_;
};

// The help window: a help document in a rich-text view and "Close".
class TXHelpFrm : public TXCustomForm,
                  public IXReceiveOptions<TXHelpDialogOptions>,
                  public IXReceiveData<TXStreamObject> {
  Q_OBJECT

 public:
  explicit TXHelpFrm(QWidget* parent = nullptr);

  // The caption, or the language's help title when it is empty.
  void ReceiveOptions(const TXHelpDialogOptions& options) override;
  // The document; throws "Failed to Load Stream" for bytes that are neither RTF nor text.
  void ReceiveData(const TXStreamObject& document) override;
  void ApplyLanguage() override;

  TXHelpBrowser& HelpRichEdit() const { return *helpRichEdit_; }
  QPushButton& CloseBtn() const { return *closeBtn_; }

 private:
  TXHelpBrowser* helpRichEdit_;
  QPushButton* closeBtn_;
};

// The help dialog component: its data is the document (".rtf" with its bytes).
class TXHelpDialog : public TXDialog<TXHelpFrm, TXHelpDialogOptions, TXStreamObject> {
 public:
  using TXDialog::TXDialog;
  // Takes the language's document of that name (an empty one when there is none).
  void LoadDocument(const std::string& name);
};

}  // namespace kova
