#include "persistence/lg_selector.h"

#include <gtest/gtest.h>

#include <memory>

#include "persistence/lg_coding.h"
#include "persistence/lg_filer.h"
#include "persistence/lg_manager.h"
#include "support/test_paths.h"

namespace kova {
namespace {

// The container of a language with a greeting (0x86000001) and one help document.
std::vector<uint8_t> MakeLanguage(uint32_t lgID, const std::string& name,
                                  const std::string& greeting, uint32_t appID = kKovaAppID) {
  TXLgProject project;
  project.SetName(name);
  project.SetLgID(lgID);
  project.AppID = appID;
  project.AppVer = kKovaAppVer;
  project.Author = "Test";
  std::string words =
      FormatWordsLine(1, std::to_string(lgID)) + "\r\n" + FormatWordsLine(0x86000001, greeting);
  project.Words().WriteBuffer(words.data(), static_cast<int64_t>(words.size()));
  TXBI* help = project.Documents().Add();
  help->SetName("kovahelp");
  help->Object().SetDataClass(".rtf");
  help->Object().SetBytes(std::vector<uint8_t>(greeting.begin(), greeting.end()));
  TXLgFiler filer;
  filer.SetObject(&project);
  TXMemoryStream stream;
  EXPECT_TRUE(filer.SaveToStream(stream)) << ThreadError().ToString();
  return stream.Bytes();
}

class LgSelectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LanguageManager().Register(TXAnyProcedure(this, "apply", [this] { ++applied_; }));
    applied_ = 0;
  }
  void TearDown() override {
    LanguageManager().UnregisterTarget(this);
    Lg().Clear();
  }

  TXMemoryStream& Language(uint32_t lgID, const std::string& name, const std::string& greeting,
                           uint32_t appID = kKovaAppID) {
    streams_.push_back(std::make_unique<TXMemoryStream>(MakeLanguage(lgID, name, greeting, appID)));
    return *streams_.back();
  }

  std::vector<std::unique_ptr<TXMemoryStream>> streams_;
  int applied_ = 0;
};

TEST_F(LgSelectorTest, AProjectRoundTripsWithItsWordsAndDocuments) {
  TXMemoryStream& stream = Language(0x407, "Deutsch", "Hallo");
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().begin() + 4), "XXFQ");
  TXLgProject project;
  project.AppID = kKovaAppID;
  project.AppVer = kKovaAppVer;
  ASSERT_TRUE(LoadLgProject(project, stream)) << ThreadError().ToString();
  EXPECT_EQ(project.Name(), "Deutsch");
  EXPECT_EQ(project.LgID(), 0x407u);
  EXPECT_EQ(project.Author, "Test");
  TXLg lg;
  lg.LoadWords(project.Words(), true);
  EXPECT_EQ(lg.Word(0x86000001), "Hallo");
  ASSERT_EQ(project.Documents().Count(), 1);
  EXPECT_EQ(project.Documents()[0]->Name(), "kovahelp");
  EXPECT_EQ(project.Documents()[0]->Object().DataClass(), ".rtf");

  TXLgHeader header;
  header.AppID = kKovaAppID;
  header.AppVer = kKovaAppVer;
  ASSERT_TRUE(LoadLgHeader(header, stream));
  EXPECT_EQ(header.Name(), "Deutsch");
}

TEST_F(LgSelectorTest, TheSameLanguageIsRegisteredOnceAndForeignDataNotAtAll) {
  TXLgSelector selector;
  EXPECT_TRUE(selector.AddLanguage(Language(0x407, "Deutsch", "Hallo")));
  EXPECT_FALSE(selector.AddLanguage(Language(0x407, "Deutsch (2)", "Servus")));
  EXPECT_FALSE(selector.AddLanguage(Language(0x40C, "Francais", "Salut", 7001)));
  TXMemoryStream empty;
  EXPECT_FALSE(selector.AddLanguage(empty));
  TXMemoryStream noise(std::vector<uint8_t>(300, 'x'));
  EXPECT_FALSE(selector.AddLanguage(noise));
  EXPECT_EQ(selector.Languages().Count(), 1);
  EXPECT_EQ(selector.OfferedNames(), std::vector<std::string>{"Deutsch"});
}

TEST_F(LgSelectorTest, EnglishIsOfferedFirstAndTheOthersByNameIgnoringCase) {
  TXLgSelector selector;
  int refills = 0;
  selector.OnOfferedChanged = [&] { ++refills; };
  selector.AddLanguage(Language(0x40C, "francais", "Salut"));
  selector.AddLanguage(Language(0x407, "Deutsch", "Hallo"));
  selector.AddLanguage(Language(9, "English", "Hello"));
  selector.AddLanguage(Language(0x405, "Cestina", "Ahoj"));
  EXPECT_EQ(refills, 4);
  EXPECT_EQ(selector.OfferedNames(),
            (std::vector<std::string>{"English", "Cestina", "Deutsch", "francais"}));

  selector.Preferred().SetStrings({"1036", "1031", "77"});
  selector.AddLanguage(Language(0x410, "Italiano", "Ciao"));
  EXPECT_EQ(selector.OfferedNames(), (std::vector<std::string>{"Deutsch", "francais"}))
      << "only the preferred languages, sorted";
}

