#include "svg_render.h"

#include <QPainter>
#include <QStringList>
#include <QSvgRenderer>
#include <QtGlobal>

namespace kova::skinrender {

namespace {

// Collects the warnings Qt reports while it is alive; restores the previous handler after.
class WarningCapture {
 public:
  WarningCapture() : previous_(qInstallMessageHandler(&Collect)) { active_ = &warnings_; }
  ~WarningCapture() {
    active_ = nullptr;
    qInstallMessageHandler(previous_);
  }
  WarningCapture(const WarningCapture&) = delete;
  WarningCapture& operator=(const WarningCapture&) = delete;

  const QStringList& Warnings() const { return warnings_; }

 private:
  static void Collect(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (active_ && type != QtDebugMsg && type != QtInfoMsg) active_->append(message);
  }

  static inline QStringList* active_ = nullptr;
  QtMessageHandler previous_;
  QStringList warnings_;
};

}  // namespace

bool RenderSvg(const QByteArray& svg, QSize size, QImage& image, QString& error) {
  WarningCapture capture;
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) {
    error = QStringLiteral("QtSvg cannot read it");
    return false;
  }
  image = QImage(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
  painter.end();
  if (!capture.Warnings().isEmpty()) {
    error = QStringLiteral("QtSvg warns: %1").arg(capture.Warnings().join(QStringLiteral("; ")));
    return false;
  }
  return true;
}

}  // namespace kova::skinrender
