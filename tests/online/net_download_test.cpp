#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <filesystem>
#include <memory>

#include "online/net_engine.h"
#include "online/net_filer_thread.h"
#include "online/net_thread.h"
#include "online_test_support.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "support/test_files.h"
#include "support/test_paths.h"
#include "test_http_server.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::WaitFor;

// How a request ended, as its completion saw it.
struct Outcome {
  bool Completed = false;
  int32_t Result = -100;
  uint8_t TransferMode = 0;
  std::vector<uint8_t> Data;
  std::vector<bool> Done;
};

class NetDownload : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = new test::TestHttpServer; }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(server->Running()) << "the Python test server did not start";
    engine = std::make_unique<TXNetEngine>();
    engine->DownloadDialogFactory = [this] {
      record = std::make_shared<test::DialogRecord>();
      auto made = std::make_unique<test::RecordingDialog>(record);
      dialog = made.get();
      return made;
    };
  }

  void TearDown() override { engine.reset(); }

  TXNetCompleteEvent Recorder(Outcome& outcome) {
    return [&outcome](TXNetWrapper& wrapper) {
      outcome.Completed = true;
      outcome.Result = wrapper.Result();
      const TXInternetDataFiler& filer = *wrapper.Filer();
      outcome.TransferMode = filer.TransferMode;
      for (int32_t i = 0; i < filer.Files.Count(); ++i)
        outcome.Done.push_back(filer.Files.At(i)->Done);
      if (filer.Files.Count() > 0) outcome.Data = filer.Files.At(0)->Data().Bytes();
    };
  }

  Outcome Download(const std::string& url, const std::string& fileName, uint32_t flags,
                   const std::string& postText = {}) {
    Outcome outcome;
    StartDownload(outcome, url, fileName, flags, postText);
    Finish(outcome);
    return outcome;
  }

  void StartDownload(Outcome& outcome, const std::string& url, const std::string& fileName,
                     uint32_t flags, const std::string& postText = {}) {
    TXDownloadRequest request;
    request.Url = url;
    request.FileName = fileName;
    request.Flags = flags;
    request.PostText = postText;
    request.OnComplete = Recorder(outcome);
    engine->Download(std::move(request));
  }

  void Finish(const Outcome& outcome) {
    ASSERT_TRUE(WaitFor([&] { return outcome.Completed; })) << "the request did not complete";
    ASSERT_TRUE(WaitFor([&] { return engine->Wrappers().empty(); }))
        << "the completed request was not released";
  }

  static test::TestHttpServer* server;
  test::RecordingShell shell;
  test::TempDir folder;
  std::unique_ptr<TXNetEngine> engine;
  // The last progress dialog made, while its request lives, and what it was told.
  test::RecordingDialog* dialog = nullptr;
  std::shared_ptr<test::DialogRecord> record;
};

test::TestHttpServer* NetDownload::server = nullptr;

TEST_F(NetDownload, FileArrivesThroughATemporaryFileAndReplacesAReadOnlyOne) {
  const std::vector<uint8_t> photo = test::NoiseBytes(96 * 1024, 3);
  server->Serve("files/replace.jpg", photo);
  const fs::path target = folder / "sub" / "replace.jpg";
  fs::create_directories(target.parent_path());
  test::WriteFileBytes(target, {'o', 'l', 'd'});
  chmod(target.c_str(), 0444);

  Outcome outcome;
  StartDownload(outcome, server->Url("/files/replace.jpg?slow=20&chunk=8192"), target.string(),
                dfProgressDialog | dfShowFileName | dfCloseWhenDone);
  ASSERT_TRUE(WaitFor([&] { return fs::exists(target.string() + ".~tmp"); }));
  // While the body arrives the old file stays as it was.
  EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
  Finish(outcome);

  EXPECT_EQ(outcome.Result, 0);
  EXPECT_EQ(test::ReadFileBytes(target), photo);
  EXPECT_FALSE(fs::exists(target.string() + ".~tmp"));
  const auto seen = server->RequestsTo("/files/replace.jpg");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].Method, "HEAD");
  EXPECT_EQ(seen[1].Method, "GET");
  EXPECT_EQ(seen[1].Agent, TXHttpClient::kDefaultUserAgent);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->Files, std::vector<std::string>{target.string()});
  EXPECT_TRUE(record->Succeeded);
  EXPECT_EQ(record->FinishMessage, "");
  ASSERT_FALSE(record->Statuses.empty());
  EXPECT_NE(record->Statuses.back().find(NetSizeText(static_cast<int64_t>(photo.size()))),
            std::string::npos)
      << record->Statuses.back();
  EXPECT_EQ(record->Positions.back(), 1000);
  EXPECT_TRUE(shell.Messages.empty());
}

