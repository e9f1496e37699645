#include "online/news_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "framework/framework_objects.h"
#include "framework/service_manager.h"
#include "news_fixtures.h"
#include "online/client_service.h"
#include "online/net_endpoints.h"
#include "online/net_engine.h"
#include "online/news_request.h"
#include "online_test_support.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "test_http_server.h"

namespace kova {
namespace {

using test::AddAction;
using test::AddNewsItem;
using test::Date;
using test::WaitFor;

std::vector<std::string> GroupCaptions(const TXITocPanels& panels) {
  std::vector<std::string> captions;
  for (const TXITocGroupPanel* group : panels.GroupPanels())
    captions.push_back(group->Caption().toStdString());
  return captions;
}

std::vector<std::string> PanelNames(const TXITocGroupPanel& group) {
  std::vector<std::string> names;
  for (const TXITocPanel* panel : group.Panels())
    names.push_back(panel->Item().Name());
  return names;
}

void ClickLink(QWidget* control) {
  auto* link = qobject_cast<QLabel*>(control);
  ASSERT_NE(link, nullptr);
  emit link->linkActivated("action");
}

class NewsPanels : public ::testing::Test {
 protected:
  test::RecordingShell shell;
  TXTocCollection items;
  TXTocGroupCollection groups;
  TXINetTocPanels panels;
};

TEST_F(NewsPanels, GroupNamesThatDifferInCaseMakeOneGroup) {
  AddNewsItem(items, "older", Date(2024, 5, 1), "tips", "Older tip");
  AddNewsItem(items, "newer", Date(2024, 6, 1), "Tips", "Newer tip");
  AddNewsItem(items, "undated", 0, "News", "Undated");
  panels.Build(items, groups, true);
  EXPECT_EQ(GroupCaptions(panels), (std::vector<std::string>{"News", "Tips"}));
  EXPECT_EQ(PanelNames(*panels.GroupPanels()[1]), (std::vector<std::string>{"newer", "older"}));
  EXPECT_EQ(groups.Count(), 2);
}

TEST_F(NewsPanels, ItemsDefiningGroupsOrderThemAndOthersAreLeftOut) {
  AddNewsItem(items, "Offers", Date(2024, 1, 1), "group", "Special offers");
  AddNewsItem(items, "Tips", Date(2024, 3, 1), "group", "Tips and tricks");
  AddNewsItem(items, "Empty", Date(2024, 4, 1), "group", "Nothing in here");
  AddNewsItem(items, "sale", Date(2024, 2, 1), "offers", "Sale");
  AddNewsItem(items, "tip", Date(2024, 2, 2), "Tips", "Tip");
  AddNewsItem(items, "stray", Date(2024, 2, 3), "Unknown", "Stray");
  AddNewsItem(items, "hidden", Date(2024, 2, 4), "Tips", "Hidden");
  items.Hide("HIDDEN");
  panels.Build(items, groups, true);
  EXPECT_EQ(GroupCaptions(panels), (std::vector<std::string>{"Tips and tricks", "Special offers"}));
  EXPECT_EQ(PanelNames(*panels.GroupPanels()[0]), std::vector<std::string>{"tip"});
  EXPECT_EQ(PanelNames(*panels.GroupPanels()[1]), std::vector<std::string>{"sale"});
  EXPECT_EQ(items.Count(), 4);
  EXPECT_EQ(panels.FindPanel("stray"), nullptr);
}

TEST_F(NewsPanels, WithoutGroupsEveryItemShows) {
  AddNewsItem(items, "a", Date(2024, 1, 1), "x", "A");
  AddNewsItem(items, "b", Date(2024, 2, 1), "", "B");
  items.Hide("a");
  panels.Build(items, groups, false);
  ASSERT_EQ(panels.GroupPanels().size(), 1u);
  EXPECT_EQ(panels.GroupPanels()[0]->Caption(), "");
  EXPECT_EQ(PanelNames(*panels.GroupPanels()[0]), (std::vector<std::string>{"b", "a"}));
  TXTocCollection none;
  panels.Build(none, groups, false);
  EXPECT_TRUE(panels.GroupPanels().empty());
}

TEST_F(NewsPanels, APanelShowsPictureBodyAndActions) {
  TXTocItem& item = AddNewsItem(items, "rich", 0, "News", "Rich", "Hello \\b world\\b0");
  item.Data().SetBytes(test::PngBytes(80, 60, Qt::blue));
  AddAction(item, "visit", components::xhtWeb, "Visit", "http://velmora.example/")
      .Hints()
      .SetText(9, "Opens the web site");
  AddAction(item, "remind", components::xhtNone, "Remind me").ControlType =
      TXTocActionItem::kCheckBox;
  item.ImageAction = "VISIT";
  AddNewsItem(items, "bare", 0, "News", "Bare");
  panels.Build(items, groups, true);

  TXITocPanel* rich = panels.FindPanel("rich");
  ASSERT_NE(rich, nullptr);
  EXPECT_TRUE(rich->HasPicture());
  EXPECT_TRUE(rich->HasBody());
  ASSERT_EQ(rich->ActionControls().size(), 2u);
  EXPECT_NE(qobject_cast<QCheckBox*>(rich->ActionControls()[1]), nullptr);
  auto* picture = rich->findChild<QLabel*>("Picture");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->toolTip(), "Opens the web site");
  EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseClick(picture, Qt::LeftButton);
  EXPECT_EQ(shell.Opened, std::vector<std::string>{"http://velmora.example/"});

