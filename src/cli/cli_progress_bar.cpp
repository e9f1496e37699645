#include "cli/cli_progress_bar.h"

#include <unistd.h>

#include <algorithm>

#include "cli/cli_texts.h"
#include "persistence/lg_keys.h"

namespace kova::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

std::string Clock(std::chrono::seconds elapsed) {
  const auto total = elapsed.count();
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(total / 3600),
                  static_cast<long long>(total / 60 % 60), static_cast<long long>(total % 60));
  } else {
    std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(total / 60),
                  static_cast<long long>(total % 60));
  }
  return text;
}

std::string Bar(int32_t position) {
  const int filled = position * kBarWidth / 1000;
  return "[" + std::string(static_cast<size_t>(filled), '#') +
         std::string(static_cast<size_t>(kBarWidth - filled), '-') + "]  ";
}

}  // namespace

TXCliProgressBar::TXCliProgressBar(std::FILE* stream, const TXRunFigures& figures,
                                   TXRunFiguresKind kind)
    : stream_(stream), shown_(::isatty(::fileno(stream)) == 1), figures_(figures), kind_(kind) {}

std::string TXCliProgressBar::Render(int32_t position, std::chrono::seconds elapsed,
                                     const std::string& figures) {
  position = std::clamp(position, 0, 1000);
  std::string text =
      Bar(position) + Say(lg::kCliProgressPlain, {std::to_string(position / 10), Clock(elapsed)});
  return figures.empty() ? text : text + "  " + figures;
}

void TXCliProgressBar::SetPosition(int32_t position) {
  position_ = position;
  Draw(position >= 1000);
}

void TXCliProgressBar::Refresh() {
  Draw(false);
}

void TXCliProgressBar::Draw(bool force) {
  if (!shown_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && drawn_ && now - lastDraw_ < kRedrawEvery) return;
  lastDraw_ = now;
  drawn_ = true;
  const TXRunFigures::TXSnapshot figures = figures_.Read();
  meter_.Read(now, figures.Done, figures.Total, figures.BadAreas);
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - start_);
  const std::string text = Render(position_, elapsed, RunFiguresText(kind_, figures, meter_));
  std::fprintf(stream_, "\r\033[K%s", text.c_str());
  std::fflush(stream_);
}

void TXCliProgressBar::Clear() {
  if (!shown_ || !drawn_) return;
  std::fprintf(stream_, "\r\033[K");
  std::fflush(stream_);
  drawn_ = false;
}

}  // namespace kova::cli
