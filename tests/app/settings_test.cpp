#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "app/kova_ini.h"
#include "framework/aspects.h"
#include "recovery/file_types.h"
#include "settings_fixture.h"
#include "support/test_files.h"

namespace kova {
namespace {

using test::SettingsFolderTest;

size_t CountLines(const std::string& text, const std::string& pattern) {
  std::regex line(pattern);
  return static_cast<size_t>(
      std::distance(std::sregex_iterator(text.begin(), text.end(), line), std::sregex_iterator()));
}

// The part of the store text under one key header, up to the next header.
std::string Section(const std::string& text, const std::string& header) {
  const size_t start = text.find("[" + header + "]\n");
  if (start == std::string::npos) return {};
  const size_t body = start + header.size() + 3;
  const size_t end = text.find("\n[", body);
  return text.substr(body, end == std::string::npos ? std::string::npos : end + 1 - body);
}

void ExpectDefaults(TXKovaIni& ini) {
  EXPECT_EQ(ini.Tag(), 0);
  EXPECT_EQ(ini.DocType(), "");
  EXPECT_EQ(ini.DocVer(), 0);
  EXPECT_EQ(ini.LgID(), 9u);
  EXPECT_TRUE(ini.ShowThumbnails());
  EXPECT_EQ(ini.Sort(), 0);
  EXPECT_EQ(ini.SortColumn(), 0);
  EXPECT_EQ(ini.CodePage(), 437);
  TXDRFileTypes defaults;
  defaults.SetDefaults();
  EXPECT_EQ(ini.FileTypes().GetSelectedExtensions(), defaults.GetSelectedExtensions());
  EXPECT_TRUE(ListHasExtension(ini.FileTypes().GetSelectedExtensions(), ".jpg"));
}

TEST_F(SettingsFolderTest, FirstStartGivesTheDefaultsAndExitWritesEveryProperty) {
  TXKovaIni ini;
  EXPECT_FALSE(ini.Load());
  EXPECT_EQ(ThreadError().Code, kErrFileNotFound);
  ExpectDefaults(ini);
  EXPECT_FALSE(std::filesystem::exists(StoreFile())) << "loading never writes";

  ASSERT_TRUE(ini.Save()) << ThreadError().ToString();
  const std::string text = StoreText();
  EXPECT_EQ(Section(text, "Software\\Velmora\\Kova7"),
            "Tag=0\nDocType=\nDocVer=0\nlgID=9\nShowThumbnails=True\nSort=0\nSortColumn=0\n"
            "CodePage=437\nWindowLeft=0\nWindowTop=0\nWindowWidth=0\nWindowHeight=0\n"
            "WindowMaximized=False\n");
  const std::string types = Section(text, "Software\\Velmora\\Kova7\\FileTypes");
  EXPECT_EQ(CountLines(types, "[A-Za-z_0-9]+=(True|False)\n"),
            static_cast<size_t>(TXDRFileTypes::kPropertyCount));
  EXPECT_EQ(types.substr(0, 46), "Images=True\nVideo=True\nAudio=True\n_jpg=True\n_h");
  EXPECT_NE(types.find("_3fr=False\n"), std::string::npos);
  EXPECT_NE(types.find("_wav=False\n"), std::string::npos);

  struct stat info {};
  ASSERT_EQ(::stat(StoreFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "the settings are the user's own";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(StoreFile().parent_path()), {}), 1)
      << "no temporary file is left behind";
}

TEST_F(SettingsFolderTest, ChangedSettingsComeBackInTheNextRun) {
  {
    TXKovaIni ini;
    ini.Load();
    ini.SetLgID(7);
    ini.SetShowThumbnails(false);
    ini.SetSort(2);
    ini.SetSortColumn(3);
    ini.SetCodePage(850);
    ini.SetTag(-5);
    ini.SetDocType("50% off = [x]\nsecond line; #");
    ini.FileTypes().SetImages(false);
    ini.FileTypes().SetSelected(".wav", true);
    ASSERT_TRUE(ini.Save());
  }
  TXKovaIni next;
  ASSERT_TRUE(next.Load()) << ThreadError().ToString();
  EXPECT_EQ(next.LgID(), 7u);
  EXPECT_FALSE(next.ShowThumbnails());
  EXPECT_EQ(next.Sort(), 2);
  EXPECT_EQ(next.SortColumn(), 3);
  EXPECT_EQ(next.CodePage(), 850);
  EXPECT_EQ(next.Tag(), -5);
  EXPECT_EQ(next.DocType(), "50% off = [x]\nsecond line; #");
  EXPECT_FALSE(next.FileTypes().Images());
  EXPECT_TRUE(next.FileTypes().Selected(".wav"));
  EXPECT_TRUE(next.FileTypes().Selected(".jpg"))
      << "the extension flag stays, only the group is off";
}

TEST_F(SettingsFolderTest, ValuesAreReadByNameAsTextIgnoringCase) {
  WriteStore(
      "[software\\VELMORA\\kova7]\n"
      "showthumbnails=False\n"
      "LGID=1031\n"
      "[Software\\Velmora\\Kova7\\FileTypes]\n"
      "_3GP=True\n"
      "Audio=0\n");
  TXKovaIni ini;
  ASSERT_TRUE(ini.Load());
  EXPECT_FALSE(ini.ShowThumbnails());
  EXPECT_EQ(ini.LgID(), 1031u);
  EXPECT_TRUE(ini.FileTypes().Selected(".3gp"));
  EXPECT_FALSE(ini.FileTypes().Audio());
  EXPECT_FALSE(ini.FileTypes().Selected(".3fr")) << "what the file lacks keeps its default";
}

TEST_F(SettingsFolderTest, ValuesThatDoNotFitTheirPropertyKeepTheDefault) {
  WriteStore(
      "[Software\\Velmora\\Kova7]\n"
      "lgID=-5\n"
      "Sort=abc\n"
      "SortColumn=99999999999\n"
      "ShowThumbnails=maybe\n"
      "CodePage=1252\n"
      "DocVer=3\n");
  TXKovaIni ini;
  ASSERT_TRUE(ini.Load());
  EXPECT_EQ(ini.LgID(), 9u);
  EXPECT_EQ(ini.Sort(), 0);
  EXPECT_EQ(ini.SortColumn(), 0) << "a number beyond 32 bits is not cut down to one";
  EXPECT_TRUE(ini.ShowThumbnails());
  EXPECT_EQ(ini.CodePage(), 437) << "short names are not in a Windows code page";
  EXPECT_EQ(ini.DocVer(), 3);
}

TEST_F(SettingsFolderTest, ValuesAndKeysThatNoPropertyMatchesStayInTheFile) {
  WriteStore(
      "[Software\\Other\\Program]\n"
      "Window=12,40\n"
      "[Software\\Velmora\\Kova7]\n"
      "LastDrive=/dev/sdc\n"
      "Sort=1\n"
      "[Software\\Velmora\\Kova7\\Recent]\n"
      "Item=x\n");
  TXKovaIni ini;
  ASSERT_TRUE(ini.Load());
  EXPECT_EQ(ini.Sort(), 1);
  ini.SetSort(4);
  ASSERT_TRUE(ini.Save());

  const std::string text = StoreText();
  EXPECT_EQ(Section(text, "Software\\Other\\Program"), "Window=12,40\n");
  EXPECT_EQ(Section(text, "Software\\Velmora\\Kova7\\Recent"), "Item=x\n");
  const std::string own = Section(text, "Software\\Velmora\\Kova7");
  EXPECT_EQ(own.find("LastDrive=/dev/sdc\nSort=4\n"), 0u) << own;
}

TEST_F(SettingsFolderTest, ADamagedFileGivesTheReadableValuesAndIsKeptWhenReplaced) {
  const std::string damaged =
      "[Software\\Velmora\\Kova7]\n"
      "lgID=1031\n"
      "\x01\x02 garbage without equals\n"
      "ShowThumbnails=F%zzalse\n"
      "Sort=2\n";
  WriteStore(damaged);
  TXKovaIni ini;
  EXPECT_FALSE(ini.Load());
  EXPECT_EQ(ThreadError().Code, kErrCheck);
  EXPECT_NE(ThreadError().Text.find("line 3"), std::string::npos) << ThreadError().Text;
  EXPECT_NE(ThreadError().Text.find("line 4"), std::string::npos) << ThreadError().Text;
  EXPECT_EQ(ini.LgID(), 1031u);
  EXPECT_EQ(ini.Sort(), 2);
  EXPECT_TRUE(ini.ShowThumbnails());

  ASSERT_TRUE(ini.Save()) << ThreadError().ToString();
  const TXKeyStoreFile file(StoreFile());
  EXPECT_EQ(test::ReadFileBytes(file.DamagedPath()),
            std::vector<uint8_t>(damaged.begin(), damaged.end()))
      << "the damaged file is kept as it was";
  TXKovaIni again;
  EXPECT_TRUE(again.Load()) << "the new file is whole";
  EXPECT_EQ(again.LgID(), 1031u);
}

TEST_F(SettingsFolderTest, BinaryJunkAndOversizedFilesGiveTheDefaults) {
  WriteStore(
      std::string("\x7F"
                  "ELF\0\0\x01\x02\xFF\xFE",
                  10));
  TXKovaIni ini;
  EXPECT_FALSE(ini.Load());
  ExpectDefaults(ini);

  WriteStore(std::string(TXKeyStoreFile::kMaxSize + 1, '['));
  EXPECT_FALSE(ini.Load());
  EXPECT_EQ(ThreadError().Code, kErrCheck);
  ExpectDefaults(ini);
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(std::filesystem::file_size(TXKeyStoreFile(StoreFile()).DamagedPath()),
            static_cast<uintmax_t>(TXKeyStoreFile::kMaxSize + 1));
}

TEST_F(SettingsFolderTest, AFolderThatCannotBeCreatedFailsTheSaveCleanly) {
  test::WriteFileBytes(dir_.Path() / "velmora", {'x'});  // a file where the folder should be
  TXKovaIni ini;
  ini.SetSort(3);
  EXPECT_FALSE(ini.Save());
  EXPECT_EQ(ThreadError().Code, kErrWrite);
  EXPECT_EQ(test::ReadFileBytes(dir_.Path() / "velmora"), std::vector<uint8_t>{'x'});
}

TEST_F(SettingsFolderTest, TheStoreFollowsXdgConfigHomeElseTheHomeFolder) {
  EXPECT_EQ(UserKeyStorePath(), StoreFile());
  const char* home = std::getenv("HOME");
  const std::string oldHome = home ? home : "";
  ::setenv("HOME", (dir_.Path() / "home").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(UserKeyStorePath(), dir_.Path() / "home" / ".config" / "velmora" / "kova7.conf");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(UserKeyStorePath(), dir_.Path() / "home" / ".config" / "velmora" / "kova7.conf");
  ::setenv("HOME", oldHome.c_str(), 1);
}

TEST(SettingsObject, AnnouncesChangesOnItsObservable) {
  TXKovaIni ini;
  int changes = 0;
  ini.Observable().AddObserver(AspectClassOf<TXChangedAspect>(),
                               TXHandler(&changes, "count", [&](AXNotification&) { ++changes; }));
  ini.Changed();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(ini.Observable().GetComponent(), &ini);
}

}  // namespace
}  // namespace kova
