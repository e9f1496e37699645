#include "online/net_filer_thread.h"

#include <filesystem>

#include "framework/error_data.h"
#include "online/net_dialog.h"
#include "online/net_wrapper.h"
#include "persistence/lg_format.h"

namespace kova {

namespace {

constexpr uint8_t kTransferPercent = 98;
constexpr uint8_t kFinishPercent = 2;

bool IsScriptUrl(const std::string& url) {
  return url.find(".cgi") != std::string::npos;
}

// Puts the finished file in the target's place in one step, also over a read-only file.
void ReplaceWithTemporary(const std::string& temporary, const std::string& target) {
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) RaiseThreadError(kErrNetFile, error.value(), target);
}

}  // namespace

void TXCustomNetFilerThread::Prepare() {
  Http().FollowRedirects = false;
  TXNetFileCollection& files = Filer().Files;
  for (int32_t i = 0; i < files.Count() && !TerminateRequested(); ++i)
    QuerySize(*files.At(i));
  if (TerminateRequested()) return;
  if (!files.AnyUrlLeft()) RaiseThreadError(kErrNetGeneral, 0, "no file is left to fetch");
  if (files.AllSizesKnown()) {
    Filer().TransferMode = tmSizesKnown;
  } else {
    Filer().TransferMode = files.Count() == 1 ? tmSingle : tmSeveral;
  }
  Http().FollowRedirects = true;
}

void TXCustomNetFilerThread::QuerySize(TXNetFileItem& item) {
  if (item.Url.empty() || IsScriptUrl(item.Url)) return;
  try {
    item.Size = Http().Head(item.Url);
    if (item.Size > 0) ExpectedTotal += item.Size;
  } catch (const EXSocketError& error) {
    SetThreadErrorIfNone(kErrNetGeneral, error.OSError, error.what());
    throw;
  } catch (const EXNetError&) {
    item.Url.clear();
  }
}

void TXCustomNetFilerThread::Transfer(TXProgress& section) {
  if (succeeded_) return;
  const uint8_t mode = Filer().TransferMode;
  SizesKnown = mode == tmSizesKnown || mode == tmSingle;
  if (mode != tmNotSet) Progress().SetStyle(0);
  TXNetFileCollection& files = Filer().Files;
  if (mode == tmSeveral) section.SetMax(static_cast<uint32_t>(files.Count()));
  StartClock();
  Http().FollowRedirects = true;
  for (int32_t i = 0; i < files.Count() && !TerminateRequested(); ++i) {
    TXProgress* step = mode == tmSeveral ? &section.BeginStep() : nullptr;
    if (!files.At(i)->Url.empty()) TransferItem(*files.At(i));
    if (step) step->EndSection();
  }
  section.EndSection();
}

void TXCustomNetFilerThread::TransferItem(TXNetFileItem& item) {
  if (Filer().MemoryOnly()) {
    item.Data().Clear();
    FetchInto(item, item.Data());
    item.Data().SetPosition(0);
    item.Done = true;
    return;
  }
  if (!item.FileName.empty()) FetchToFile(item);
}

void TXCustomNetFilerThread::FetchInto(TXNetFileItem& item, TXStream& target) {
  if (item.IsPost) {
    PrepareForPost(Http());
    Http().Post(item.Url, item.PostData, target);
  } else {
    Http().Get(item.Url, target);
  }
}

void TXCustomNetFilerThread::FetchToFile(TXNetFileItem& item) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(item.FileName).parent_path(), ignored);
  CurrentFile = item.FileName;
  ShowCurrentFile();
  const std::string temporary = item.FileName + ".~tmp";
  try {
    TXFileStream file(temporary, TXFileMode::fmCreate);
    FetchInto(item, file);
    item.Done = true;
  } catch (...) {
    SetThreadError(kErrNetFile, 0, item.FileName);
    throw;
  }
  ReplaceWithTemporary(temporary, item.FileName);
}

void TXCustomNetFilerThread::ShowCurrentFile() {
  HandOver([this, file = CurrentFile] {
    TXCustomNetDialog* dialog = Wrapper().Dialog();
    if (dialog && dialog->IsShowing()) dialog->SetCurrentFile(file);
  });
}

void TXCustomNetFilerThread::Finish() {
  Progress().Current().EndSection();
  succeeded_ = true;
  const int64_t elapsed = ElapsedSeconds();
  statusText_ =
      FormatLgText(Texts().Summary, {NetSizeText(Transferred), Texts().TimeText(elapsed)});
  speedText_ = FormatLgText(Texts().Speed,
                            {NetRateText(static_cast<double>(Transferred) / (elapsed * 1000.0))});
  UpdateDialog(true);
}

void TXSimpleNetFilerThread::Execute() {
  ClearThreadError();
  HandOver([this] {
    Wrapper().IntCommand({nullptr, 0, components::xhtNone, {}, ncStarted, "start"});
  });
  ClearThreadError();
  RunPhases();
  if (TerminateRequested()) SetThreadErrorIfNone(kErrCancelled);
  const TXErrorData outcome = ThreadError();
  resultCode_ = outcome.Code;
  HandOver([this, outcome] { Complete(outcome.Code, outcome.Text); });
}

void TXSimpleNetFilerThread::RunPhases() {
  try {
    if (!TerminateRequested()) Prepare();
    if (!TerminateRequested()) Transfer(Progress().Root().BeginSection(kTransferPercent));
    if (!TerminateRequested()) {
      Progress().Root().BeginSection(kFinishPercent);
      Finish();
    }
  } catch (...) {
    SetThreadErrorIfNone(kErrNetGeneral);
  }
}

}  // namespace kova
