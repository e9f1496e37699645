#include "ui/help_dialog.h"

#include <QMouseEvent>
#include <QRegularExpression>
#include <QTextCursor>
#include <QVBoxLayout>
#include <stdexcept>

#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "ui/lg_text.h"
#include "ui/rich_text_loader.h"
#include "ui/screen_dpi.h"
#include "ui/shell_open.h"

namespace kova {

const TXClassInfo& TXHelpDialogOptions::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXHelpDialogOptions>("TXHelpDialogOptions", TXPersistent::StaticClassInfo())
          .Property("Caption", &TXHelpDialogOptions::caption_)
          .Build();
  return info;
}

TXHelpBrowser::TXHelpBrowser(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setTabChangesFocus(false);
}

bool TXHelpBrowser::LoadDocument(QByteArrayView bytes) {
  std::optional<TXRichText> text = LoadRichText(bytes);
  if (!text) {
    clear();
    return false;
  }
  if (text->IsHtml) {
    setHtml(text->Text);
  } else {
    setPlainText(text->Text);
  }
  DetectLinks();
  return true;
}

void TXHelpBrowser::DetectLinks() {
  static const QRegularExpression kAddress(
      QStringLiteral(R"((?:https?://|mailto:|www\.)[^\s<>"]*[^\s<>".,;:!?')\]])"),
      QRegularExpression::CaseInsensitiveOption);
  QTextCursor found(document());
  while (!(found = document()->find(kAddress, found)).isNull()) {
    if (found.charFormat().isAnchor()) continue;
    QTextCharFormat link = found.charFormat();
    link.setAnchor(true);
    link.setAnchorHref(found.selectedText());
    link.setForeground(palette().color(QPalette::Link));
    link.setFontUnderline(true);
    found.mergeCharFormat(link);
  }
}

void TXHelpBrowser::mousePressEvent(QMouseEvent* event) {
  pressedLink_ =
      event->button() == Qt::LeftButton ? anchorAt(event->position().toPoint()) : QString();
  QTextBrowser::mousePressEvent(event);
}

void TXHelpBrowser::mouseReleaseEvent(QMouseEvent* event) {
  const QString link =
      event->button() == Qt::LeftButton ? anchorAt(event->position().toPoint()) : QString();
  const bool open = !link.isEmpty() && link == pressedLink_;
  pressedLink_.clear();
  QTextBrowser::mouseReleaseEvent(event);
  if (!open) return;
  OpenUrlOrExplain(link);
  emit LinkOpened(link);
}

TXHelpFrm::TXHelpFrm(QWidget* parent)
    : TXCustomForm(parent),
      helpRichEdit_(new TXHelpBrowser(this)),
      closeBtn_(new QPushButton(this)) {
  setObjectName(QStringLiteral("HelpFrm"));
  setSizeGripEnabled(true);
  resize(ScaledX(584), ScaledY(414));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(ScaledX(8), ScaledY(8), ScaledX(8), ScaledY(8));
  layout->setSpacing(ScaledY(8));
  layout->addWidget(helpRichEdit_, 1);
  layout->addWidget(closeBtn_, 0, Qt::AlignRight);
  closeBtn_->setFixedSize(ScaledX(75), ScaledY(23));
  closeBtn_->setDefault(true);
  connect(closeBtn_, &QPushButton::clicked, this, &QDialog::accept);
}

void TXHelpFrm::ReceiveOptions(const TXHelpDialogOptions& options) {
  setWindowTitle(options.Caption().empty() ? LgText(lg::kHelpTitle)
                                           : QString::fromStdString(options.Caption()));
}

void TXHelpFrm::ReceiveData(const TXStreamObject& document) {
  if (!helpRichEdit_->LoadDocument(
          QByteArrayView(reinterpret_cast<const char*>(document.Bytes().data()),
                         static_cast<qsizetype>(document.Bytes().size())))) {
    throw std::runtime_error(kFailedToLoadStream);
  }
}

void TXHelpFrm::ApplyLanguage() {
  closeBtn_->setText(LgText(lg::kClose));
}

void TXHelpDialog::LoadDocument(const std::string& name) {
  TXMemoryStream& stream = Lg().Document(name);
  if (stream.Size() == 0) {
    Data().Clear();
    Data().SetDataClass(".rtf");
    return;
  }
  Data().LoadFromStream(".rtf", stream);
}

}  // namespace kova
