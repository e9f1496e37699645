#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "persistence/lg_header.h"

// The readable sources of a language: "language.txt" (the header: "Name = English", "LgID = 9",
// ...), "words.txt" (one text a line: "name = text" or "hex identifier = text"; "\n" is a line
// break, "\\" a backslash, "#" starts a comment line) and the documents (every other file: its
// name without extension is the document's name; ".rtf" help texts, ".png", ".jpg" and ".bmp"
// pictures).
namespace kova::lgc {

struct TXSourceWord {
  uint32_t ID = 0;
  std::string Name;   // as written in the source
  std::string Text;   // with line breaks as "#13#10"
  std::string Where;  // "file:line: " of the source line
};

struct TXSourceDocument {
  std::string Name;
  std::string DataClass;
  std::filesystem::path File;
};

struct TXLanguageSource {
  TXLgHeader Header;
  std::vector<TXSourceWord> Words;
  std::vector<TXSourceDocument> Documents;
  // The newest modification time of the sources, as a date-time (days since 1899-12-30).
  double TimeStamp = 0;
};

// Problems found while reading; errors make the sources unusable, warnings do not.
struct TXSourceReport {
  std::vector<std::string> Errors;
  std::vector<std::string> Warnings;
};

// Reads the sources of one language folder into `source`; true when the report has no errors.
bool ReadLanguageSource(const std::filesystem::path& folder, TXLanguageSource& source,
                        TXSourceReport& report);

// One words line: the identifier and the text; errors name the line.
bool ParseSourceWord(const std::string& line, TXSourceWord& word, std::string& error);

}  // namespace kova::lgc
