#include <gtest/gtest.h>

#include <QByteArray>

#include "news_fixtures.h"
#include "online/download_action.h"
#include "online/net_engine.h"
#include "online/toc_filers.h"
#include "online/toc_groups.h"
#include "online/update_filter.h"
#include "persistence/lg.h"
#include "persistence/xml_filer_objects.h"

namespace kova {
namespace {

std::vector<std::string> Names(const TXTocCollection& items) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < items.Count(); ++i)
    names.push_back(items.At(i)->Name());
  return names;
}

TEST(StringCollection, FallsBackFromLanguageToPrimaryToOwnToNeutralToEnglish) {
  TXStringCollection texts;
  texts.SetText(0x0407, "Deutsch (Deutschland)");
  texts.SetText(0x07, "Deutsch");
  texts.SetText(0x0C, "Français");
  texts.SetText(0, "neutral");
  texts.SetText(9, "English");
  EXPECT_EQ(texts.TextFor(0x0407), "Deutsch (Deutschland)");
  EXPECT_EQ(texts.TextFor(0x0807), "Deutsch");
  EXPECT_EQ(texts.TextFor(0x0410), "neutral");
  texts.SetLgID(0x0C);
  EXPECT_EQ(texts.TextFor(0x0410), "Français");

  TXStringCollection english;
  english.SetText(9, "English only");
  EXPECT_EQ(english.TextFor(0x0410), "English only");
  english.SetLgID(9);
  english.SetText(9, "replaced");
  EXPECT_EQ(english.Count(), 1);
  EXPECT_EQ(english.TextFor(0x0410), "replaced");
  EXPECT_EQ(english.Text(), "replaced");
  EXPECT_EQ(TXStringCollection().TextFor(9), "");
}

TEST(TocOrder, UndatedItemsComeFirstThenNewestFirst) {
  TXTocCollection items;
  test::AddNewsItem(items, "may", test::Date(2024, 5, 1), "", "");
  test::AddNewsItem(items, "undated", 0, "", "");
  test::AddNewsItem(items, "june", test::Date(2024, 6, 1), "", "");
  items.SortByDate();
  EXPECT_EQ(Names(items), (std::vector<std::string>{"undated", "june", "may"}));
  EXPECT_EQ(CompareTocDates(0, 0), 0);
  EXPECT_EQ(CompareTocDates(5, 5), 0);
}

TEST(UpdateFilter, OfferedVersionsShowOnlyToOlderPrograms) {
  const std::string notice = "<version>7.1.0.0</version>";
  EXPECT_TRUE(NoticeConcerns(notice, ParseVersion("7.0.5.0")));
  EXPECT_FALSE(NoticeConcerns(notice, ParseVersion("7.1.0.0")));
  EXPECT_FALSE(NoticeConcerns(notice, ParseVersion("7.2.0.0")));
  // The third number plays no part.
  EXPECT_FALSE(NoticeConcerns(notice, ParseVersion("7.1.9.0")));
  // The fourth number is compared first.
  EXPECT_GT(CompareNoticeVersions(ParseVersion("6.9.0.1"), ParseVersion("7.0.0.0")), 0);
  EXPECT_TRUE(NoticeConcerns("<version>6.9.0.1</version>", ParseVersion("7.0.0.0")));
  EXPECT_TRUE(NoticeConcerns("no tags at all", ParseVersion("7.0.0.0")));
}

TEST(UpdateFilter, RangesKeepTheProgramsTheyName) {
  const std::string from = "<fversion>7.0.0.0</fversion>";
  EXPECT_TRUE(NoticeConcerns(from, ParseVersion("7.0.0.0")));
  EXPECT_TRUE(NoticeConcerns(from, ParseVersion("8.3.0.0")));
  EXPECT_FALSE(NoticeConcerns(from, ParseVersion("6.5.0.0")));
  const std::string to = "<tversion>7.0.0.0</tversion>";
  EXPECT_TRUE(NoticeConcerns(to, ParseVersion("6.5.0.0")));
  EXPECT_FALSE(NoticeConcerns(to, ParseVersion("7.1.0.0")));
  const std::string both = "<fversion>7.0.0.0</fversion><tversion>7.2.0.0</tversion>";
  EXPECT_TRUE(NoticeConcerns(both, ParseVersion("7.1.3.0")));
  EXPECT_FALSE(NoticeConcerns(both, ParseVersion("7.3.0.0")));
  // A range wins over an offered version.
  EXPECT_TRUE(NoticeConcerns("<version>7.0.0.0</version>" + from, ParseVersion("7.5.0.0")));
}

