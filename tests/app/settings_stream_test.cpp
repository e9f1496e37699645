#include <gtest/gtest.h>

#include "app/component_text.h"
#include "app/key_store_text.h"
#include "app/kova_ini.h"
#include "app/registry_persistence.h"
#include "framework/collection.h"

namespace kova {
namespace {

std::string Text(TXMemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

TXKovaIni& Changed(TXKovaIni& ini) {
  ini.SetLgID(1031);
  ini.SetShowThumbnails(false);
  ini.SetSortColumn(4);
  ini.SetDocType("it's \"quoted\"\r\nand ends with #");
  ini.FileTypes().SetVideo(false);
  ini.FileTypes().SetSelected(".x3f", true);
  ini.SetWindowLeft(-8);
  ini.SetWindowWidth(1200);
  ini.SetWindowMaximized(true);
  return ini;
}

void ExpectChanged(const TXKovaIni& ini) {
  EXPECT_EQ(ini.LgID(), 1031u);
  EXPECT_FALSE(ini.ShowThumbnails());
  EXPECT_EQ(ini.SortColumn(), 4);
  EXPECT_EQ(ini.DocType(), "it's \"quoted\"\r\nand ends with #");
  EXPECT_FALSE(ini.FileTypes().Video());
  EXPECT_TRUE(ini.FileTypes().Selected(".x3f"));
  EXPECT_EQ(ini.WindowLeft(), -8);
  EXPECT_EQ(ini.WindowWidth(), 1200);
  EXPECT_TRUE(ini.WindowMaximized());
}

TEST(SettingsStreams, ComponentTextRoundTrip) {
  TXKovaIni ini;
  TXMemoryStream stream;
  ASSERT_TRUE(Changed(ini).SaveToStream(stream));
  const std::string text = Text(stream);
  EXPECT_EQ(text.find("object TXKovaIni\n  Tag = 0\n  DocType = 'it''s \"quoted\"'#13#10'and "
                      "ends with #'\n"),
            0u)
      << text;
  EXPECT_NE(text.find("\n  FileTypes.Images = True\n"), std::string::npos);
  EXPECT_NE(text.find("\n  FileTypes._x3f = True\n"), std::string::npos);
  EXPECT_NE(text.find("\n  FileTypes._wav = False\n"), std::string::npos);
  EXPECT_NE(text.find("\n  WindowLeft = -8\n"), std::string::npos);
  EXPECT_NE(text.find("\n  WindowMaximized = True\nend\n"), std::string::npos);

  TXKovaIni read;
  stream.SetPosition(0);
  ASSERT_TRUE(read.LoadFromStream(stream)) << ThreadError().ToString();
  ExpectChanged(read);
}

TEST(SettingsStreams, ObjectXmlRoundTrip) {
  TXKovaIni ini;
  TXMemoryStream stream;
  ASSERT_TRUE(Changed(ini).SaveToStream(stream, TXIniStreamFormat::ifObjectXml));
  EXPECT_EQ(Text(stream).rfind("<?xml", 0), 0u);
  EXPECT_NE(Text(stream).find("<p name=\"ObjClassName\">TXKovaIni</p>"), std::string::npos);

  TXKovaIni read;
  stream.SetPosition(0);
  ASSERT_TRUE(read.LoadFromStream(stream)) << ThreadError().ToString();
  ExpectChanged(read);
}

TEST(SettingsStreams, TextThatIsNotComponentTextFailsAndChangesNothing) {
  for (const std::string bad :
       {"", "objekt TXKovaIni\nend\n", "object TXKovaIni\n  lgID = \n",
        "object TXKovaIni\n  DocType = 'open\nend\n", "object TXKovaIni\n  DocType = #999\nend\n",
        "object TXKovaIni\nend\ntrailing"}) {
    TXKovaIni ini;
    TXMemoryStream stream(std::vector<uint8_t>(bad.begin(), bad.end()));
    EXPECT_FALSE(ini.LoadFromStream(stream)) << bad;
    EXPECT_EQ(ThreadError().Code, kErrRead) << bad;
    EXPECT_EQ(ini.LgID(), 9u);
  }
}

TEST(SettingsStreams, UnknownPropertiesAndChildObjectsAreSkipped) {
  const std::string text =
      "object Settings: TXKovaIni\n"
      "  Missing = 12\n"
      "  Nothing.Deeper = 'x'\n"
      "  object Child: TSomething\n"
      "    Width = 5\n"
      "  end\n"
      "  Sort = 3\n"
      "  ShowThumbnails = Perhaps\n"
      "  DocType = 'joined' +\n"
      "    ' across lines'\n"
      "end\n";
  TXKovaIni ini;
  TXMemoryStream stream(std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_TRUE(ini.LoadFromStream(stream)) << ThreadError().ToString();
  EXPECT_EQ(ini.Sort(), 3);
  EXPECT_TRUE(ini.ShowThumbnails());
  EXPECT_EQ(ini.DocType(), "joined across lines");
}

// A settings object with a collection and a list of lines, as later settings may hold.
class TXRecentItem : public TXCollectionItem {
  KOVA_PERSISTENT(TXRecentItem)

 public:
  std::string Path;
  int32_t Count = 0;
};

const TXClassInfo& TXRecentItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXRecentItem>("TXRecentItem", TXCollectionItem::StaticClassInfo())
          .Property("Path", &TXRecentItem::Path)
          .Property("Count", &TXRecentItem::Count)
          .Build();
  return info;
}

class TXRecentIni : public TXKovaIni {
  KOVA_PERSISTENT(TXRecentIni)

 public:
  TXTypedCollection<TXRecentItem>& Recent() { return recent_; }
  std::vector<std::string> Notes;

 private:
  TXTypedCollection<TXRecentItem> recent_;
};

const TXClassInfo& TXRecentIni::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXRecentIni>("TXRecentIni", TXKovaIni::StaticClassInfo())
          .Object("Recent", &TXRecentIni::Recent)
          .Property("Notes", &TXRecentIni::Notes)
          .Build();
  return info;
}

void FillRecent(TXRecentIni& ini) {
  for (int i = 0; i < 3; ++i) {
    TXRecentItem* item = ini.Recent().Add();
    item->Path = "/media/card" + std::to_string(i);
    item->Count = i * 10;
  }
  ini.Notes = {"first", "it's second"};
}

void ExpectRecent(TXRecentIni& ini) {
  ASSERT_EQ(ini.Recent().Count(), 3);
  EXPECT_EQ(ini.Recent()[2]->Path, "/media/card2");
  EXPECT_EQ(ini.Recent()[2]->Count, 20);
  EXPECT_EQ(ini.Notes, (std::vector<std::string>{"first", "it's second"}));
}

TEST(SettingsCollections, ItemsAreSubkeysAndReadingReplacesThem) {
  TXRecentIni ini;
  FillRecent(ini);
  TXKeyStore store;
  ini.SaveToRegistry(store, TXKovaIni::kRegKey);
  const std::string text = KeyStoreToText(store);
  EXPECT_NE(text.find("[Software\\Velmora\\Kova7\\Recent\\Item2]\nPath=/media/card2\nCount=20\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Notes=first%0D%0Ait's second\n"), std::string::npos) << text;

  ini.Recent().Delete(0);
  ini.SaveToRegistry(store, TXKovaIni::kRegKey);
  EXPECT_EQ(store.OpenKey("Software\\Velmora\\Kova7\\Recent\\Item2"), nullptr)
      << "the collection's key is rebuilt from its items";

  FillRecent(ini);
  ini.SaveToRegistry(store, TXKovaIni::kRegKey);
  TXKeyStore copy;
  ASSERT_TRUE(KeyStoreFromText(copy, KeyStoreToText(store)).Empty());
  TXRecentIni read;
  ASSERT_TRUE(read.LoadFromRegistry(copy, TXKovaIni::kRegKey));
  ASSERT_TRUE(read.LoadFromRegistry(copy, TXKovaIni::kRegKey));
  EXPECT_EQ(read.Recent().Count(), 5) << "a second read does not add the items again";
  EXPECT_EQ(read.Recent()[4]->Path, "/media/card2");
}

TEST(SettingsCollections, ComponentTextCarriesItemsAndLines) {
  TXRecentIni ini;
  FillRecent(ini);
  TXMemoryStream stream;
  ASSERT_TRUE(ini.SaveToStream(stream));
  EXPECT_NE(Text(stream).find("  Recent = <\n    item\n      Path = '/media/card0'\n"),
            std::string::npos)
      << Text(stream);
  EXPECT_NE(Text(stream).find("  Notes = (\n    'first'\n    'it''s second')\n"),
            std::string::npos);
  TXRecentIni read;
  stream.SetPosition(0);
  ASSERT_TRUE(read.LoadFromStream(stream)) << ThreadError().ToString();
  ExpectRecent(read);
  stream.SetPosition(0);
  ASSERT_TRUE(read.LoadFromStream(stream));
  EXPECT_EQ(read.Recent().Count(), 3);
}

TEST(KeyStoreText, NamesAndValuesWithSpecialCharactersSurvive) {
  TXKeyStore store;
  TXKey& key = store.CreateKey("Software\\We]ird");
  key.CreateSubkey("with\\slash").SetValue("a=b[c];#d", "100% \\n\x01");
  key.SetValue(" spaced ", "  kept  ");
  store.CreateKey("Empty\\Leaf");
  TXKeyStore read;
  ASSERT_TRUE(KeyStoreFromText(read, KeyStoreToText(store)).Empty()) << KeyStoreToText(store);
  TXKey* weird = read.OpenKey("software\\WE]IRD");
  ASSERT_NE(weird, nullptr);
  EXPECT_EQ(weird->Value(" spaced "), "  kept  ");
  ASSERT_NE(weird->FindSubkey("with\\slash"), nullptr);
  EXPECT_EQ(weird->FindSubkey("with\\slash")->Value("a=b[c];#d"), "100% \\n\x01");
  EXPECT_NE(read.OpenKey("Empty\\Leaf"), nullptr) << "an empty key is kept";
  EXPECT_TRUE(read.DeleteKey("Software"));
  EXPECT_EQ(read.OpenKey("Software\\We]ird"), nullptr);
}

TEST(KeyStoreText, ValuesBeforeAnyHeaderAndBrokenHeadersAreReported) {
  TXKeyStore store;
  TXKeyStoreTextProblems problems =
      KeyStoreFromText(store, "early=1\r\n; comment\n[Open\n[Good]\r\nx=%4\nok=%41\n");
  ASSERT_EQ(problems.Lines.size(), 3u);
  EXPECT_EQ(problems.Lines[0], "line 1: a value stands before the first key header");
  EXPECT_EQ(problems.Lines[1], "line 3: a key header lacks its closing bracket");
  EXPECT_EQ(problems.Lines[2], "line 5: a value has a broken % sequence");
  EXPECT_EQ(store.OpenKey("Good")->Value("ok"), "A");
}

}  // namespace
}  // namespace kova
