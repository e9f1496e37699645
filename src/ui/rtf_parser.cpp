#include "ui/rtf_parser.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "ui/text_decoding.h"

namespace kova {

namespace {

enum class Destination : uint8_t { Text, Skip, FontTable, ColourTable, FieldInstruction, ItemText };

struct GroupState {
  TXRtfCharFormat Char;
  TXRtfParagraphFormat Para;
  Destination Dest = Destination::Text;
  int UnicodeSkip = 1;
  bool Hidden = false;
  bool Ignorable = false;  // the group began with \*
};

bool IsSkippedDestination(std::string_view word) {
  static const std::unordered_set<std::string_view> kSkipped = {"stylesheet",
                                                                "info",
                                                                "pict",
                                                                "header",
                                                                "headerl",
                                                                "headerr",
                                                                "headerf",
                                                                "footer",
                                                                "footerl",
                                                                "footerr",
                                                                "footerf",
                                                                "footnote",
                                                                "annotation",
                                                                "object",
                                                                "xe",
                                                                "tc",
                                                                "txe",
                                                                "rxe",
                                                                "listtable",
                                                                "listoverridetable",
                                                                "revtbl",
                                                                "filetbl",
                                                                "pn",
                                                                "nonshppict",
                                                                "shp",
                                                                "themedata",
                                                                "colorschememapping",
                                                                "latentstyles",
                                                                "datastore",
                                                                "xmlnstbl",
                                                                "generator",
                                                                "bkmkstart",
                                                                "bkmkend",
                                                                "docvar",
                                                                "userprops",
                                                                "rsidtbl",
                                                                "mmathPr",
                                                                "pgdsctbl",
                                                                "objdata",
                                                                "fldtype"};
  return kSkipped.contains(word);
}

bool IsBulletMarker(QChar c) {
  return c == QChar(0x2022) || c == QChar(0x00B7) || c == QChar(0x25CF) || c == QChar(0xF0B7);
}

// The address of a HYPERLINK field instruction: its first argument that is not a switch. A
// link to a bookmark of the document itself (\l) gives none.
QString LinkOfInstruction(const QString& instruction) {
  QStringList tokens;
  QString current;
  bool quoted = false;
  for (QChar c : instruction.trimmed()) {
    if (c == '"') {
      quoted = !quoted;
      if (!quoted) {
        tokens.append(current);
        current.clear();
      }
    } else if (c.isSpace() && !quoted) {
      if (!current.isEmpty()) tokens.append(current);
      current.clear();
    } else {
      current.append(c);
    }
  }
  if (!current.isEmpty()) tokens.append(current);
  if (tokens.isEmpty() || tokens.front().compare(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
    return {};
  for (qsizetype i = 1; i < tokens.size(); ++i) {
    const QString& token = tokens[i];
    if (!token.startsWith('\\')) return token;
    if (token == QLatin1String("\\l")) return {};
    // \o and \t take an argument; \m, \n and \h do not.
    if (token == QLatin1String("\\o") || token == QLatin1String("\\t")) ++i;
  }
  return {};
}

class RtfParser {
 public:
  explicit RtfParser(QByteArrayView bytes) : bytes_(bytes) {}

  std::optional<TXRtfDocument> Parse();

 private:
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  char Peek() const { return bytes_[pos_]; }
  bool Step();
  bool OpenGroup();
  bool CloseGroup();
  void Control();
  void ControlWord(std::string_view word, std::optional<int32_t> param);
  bool CharacterWord(std::string_view word, int32_t value);
  bool ParagraphWord(std::string_view word, int32_t value);
  bool DestinationWord(std::string_view word, std::optional<int32_t> param);
  void ControlSymbol(char symbol);
  void HexByte();
  void RawByte(char byte);

  void AppendChar(QChar c);
  void AppendText(const QString& text);
  void AppendByte(char byte);
  void FlushBytes();
  void AppendLineBreak();
  void EndParagraph();
  void EndFontEntry();
  void EndColourEntry();
  void FinishGroup(const GroupState& closed);
  int CurrentCodePage() const;

  QByteArrayView bytes_;
  qsizetype pos_ = 0;
  std::vector<GroupState> stack_;
  GroupState state_;
  bool groupStart_ = false;
  int skipChars_ = 0;
  TXRtfDocument doc_;
  TXRtfParagraph paragraph_;
  QByteArray pendingBytes_;
  int pendingCodePage_ = 0;
  QString destinationText_;
  int32_t fontNumber_ = -1;
  TXRtfFont font_;
  int red_ = -1, green_ = -1, blue_ = -1;
  bool ended_ = false;
};

std::optional<TXRtfDocument> RtfParser::Parse() {
  while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
    ++pos_;
  if (!bytes_.sliced(pos_).startsWith("{\\rtf")) return std::nullopt;
  while (!AtEnd() && !ended_) {
    if (!Step()) return std::nullopt;
  }
  FlushBytes();
  if (!paragraph_.Runs.empty()) EndParagraph();
  return std::move(doc_);
}

bool RtfParser::Step() {
  const char c = bytes_[pos_++];
  switch (c) {
    case '{':
      return OpenGroup();
    case '}':
      return CloseGroup();
    case '\\':
      Control();
      return true;
    default:
      RawByte(c);
      return true;
  }
}

bool RtfParser::OpenGroup() {
  FlushBytes();
  skipChars_ = 0;
  if (static_cast<int>(stack_.size()) >= kMaxRtfDepth) return false;
  stack_.push_back(state_);
  state_.Ignorable = false;
  groupStart_ = true;
  return true;
}

bool RtfParser::CloseGroup() {
  FlushBytes();
  skipChars_ = 0;
  if (stack_.empty()) {
    ended_ = true;
    return true;
  }
  const GroupState closed = state_;
  state_ = stack_.back();
  stack_.pop_back();
  FinishGroup(closed);
  if (stack_.empty()) ended_ = true;
  return true;
}

void RtfParser::FinishGroup(const GroupState& closed) {
  if (closed.Dest == state_.Dest) return;
  switch (closed.Dest) {
    case Destination::FieldInstruction:
      state_.Char.Link = LinkOfInstruction(destinationText_);
      break;
    case Destination::ItemText: {
      const QString marker = destinationText_.trimmed();
      if (marker.size() == 1 && IsBulletMarker(marker.front())) {
        paragraph_.Bullet = true;
      } else if (!marker.isEmpty()) {
        AppendText(marker + QLatin1Char('\t'));
      }
      break;
    }
    case Destination::FontTable:
      EndFontEntry();
      break;
    default:
      break;
  }
}

void RtfParser::Control() {
  if (AtEnd()) return;
  const char first = Peek();
  const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
  if (!letter) {
    ++pos_;
    if (first == '\'') {
      HexByte();
    } else {
      ControlSymbol(first);
    }
    return;
  }
  const qsizetype start = pos_;
  while (!AtEnd() && pos_ - start < 32 &&
         ((Peek() >= 'a' && Peek() <= 'z') || (Peek() >= 'A' && Peek() <= 'Z')))
    ++pos_;
  const std::string_view word(bytes_.data() + start, static_cast<size_t>(pos_ - start));
  std::optional<int32_t> param;
  const qsizetype numberStart = pos_;
  if (!AtEnd() && Peek() == '-') ++pos_;
  int64_t value = 0;
  bool digits = false;
  while (!AtEnd() && Peek() >= '0' && Peek() <= '9' && pos_ - numberStart < 11) {
    value = value * 10 + (Peek() - '0');
    digits = true;
    ++pos_;
  }
  if (digits) {
    if (bytes_[numberStart] == '-') value = -value;
    param = static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
  } else {
    pos_ = numberStart;
  }
  if (!AtEnd() && Peek() == ' ') ++pos_;
  ControlWord(word, param);
}

void RtfParser::ControlWord(std::string_view word, std::optional<int32_t> param) {
  FlushBytes();
  const bool first = groupStart_;
  groupStart_ = false;
  if (word != "u") skipChars_ = 0;
  if (word == "bin") {
    // Binary data is skipped wherever it is, even inside a skipped destination.
    if (param && *param > 0) pos_ = std::min<qsizetype>(bytes_.size(), pos_ + *param);
    return;
  }
  if (state_.Dest == Destination::Skip) return;
  if (DestinationWord(word, param)) return;
  if (state_.Ignorable && first) {
    state_.Dest = Destination::Skip;
    return;
  }
  const int32_t value = param.value_or(1);
  if (state_.Dest == Destination::FontTable) {
    if (word == "f") {
      EndFontEntry();
      fontNumber_ = value;
    } else if (word == "fcharset") {
      font_.CodePage = CodePageOfCharset(value);
    } else if (word == "fmodern") {
      font_.Monospace = true;
    }
    return;
  }
  if (state_.Dest == Destination::ColourTable) {
    if (word == "red") red_ = std::clamp(value, 0, 255);
    if (word == "green") green_ = std::clamp(value, 0, 255);
    if (word == "blue") blue_ = std::clamp(value, 0, 255);
    return;
  }
  if (CharacterWord(word, value) || ParagraphWord(word, value)) return;
  if (word == "ansicpg") {
    doc_.CodePage = value;
  } else if (word == "deff") {
    doc_.DefaultFont = value;
  } else if (word == "uc") {
    state_.UnicodeSkip = std::clamp(value, 0, 16);
  } else if (word == "u" && param) {
    AppendChar(QChar(static_cast<char16_t>(value < 0 ? value + 65536 : value)));
    skipChars_ = state_.UnicodeSkip;
  }
}

bool RtfParser::DestinationWord(std::string_view word, std::optional<int32_t> /*param*/) {
  if (word == "fonttbl") {
    state_.Dest = Destination::FontTable;
  } else if (word == "colortbl") {
    state_.Dest = Destination::ColourTable;
  } else if (word == "fldinst") {
    state_.Dest = Destination::FieldInstruction;
    destinationText_.clear();
  } else if (word == "fldrslt") {
    state_.Dest = Destination::Text;
  } else if (word == "pntext" || word == "listtext") {
    state_.Dest = Destination::ItemText;
    destinationText_.clear();
  } else if (IsSkippedDestination(word)) {
    state_.Dest = Destination::Skip;
  } else {
    return false;
  }
  return true;
}

bool RtfParser::CharacterWord(std::string_view word, int32_t value) {
  TXRtfCharFormat& format = state_.Char;
  const bool on = value != 0;
  if (word == "plain") {
    const QString link = format.Link;
    format = TXRtfCharFormat{};
    format.Link = link;
    state_.Hidden = false;
  } else if (word == "b") {
    format.Bold = on;
  } else if (word == "i") {
    format.Italic = on;
  } else if (word == "strike" || word == "striked") {
    format.Strike = on;
  } else if (word == "ulnone") {
    format.Underline = false;
  } else if (word.starts_with("ul") && word != "ulc") {
    format.Underline = on;
  } else if (word == "fs") {
    format.HalfPoints = value > 0 ? std::min(value, 3276) : 24;
  } else if (word == "f") {
    format.Font = value;
  } else if (word == "cf") {
    format.Colour = value;
  } else if (word == "cb" || word == "highlight") {
    format.Highlight = value;
  } else if (word == "super") {
    format.Shift = 1;
  } else if (word == "sub") {
    format.Shift = -1;
  } else if (word == "nosupersub") {
    format.Shift = 0;
  } else if (word == "v") {
    state_.Hidden = on;
  } else if (word == "par" || word == "sect" || word == "page" || word == "row") {
    EndParagraph();
  } else if (word == "line") {
    AppendLineBreak();
  } else if (word == "tab" || word == "cell") {
    AppendChar('\t');
  } else {
    static const std::pair<std::string_view, char16_t> kCharacters[] = {
        {"bullet", 0x2022},  {"emdash", 0x2014},    {"endash", 0x2013},    {"lquote", 0x2018},
        {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002}, {"qmspace", 0x2005}};
    for (const auto& [name, character] : kCharacters) {
      if (word == name) {
        AppendChar(QChar(character));
        return true;
      }
    }
    return false;
  }
  return true;
}

bool RtfParser::ParagraphWord(std::string_view word, int32_t value) {
  TXRtfParagraphFormat& format = state_.Para;
  if (word == "pard") {
    format = TXRtfParagraphFormat{};
  } else if (word == "li") {
    format.LeftIndent = value;
  } else if (word == "fi") {
    format.FirstIndent = value;
  } else if (word == "ri") {
    format.RightIndent = value;
  } else if (word == "sb") {
    format.SpaceBefore = value;
  } else if (word == "sa") {
    format.SpaceAfter = value;
  } else if (word == "ql") {
    format.Align = TXRtfAlign::Left;
  } else if (word == "qc") {
    format.Align = TXRtfAlign::Center;
  } else if (word == "qr") {
    format.Align = TXRtfAlign::Right;
  } else if (word == "qj") {
    format.Align = TXRtfAlign::Justify;
  } else {
    return false;
  }
  return true;
}

void RtfParser::ControlSymbol(char symbol) {
  const bool first = groupStart_;
  groupStart_ = false;
  switch (symbol) {
    case '*':
      if (first) {
        state_.Ignorable = true;
        groupStart_ = true;
      }
      break;
    case '\\':
    case '{':
    case '}':
      AppendChar(QLatin1Char(symbol));
      break;
    case '~':
      AppendChar(QChar(0x00A0));
      break;
    case '-':
      AppendChar(QChar(0x00AD));
      break;
    case '_':
      AppendChar(QChar(0x2011));
      break;
    case '\r':
    case '\n':
      FlushBytes();
      if (state_.Dest == Destination::Text) EndParagraph();
      break;
    default:
      break;
  }
}

void RtfParser::HexByte() {
  groupStart_ = false;
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (pos_ + 2 > bytes_.size()) {
    pos_ = bytes_.size();
    return;
  }
  const int high = hex(bytes_[pos_]);
  const int low = hex(bytes_[pos_ + 1]);
  if (high < 0 || low < 0) return;
  pos_ += 2;
  AppendByte(static_cast<char>(high * 16 + low));
}

void RtfParser::RawByte(char byte) {
  groupStart_ = false;
  const auto value = static_cast<unsigned char>(byte);
  if (byte == '\r' || byte == '\n') return;
  if (byte == '\t') {
    AppendChar('\t');
  } else if (value >= 0x80) {
    AppendByte(byte);
  } else if (value >= 0x20) {
    if (state_.Dest == Destination::FontTable && byte == ';') {
      EndFontEntry();
    } else if (state_.Dest == Destination::ColourTable && byte == ';') {
      EndColourEntry();
    } else {
      AppendChar(QLatin1Char(byte));
    }
  }
}

int RtfParser::CurrentCodePage() const {
  const int32_t number = state_.Char.Font >= 0 ? state_.Char.Font : doc_.DefaultFont;
  auto it = doc_.Fonts.find(number);
  if (it != doc_.Fonts.end() && it->second.CodePage > 0) return it->second.CodePage;
  return doc_.CodePage;
}

void RtfParser::AppendByte(char byte) {
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  const int codePage = state_.Dest == Destination::FontTable ? doc_.CodePage : CurrentCodePage();
  if (!pendingBytes_.isEmpty() && codePage != pendingCodePage_) FlushBytes();
  pendingCodePage_ = codePage;
  pendingBytes_.append(byte);
}

void RtfParser::FlushBytes() {
  if (pendingBytes_.isEmpty()) return;
  const QString text = DecodeCodePage(pendingBytes_, pendingCodePage_);
  pendingBytes_.clear();
  AppendText(text);
}

void RtfParser::AppendChar(QChar c) {
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  FlushBytes();
  AppendText(QString(c));
}

void RtfParser::AppendText(const QString& text) {
  switch (state_.Dest) {
    case Destination::Text:
      break;
    case Destination::FontTable:
      font_.Name += text;
      return;
    case Destination::FieldInstruction:
    case Destination::ItemText:
      destinationText_ += text;
      return;
    default:
      return;
  }
  if (state_.Hidden || text.isEmpty()) return;
  std::vector<TXRtfRun>& runs = paragraph_.Runs;
  if (!runs.empty() && !runs.back().LineBreak && runs.back().Format == state_.Char) {
    runs.back().Text += text;
  } else {
    runs.push_back({state_.Char, text, false});
  }
}

void RtfParser::AppendLineBreak() {
  if (state_.Dest != Destination::Text || state_.Hidden) return;
  paragraph_.Runs.push_back({state_.Char, {}, true});
}

void RtfParser::EndParagraph() {
  if (state_.Dest != Destination::Text) return;
  std::vector<TXRtfRun>& runs = paragraph_.Runs;
  if (!paragraph_.Bullet && !runs.empty() && runs.front().Text.size() >= 2 &&
      IsBulletMarker(runs.front().Text.front()) && runs.front().Text[1].isSpace()) {
    paragraph_.Bullet = true;
    QString& text = runs.front().Text;
    qsizetype cut = 1;
    while (cut < text.size() && text[cut].isSpace())
      ++cut;
    text.remove(0, cut);
    if (text.isEmpty()) runs.erase(runs.begin());
  }
  paragraph_.Format = state_.Para;
  paragraph_.EndFormat = state_.Char;
  doc_.Paragraphs.push_back(std::move(paragraph_));
  paragraph_ = TXRtfParagraph{};
}

void RtfParser::EndFontEntry() {
  QString name = font_.Name.trimmed();
  if (fontNumber_ >= 0) {
    font_.Name = name;
    doc_.Fonts[fontNumber_] = font_;
  }
  fontNumber_ = -1;
  font_ = TXRtfFont{};
}

void RtfParser::EndColourEntry() {
  if (red_ < 0 && green_ < 0 && blue_ < 0) {
    doc_.Colours.emplace_back();
  } else {
    doc_.Colours.emplace_back(std::max(red_, 0), std::max(green_, 0), std::max(blue_, 0));
  }
  red_ = green_ = blue_ = -1;
}

}  // namespace

std::optional<TXRtfDocument> ParseRtf(QByteArrayView bytes) {
  return RtfParser(bytes).Parse();
}

}  // namespace kova