TEST(UpdateFilter, RemovesOnlyUpdateNoticesThatDoNotConcernTheProgram) {
  TXTocCollection items;
  test::AddNewsItem(items, "update", 0, "", "old").TocData = "<version>7.0.0.0</version>";
  test::AddNewsItem(items, "news", 0, "", "kept").TocData = "<version>7.0.0.0</version>";
  test::AddNewsItem(items, "Update", 0, "", "other case").TocData = "<version>7.0.0.0</version>";
  test::AddNewsItem(items, "update", 0, "", "new").TocData = "<version>7.5.0.0</version>";
  FilterUpdateNotices(items, ParseVersion("7.1.0.0"));
  EXPECT_EQ(Names(items), (std::vector<std::string>{"news", "Update", "update"}));
  EXPECT_EQ(items.At(2)->Caption().Text(), "new");
}

TEST(TocTransmission, ItemsTravelWithTheirPicturesActionsAndTexts) {
  TXTocCollection sent;
  TXTocItem& item = test::AddNewsItem(sent, "spring <sale>", test::Date(2024, 3, 20), "Offers",
                                      "Spring sale", "Save \\b 20%\\b0 now.");
  item.Data().LoadFromStream("TPngImage",
                             *std::make_unique<TXMemoryStream>(test::PngBytes(64, 48, Qt::red)));
  item.ImageAction = "shop";
  item.TocData = "<version>7.1.0.0</version>";
  item.Caption().SetText(0x07, "Frühlingsangebot");
  TXTocActionItem& shop =
      test::AddAction(item, "shop", components::xhtWeb, "Visit the shop", "http://shop.example/");
  shop.Hints().SetText(9, "Opens the shop");
  shop.Log = true;
  TXTocActionItem& box = test::AddAction(item, "remind", components::xhtNone, "Remind me");
  box.ControlType = TXTocActionItem::kCheckBox;
  test::AddNewsItem(sent, "plain", 0, "", "Plain");

  TXTocItemTagFiler writer;
  writer.SetObject(&sent);
  std::string text;
  ASSERT_TRUE(writer.SaveToString(text));
  EXPECT_TRUE(text.starts_with("<toc>"));
  EXPECT_NE(text.find("<toc_item name=\"spring &lt;sale&gt;\">"), std::string::npos);

  TXTocCollection received;
  TXTocItemTagFiler reader;
  reader.SetObject(&received);
  ASSERT_TRUE(reader.LoadFromString(text));
  ASSERT_EQ(received.Count(), 2);
  const TXTocItem& got = *received.At(0);
  EXPECT_EQ(got.Name(), "spring <sale>");
  EXPECT_DOUBLE_EQ(got.TocDate, test::Date(2024, 3, 20));
  EXPECT_EQ(got.GroupName, "Offers");
  EXPECT_EQ(got.ImageAction, "shop");
  EXPECT_EQ(got.TocData, "<version>7.1.0.0</version>");
  EXPECT_EQ(got.Caption().TextFor(0x0407), "Frühlingsangebot");
  EXPECT_EQ(got.Caption().TextFor(9), "Spring sale");
  EXPECT_EQ(got.Rtf().Text(), item.Rtf().Text());
  EXPECT_EQ(got.Data().Bytes(), item.Data().Bytes());
  EXPECT_EQ(got.Data().DataClass(), "TPngImage");
  EXPECT_EQ(got.Data().Width(), 64);
  ASSERT_EQ(got.Actions().Count(), 2);
  const TXTocActionItem& gotShop = *got.Actions().At(0);
  EXPECT_EQ(gotShop.Name(), "shop");
  EXPECT_EQ(gotShop.Hit, components::xhtWeb);
  EXPECT_TRUE(gotShop.Log);
  EXPECT_EQ(gotShop.Arguments().Text(), "http://shop.example/");
  EXPECT_EQ(gotShop.Hints().Text(), "Opens the shop");
  EXPECT_EQ(got.Actions().At(1)->ControlType, TXTocActionItem::kCheckBox);
  EXPECT_TRUE(got.Actions().Checked(1));
  EXPECT_EQ(received.At(1)->Name(), "plain");
}