TEST_F(LgSelectorTest, HeaderListsFindAndSortTheirLanguages) {
  TXLgHeaderList list;
  for (auto [id, name] : {std::pair{0x40Cu, "francais"}, std::pair{0x407u, "Deutsch"},
                          std::pair{9u, "English"}, std::pair{0x405u, "Cestina"}}) {
    auto header = std::make_unique<TXLgHeader>();
    header->SetLgID(id);
    header->SetName(name);
    list.Add(std::move(header));
  }
  EXPECT_EQ(list.IndexOfLgID(0x407), 1);
  EXPECT_EQ(list.IndexOfLgID(0x410), -1);
  EXPECT_EQ(list.IndexOfFirstWithStream(), -1);
  TXMemoryStream source;
  list.At(3).Source = &source;
  EXPECT_EQ(list.IndexOfFirstWithStream(), 3);
  list.Sort();
  std::vector<std::string> names;
  for (int32_t i = 0; i < list.Count(); ++i)
    names.push_back(list.At(i).Name());
  EXPECT_EQ(names, (std::vector<std::string>{"English", "Cestina", "Deutsch", "francais"}));
}

TEST_F(LgSelectorTest, SelectingInstallsTextsAndDocumentsAndAppliesOnce) {
  TXLgSelector selector;
  int changed = 0;
  selector.OnLanguageChanged = [&] { ++changed; };
  selector.AddLanguage(Language(9, "English", "Hello"));
  selector.AddLanguage(Language(0x407, "Deutsch", "Hallo"));
  EXPECT_EQ(selector.CurrentLgID(), 0u);
  EXPECT_EQ(selector.CurrentIndex(), -1);

  ASSERT_TRUE(selector.SelectLanguageID(0x407));
  EXPECT_EQ(Lg().Word(0x86000001), "Hallo");
  EXPECT_EQ(Lg().LanguageID(), 0x407u);
  EXPECT_EQ(std::string(Lg().Document("kovahelp").Bytes().begin(),
                        Lg().Document("kovahelp").Bytes().end()),
            "Hallo");
  EXPECT_EQ(selector.CurrentLgID(), 0x407u);
  EXPECT_EQ(selector.CurrentIndex(), 1);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(applied_, 1) << "the windows re-apply their texts once";
  EXPECT_FALSE(LanguageManager().IsSuspended());

  ASSERT_TRUE(selector.SelectLanguageID(0x40C)) << "an unknown identifier selects the first";
  EXPECT_EQ(Lg().Word(0x86000001), "Hello");
  EXPECT_EQ(Lg().Documents().Count(), 1) << "nothing is merged";
  EXPECT_FALSE(selector.SelectLanguage(5));
}

TEST_F(LgSelectorTest, AnUnreadableLanguageFallsBackToTheFirstOneWithAStream) {
  TXLgSelector selector;
  TXMemoryStream& english = Language(9, "English", "Hello");
  TXMemoryStream& german = Language(0x407, "Deutsch", "Hallo");
  selector.AddLanguage(english);
  selector.AddLanguage(german);
  german.SetSize(200);
  ASSERT_TRUE(selector.SelectLanguageID(0x407));
  EXPECT_EQ(Lg().Word(0x86000001), "Hello");
  EXPECT_EQ(selector.CurrentLgID(), 9u);

  english.SetSize(150);
  applied_ = 0;
  EXPECT_FALSE(selector.SelectLanguageID(0x407));
  EXPECT_EQ(Lg().Word(0x86000001), "Hello") << "the previous texts stay";
  EXPECT_EQ(applied_, 0);
  EXPECT_FALSE(LanguageManager().IsSuspended());
}

TEST_F(LgSelectorTest, LanguageFilesAreReadAgainWhenSelected) {
  test::TempDir dir;
  const std::string path = (dir / "deutsch.xlg").string();
  {
    TXFileStream file(path, TXFileMode::fmCreate);
    std::vector<uint8_t> bytes = MakeLanguage(0x407, "Deutsch", "Hallo");
    file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  TXLgSelector selector;
  ASSERT_TRUE(selector.AddLanguageFile(path));
  EXPECT_EQ(selector.Languages().At(0).FileName, path);
  ASSERT_TRUE(selector.SelectLanguage(0));
  EXPECT_EQ(Lg().Word(0x86000001), "Hallo");
  EXPECT_FALSE(selector.AddLanguageFile((dir / "absent.xlg").string()));
}

}  // namespace
}  // namespace kova
