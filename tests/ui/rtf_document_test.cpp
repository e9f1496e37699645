#include <gtest/gtest.h>

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>

#include "support/test_paths.h"
#include "ui/rich_text_loader.h"
#include "ui/rtf_parser.h"
#include "ui/text_decoding.h"

namespace kova {
namespace {

std::unique_ptr<QTextDocument> DocumentOf(const QByteArray& rtf) {
  auto document = std::make_unique<QTextDocument>();
  std::optional<QString> html = RtfToHtml(rtf);
  EXPECT_TRUE(html.has_value());
  if (html) document->setHtml(*html);
  return document;
}

// The fragments of a document's blocks whose text contains the part.
QTextFragment FragmentWith(const QTextDocument& document, const QString& part) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().text().contains(part)) return it.fragment();
    }
  }
  return {};
}

QByteArray ResourceFile(const char* name) {
  QFile file(QString::fromStdString((test::SourceDir() / "resources/lang/en" / name).string()));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  return file.readAll();
}

TEST(RtfDocumentTest, CharacterFormattingReachesTheRichText) {
  auto doc = DocumentOf(
      "{\\rtf1\\ansi{\\colortbl;\\red214\\green104\\blue26;}\\fs20 plain \\b bold\\b0  "
      "{\\i italic} {\\ul under\\ulnone} {\\strike gone} {\\fs32 big} {\\cf1 orange}\\par}");
  EXPECT_EQ(doc->toPlainText(), "plain bold italic under gone big orange");
  EXPECT_EQ(FragmentWith(*doc, "bold").charFormat().fontWeight(), QFont::Bold);
  EXPECT_NE(FragmentWith(*doc, "plain").charFormat().fontWeight(), QFont::Bold);
  EXPECT_TRUE(FragmentWith(*doc, "italic").charFormat().fontItalic());
  EXPECT_TRUE(FragmentWith(*doc, "under").charFormat().fontUnderline());
  EXPECT_TRUE(FragmentWith(*doc, "gone").charFormat().fontStrikeOut());
  EXPECT_DOUBLE_EQ(FragmentWith(*doc, "big").charFormat().fontPointSize(), 16.0);
  EXPECT_DOUBLE_EQ(FragmentWith(*doc, "plain").charFormat().fontPointSize(), 10.0);
  EXPECT_EQ(FragmentWith(*doc, "orange").charFormat().foreground().color(), QColor(214, 104, 26));
}