TEST(TocTransmission, AnItemThatDoesNotReadStaysEmptyAndNamed) {
  TXTocCollection sent;
  test::AddNewsItem(sent, "good", 0, "Tips", "Good");
  std::string good;
  TXTocItemFiler::SaveItem(*sent.At(0), good);
  std::string damaged = good;
  damaged[damaged.size() / 2] ^= 0x55;
  const QByteArray damagedCoded = QByteArray(damaged.data(), qsizetype(damaged.size())).toBase64();
  const std::string text =
      "<toc>\r\n<toc_item name=\"broken\">\r\n<bin>" + damagedCoded.toStdString() +
      "</bin>\r\n</toc_item>\r\n<toc_item name=\"no base64\">\r\n<bin>@@</bin>"
      "\r\n</toc_item>\r\n<toc_item name=\"bare\">\r\n</toc_item>\r\n</toc>\r\n";
  TXTocCollection received;
  TXTocItemTagFiler reader;
  reader.SetObject(&received);
  ASSERT_TRUE(reader.LoadFromString(text));
  ASSERT_EQ(received.Count(), 3);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(received.At(i)->Caption().Text().empty());
    EXPECT_TRUE(received.At(i)->GroupName.empty());
  }
  EXPECT_EQ(Names(received), (std::vector<std::string>{"broken", "no base64", "bare"}));
  // A container with another header is refused.
  TXTocItem other;
  EXPECT_FALSE(TXTocItemFiler::LoadItem(other, "XXFQ not a container"));
}

TEST(TocGroups, AnItemDefinesAGroup) {
  TXTocCollection items;
  TXTocItem& item = test::AddNewsItem(items, "Tips", test::Date(2024, 1, 2), "group", "Tips");
  TXTocGroupCollection groups;
  TXTocGroupItem& group = *groups.Add();
  group.Assign(item);
  EXPECT_EQ(group.Name(), "Tips");
  EXPECT_DOUBLE_EQ(group.GroupDate, item.TocDate);
  EXPECT_EQ(group.Caption().Text(), "Tips");
  EXPECT_EQ(groups.FindGroup("tips"), &group);
}

TEST(DownloadArguments, TruthTagsAndFlags) {
  EXPECT_TRUE(TagTruth("True"));
  EXPECT_TRUE(TagTruth("t"));
  EXPECT_FALSE(TagTruth("false"));
  EXPECT_TRUE(TagTruth("2"));
  EXPECT_FALSE(TagTruth("0"));
  EXPECT_FALSE(TagTruth("yes"));
  EXPECT_FALSE(TagTruth(""));

  // An "open" of yes counts as false, so the dialog closes by itself; no file means memory.
  const auto memory = TXDownloadArguments::Parse("<url>http://x/y.zip</url><open>yes</open>");
  EXPECT_EQ(memory.Flags(), 0x0Du);
  EXPECT_EQ(memory.Url, "http://x/y.zip");
  EXPECT_EQ(memory.PostText(), "");
  const auto renamed = TXDownloadArguments::Parse(
      "<rename>1</rename><open>T</open><file><data>a.zip</file><param>id=5</param>");
  EXPECT_EQ(renamed.Flags(), 0x39u);
  EXPECT_EQ(renamed.File, "<data>a.zip");
  EXPECT_TRUE(renamed.PostText().starts_with("id=5\r\nlg="));
}

TEST(DownloadArguments, RequestsCarryTheItemAndTheEnginesCompletion) {
  TXTocCollection items;
  TXTocItem& item = test::AddNewsItem(items, "tool", 0, "", "Tool");
  item.TocData = "<version>1</version>";
  TXTocActionItem& action = test::AddAction(item, "get", components::xhtDownload, "Get it");
  action.Args = "<url>http://x/tool.zip</url>";
  TXNetEngine engine;
  int completions = 0;
  engine.OnDownloadComplete = [&](TXNetWrapper&) { ++completions; };
  TXDownloadRequest request = MakeDownloadRequest(item, action, engine);
  EXPECT_EQ(request.Name, "tool");
  EXPECT_EQ(request.Data, "<version>1</version>");
  EXPECT_EQ(request.Options, noMemoryOnly);
  EXPECT_EQ(request.Flags, 0x0Du);
  ASSERT_TRUE(request.OnComplete);
}

}  // namespace
}  // namespace kova
