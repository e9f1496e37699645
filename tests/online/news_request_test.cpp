#include "online/news_request.h"

#include <gtest/gtest.h>

#include <memory>

#include "news_fixtures.h"
#include "online/client_service.h"
#include "online/net_endpoints.h"
#include "online/net_engine.h"
#include "online/server_list.h"
#include "online_test_support.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "test_http_server.h"

namespace kova {
namespace {

using test::WaitFor;

struct NewsOutcome {
  bool Completed = false;
  int32_t Result = -100;
  std::vector<std::string> Names;
  std::vector<std::string> Captions;
  std::vector<size_t> PictureSizes;
};

// News requests against the test server, which stands for the maker's servers: a server's
// address is the server's base address followed by its domain. Each test has a server of its
// own, as the built-in servers' files differ from test to test.
class NewsRequest : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<test::TestHttpServer>();
    ASSERT_TRUE(server->Running()) << "the Python test server did not start";
    base = std::make_unique<test::BaseUrlScope>(server->BaseUrl());
    engine = std::make_unique<TXNetEngine>();
    engine->DownloadDialogFactory = [this] {
      record = std::make_shared<test::DialogRecord>();
      auto made = std::make_unique<test::RecordingDialog>(record);
      dialog = made.get();
      return made;
    };
    service.SetProductCode("kova");
    service.SetMakerCode("vel");
  }

  void TearDown() override {
    engine.reset();
    base.reset();
    server.reset();
  }

  // A unique domain per test, so that tests do not see each other's files.
  std::string Domain(const std::string& name) const {
    return name + "." + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".test";
  }
  static std::string NewsPath(const std::string& domain) {
    return domain + std::string(online::kNewsScriptPath);
  }
  static std::string ListPath(const std::string& domain) {
    return domain + std::string(online::kServerListScriptPath);
  }

  void Request(TXServerCollection* servers, uint32_t flags = dfProgressDialog | dfCloseWhenDone) {
    SendNewsRequest(*engine, servers, &service, flags, {}, "toc", [this](TXNetWrapper& wrapper) {
      outcome.Completed = true;
      outcome.Result = wrapper.Result();
      auto* items = dynamic_cast<TXTocCollection*>(wrapper.Filer()->Results.get());
      for (int32_t i = 0; items && i < items->Count(); ++i) {
        outcome.Names.push_back(items->At(i)->Name());
        outcome.Captions.push_back(items->At(i)->Caption().Text());
        outcome.PictureSizes.push_back(items->At(i)->Data().Bytes().size());
      }
    });
  }

  void Finish() {
    ASSERT_TRUE(WaitFor([&] { return outcome.Completed; })) << "the request did not complete";
    ASSERT_TRUE(WaitFor([&] { return engine->Wrappers().empty(); }));
  }

  std::string ServeNews(const std::string& domain, int format = 0) {
    TXTocCollection items;
    test::AddNewsItem(items, "welcome", test::Date(2024, 5, 1), "Tips", "Welcome")
        .Data()
        .SetBytes(test::PngBytes(40, 30, Qt::darkGreen));
    test::AddNewsItem(items, "update", 0, "Updates", "Version 7.1");
    server->Serve(NewsPath(domain), test::NewsAnswer(items, format));
    return domain;
  }

  std::unique_ptr<test::TestHttpServer> server;
  std::unique_ptr<test::BaseUrlScope> base;
  test::RecordingShell shell;
  std::unique_ptr<TXNetEngine> engine;
  TXAppClientService service;
  NewsOutcome outcome;
  test::RecordingDialog* dialog = nullptr;
  std::shared_ptr<test::DialogRecord> record;
};

TEST_F(NewsRequest, ServersAreTriedInTurnAndTheItemsArrive) {
  TXServerCollection servers;
  servers.AddDomain(Domain("silent"));
  servers.AddDomain(ServeNews(Domain("answering")));
  service.Clients().Add()->Name = "first";
  service.Clients().Add()->Name = "";
  service.Clients().Add()->Name = "second";
  Request(&servers);
  Finish();

  EXPECT_EQ(outcome.Result, 0);
  EXPECT_EQ(outcome.Names, (std::vector<std::string>{"welcome", "update"}));
  EXPECT_EQ(outcome.Captions, (std::vector<std::string>{"Welcome", "Version 7.1"}));
  EXPECT_EQ(outcome.PictureSizes[0], test::PngBytes(40, 30, Qt::darkGreen).size());
  EXPECT_EQ(outcome.PictureSizes[1], 0u);
  ASSERT_EQ(server->RequestsTo("/" + NewsPath(Domain("silent"))).size(), 1u);
  const auto seen = server->RequestsTo("/" + NewsPath(Domain("answering")));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Method, "POST");
  EXPECT_EQ(seen[0].Agent, "Mozilla/3.0");
  EXPECT_EQ(seen[0].Form.at("app"), "kova");
  EXPECT_EQ(seen[0].Form.at("release"), "vel");
  EXPECT_EQ(seen[0].Form.at("ids"), "first;second");
  EXPECT_EQ(seen[0].Form.at("lg"), Lg().LanguageIDText());
  EXPECT_EQ(seen[0].Form.at("version"), "7.0.0.1");
  EXPECT_TRUE(seen[0].Form.contains("scr"));
  EXPECT_TRUE(seen[0].Form.contains("lociso"));
  EXPECT_FALSE(seen[0].Form.contains("idw"));
  // The progress dialog closed by itself.
  EXPECT_TRUE(record->Succeeded);
  EXPECT_FALSE(record->Showing);
  EXPECT_TRUE(shell.Messages.empty());
}

