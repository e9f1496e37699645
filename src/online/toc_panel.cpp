#include "online/toc_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>

#include "online/online_shell.h"
#include "ui/rich_text_loader.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kMargin = 8;
constexpr int kPictureColumn = 120;
constexpr int kBodyWidth = 360;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QImage PictureOf(const TXTocItem& item) {
  const std::vector<uint8_t>& bytes = item.Data().Bytes();
  QImage image;
  if (!bytes.empty()) image.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
  return image;
}

}  // namespace

void TXClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      OnClick) {
    OnClick();
  }
}

TXITocPanel::TXITocPanel(TXTocItem& item, TXTocLinkAlign align, TXRunAction run, QWidget* parent)
    : QFrame(parent), item_(item), run_(std::move(run)) {
  setObjectName("TocPanel");
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  colours.setColor(QPalette::WindowText, Qt::black);
  colours.setColor(QPalette::Text, Qt::black);
  setPalette(colours);
  BuildPicture();
  BuildBody();
  BuildActions();
  Arrange(align);
}

int TXITocPanel::Scaled(int length) const {
  return ScaledY(length);
}

void TXITocPanel::BuildPicture() {
  const QImage image = PictureOf(item_);
  if (image.isNull()) return;
  picture_ = new TXClickLabel(this);
  picture_->setObjectName("Picture");
  picture_->setPixmap(QPixmap::fromImage(image));
  picture_->setFixedSize(image.size());
  TXTocActionItem* action =
      item_.ImageAction.empty() ? nullptr : item_.Actions().FindAction(item_.ImageAction);
  if (!action) return;
  picture_->setCursor(Qt::PointingHandCursor);
  picture_->setToolTip(Q(action->Hints().Text()));
  picture_->OnClick = [this, action] { run_(*this, *action, false, std::nullopt); };
}

void TXITocPanel::BuildBody() {
  const std::string rtf = item_.Rtf().Text();
  if (rtf.empty()) return;
  const std::optional<TXRichText> text =
      LoadRichText(QByteArrayView(rtf.data(), static_cast<qsizetype>(rtf.size())));
  if (!text) return;
  body_ = new QLabel(this);
  body_->setObjectName("Body");
  body_->setTextFormat(text->IsHtml ? Qt::RichText : Qt::PlainText);
  body_->setWordWrap(true);
  body_->setText(text->Text);
  body_->setMinimumWidth(Scaled(kBodyWidth));
  body_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  connect(body_, &QLabel::linkActivated, this,
          [](const QString& link) { OnlineShell().Open(link.toStdString(), {}); });
}

void TXITocPanel::BuildActions() {
  TXTocActionCollection& actions = item_.Actions();
  for (int32_t i = 0; i < actions.Count(); ++i) {
    TXTocActionItem* action = actions.At(i);
    const QString caption = Q(action->Captions().Text());
    if (action->ControlType == TXTocActionItem::kCheckBox) {
      auto* box = new QCheckBox(caption, this);
      box->setChecked(action->Checked);
      connect(box, &QCheckBox::clicked, this,
              [this, action](bool checked) { run_(*this, *action, true, checked); });
      controls_.push_back(box);
    } else {
      auto* link = new QLabel(this);
      link->setTextFormat(Qt::RichText);
      link->setText("<a href=\"action\">" + caption.toHtmlEscaped() + "</a>");
      link->setCursor(Qt::PointingHandCursor);
      link->setToolTip(Q(action->Hints().Text()));
      connect(link, &QLabel::linkActivated, this,
              [this, action] { run_(*this, *action, true, std::nullopt); });
      controls_.push_back(link);
    }
    controls_.back()->setObjectName(Q(action->Name()));
  }
}

void TXITocPanel::Arrange(TXTocLinkAlign align) {
  auto* grid = new QGridLayout(this);
  const int margin = Scaled(kMargin);
  grid->setContentsMargins(margin, margin, margin, margin);
  grid->setHorizontalSpacing(margin);
  grid->setVerticalSpacing(Scaled(kMargin / 2));
  grid->setColumnStretch(1, 1);
  auto* controls = new QVBoxLayout;
  controls->setSpacing(Scaled(kMargin / 2));
  for (QWidget* control : controls_)
    controls->addWidget(control);
  if (!picture_) {
    // Body and controls from the left margin.
    auto* column = new QVBoxLayout;
    if (body_) column->addWidget(body_);
    column->addLayout(controls);
    grid->addLayout(column, 0, 0, 1, 2);
  } else if (body_) {
    // The picture column, the body beside it, the controls below the body (or below both).
    grid->setColumnMinimumWidth(
        0, std::max(Scaled(kPictureColumn), picture_->width() + 2 * margin) - margin);
    grid->addWidget(picture_, 0, 0, Qt::AlignHCenter | Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->addWidget(body_);
    if (align == talText) column->addLayout(controls);
    column->addStretch(1);
    grid->addLayout(column, 0, 1);
    if (align == talImage) grid->addLayout(controls, 1, 0, 1, 2);
  } else {
    // A picture alone is centred in the panel, the controls below it.
    grid->addWidget(picture_, 0, 0, 1, 2, Qt::AlignHCenter | Qt::AlignTop);
    grid->setColumnMinimumWidth(
        0, std::max(Scaled(kPictureColumn), picture_->width() + 2 * margin) - margin);
    if (align == talText) {
      grid->addLayout(controls, 1, 1);
    } else {
      grid->addLayout(controls, 1, 0, 1, 2);
    }
  }
}

}  // namespace kova
