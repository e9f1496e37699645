#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

// What the RTF reader makes of a document: paragraphs of formatted runs, with the document's
// fonts and colours. Lengths are in twips (1/1440 inch), font sizes in half points, as in RTF.
namespace kova {

struct TXRtfCharFormat {
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool Strike = false;
  int32_t HalfPoints = 24;
  int32_t Colour = 0;     // index into the colour table; 0 is the automatic colour
  int32_t Highlight = 0;  // index into the colour table; 0 is none
  int32_t Font = -1;      // font number; -1 is the document's default font
  int8_t Shift = 0;       // 1 superscript, -1 subscript
  QString Link;           // the address of the hyperlink the text belongs to

  friend bool operator==(const TXRtfCharFormat&, const TXRtfCharFormat&) = default;
};

struct TXRtfRun {
  TXRtfCharFormat Format;
  QString Text;
  bool LineBreak = false;  // a forced line break instead of text
};

enum class TXRtfAlign : uint8_t { Left, Center, Right, Justify };

struct TXRtfParagraphFormat {
  int32_t LeftIndent = 0;
  int32_t FirstIndent = 0;
  int32_t RightIndent = 0;
  int32_t SpaceBefore = 0;
  int32_t SpaceAfter = 0;
  TXRtfAlign Align = TXRtfAlign::Left;
};

struct TXRtfParagraph {
  TXRtfParagraphFormat Format;
  std::vector<TXRtfRun> Runs;
  bool Bullet = false;  // an item of a bulleted list; its marker is not part of the runs
  // The format in force when the paragraph ended, for the height of an empty paragraph.
  TXRtfCharFormat EndFormat;
};

struct TXRtfFont {
  QString Name;
  bool Monospace = false;
  int CodePage = 0;  // 0: the document's code page
};

struct TXRtfDocument {
  std::vector<TXRtfParagraph> Paragraphs;
  std::vector<QColor> Colours;  // an invalid colour stands for the automatic one
  std::map<int32_t, TXRtfFont> Fonts;
  int32_t DefaultFont = 0;
  int CodePage = 1252;
};

}  // namespace kova