  TXITocPanel* bare = panels.FindPanel("bare");
  EXPECT_FALSE(bare->HasPicture());
  EXPECT_FALSE(bare->HasBody());
  EXPECT_TRUE(bare->ActionControls().empty());
}

TEST_F(NewsPanels, ActionsRunLogAndKeepTheirCheckState) {
  TXTocItem& item = AddNewsItem(items, "mail", 0, "News", "Mail");
  TXTocActionItem& write =
      AddAction(item, "write", components::xhtMail, "Write", "team@velmora.example");
  write.Log = true;
  write.Default = true;
  AddAction(item, "run", components::xhtExe, "Run", "--about").Command = "<exe>kova";
  AddAction(item, "keep", components::xhtNone, "Keep").ControlType = TXTocActionItem::kCheckBox;
  AddAction(item, "custom", components::xhtCustom, "Custom");
  std::vector<std::string> unhandled;
  panels.OnTocAction = [&](TXTocItem&, TXTocActionItem& action) {
    unhandled.push_back(action.Name());
  };
  items.LogEnabled = true;
  panels.Build(items, groups, true);
  TXITocPanel& panel = *panels.FindPanel("mail");

  ClickLink(panel.ActionControls()[0]);
  ClickLink(panel.ActionControls()[1]);
  QTest::mouseClick(panel.ActionControls()[2], Qt::LeftButton);
  ClickLink(panel.ActionControls()[3]);
  EXPECT_EQ(shell.Opened, std::vector<std::string>{"mailto:team@velmora.example"});
  ASSERT_EQ(shell.Started.size(), 1u);
  EXPECT_TRUE(shell.Started[0].ends_with("kova --about")) << shell.Started[0];
  EXPECT_NE(shell.Started[0].find('/'), std::string::npos);
  EXPECT_EQ(items.DefaultLog, std::vector<std::string>{"mail=write"});
  EXPECT_TRUE(items.OtherLog.empty());
  EXPECT_FALSE(item.Actions().Checked(2));
  EXPECT_EQ(unhandled, (std::vector<std::string>{"keep", "custom"}));
}

TEST_F(NewsPanels, HideRemovesThePanelAndKeepsTheItemHidden) {
  TXTocItem& item = AddNewsItem(items, "Promo", Date(2024, 1, 1), "News", "Promo");
  AddAction(item, "hide", components::xhtNone, "Do not show again");
  AddNewsItem(items, "other", Date(2024, 1, 2), "News", "Other");
  std::vector<std::string> hidden;
  panels.OnTocHide = [&](TXTocItem& gone) { hidden.push_back(gone.Name()); };
  panels.Build(items, groups, true);
  ClickLink(panels.FindPanel("Promo")->ActionControls()[0]);
  EXPECT_EQ(hidden, std::vector<std::string>{"Promo"});
  EXPECT_TRUE(items.IsHidden("promo"));
  ASSERT_TRUE(WaitFor([&] { return panels.FindPanel("Promo") == nullptr; }));
  EXPECT_EQ(panels.PanelCount(), 1);
  panels.Build(items, groups, true);
  EXPECT_EQ(panels.FindPanel("Promo"), nullptr);
}

TEST(NewsDialog, WithNothingToShowTheNoNewsMessageShowsInstead) {
  test::RecordingShell shell;
  TXNetTocDialog dialog;
  EXPECT_EQ(dialog.windowTitle().toStdString(), Lg().Word(lg::kNewsCaption));
  EXPECT_EQ(dialog.ShowNews(), -1);
  ASSERT_EQ(shell.Messages.size(), 1u);
  EXPECT_EQ(shell.Messages[0].Text, Lg().Word(lg::kNoNews));
  EXPECT_EQ(shell.Messages[0].Icon, TXMessageIcon::Information);
  EXPECT_FALSE(dialog.isVisible());
}

// The whole "Check for Updates" path against the test server standing for the maker's servers.
class NewsFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Running());
    base = std::make_unique<test::BaseUrlScope>(server.BaseUrl());
    TXTocCollection items;
    TXTocItem& promo = AddNewsItem(items, "promo", Date(2024, 6, 1), "News", "Summer news",
                                   "Our {\\b summer} release is here.");
    promo.Data().SetBytes(test::PngBytes(64, 64, Qt::darkCyan));
    AddAction(promo, "hide", components::xhtNone, "Do not show this again");
    AddNewsItem(items, "update", Date(2024, 5, 1), "Updates", "An older version").TocData =
        "<version>6.0.0.0</version>";
    // The fourth number counts first: against this program's 7.0.0.1 an offer needs a fourth
    // number of at least 1 to count as newer.
    AddNewsItem(items, "update", Date(2024, 5, 2), "Updates", "Version 7.1").TocData =
        "<version>7.1.0.2</version>";
    const std::string domain(online::kBuiltInDomains[0]);
    server.Serve(domain + std::string(online::kNewsScriptPath), test::NewsAnswer(items));
  }

  // Runs the flow; while the news dialog shows, `look` sees it, then it is closed.
  bool Run(const std::function<void(TXNetTocDialog&)>& look) {
    bool shown = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      auto* showing = dynamic_cast<TXNetTocDialog*>(QApplication::activeModalWidget());
      if (!showing || !showing->isVisible() || shown) return;
      shown = true;
      look(*showing);
      showing->findChild<QPushButton*>("CloseButton")->click();
    });
    watcher.start(20);
    RunNewsFlow(dialog, engine);
    return WaitFor([&] { return shown && engine.Wrappers().empty(); });
  }

  test::TestHttpServer server;
  std::unique_ptr<test::BaseUrlScope> base;
  test::RecordingShell shell;
  TXNetEngine engine;
  TXNetTocDialog dialog;
};

