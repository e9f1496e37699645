#include "svg_check.h"

#include <QFontDatabase>
#include <QSet>
#include <QXmlStreamReader>

#include "badge_template.h"

namespace kova::skinrender {

namespace {

constexpr int kLargestGridSize = 48;

const QSet<QString>& AllowedElements() {
  static const QSet<QString> names{QStringLiteral("svg"),
                                   QStringLiteral("g"),
                                   QStringLiteral("defs"),
                                   QStringLiteral("title"),
                                   QStringLiteral("desc"),
                                   QStringLiteral("linearGradient"),
                                   QStringLiteral("radialGradient"),
                                   QStringLiteral("stop"),
                                   QStringLiteral("path"),
                                   QStringLiteral("rect"),
                                   QStringLiteral("circle"),
                                   QStringLiteral("ellipse"),
                                   QStringLiteral("line"),
                                   QStringLiteral("polyline"),
                                   QStringLiteral("polygon"),
                                   QStringLiteral("text"),
                                   QStringLiteral("use")};
  return names;
}

const QSet<QString>& ForbiddenAttributes() {
  static const QSet<QString> names{QStringLiteral("style"), QStringLiteral("class"),
                                   QStringLiteral("clip-path"), QStringLiteral("mask"),
                                   QStringLiteral("filter")};
  return names;
}

class SourceChecker {
 public:
  SourceChecker(const SkinPicture& picture, QStringList& problems)
      : picture_(picture), problems_(problems) {}

  void Check(const QByteArray& svg) {
    QXmlStreamReader reader(svg);
    bool root = true;
    while (!reader.atEnd()) {
      if (reader.readNext() != QXmlStreamReader::StartElement) continue;
      line_ = reader.lineNumber();
      CheckElement(reader.name().toString(), reader.attributes(), root);
      root = false;
    }
    if (reader.hasError()) Report(QStringLiteral("XML error: %1").arg(reader.errorString()));
    CheckPlaceholders(svg);
  }

 private:
  void CheckElement(const QString& name, const QXmlStreamAttributes& attributes, bool root) {
    if (root && name != QLatin1String("svg")) Report(QStringLiteral("the root is not <svg>"));
    if (root) CheckRoot(attributes);
    if (!AllowedElements().contains(name))
      Report(QStringLiteral("<%1> is not drawn by the skin module").arg(name));
    for (const QXmlStreamAttribute& attribute : attributes)
      CheckAttribute(attribute);
  }

  // Small pictures are drawn on the pixel grid of one size and must be shown at that size;
  // larger ones may be listed at several sizes of the same shape.
  void CheckRoot(const QXmlStreamAttributes& attributes) {
    const QString width = attributes.value(QLatin1String("width")).toString();
    const QString height = attributes.value(QLatin1String("height")).toString();
    const QSize declared(width.toInt(), height.toInt());
    const QSize listed = picture_.size;
    const bool sameShape = declared.width() * listed.height() == declared.height() * listed.width();
    const bool onGrid = listed.width() > kLargestGridSize || declared == listed;
    if (declared.isEmpty() || !sameShape || !onGrid)
      Report(QStringLiteral("declared size \"%1 x %2\" does not fit the listed %3 x %4")
                 .arg(width, height)
                 .arg(listed.width())
                 .arg(listed.height()));
    if (!attributes.hasAttribute(QLatin1String("viewBox")))
      Report(QStringLiteral("the root has no viewBox"));
  }

  void CheckAttribute(const QXmlStreamAttribute& attribute) {
    const QString name = attribute.name().toString();
    const QString value = attribute.value().toString();
    if (ForbiddenAttributes().contains(name))
      Report(QStringLiteral("attribute \"%1\" is not drawn by the skin module").arg(name));
    if (name == QLatin1String("href") && !value.startsWith(QLatin1Char('#')))
      Report(QStringLiteral("reference \"%1\" leaves the file").arg(value));
    if (name == QLatin1String("font-family")) CheckFont(value);
  }

  void CheckFont(const QString& family) {
    const QString name = QString(family).remove(QLatin1Char('\'')).remove(QLatin1Char('"'));
    if (!name.startsWith(QLatin1String("DejaVu Sans")))
      Report(QStringLiteral("font \"%1\" is not of the DejaVu Sans family").arg(name));
    else if (!QFontDatabase::families().contains(name))
      Report(QStringLiteral("font \"%1\" is not installed (package fonts-dejavu-core)").arg(name));
  }

  void CheckPlaceholders(const QByteArray& svg) {
    line_ = 0;
    for (const QByteArray& placeholder : BadgePlaceholders()) {
      const bool present = svg.contains(placeholder);
      if (picture_.IsTemplate() && !present)
        Report(QStringLiteral("the template lacks %1").arg(QString::fromUtf8(placeholder)));
      if (!picture_.IsTemplate() && present)
        Report(QStringLiteral("%1 appears outside a badge template")
                   .arg(QString::fromUtf8(placeholder)));
    }
  }

  void Report(const QString& problem) {
    const QString where =
        line_ > 0 ? QStringLiteral("%1:%2").arg(picture_.file).arg(line_) : picture_.file;
    problems_.append(QStringLiteral("%1: %2").arg(where, problem));
  }

  const SkinPicture& picture_;
  QStringList& problems_;
  qint64 line_ = 0;
};

}  // namespace

void CheckSvgSource(const QByteArray& svg, const SkinPicture& picture, QStringList& problems) {
  SourceChecker(picture, problems).Check(svg);
}

}  // namespace kova::skinrender
