#include "online/download_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "online/net_engine.h"
#include "online_test_support.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "support/test_files.h"
#include "support/test_paths.h"
#include "test_http_server.h"

namespace kova {
namespace {

using test::WaitFor;

QString Word(uint32_t id) {
  return QString::fromStdString(Lg().Word(id));
}

// The dialog's controls, found by name as a user finds them by their place.
struct Controls {
  explicit Controls(TXNetDownloadDialog& dialog)
      : File(dialog.findChild<QLabel*>("FileLabel")),
        Bar(dialog.findChild<QProgressBar*>("ProgressBar")),
        Status(dialog.findChild<QLabel*>("StatusLabel")),
        Check(dialog.findChild<QCheckBox*>("CloseCheck")),
        Open(dialog.findChild<QPushButton*>("OpenButton")),
        Folder(dialog.findChild<QPushButton*>("FolderButton")),
        Cancel(dialog.findChild<QPushButton*>("CancelButton")) {}
  QLabel* File;
  QProgressBar* Bar;
  QLabel* Status;
  QCheckBox* Check;
  QPushButton* Open;
  QPushButton* Folder;
  QPushButton* Cancel;
};

class DownloadDialog : public ::testing::Test {
 protected:
  test::RecordingShell shell;
  TXNetDownloadDialog dialog;
  Controls controls{dialog};
};

TEST_F(DownloadDialog, StartsConnectingWithAMovingBar) {
  dialog.ShowProgress(dfProgressDialog | dfShowFileName);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.windowTitle(), Word(lg::kDownloadCaption));
  EXPECT_EQ(controls.Status->text(), Word(lg::kConnecting) + "...");
  EXPECT_EQ(controls.Bar->maximum(), 0);
  EXPECT_TRUE(controls.Check->isVisible());
  EXPECT_FALSE(controls.Check->isChecked());
  EXPECT_FALSE(controls.Open->isVisible());
  EXPECT_FALSE(controls.Folder->isVisible());
  EXPECT_EQ(controls.Cancel->text(), Word(lg::kDialogCancel));

  dialog.SetCurrentFile("/home/anna/Downloads/velmora/a-rather-long-folder-name/setup-kova.bin");
  EXPECT_FALSE(controls.File->text().isEmpty());
  EXPECT_TRUE(controls.File->text().endsWith("setup-kova.bin"));
  dialog.SetMarquee(false);
  dialog.SetPosition(420);
  EXPECT_EQ(controls.Bar->value(), 420);

  // Ticking the box asks for the dialog to close when the download is done.
  QTest::mouseClick(controls.Check, Qt::LeftButton);
  EXPECT_TRUE(dialog.Flags() & dfCloseWhenDone);
  dialog.Finish(true, {});
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), TXNetDownloadDialog::crDone);
}

TEST_F(DownloadDialog, TheFileNameShowsOnlyWhenAskedFor) {
  dialog.ShowProgress(dfProgressDialog);
  dialog.SetCurrentFile("/tmp/quiet.bin");
  EXPECT_TRUE(controls.File->text().isEmpty());
  EXPECT_EQ(dialog.CurrentFile(), "/tmp/quiet.bin");
}

TEST_F(DownloadDialog, ASuccessKeepsTheDialogOpenWithTheOpenButtons) {
  dialog.ShowProgress(dfProgressDialog | dfOfferOpen);
  dialog.SetCurrentFile("/tmp/kova/Setup.EXE");
  // The window's own close command does nothing while the download runs.
  dialog.close();
  EXPECT_TRUE(dialog.isVisible());
  dialog.Finish(true, {});
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.windowTitle(), Word(lg::kDownloadComplete));
  EXPECT_EQ(controls.Cancel->text(), Word(lg::kDialogClose));
  EXPECT_FALSE(controls.Check->isVisible());
  EXPECT_EQ(controls.Bar->value(), 1000);
  EXPECT_TRUE(controls.Open->isVisible());
  EXPECT_EQ(controls.Open->text(), Word(lg::kRunButton));
  EXPECT_TRUE(controls.Folder->isVisible());

  QTest::mouseClick(controls.Open, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(shell.Opened, std::vector<std::string>{"/tmp/kova/Setup.EXE in /tmp/kova"});
}

