#include "online/net_thread.h"

#include <algorithm>
#include <cmath>

#include "framework/app_engine.h"
#include "framework/core_app.h"
#include "framework/error_data.h"
#include "online/net_dialog.h"
#include "online/net_wrapper.h"
#include "persistence/lg.h"
#include "persistence/lg_format.h"
#include "persistence/lg_keys.h"

namespace kova {

namespace {

constexpr const char* kPostUserAgent = "Mozilla/3.0";
// The quickest rate at which progress dialogs are refreshed while a body arrives.
constexpr auto kDialogRefresh = std::chrono::milliseconds(50);
// Stands for a rate too small to measure, so that the time left stays finite.
constexpr double kUnmeasuredRate = 7.0;

int64_t RoundEven(double value) {
  return static_cast<int64_t>(std::nearbyint(value));
}

}  // namespace

TXCustomNetThread::TXCustomNetThread(TXNetWrapper& wrapper)
    : wrapper_(wrapper),
      progress_(std::make_unique<TXProgressGear>()),
      proxy_(),
      texts_(TXNetTexts::FromLanguage()) {
  proxy_.Assign(ProxySettings());
  progress_->SetContainer(&CoreApp().Engine());
  Progress().SetStyle(1);
  Progress().Start({});
  http_.OnBodyStart = [this](int64_t expected) { BodyStarted(expected); };
  http_.OnBodyProgress = [this](int64_t received) { BodyProgressed(received); };
  http_.OnBodyEnd = [this](int64_t length) { BodyEnded(length); };
  http_.ShouldAbort = [this] { return StopIfTerminating(); };
  StartClock();
}

TXCustomNetThread::~TXCustomNetThread() {
  Abandon();
  RequestTerminate();
  Wait();
}

bool TXCustomNetThread::Start(std::unique_ptr<TXInternetDataFiler> filer) {
  if (started_ || !filer) return false;
  started_ = true;
  filer_ = std::move(filer);
  thread_ = std::thread([this] { Run(); });
  return true;
}

void TXCustomNetThread::Abandon() {
  abandoned_.store(true, std::memory_order_release);
}

void TXCustomNetThread::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TXCustomNetThread::Run() {
  try {
    Execute();
  } catch (...) {
    // Execute keeps its failures in the outcome; nothing may leave the thread.
  }
  HandOver([this] { wrapper_.ThreadEnded(); });
}

bool TXCustomNetThread::HandOver(const std::function<void()>& procedure) {
  if (abandoned_.load(std::memory_order_acquire)) return false;
  try {
    return CoreApp().Engine().Invoke(procedure,
                                     [this] { return abandoned_.load(std::memory_order_acquire); });
  } catch (...) {
    return false;
  }
}

void TXCustomNetThread::UpdateDialog(bool force) {
  if (!hasDialog_) return;
  const Clock::time_point now = Clock::now();
  if (!force && now - lastDialogUpdate_ < kDialogRefresh) return;
  lastDialogUpdate_ = now;
  const bool marquee = Progress().Style() == 1;
  const int32_t position = Progress().GetPosition();
  HandOver([this, marquee, position, status = statusText_, speed = speedText_] {
    TXCustomNetDialog* dialog = wrapper_.Dialog();
    if (!dialog || !dialog->IsShowing()) return;
    dialog->SetMarquee(marquee);
    dialog->SetStatusText(status);
    dialog->SetSpeedText(speed);
    dialog->SetPosition(position);
  });
}

void TXCustomNetThread::Complete(int32_t code, const std::string& errorText) {
  wrapper_.ReturnFiler(TakeFiler());
  wrapper_.SetResult(code);
  message_.clear();
  succeeded_ = code == kErrNone;
  if (code == kErrNetFile) {
    message_ = Lg().Format(lg::kNetFileFailed, {errorText});
  } else if (code != kErrNone && code != kErrCancelled && code != kErrNothingNew) {
    message_ = Lg().Word(lg::kNetFailed);
  }
  wrapper_.IntCommand({nullptr, 0, components::xhtNone, {}, ncStopped, "stop"});
  if (TXCustomNetDialog* dialog = wrapper_.Dialog()) dialog->Finish(succeeded_, message_);
  if (wrapper_.OnComplete) wrapper_.OnComplete(wrapper_);
}

void TXCustomNetThread::PrepareForPost(TXHttpClient& client) {
  client.Referer.clear();
  client.UserAgent = kPostUserAgent;
}

void TXCustomNetThread::StartClock() {
  startTime_ = lastTime_ = Clock::now();
}

int64_t TXCustomNetThread::ElapsedSeconds() const {
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - startTime_);
  return std::max<int64_t>(1, elapsed.count());
}

bool TXCustomNetThread::StopIfTerminating() {
  if (!TerminateRequested()) return false;
  SetThreadErrorIfNone(kErrCancelled);
  http_.Disconnect();
  return true;
}

void TXCustomNetThread::BodyStarted(int64_t expected) {
  if (StopIfTerminating()) return;
  if (filer_ && filer_->Files.Count() > 0 && filer_->Files.At(0)->Size == -1) {
    ExpectedTotal += expected;
  }
  ResponseExpected = expected;
  ResponseDone = 0;
  if (ExpectedTotal == 0) {
    Progress().SetStyle(1);
    SizesKnown = false;
  }
}

void TXCustomNetThread::BodyProgressed(int64_t received) {
  if (StopIfTerminating()) return;
  const Clock::time_point now = Clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastTime_).count();
  if (ms == 0) return;
  const int64_t added = received - LastCount;
  double rate = static_cast<double>(added) / static_cast<double>(ms);
  if (rate == 0) rate = kUnmeasuredRate;
  Transferred += added;
  ResponseDone += added;
  LastCount = received;
  lastTime_ = now;
  int32_t position = 0;
  if (SizesKnown) {
    ShowKnownSizeStatus(received, rate, position);
  } else if (ResponseExpected == 0) {
    statusText_ = FormatLgText(texts_.StatusUnknown, {NetSizeText(Transferred)});
  } else {
    position = static_cast<int32_t>(
        std::clamp<int64_t>(RoundEven(100.0 * ResponseDone / ResponseExpected), 0, 100));
  }
  Progress().Current().SetPercent(static_cast<uint8_t>(position));
  speedText_ = FormatLgText(texts_.Speed, {NetRateText(rate)});
  if (http_.Connected()) UpdateDialog();
}

void TXCustomNetThread::ShowKnownSizeStatus(int64_t received, double rate, int32_t& position) {
  const int64_t done = DoneBefore + received;
  const int64_t left = std::max<int64_t>(0, ExpectedTotal - done);
  const int64_t remaining = RoundEven(static_cast<double>(left) / 1024 / rate);
  int64_t percent = 0;
  if (ExpectedTotal != 0) percent = RoundEven(100.0 * static_cast<double>(done) / ExpectedTotal);
  position = static_cast<int32_t>(std::clamp<int64_t>(percent, 0, 100));
  statusText_ = FormatLgText(texts_.StatusKnown,
                             {texts_.TimeText(remaining), NetSizeText(done),
                              NetSizeText(ExpectedTotal), std::to_string(position) + "%"});
}

void TXCustomNetThread::BodyEnded(int64_t length) {
  LastCount = 0;
  DoneBefore += length;
}

}  // namespace kova
