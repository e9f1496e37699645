#include "persistence/lg_builtin.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "persistence/lg.h"
#include "persistence/lg_filer.h"
#include "persistence/lg_format.h"
#include "persistence/lg_keys.h"
#include "persistence/lg_selector.h"
#include "persistence/rstream_layout.h"
#include "support/test_paths.h"

namespace kova {
namespace {

std::string TextOf(const TXMemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

TEST(BuiltInLanguageTest, TheResourceIsACompressedLanguageContainer) {
  const TXStreamObject& data = BuiltInLanguageData().Data();
  EXPECT_EQ(BuiltInLanguageData().Name(), "lgStream");
  EXPECT_TRUE(data.Compressed());
  EXPECT_EQ(data.DataClass(), ".xlg");
  EXPECT_EQ(data.Version(), "0.0.0.0");
  EXPECT_GT(data.TimeStamp(), 0);
  const std::vector<uint8_t>& bytes = data.Bytes();
  ASSERT_GT(bytes.size(), 200u);
  EXPECT_EQ(data.Size(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "XXFQ");
  EXPECT_EQ(ReadLE32(&bytes[4]), ::crc32(0, &bytes[8], 75));
  EXPECT_EQ(ReadLE32(&bytes[12]), 100u);
  EXPECT_EQ(ReadLE32(&bytes[16]), kKovaAppID);
  EXPECT_EQ(ReadLE32(&bytes[20]), kKovaAppVer);
  EXPECT_EQ(std::string(bytes.begin() + 107, bytes.begin() + 111), "XXNQ");
  EXPECT_EQ(std::string(bytes.end() - 16, bytes.end()), "XXEQ" + std::string(12, '\0'));
}

TEST(BuiltInLanguageTest, UsingItGivesEnglishTextsAndHelp) {
  ASSERT_TRUE(UseBuiltInLanguage());
  EXPECT_EQ(Lg().Word(1), "9");
  EXPECT_EQ(Lg().Word(lg::kIsoName), "en-US");
  EXPECT_EQ(Lg().LanguageID(), 9u);
  EXPECT_EQ(Lg().LanguageIDText(), "0009");
  EXPECT_EQ(Lg().Word(lg::kFilesSavedTo), "Files are saved to:");
  EXPECT_EQ(Lg().Format(lg::kClusterUnreadable, {"65", "1000"}),
            "Cluster 65 of 1000 cannot be read.");
  EXPECT_NE(Lg().Word(lg::kDriveNoPermission).find("\r\n"), std::string::npos);
  for (const char* name : {"kovahelp", "KovaCardHelp"}) {
    std::string rtf = TextOf(Lg().Document(name));
    EXPECT_TRUE(rtf.starts_with("{\\rtf1")) << name;
    EXPECT_TRUE(rtf.find("/dev/mmcblk0") != std::string::npos) << name;
    EXPECT_EQ(std::count(rtf.begin(), rtf.end(), '{'), std::count(rtf.begin(), rtf.end(), '}'))
        << name;
  }
  EXPECT_EQ(Lg().Documents()[0]->Object().DataClass(), ".rtf");
  ASSERT_TRUE(UseBuiltInLanguage(9)) << "calling it again registers nothing twice";
  EXPECT_EQ(LgSelector().Languages().Count(), 1);
  EXPECT_EQ(LgSelector().OfferedNames(), std::vector<std::string>{"English"});
}

TEST(BuiltInLanguageTest, EveryTextTheCodeNamesHasAnEnglishText) {
  ASSERT_TRUE(UseBuiltInLanguage());
  for (const lg::TXLgKey& key : lg::kAllKeys) {
    std::string text = Lg().Word(key.ID);
    EXPECT_FALSE(text.empty()) << key.Name << " has no English text";
    if (lg::IsSingleLine(key.ID)) {
      EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << key.Name;
    }
    if (text.find('%') != std::string::npos) {
      EXPECT_NE(FormatLgText(text, {"a", "b", "c", "d"}), text)
          << key.Name << " holds a per cent sign that is not a place";
    }
  }
}

struct ToolRun {
  int Status;
  std::string Errors;
};

ToolRun RunCompiler(const std::filesystem::path& source, const std::filesystem::path& out) {
  std::filesystem::path tool = test::BinaryDir() / "tools" / "lgc" / "kova-lgc";
  std::filesystem::path log = out / "lgc.log";
  std::string command = "'" + tool.string() + "' --source '" + source.string() + "' --cpp '" +
                        (out / "lang.cpp").string() + "' --container '" +
                        (out / "lang.xlg").string() + "' 2> '" + log.string() + "'";
  int status = std::system(command.c_str());
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

class LanguageCompilerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(test::BinaryDir() / "tools" / "lgc" / "kova-lgc")) {
      GTEST_SKIP() << "kova-lgc is not built";
    }
    std::filesystem::create_directories(source_);
    std::filesystem::create_directories(out_);
    WriteText(source_ / "language.txt",
              "Name = Deutsch\nLgID = 1031\nAppID = 7000\nAppVer = 500\n");
  }

  test::TempDir dir_;
  std::filesystem::path source_ = dir_ / "de";
  std::filesystem::path out_ = dir_ / "out";
};

TEST_F(LanguageCompilerTest, ReadableSourcesBecomeALanguage) {
  WriteText(source_ / "words.txt",
            "# German\nkLanguageIDText = 1031\nkFilesSavedTo = Dateien gespeichert in:\n"
            "06001002 = Zeile eins\\nZeile zwei \\\\ Ende\n");
  WriteText(source_ / "kovahelp.rtf", "{\\rtf1 Hilfe}");
  ToolRun run = RunCompiler(source_, out_);
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_NE(run.Errors.find("warning: no text for kDiskDisconnected"), std::string::npos);

  TXFileStream container((out_ / "lang.xlg").string(), TXFileMode::fmOpenRead);
  TXLgProject project;
  project.AppID = kKovaAppID;
  project.AppVer = kKovaAppVer;
  ASSERT_TRUE(LoadLgProject(project, container)) << ThreadError().ToString();
  EXPECT_EQ(project.Name(), "Deutsch");
  EXPECT_EQ(project.LgID(), 1031u);
  TXLg lg;
  lg.LoadWords(project.Words(), true);
  EXPECT_EQ(lg.Word(lg::kFilesSavedTo), "Dateien gespeichert in:");
  EXPECT_EQ(lg.Word(0x06001002), "Zeile eins\r\nZeile zwei \\ Ende");
  ASSERT_EQ(project.Documents().Count(), 1);
  EXPECT_EQ(project.Documents()[0]->Name(), "kovahelp");
  EXPECT_EQ(project.Documents()[0]->Object().DataClass(), ".rtf");
  EXPECT_TRUE(std::filesystem::file_size(out_ / "lang.cpp") > 0);
}

TEST_F(LanguageCompilerTest, FaultySourcesAreReportedLineByLineAndNothingIsWritten) {
  WriteText(source_ / "words.txt",
            "kLanguageIDText = 9\nkNoSuchText = x\nkOK = OK\nkOK = Okay\n"
            "kFilesSavedTo = one\\ntwo\n00000000 = zero\nno equals sign\nkClose = bad \\q\n");
  WriteText(source_ / "notes.doc", "stray");
  ToolRun run = RunCompiler(source_, out_);
  EXPECT_EQ(run.Status, 1);
  for (const char* expected : {"words.txt:1: ", "text 1 must be the language identifier 1031",
                               "words.txt:2: ", "\"kNoSuchText\" is neither",
                               "words.txt:4: kOK is already given on line 3",
                               "words.txt:5: kFilesSavedTo is a single-line text",
                               "words.txt:6: ", "words.txt:7: ", "words.txt:8: unknown escape \\q",
                               "notes.doc: not a document"}) {
    EXPECT_NE(run.Errors.find(expected), std::string::npos) << expected << "\n" << run.Errors;
  }
  EXPECT_FALSE(std::filesystem::exists(out_ / "lang.cpp"));

  std::filesystem::remove(source_ / "words.txt");
  run = RunCompiler(source_, out_);
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("words.txt: missing"), std::string::npos);
}

}  // namespace
}  // namespace kova