TEST(RtfDocumentTest, ParagraphsKeepIndentsAlignmentAndEmptyLines) {
  auto doc = DocumentOf(
      "{\\rtf1 first\\par\\par\\li720\\fi-360 indented\\par\\pard\\qc centred\\par last}");
  ASSERT_EQ(doc->blockCount(), 5);
  EXPECT_EQ(doc->findBlockByNumber(0).text(), "first");
  EXPECT_TRUE(doc->findBlockByNumber(1).text().trimmed().isEmpty());
  const QTextBlockFormat indented = doc->findBlockByNumber(2).blockFormat();
  EXPECT_DOUBLE_EQ(indented.leftMargin(), 48.0);
  EXPECT_DOUBLE_EQ(indented.textIndent(), -24.0);
  EXPECT_EQ(doc->findBlockByNumber(3).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
  EXPECT_DOUBLE_EQ(doc->findBlockByNumber(3).blockFormat().leftMargin(), 0.0);
  EXPECT_EQ(doc->findBlockByNumber(4).text(), "last");
}

TEST(RtfDocumentTest, BulletParagraphsBecomeOneList) {
  auto doc = DocumentOf(
      "{\\rtf1 intro\\par\\li360\\fi-360\\bullet\\tab one\\par\\bullet\\tab two\\par"
      "{\\pntext\\f1\\'B7\\tab}three\\par\\li0\\fi0 after\\par}");
  ASSERT_EQ(doc->blockCount(), 5);
  QTextList* list = doc->findBlockByNumber(1).textList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(doc->findBlockByNumber(1).text(), "one");
  EXPECT_EQ(doc->findBlockByNumber(3).text(), "three");
  EXPECT_EQ(doc->findBlockByNumber(3).textList(), list);
  EXPECT_EQ(doc->findBlockByNumber(4).textList(), nullptr);
  EXPECT_EQ(doc->findBlockByNumber(0).textList(), nullptr);
}

TEST(RtfDocumentTest, NumberedItemTextStaysVisible) {
  auto doc = DocumentOf("{\\rtf1 {\\pntext 1.\\tab}first step\\par}");
  EXPECT_EQ(doc->toPlainText(), "1.\tfirst step");
}

TEST(RtfDocumentTest, HyperlinkFieldsBecomeAnchors) {
  auto doc = DocumentOf(
      "{\\rtf1 Visit {\\field{\\*\\fldinst{HYPERLINK \"https://example.com/a?b=1&c=2\"}}"
      "{\\fldrslt{\\ul site}}} or {\\field{\\*\\fldinst HYPERLINK \\\\l \"top\"}{\\fldrslt top}}"
      " or {\\field{\\*\\fldinst{HYPERLINK mailto:help@example.com}}{\\fldrslt mail}}.\\par}");
  EXPECT_EQ(doc->toPlainText(), "Visit site or top or mail.");
  const QTextCharFormat site = FragmentWith(*doc, "site").charFormat();
  EXPECT_TRUE(site.isAnchor());
  EXPECT_EQ(site.anchorHref(), "https://example.com/a?b=1&c=2");
  EXPECT_FALSE(FragmentWith(*doc, "top").charFormat().isAnchor());
  EXPECT_EQ(FragmentWith(*doc, "mail").charFormat().anchorHref(), "mailto:help@example.com");
  EXPECT_FALSE(FragmentWith(*doc, "Visit").charFormat().isAnchor());
}

TEST(RtfDocumentTest, SpecialCharactersAndEscapes) {
  auto doc = DocumentOf(
      "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80 \\'93q\\'94 \\u8364? \\uc2\\u8226xx"
      " a\\~b \\{x\\} back\\\\slash \\emdash <&>\\par}");
  EXPECT_EQ(doc->toRawText(), QString::fromUtf8("café € “q” € • a\u00A0b {x} back\\slash —<&>"));
}

TEST(RtfDocumentTest, FontCharsetChoosesTheCodePage) {
  auto doc = DocumentOf(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Sans;}{\\f1\\fcharset238 Central;}"
      "{\\f2\\fmodern\\fcharset0 Courier New;}}\\f1 \\'9a\\'e8\\f0  \\'9a {\\f2 code}\\par}");
  EXPECT_EQ(doc->toPlainText(), QString::fromUtf8("šč š code"));
  EXPECT_TRUE(FragmentWith(*doc, "code")
                  .charFormat()
                  .fontFamilies()
                  .toStringList()
                  .contains("Courier New"));
}

TEST(RtfDocumentTest, SkippedGroupsShowNothing) {
  auto doc = DocumentOf(
      "{\\rtf1{\\fonttbl{\\f0 Sans;}}{\\stylesheet{\\s0 Normal;}}{\\info{\\title Secret}"
      "{\\author Me}}{\\*\\generator Writer;}{\\*\\unknown words}{\\pict\\pngblip\\bin7 {}}\\{\\}"
      "}{\\header head}shown\\par}");
  EXPECT_EQ(doc->toPlainText(), "shown");
}

TEST(RtfDocumentTest, HiddenTextAndLineBreaks) {
  auto doc = DocumentOf("{\\rtf1 one{\\v secret}\\line two\\par}");
  EXPECT_EQ(doc->blockCount(), 1);
  EXPECT_EQ(doc->toRawText(), QString("one") + QChar::LineSeparator + "two");
}

TEST(RtfDocumentTest, DamagedRtfIsReadAsFarAsItGoes) {
  auto doc = DocumentOf("{\\rtf1 {\\b unclosed bold \\'4");
  EXPECT_EQ(doc->toPlainText(), "unclosed bold ");
  EXPECT_EQ(DocumentOf("{\\rtf1 text} trailing {junk")->toPlainText(), "text");
}

TEST(RtfDocumentTest, HostileNestingIsNotTakenForRtf) {
  QByteArray deep = "{\\rtf1 ";
  deep += QByteArray(100000, '{');
  EXPECT_FALSE(ParseRtf(deep).has_value());
  std::optional<TXRichText> loaded = LoadRichText(deep);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_FALSE(loaded->IsHtml);
  EXPECT_EQ(loaded->Text, QString::fromLatin1(deep));
}