TEST_F(NetDownload, MemoryDownloadPostsItsFormFields) {
  server->Serve("files/answer.txt", "posted");
  const Outcome outcome =
      Download(server->Url("/files/answer.txt"), "", 0, "a=1\r\nname=x y&z\r\n");
  EXPECT_EQ(outcome.Result, 0);
  EXPECT_EQ(outcome.Data, (std::vector<uint8_t>{'p', 'o', 's', 't', 'e', 'd'}));
  EXPECT_EQ(outcome.TransferMode, tmSizesKnown);
  const auto seen = server->RequestsTo("/files/answer.txt");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].Method, "HEAD");
  EXPECT_EQ(seen[1].Method, "POST");
  EXPECT_EQ(seen[1].Agent, "Mozilla/3.0");
  EXPECT_EQ(seen[1].Referer, "");
  EXPECT_EQ(seen[1].Form.at("a"), "1");
  EXPECT_EQ(seen[1].Form.at("name"), "x y&z");
}

TEST_F(NetDownload, AFileWhoseSizeQueryFailsIsSkipped) {
  server->Serve("files/kept.bin", test::NoiseBytes(5000, 5));
  server->Serve("files/unsized.bin", test::NoiseBytes(3000, 6));
  Outcome outcome;
  TXNetWrapper& wrapper =
      engine->CreateWrapper<TXSimpleNetFilerThread>({}, noMemoryOnly, Recorder(outcome));
  TXNetFileCollection& files = wrapper.Filer()->Files;
  files.AddFile(server->Url("/files/missing.bin"), "", "");
  files.AddFile(server->Url("/files/kept.bin"), "", "");
  files.AddFile(server->Url("/files/moved.bin?redirect=/files/kept.bin"), "", "");
  files.AddFile(server->Url("/files/unsized.bin?nolength=1"), "", "");
  wrapper.Start();
  Finish(outcome);

  EXPECT_EQ(outcome.Result, 0);
  // Several files, one of them without a known size: one progress step per file.
  EXPECT_EQ(outcome.TransferMode, tmSeveral);
  EXPECT_EQ(outcome.Done, (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(server->RequestsTo("/files/missing.bin").size(), 1u);
  EXPECT_EQ(server->RequestsTo("/files/moved.bin").size(), 1u);
  EXPECT_EQ(server->RequestsTo("/files/unsized.bin").size(), 2u);
}

TEST_F(NetDownload, AnOnlyFileThatCannotBeSizedFailsTheRequest) {
  for (const std::string& url :
       {server->Url("/files/none.bin"), server->Url("/files/none.bin?redirect=/elsewhere"),
        server->Url("/files/none.bin?status=500")}) {
    record = nullptr;
    const Outcome outcome = Download(url, (folder / "none.bin").string(), dfProgressDialog);
    EXPECT_EQ(outcome.Result, kErrNetGeneral) << url;
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->Succeeded);
    EXPECT_EQ(record->FinishMessage, Lg().Word(lg::kNetFailed));
    EXPECT_FALSE(fs::exists(folder / "none.bin"));
  }
  for (const auto& request : server->RequestsTo("/files/none.bin"))
    EXPECT_EQ(request.Method, "HEAD");
}

TEST_F(NetDownload, AServerThatCannotBeReachedFailsTheRequest) {
  const Outcome outcome = Download("http://127.0.0.1:1/files/x.bin", "", 0);
  EXPECT_EQ(outcome.Result, kErrNetGeneral);
}

TEST_F(NetDownload, CancellingAFileDownloadNamesTheFile) {
  server->Serve("files/cancel.bin", test::NoiseBytes(200 * 1024, 7));
  const fs::path target = folder / "cancel.bin";
  Outcome outcome;
  StartDownload(outcome, server->Url("/files/cancel.bin?slow=40&chunk=4096"), target.string(),
                dfProgressDialog);
  ASSERT_TRUE(WaitFor([&] {
    std::error_code ignored;
    return fs::file_size(target.string() + ".~tmp", ignored) > 0 &&
           fs::file_size(target.string() + ".~tmp", ignored) != static_cast<uintmax_t>(-1);
  }));
  dialog->Cancel();
  Finish(outcome);

  EXPECT_EQ(outcome.Result, kErrNetFile);
  EXPECT_EQ(record->FinishMessage, Lg().Format(lg::kNetFileFailed, {target.string()}));
  EXPECT_FALSE(fs::exists(target));
  // The part that arrived stays behind.
  EXPECT_TRUE(fs::exists(target.string() + ".~tmp"));
}

TEST_F(NetDownload, CancellingAMemoryDownloadEndsSilently) {
  server->Serve("files/memory.bin", test::NoiseBytes(200 * 1024, 8));
  Outcome outcome;
  StartDownload(outcome, server->Url("/files/memory.bin?slow=40&chunk=4096"), "", dfProgressDialog);
  ASSERT_TRUE(WaitFor([&] { return record && !record->Statuses.empty(); }));
  dialog->Cancel();
  Finish(outcome);
  EXPECT_EQ(outcome.Result, kErrCancelled);
  EXPECT_EQ(record->FinishMessage, "");
  EXPECT_FALSE(record->Succeeded);
}

TEST_F(NetDownload, OverlappingRequestsActivateTheEngineOnce) {
  server->Serve("files/overlap.bin", test::NoiseBytes(40 * 1024, 9));
  int activations = 0;
  int deactivations = 0;
  int most = 0;
  engine->OnActivate = [&](TXNetEngine&) { ++activations; };
  engine->OnDeactivate = [&](TXNetEngine&) { ++deactivations; };
  Outcome first;
  Outcome second;
  StartDownload(first, server->Url("/files/overlap.bin?slow=30&chunk=4096"), "", 0);
  StartDownload(second, server->Url("/files/overlap.bin?slow=30&chunk=4096"), "", 0);
  ASSERT_TRUE(WaitFor([&] {
    most = std::max(most, engine->BusyCount());
    return first.Completed && second.Completed;
  }));
  EXPECT_EQ(first.Result, 0);
  EXPECT_EQ(second.Result, 0);
  EXPECT_EQ(most, 2);
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(deactivations, 1);
  EXPECT_EQ(engine->BusyCount(), 0);
}

TEST_F(NetDownload, AShowingDialogKeepsItsRequestUntilItCloses) {
  server->Serve("files/kept-open.bin", "data");
  Outcome outcome;
  StartDownload(outcome, server->Url("/files/kept-open.bin"), "", dfProgressDialog | dfOfferOpen);
  ASSERT_TRUE(WaitFor([&] { return outcome.Completed && engine->Wrappers()[0]->Done(); }));
  EXPECT_TRUE(record->Showing);
  QTest::qWait(50);
  EXPECT_EQ(engine->Wrappers().size(), 1u);
  dialog->Close();
  EXPECT_TRUE(WaitFor([&] { return engine->Wrappers().empty(); }));
}

TEST_F(NetDownload, AskingForTheTargetFirst) {
  server->Serve("files/asked.bin", "chosen");
  shell.SaveAnswer = (folder / "chosen.bin").string();
  const Outcome outcome =
      Download(server->Url("/files/asked.bin"), (folder / "offered.bin").string(), dfAskTarget);
  EXPECT_EQ(outcome.Result, 0);
  EXPECT_EQ(shell.SaveQuestions, std::vector<std::string>{folder.Path().string() + "|offered.bin"});
  EXPECT_EQ(test::ReadFileBytes(folder / "chosen.bin"),
            (std::vector<uint8_t>{'c', 'h', 'o', 's', 'e', 'n'}));

  shell.SaveAnswer.reset();
  Outcome refused;
  StartDownload(refused, server->Url("/files/asked.bin"), "", dfAskTarget);
  EXPECT_TRUE(engine->Wrappers().empty());
  EXPECT_EQ(server->RequestsTo("/files/asked.bin").size(), 2u);
}

TEST_F(NetDownload, DestroyingTheEngineStopsItsRequests) {
  server->Serve("files/endless.bin", test::NoiseBytes(400 * 1024, 10));
  Outcome outcome;
  StartDownload(outcome, server->Url("/files/endless.bin?slow=100&chunk=1024"),
                (folder / "endless.bin").string(), 0);
  ASSERT_TRUE(WaitFor([&] { return server->RequestsTo("/files/endless.bin").size() == 2; }));
  engine.reset();
  EXPECT_FALSE(outcome.Completed);
  EXPECT_FALSE(fs::exists(folder / "endless.bin"));
}

}  // namespace
}  // namespace kova
