#include "ui/rtf_html_writer.h"

#include <QStringList>

namespace kova {

namespace {

int Pixels(int32_t twips) {
  return twips / 15;
}

QString FontSizeText(int32_t halfPoints) {
  return halfPoints % 2 == 0 ? QString::number(halfPoints / 2) + QLatin1String("pt")
                             : QString::number(halfPoints / 2.0, 'f', 1) + QLatin1String("pt");
}

QString CleanFontName(QString name) {
  static const QString kUnsafe = QStringLiteral("'\";<>\\{}");
  name.removeIf([](QChar c) { return kUnsafe.contains(c); });
  return name;
}

class HtmlWriter {
 public:
  explicit HtmlWriter(const TXRtfDocument& document) : doc_(document) {}

  QString Write();

 private:
  void Paragraph(const TXRtfParagraph& paragraph);
  void Runs(const std::vector<TXRtfRun>& runs, const TXRtfCharFormat& endFormat);
  QString SpanStyle(const TXRtfCharFormat& format) const;
  QString ColourOf(int32_t index) const;
  QString BlockStyle(const TXRtfParagraphFormat& format, bool listItem) const;
  void CloseList();

  const TXRtfDocument& doc_;
  QString html_;
  bool inList_ = false;
};

QString HtmlWriter::Write() {
  html_ = QStringLiteral("<html><body>");
  for (const TXRtfParagraph& paragraph : doc_.Paragraphs)
    Paragraph(paragraph);
  CloseList();
  html_ += QLatin1String("</body></html>");
  return html_;
}

void HtmlWriter::CloseList() {
  if (!inList_) return;
  html_ += QLatin1String("</ul>");
  inList_ = false;
}

void HtmlWriter::Paragraph(const TXRtfParagraph& paragraph) {
  const bool item = paragraph.Bullet;
  if (item && !inList_) {
    html_ += QLatin1String("<ul style=\"margin-top:0px; margin-bottom:0px;\">");
    inList_ = true;
  } else if (!item) {
    CloseList();
  }
  static const char* const kAlign[] = {"left", "center", "right", "justify"};
  html_ += QStringLiteral("<%1 align=\"%2\" style=\"%3\">")
               .arg(item ? QLatin1String("li") : QLatin1String("p"))
               .arg(QLatin1String(kAlign[static_cast<int>(paragraph.Format.Align)]))
               .arg(BlockStyle(paragraph.Format, item));
  Runs(paragraph.Runs, paragraph.EndFormat);
  html_ += item ? QLatin1String("</li>") : QLatin1String("</p>");
}

QString HtmlWriter::BlockStyle(const TXRtfParagraphFormat& format, bool listItem) const {
  QString style = QStringLiteral("margin-top:%1px; margin-bottom:%2px; margin-right:%3px; ")
                      .arg(Pixels(format.SpaceBefore))
                      .arg(Pixels(format.SpaceAfter))
                      .arg(Pixels(format.RightIndent));
  // A list item's indent comes from the list; its hanging first line is the bullet.
  if (!listItem) {
    style += QStringLiteral("margin-left:%1px; text-indent:%2px; ")
                 .arg(Pixels(format.LeftIndent))
                 .arg(Pixels(format.FirstIndent));
  }
  return style + QLatin1String("white-space:pre-wrap;");
}

void HtmlWriter::Runs(const std::vector<TXRtfRun>& runs, const TXRtfCharFormat& endFormat) {
  bool empty = true;
  QString openLink;
  for (const TXRtfRun& run : runs) {
    if (run.Format.Link != openLink) {
      if (!openLink.isEmpty()) html_ += QLatin1String("</a>");
      openLink = run.Format.Link;
      if (!openLink.isEmpty())
        html_ += QStringLiteral("<a href=\"%1\">").arg(openLink.toHtmlEscaped());
    }
    if (run.LineBreak) {
      html_ += QLatin1String("<br />");
      continue;
    }
    empty = empty && run.Text.isEmpty();
    html_ += QStringLiteral("<span style=\"%1\">%2</span>")
                 .arg(SpanStyle(run.Format), run.Text.toHtmlEscaped());
  }
  if (!openLink.isEmpty()) html_ += QLatin1String("</a>");
  // An empty paragraph keeps the height of a line in the font it ended with.
  if (empty) html_ += QStringLiteral("<span style=\"%1\">&nbsp;</span>").arg(SpanStyle(endFormat));
}

QString HtmlWriter::ColourOf(int32_t index) const {
  if (index <= 0 || index >= static_cast<int32_t>(doc_.Colours.size())) return {};
  const QColor& colour = doc_.Colours[static_cast<size_t>(index)];
  return colour.isValid() ? colour.name() : QString();
}

QString HtmlWriter::SpanStyle(const TXRtfCharFormat& format) const {
  QStringList style;
  style << QLatin1String("font-size:") + FontSizeText(format.HalfPoints);
  if (format.Bold) style << QStringLiteral("font-weight:700");
  if (format.Italic) style << QStringLiteral("font-style:italic");
  if (format.Underline || format.Strike) {
    QStringList lines;
    if (format.Underline) lines << QStringLiteral("underline");
    if (format.Strike) lines << QStringLiteral("line-through");
    style << QLatin1String("text-decoration:") + lines.join(' ');
  }
  if (QString colour = ColourOf(format.Colour); !colour.isEmpty())
    style << QLatin1String("color:") + colour;
  if (QString colour = ColourOf(format.Highlight); !colour.isEmpty())
    style << QLatin1String("background-color:") + colour;
  if (format.Shift != 0)
    style << (format.Shift > 0 ? QStringLiteral("vertical-align:super")
                               : QStringLiteral("vertical-align:sub"));
  if (format.Font >= 0 && format.Font != doc_.DefaultFont) {
    auto it = doc_.Fonts.find(format.Font);
    if (it != doc_.Fonts.end()) {
      QString family = QStringLiteral("'%1'").arg(CleanFontName(it->second.Name));
      if (it->second.Monospace) family += QLatin1String(", monospace");
      style << QLatin1String("font-family:") + family;
    }
  }
  return style.join(QLatin1String("; "));
}

}  // namespace

QString RtfToQtHtml(const TXRtfDocument& document) {
  return HtmlWriter(document).Write();
}

}  // namespace kova
