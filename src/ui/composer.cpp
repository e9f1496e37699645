#include "ui/composer.h"

#include <QLabel>
#include <map>

#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "framework/observable.h"
#include "ui/screen_dpi.h"
#include "ui/shell_open.h"

namespace kova {

namespace {

std::map<std::string, TXFrameFactory>& FrameClasses() {
  static std::map<std::string, TXFrameFactory> classes;
  return classes;
}

QString LinkHtml(const std::string& text, const QString& href) {
  return QStringLiteral("<a href=\"%1\">%2</a>")
      .arg(href.toHtmlEscaped(), QString::fromStdString(text).toHtmlEscaped());
}

// A link label in the target's normal weight.
QLabel* MakeLinkLabel(const std::string& text, const QString& href, QWidget& target) {
  auto* label = new QLabel(LinkHtml(text, href), &target);
  label->setTextFormat(Qt::RichText);
  label->setCursor(Qt::PointingHandCursor);
  QFont font = label->font();
  font.setBold(false);
  label->setFont(font);
  return label;
}

}  // namespace

void RegisterFrameClass(const std::string& name, TXFrameFactory factory) {
  FrameClasses()[name] = std::move(factory);
}

bool IsFrameClassRegistered(const std::string& name) {
  return FrameClasses().contains(name);
}

TXComposer::TXComposer(QWidget& target, QPoint start)
    : target_(target), start_(start), position_(start) {}

void TXComposer::Restart() {
  for (QPointer<QWidget>& piece : pieces_)
    delete piece.data();
  pieces_.clear();
  position_ = start_;
  lineHeight_ = 0;
}

void TXComposer::Place(QWidget* piece) {
  piece->move(position_);
  piece->show();
  pieces_.emplace_back(piece);
  position_.rx() += piece->width();
  lineHeight_ = std::max(lineHeight_, piece->height());
}

void TXComposer::AddText(const std::string& text, TXComposeStyle style) {
  auto* label = new QLabel(QString::fromStdString(text), &target_);
  label->setTextFormat(Qt::PlainText);
  QFont font = label->font();
  font.setBold(style != TXComposeStyle::csNormal);
  if (style == TXComposeStyle::csTitle) font.setPointSizeF(font.pointSizeF() * 1.35);
  label->setFont(font);
  label->adjustSize();
  Place(label);
}

void TXComposer::AddLink(const std::string& text, const std::string& address) {
  QLabel* label = MakeLinkLabel(text, QString::fromStdString(address), target_);
  QObject::connect(label, &QLabel::linkActivated, label,
                   [](const QString& link) { OpenUrlOrExplain(link); });
  label->adjustSize();
  Place(label);
}

void TXComposer::AddActionLink(const std::string& text, int32_t action) {
  QLabel* label = MakeLinkLabel(text, QStringLiteral("action:%1").arg(action), target_);
  QObject::connect(label, &QLabel::linkActivated, label, [action](const QString&) {
    DispatchAspect<TXActionAspect>(CoreApp().Engine(), action);
  });
  label->adjustSize();
  Place(label);
}

void TXComposer::NewLine() {
  position_ = QPoint(start_.x(), position_.y() + lineHeight_ + ScaledY(2));
  lineHeight_ = 0;
}

bool TXComposer::AddFrame(const std::string& frameClass) {
  auto it = FrameClasses().find(frameClass);
  if (it == FrameClasses().end()) return false;
  QWidget* frame = it->second(&target_);
  if (!frame) return false;
  Place(frame);
  return true;
}

void TXComposer::Finish() {
  if (OnFinish) OnFinish(FinalY());
}

}  // namespace kova