TEST_F(DownloadDialog, AfterSuccessClosingActsAsTheCloseButton) {
  dialog.ShowProgress(dfProgressDialog | dfOfferOpen);
  dialog.SetCurrentFile("/tmp/kova/photo.jpg");
  dialog.Finish(true, {});
  EXPECT_EQ(controls.Open->text(), Word(lg::kOpenButton));
  QTest::mouseClick(controls.Folder, Qt::LeftButton);
  EXPECT_EQ(shell.Opened, std::vector<std::string>{"/tmp/kova"});
  dialog.ShowProgress(dfProgressDialog);
  dialog.Finish(true, {});
  EXPECT_FALSE(controls.Open->isVisible());
  dialog.close();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), TXNetDownloadDialog::crDone);
}

TEST_F(DownloadDialog, AFailureShowsItsMessageAndCloses) {
  dialog.ShowProgress(dfProgressDialog);
  dialog.Finish(false, "The file x could not be downloaded.");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), TXNetDownloadDialog::crStopped);
  ASSERT_EQ(shell.Messages.size(), 1u);
  EXPECT_EQ(shell.Messages[0].Text, "The file x could not be downloaded.");
  EXPECT_EQ(shell.Messages[0].Icon, TXMessageIcon::Warning);
}

// The dialog with its request: a real download from the test server.
class DownloadDialogWithRequest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = new test::TestHttpServer; }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(server->Running()); }

  static test::TestHttpServer* server;
  test::RecordingShell shell;
  test::TempDir folder;
  TXNetEngine engine;
};

test::TestHttpServer* DownloadDialogWithRequest::server = nullptr;

TEST_F(DownloadDialogWithRequest, CancelStopsTheRequestAndReleasesIt) {
  server->Serve("files/dialog-cancel.bin", test::NoiseBytes(100 * 1024, 11));
  int32_t result = -100;
  TXDownloadRequest request;
  request.Url = server->Url("/files/dialog-cancel.bin?slow=50&chunk=2048");
  request.Flags = dfProgressDialog;
  request.OnComplete = [&](TXNetWrapper& wrapper) { result = wrapper.Result(); };
  engine.Download(std::move(request));
  ASSERT_EQ(engine.Wrappers().size(), 1u);
  auto* dialog = dynamic_cast<TXNetDownloadDialog*>(engine.Wrappers()[0]->Dialog());
  ASSERT_NE(dialog, nullptr);
  bool cancelled = false;
  dialog->OnCancel = [&] { cancelled = true; };
  Controls controls(*dialog);
  ASSERT_TRUE(WaitFor([&] { return controls.Status->text().contains("KB"); }));
  QTest::mouseClick(controls.Cancel, Qt::LeftButton);
  EXPECT_TRUE(cancelled);
  EXPECT_FALSE(dialog->isVisible());
  ASSERT_TRUE(WaitFor([&] { return result != -100 && engine.Wrappers().empty(); }));
  EXPECT_EQ(result, kErrCancelled);
  EXPECT_TRUE(shell.Messages.empty());
}

TEST_F(DownloadDialogWithRequest, AModalDialogReturnsWhenTheDownloadIsDone) {
  server->Serve("files/modal.bin", test::NoiseBytes(30 * 1024, 12));
  const auto target = folder / "modal.bin";
  int32_t result = -100;
  TXDownloadRequest request;
  request.Url = server->Url("/files/modal.bin?slow=20&chunk=4096");
  request.FileName = target.string();
  request.Flags = dfProgressDialog | dfModal | dfCloseWhenDone | dfShowFileName;
  request.OnComplete = [&](TXNetWrapper& wrapper) { result = wrapper.Result(); };
  engine.Download(std::move(request));
  // Download returned: the modal dialog ran the event loop until the request had completed.
  EXPECT_EQ(result, 0);
  EXPECT_EQ(test::ReadFileBytes(target), test::NoiseBytes(30 * 1024, 12));
  EXPECT_TRUE(WaitFor([&] { return engine.Wrappers().empty(); }));
}

}  // namespace
}  // namespace kova