TEST_F(NewsFlow, CheckForUpdatesShowsTheNewsThatConcernThisVersion) {
  std::vector<std::string> captions;
  std::vector<std::string> updates;
  ASSERT_TRUE(Run([&](TXNetTocDialog& shown) {
    captions = GroupCaptions(shown.Panels());
    for (const TXITocGroupPanel* group : shown.Panels().GroupPanels()) {
      for (const TXITocPanel* panel : group->Panels())
        updates.push_back(panel->Item().Caption().Text());
    }
  }));
  EXPECT_EQ(captions, (std::vector<std::string>{"News", "Updates"}));
  EXPECT_EQ(updates, (std::vector<std::string>{"Summer news", "Version 7.1"}));
  const auto seen = server.RequestsTo("/" + std::string(online::kBuiltInDomains[0]) +
                                      std::string(online::kNewsScriptPath));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Form.at("app"), "kova");
  EXPECT_EQ(seen[0].Form.at("release"), "vel");
  EXPECT_TRUE(shell.Messages.empty());
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(NewsFlow, AHiddenItemStaysHiddenWhenTheNewsComeAgain) {
  ASSERT_TRUE(Run([&](TXNetTocDialog& shown) {
    ClickLink(shown.Panels().FindPanel("promo")->ActionControls()[0]);
    QTest::qWait(20);
  }));
  bool promoShown = true;
  ASSERT_TRUE(Run(
      [&](TXNetTocDialog& shown) { promoShown = shown.Panels().FindPanel("promo") != nullptr; }));
  EXPECT_FALSE(promoShown);
}

TEST_F(NewsFlow, DownloadLinksFetchWithTheirProgressDialog) {
  server.Serve("files/bonus.zip", "bonus");
  TXTocItem& item = AddNewsItem(dialog.Items(), "bonus", 0, "News", "Bonus");
  item.TocData = "<kind>tool</kind>";
  AddAction(item, "get", components::xhtDownload, "Get the bonus",
            "<url>" + server.Url("/files/bonus.zip") + "</url><open>yes</open>");
  AddAction(item, "script", components::xhtCgiDownload, "Ask the script",
            "<url>" + server.Url("/files/bonus.zip") + "</url><param>id=7</param>");
  std::vector<std::string> arrived;
  engine.OnDownloadComplete = [&](TXNetWrapper& wrapper) {
    const TXNetFileItem& file = *wrapper.Filer()->Files.At(0);
    arrived.push_back(wrapper.RequestName + " " + wrapper.RequestData + " " +
                      std::string(file.Data().Bytes().begin(), file.Data().Bytes().end()));
  };
  dialog.Engine = &engine;
  ASSERT_TRUE(dialog.PrepareNews());
  TXITocPanel& panel = *dialog.Panels().FindPanel("bonus");
  ClickLink(panel.ActionControls()[0]);
  ASSERT_EQ(engine.Wrappers().size(), 1u);
  auto* progress = dynamic_cast<QWidget*>(engine.Wrappers()[0]->Dialog());
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  ASSERT_TRUE(WaitFor([&] { return arrived.size() == 1 && engine.Wrappers().empty(); }));
  EXPECT_EQ(arrived[0], "bonus <kind>tool</kind> bonus");

  ClickLink(panel.ActionControls()[1]);
  ASSERT_TRUE(WaitFor([&] { return arrived.size() == 2 && engine.Wrappers().empty(); }));
  const auto posted = server.RequestsTo("/files/bonus.zip").back();
  EXPECT_EQ(posted.Method, "POST");
  EXPECT_EQ(posted.Form.at("id"), "7");
  EXPECT_TRUE(posted.Form.contains("scrr"));
  EXPECT_TRUE(shell.Messages.empty());
}

}  // namespace
}  // namespace kova
