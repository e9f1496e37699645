#include "lg_source.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>

#include "framework/text_utils.h"
#include "persistence/lg_coding.h"
#include "persistence/lg_keys.h"

namespace kova::lgc {

namespace {

constexpr double kUnixEpochDays = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

std::optional<uint32_t> KeyOf(std::string_view name) {
  for (const lg::TXLgKey& key : lg::kAllKeys) {
    if (key.Name == name) return key.ID;
  }
  return ParseHex32(name);
}

std::string ReadFileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<std::string> DataClassOf(const std::filesystem::path& file) {
  static const std::map<std::string, std::string> kClasses = {
      {".rtf", ".rtf"}, {".png", "TPngImage"}, {".jpg", "TJPEGImage"}, {".bmp", "TBitmap"}};
  auto it = kClasses.find(LowerCase(file.extension().string()));
  if (it == kClasses.end()) return std::nullopt;
  return it->second;
}

double DateTimeOf(std::filesystem::file_time_type time) {
  auto system = std::chrono::file_clock::to_sys(time);
  double seconds = std::chrono::duration<double>(system.time_since_epoch()).count();
  return kUnixEpochDays + seconds / kSecondsPerDay;
}

// Escapes of the words source: "\n" a line break, "\\" a backslash.
bool Unescape(std::string_view text, std::string& out, std::string& error) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (next == 'n') {
      out += "#13#10";
    } else if (next == '\\') {
      out += '\\';
    } else {
      error = "unknown escape \\" + std::string(1, next);
      return false;
    }
    ++i;
  }
  return true;
}

void ReadHeader(const std::filesystem::path& file, TXLgHeader& header, TXSourceReport& report) {
  std::vector<std::string> lines = SplitLines(ReadFileText(file));
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    if (line.empty() || line.front() == '#') continue;
    size_t equals = line.find('=');
    std::string where = file.string() + ":" + std::to_string(i + 1) + ": ";
    if (equals == std::string_view::npos) {
      report.Errors.push_back(where + "expected \"property = value\"");
      continue;
    }
    std::string name(Trim(line.substr(0, equals)));
    if (!SetPropText(header, name, std::string(Trim(line.substr(equals + 1))))) {
      report.Errors.push_back(where + "no language property \"" + name + "\" takes that value");
    }
  }
}

void ReadWords(const std::filesystem::path& file, TXLanguageSource& source,
               TXSourceReport& report) {
  std::vector<std::string> lines = SplitLines(ReadFileText(file));
  std::map<uint32_t, size_t> seen;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    if (line.empty() || line.front() == '#') continue;
    std::string where = file.string() + ":" + std::to_string(i + 1) + ": ";
    TXSourceWord word;
    std::string error;
    if (!ParseSourceWord(lines[i], word, error)) {
      report.Errors.push_back(where + error);
    } else if (auto [it, added] = seen.emplace(word.ID, i + 1); !added) {
      report.Errors.push_back(where + word.Name + " is already given on line " +
                              std::to_string(it->second));
    } else {
      word.Where = where;
      source.Words.push_back(std::move(word));
    }
  }
}

void CheckWords(const TXLanguageSource& source, TXSourceReport& report) {
  auto has = [&](uint32_t id) {
    return std::any_of(source.Words.begin(), source.Words.end(),
                       [&](const TXSourceWord& word) { return word.ID == id; });
  };
  for (const lg::TXLgKey& key : lg::kAllKeys) {
    if (!has(key.ID)) report.Warnings.push_back("no text for " + std::string(key.Name));
  }
  for (const TXSourceWord& word : source.Words) {
    if (word.ID == lg::kLanguageIDText && word.Text != std::to_string(source.Header.LgID())) {
      report.Errors.push_back(word.Where + "text 1 must be the language identifier " +
                              std::to_string(source.Header.LgID()));
    }
  }
}

}  // namespace

bool ParseSourceWord(const std::string& line, TXSourceWord& word, std::string& error) {
  size_t equals = line.find('=');
  if (equals == std::string::npos) {
    error = "expected \"name = text\"";
    return false;
  }
  word.Name = std::string(Trim(std::string_view(line).substr(0, equals)));
  std::optional<uint32_t> id = KeyOf(word.Name);
  if (!id || *id == 0) {
    error = "\"" + word.Name + "\" is neither a text name of lg_keys.h nor an identifier";
    return false;
  }
  word.ID = *id;
  if (!Unescape(Trim(std::string_view(line).substr(equals + 1)), word.Text, error)) return false;
  if (lg::IsSingleLine(word.ID) && word.Text.find("#13#10") != std::string::npos) {
    error = word.Name + " is a single-line text but holds a line break";
    return false;
  }
  return true;
}

bool ReadLanguageSource(const std::filesystem::path& folder, TXLanguageSource& source,
                        TXSourceReport& report) {
  const std::filesystem::path headerFile = folder / "language.txt";
  const std::filesystem::path wordsFile = folder / "words.txt";
  for (const auto& required : {headerFile, wordsFile}) {
    if (!std::filesystem::is_regular_file(required)) {
      report.Errors.push_back(required.string() + ": missing");
    }
  }
  if (!report.Errors.empty()) return false;
  ReadHeader(headerFile, source.Header, report);
  ReadWords(wordsFile, source, report);
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const std::filesystem::path& file : files) {
    source.TimeStamp =
        std::max(source.TimeStamp, DateTimeOf(std::filesystem::last_write_time(file)));
    if (file == headerFile || file == wordsFile) continue;
    std::optional<std::string> dataClass = DataClassOf(file);
    if (!dataClass) {
      report.Errors.push_back(file.string() + ": not a document (.rtf, .png, .jpg or .bmp)");
      continue;
    }
    source.Documents.push_back({file.stem().string(), *dataClass, file});
  }
  CheckWords(source, report);
  return report.Errors.empty();
}

}  // namespace kova::lgc