TEST_F(NewsRequest, CodedAnswersAreRead) {
  TXServerCollection servers;
  servers.AddDomain(ServeNews(Domain("coded"), 1));
  Request(&servers);
  Finish();
  EXPECT_EQ(outcome.Result, 0);
  EXPECT_EQ(outcome.Names.size(), 2u);
}

TEST_F(NewsRequest, NothingNewEndsSilentlyWithoutAskingFurtherServers) {
  TXServerCollection servers;
  servers.AddDomain(Domain("unchanged"));
  servers.AddDomain(ServeNews(Domain("spare")));
  server->Serve(NewsPath(Domain("unchanged")), test::StatusAnswer(2));
  Request(&servers);
  Finish();
  EXPECT_EQ(outcome.Result, kErrNothingNew);
  EXPECT_TRUE(server->RequestsTo("/" + NewsPath(Domain("spare"))).empty());
  EXPECT_EQ(record->FinishMessage, "");
}

TEST_F(NewsRequest, AnEarlierServersFailureDoesNotSpoilALaterAnswer) {
  TXServerCollection servers;
  servers.AddDomain(Domain("garbled"));
  servers.AddDomain(Domain("refusing"));
  servers.AddDomain(ServeNews(Domain("good")));
  server->Serve(NewsPath(Domain("garbled")), "<html>maintenance</html>");
  server->Serve(NewsPath(Domain("refusing")), test::StatusAnswer(3));
  Request(&servers);
  Finish();
  EXPECT_EQ(outcome.Result, 0);
  EXPECT_EQ(outcome.Names.size(), 2u);
}

TEST_F(NewsRequest, ARefusalEverywhereFailsWithAMessage) {
  TXServerCollection servers;
  servers.AddDomain(Domain("refusing"));
  server->Serve(NewsPath(Domain("refusing")), test::StatusAnswer(3));
  Request(&servers);
  Finish();
  EXPECT_EQ(outcome.Result, kErrNetRefused);
  EXPECT_EQ(record->FinishMessage, Lg().Word(lg::kNetFailed));
  EXPECT_TRUE(shell.Messages.empty());
}

TEST_F(NewsRequest, TheServerListIsRefreshedWhenNoServerAnswers) {
  TXServerCollection servers;
  servers.AddDomain(Domain("retired"));
  // The second built-in server offers the new list.
  const std::string listing(online::kBuiltInDomains[1]);
  server->Serve(ListPath(listing), test::ServerListAnswer({ServeNews(Domain("mirror"))}));
  Request(&servers);
  Finish();

  EXPECT_EQ(outcome.Result, 0);
  EXPECT_EQ(outcome.Names.size(), 2u);
  ASSERT_EQ(servers.Count(), 1);
  EXPECT_EQ(servers.At(0)->Domain(), Domain("mirror"));
  EXPECT_EQ(server->RequestsTo("/" + ListPath(std::string(online::kBuiltInDomains[0]))).size(), 1u);
  const auto asked = server->RequestsTo("/" + ListPath(listing));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Form.at("app"), "kova");
  EXPECT_EQ(asked[0].Form.at("release"), "vel");
  EXPECT_EQ(asked[0].Form.at("cgi"), "toc");
}

TEST_F(NewsRequest, AFailedRefreshKeepsTheListAndFails) {
  TXServerCollection servers;
  servers.AddDomain(Domain("gone"));
  // The list's own server offers a list that names no server at all.
  server->Serve(ListPath(Domain("gone")), test::ServerListAnswer({}));
  Request(&servers);
  Finish();
  EXPECT_EQ(outcome.Result, kErrNetGeneral);
  ASSERT_EQ(servers.Count(), 1);
  EXPECT_EQ(servers.At(0)->Domain(), Domain("gone"));
  EXPECT_EQ(record->FinishMessage, Lg().Word(lg::kNetFailed));
  EXPECT_EQ(server->RequestsTo("/" + ListPath(Domain("gone"))).size(), 1u);
}

TEST_F(NewsRequest, CancellingTheRequestEndsSilently) {
  TXServerCollection servers;
  const std::string slow = ServeNews(Domain("slow"));
  server->Serve(NewsPath(slow) + ".options", "slow=100&chunk=64");
  servers.AddDomain(slow);
  Request(&servers);
  ASSERT_TRUE(WaitFor([&] { return !server->RequestsTo("/" + NewsPath(slow)).empty(); }));
  dialog->Cancel();
  Finish();
  EXPECT_EQ(outcome.Result, kErrCancelled);
  EXPECT_EQ(record->FinishMessage, "");
  EXPECT_TRUE(shell.Messages.empty());
}

}  // namespace
}  // namespace kova
