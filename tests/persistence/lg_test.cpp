#include "persistence/lg.h"

#include <gtest/gtest.h>

#include "persistence/lg_coding.h"
#include "persistence/lg_format.h"
#include "persistence/lg_manager.h"

namespace kova {
namespace {

std::string WordsOf(std::initializer_list<std::pair<uint32_t, std::string>> words) {
  std::string text;
  for (const auto& [id, word] : words)
    text += FormatWordsLine(id, word) + "\n";
  return text;
}

TEST(LgTest, WordsAreFoundByIdentifierAndTheFirstPairWins) {
  TXLg lg;
  EXPECT_EQ(lg.Word(0x86000001), "") << "before any words are loaded";
  lg.LoadWordsText(WordsOf({{1, "1031"}, {0x86000001, "Erste"}, {0x86000001, "Zweite"}}) +
                   "00000000=" + EncodeLgText("zero") + "\r\nnot a key=" + EncodeLgText("skipped") +
                   "\r\n" + "86000002=" + EncodeLgText("Dritte"));
  EXPECT_EQ(lg.WordCount(), 4u);
  EXPECT_EQ(lg.Word(0x86000001), "Erste");
  EXPECT_EQ(lg.Word(0x86000002), "Dritte");
  EXPECT_EQ(lg.Word(0), "");
  EXPECT_EQ(lg.Word(0x86000003), "");
  EXPECT_EQ(lg.LanguageID(), 1031u);
  EXPECT_EQ(lg.LanguageIDText(), "0407");
}

TEST(LgTest, LineBreaksAreMadeOnlyBelowTheTopBit) {
  TXLg lg;
  lg.LoadWordsText(WordsOf({{0x06000001, "one#13#10two"}, {0x86000001, "one#13#10two"}}));
  EXPECT_EQ(lg.Word(0x06000001), "one\r\ntwo");
  EXPECT_EQ(lg.Word(0x86000001), "one#13#10two");
}

TEST(LgTest, DamagedCodedTextsAndNonNumericIdentifiersGiveEmptyAnswers) {
  TXLg lg;
  lg.LoadWordsText("00000001=" + EncodeLgText("nine") + "\n86000001=ZZZ\n");
  EXPECT_EQ(lg.Word(0x86000001), "");
  EXPECT_EQ(lg.LanguageID(), 0u);
  EXPECT_EQ(lg.LanguageIDText(), "0000");
}

TEST(LgTest, DocumentsAreFoundByNameIgnoringCase) {
  TXLg lg;
  TXMemoryStream help(std::vector<uint8_t>{'{', '\\', 'r', 't', 'f', '1', '}'});
  help.SetPosition(3);
  ASSERT_TRUE(lg.AddDocument("kovahelp", ".rtf", help));
  TXMemoryStream& found = lg.Document("KovaHelp");
  EXPECT_EQ(found.Size(), 7) << "the whole stream is taken, whatever its position";
  EXPECT_EQ(found.Position(), 0);
  EXPECT_EQ(lg.Documents()[0]->Object().DataClass(), ".rtf");
  TXMemoryStream& absent = lg.Document("kovacardhelp");
  EXPECT_EQ(absent.Size(), 0);
  absent.WriteBuffer("x", 1);
  EXPECT_EQ(lg.Document("other").Size(), 0) << "the shared empty stream stays empty";
}

class FailingStream : public TXMemoryStream {
 public:
  int64_t Read(void*, int64_t) override { throw std::runtime_error("the medium is gone"); }
};

TEST(LgTest, ADocumentWhoseBytesCannotBeReadIsNotAdded) {
  TXLg lg;
  FailingStream broken;
  broken.Bytes().resize(10);
  EXPECT_FALSE(lg.AddDocument("kovahelp", ".rtf", broken));
  EXPECT_EQ(lg.Documents().Count(), 0);
}

TEST(LgTest, LoadingIntoTheProcessWideObjectReappliesTheLanguage) {
  int applied = 0;
  int marker = 0;
  LanguageManager().Register(TXAnyProcedure(&marker, "count", [&] { ++applied; }));
  applied = 0;
  TXLg local;
  local.LoadWordsText(WordsOf({{2, "de-DE"}}));
  EXPECT_EQ(applied, 0);
  Lg().Clear();
  Lg().LoadWordsText(WordsOf({{2, "fr-FR"}}));
  EXPECT_EQ(applied, 1);
  Lg().ApplyOnLoad = false;
  Lg().LoadWordsText(WordsOf({{3, "x"}}));
  EXPECT_EQ(applied, 1);
  Lg().ApplyOnLoad = true;
  ASSERT_TRUE(Lg().Assign(local));
  EXPECT_EQ(applied, 2);
  EXPECT_EQ(Lg().Word(2), "de-DE");
  EXPECT_EQ(Lg().Word(3), "") << "assigning replaces the words";
  LanguageManager().UnregisterTarget(&marker);
  Lg().Clear();
}

TEST(LgFormatTest, ArgumentsFillThePlacesInOrder) {
  EXPECT_EQ(FormatLgText("Cluster %s of %s cannot be read.", {"65", "1000"}),
            "Cluster 65 of 1000 cannot be read.");
  EXPECT_EQ(FormatLgText("%s left (%s%%)", {"2 min", "40"}), "2 min left (40%)");
  EXPECT_EQ(FormatLgText("no places", {"unused"}), "no places");
  EXPECT_EQ(FormatLgText("%s of %s", {"1"}), "%s of %s") << "too few arguments";
  EXPECT_EQ(FormatLgText("%d files", {"3"}), "%d files") << "foreign directives";
  EXPECT_EQ(FormatLgText("100%", {}), "100%");
}

}  // namespace
}  // namespace kova