TEST(RtfDocumentTest, TheProgramsHelpDocumentsConvert) {
  for (const char* name : {"kovahelp.rtf", "kovacardhelp.rtf"}) {
    SCOPED_TRACE(name);
    auto doc = DocumentOf(ResourceFile(name));
    const QString text = doc->toPlainText();
    EXPECT_FALSE(text.contains('\\'));
    EXPECT_FALSE(text.contains("DejaVu"));
    EXPECT_TRUE(text.contains("sudo usermod -aG disk $USER"));
    const QTextFragment title = FragmentWith(*doc, doc->begin().text());
    EXPECT_EQ(title.charFormat().fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(title.charFormat().fontPointSize(), 16.0);
    int listItems = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
      listItems += block.textList() ? 1 : 0;
    EXPECT_GE(listItems, 6);
  }
  auto help = DocumentOf(ResourceFile("kovahelp.rtf"));
  const QTextFragment link = FragmentWith(*help, "www.velmora.com/kova/support");
  EXPECT_EQ(link.charFormat().anchorHref(), "https://www.velmora.com/kova/support");
  EXPECT_EQ(link.charFormat().foreground().color(), QColor(214, 104, 26));
}

TEST(PlainTextTest, ByteOrderMarksChooseTheEncoding) {
  const QString expected = QString::fromUtf8("Größe € ✓");
  QByteArray utf8 = "\xEF\xBB\xBF" + expected.toUtf8();
  EXPECT_EQ(DecodePlainText(utf8), expected);
  QByteArray le("\xFF\xFE", 2), be("\xFE\xFF", 2);
  for (QChar c : expected) {
    le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
  }
  EXPECT_EQ(DecodePlainText(le), expected);
  EXPECT_EQ(DecodePlainText(be), expected);
}

TEST(PlainTextTest, TextWithoutMarkIsUtf8WhenValidElseWindows1252) {
  EXPECT_EQ(DecodePlainText(QString::fromUtf8("naïve").toUtf8()), QString::fromUtf8("naïve"));
  EXPECT_EQ(DecodePlainText("na\xEFve \x80 \x93q\x94\r\n\tend"),
            QString::fromUtf8("naïve € “q”\r\n\tend"));
  EXPECT_EQ(DecodePlainText(""), QString());
}

TEST(PlainTextTest, BinaryAndDamagedTextIsRefused) {
  EXPECT_FALSE(DecodePlainText(QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)).has_value());
  EXPECT_FALSE(DecodePlainText("\xEF\xBB\xBF"
                               "bad \xC3(")
                   .has_value());
  EXPECT_FALSE(DecodePlainText(QByteArray("\xFF\xFEx", 3)).has_value());
  EXPECT_FALSE(DecodePlainText(QByteArray("\xFF\xFE\x00\xD8\x41\x00", 6)).has_value());
  EXPECT_FALSE(LoadRichText(QByteArray("\0\1\2\3", 4)).has_value());
}

TEST(PlainTextTest, LoadRichTextFallsBackToPlainText) {
  std::optional<TXRichText> plain = LoadRichText("Just {text}\\ here");
  ASSERT_TRUE(plain.has_value());
  EXPECT_FALSE(plain->IsHtml);
  EXPECT_EQ(plain->Text, "Just {text}\\ here");
  std::optional<TXRichText> rtf = LoadRichText("  \r\n{\\rtf1 x}");
  ASSERT_TRUE(rtf.has_value());
  EXPECT_TRUE(rtf->IsHtml);
  std::optional<TXRichText> none = LoadRichText("");
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->Text.isEmpty());
}

TEST(PlainTextTest, OtherCodePagesDecode) {
  EXPECT_EQ(DecodeCodePage("\xE8", 1250), QString::fromUtf8("č"));
  EXPECT_EQ(DecodeCodePage("\xC4", 1251), QString::fromUtf8("Д"));
  EXPECT_EQ(DecodeCodePage("\x80", 99999), QString::fromUtf8("€"));
  EXPECT_EQ(CodePageOfCharset(238), 1250);
  EXPECT_EQ(CodePageOfCharset(2), 0);
}

}  // namespace
}  // namespace kova
