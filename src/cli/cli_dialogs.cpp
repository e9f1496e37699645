#include "cli/cli_dialogs.h"

#include <poll.h>
#include <unistd.h>

#include <filesystem>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/cli_texts.h"
#include "framework/text_utils.h"
#include "output/cluster_error_dialog.h"
#include "persistence/lg_keys.h"
#include "storage/platform_files.h"

namespace kova::cli {

namespace {

constexpr int kPollMs = 100;

struct TXButtonChoice {
  TXMessageButton First;
  uint32_t FirstText;
  TXMessageButton Second;
  uint32_t SecondText;
};

std::optional<TXButtonChoice> ButtonsOf(TXMessageButtons buttons) {
  switch (buttons) {
    case TXMessageButtons::StopContinue:
      return TXButtonChoice{TXMessageButton::Stop, lg::kStopCaption, TXMessageButton::Continue,
                            lg::kContinueCaption};
    case TXMessageButtons::BackExit:
      return TXButtonChoice{TXMessageButton::Back, lg::kPreviousCaption, TXMessageButton::Exit,
                            lg::kExitCaption};
    default:
      return std::nullopt;
  }
}

// The part of a dialog filter that people read: "Memory card image files (*.bin)".
std::string FilterTitle(const std::string& filter) {
  return filter.substr(0, filter.find('|'));
}

}  // namespace

std::optional<TXClusterPolicy> ParseClusterPolicy(std::string_view text) {
  if (text == "ask") return TXClusterPolicy{TXOnError::Ask};
  if (text == "ignore") return TXClusterPolicy{TXOnError::Ignore};
  if (text == "finish") return TXClusterPolicy{TXOnError::Finish};
  if (!text.starts_with("skip:")) return std::nullopt;
  const std::optional<int64_t> count = ParseInteger(text.substr(5));
  if (!count || *count < 1) return std::nullopt;
  return TXClusterPolicy{TXOnError::Skip, *count};
}

TXCliDialogs::TXCliDialogs(int input, std::FILE* output, std::function<bool()> interrupted)
    : input_(input),
      output_(output),
      interrupted_(std::move(interrupted)),
      interactive_(::isatty(input) == 1) {}

void TXCliDialogs::Write(const std::string& text) {
  if (BeforeWriting) BeforeWriting();
  std::fprintf(output_, "%s", ReplaceAll(text, "\r\n", "\n").c_str());
  std::fflush(output_);
}

std::optional<std::string> TXCliDialogs::Ask(const std::string& prompt) {
  Write(prompt);
  std::string line;
  for (;;) {
    if (interrupted_ && interrupted_()) {
      Write("\n");
      return std::nullopt;
    }
    pollfd ready{input_, POLLIN, 0};
    if (::poll(&ready, 1, kPollMs) <= 0) continue;
    char c = 0;
    if (::read(input_, &c, 1) != 1) return std::nullopt;
    if (c == '\n') return std::string(Trim(line));
    line += c;
  }
}

bool TXCliDialogs::Confirm(const std::string& prompt) {
  const std::optional<std::string> answer = Ask(prompt);
  const std::string yes = Say(lg::kCliYes);
  return answer && !answer->empty() && LowerCase(yes).starts_with(LowerCase(*answer));
}

// The option stays as the request gave it: kova-cli takes it from the command line.
TXFolderAnswer TXCliDialogs::SelectFolder(const TXFolderRequest& request) {
  if (!interactive_) return {{}, request.Checked};
  Write(request.Title + "\n");
  const std::string& initial = request.InitialFolder;
  const std::optional<std::string> folder = Ask(initial.empty() ? "> " : "[" + initial + "] > ");
  if (!folder) return {{}, request.Checked};
  return {folder->empty() ? initial : *folder, request.Checked};
}

TXMessageAnswer TXCliDialogs::ShowMessage(const TXMessageRequest& request) {
  Write((JsonErrors() ? TXJsonObject().Add("message", ReplaceAll(request.Text, "\r\n", "\n")).Text()
                      : request.Text) +
        "\n");
  TXMessageAnswer answer{HarmlessButton(request.Buttons), false};
  const std::optional<TXButtonChoice> buttons = ButtonsOf(request.Buttons);
  if (!interactive_ || !buttons) return answer;
  Write("  1  " + Say(buttons->FirstText) + "\n  2  " + Say(buttons->SecondText) + "\n");
  const std::string preselected = answer.Button == buttons->First ? "1" : "2";
  const std::optional<std::string> typed = Ask(Say(lg::kCliChoicePrompt, {preselected}) + " ");
  if (typed && (*typed == "1" || *typed == "2"))
    answer.Button = *typed == "1" ? buttons->First : buttons->Second;
  if (!request.CheckText.empty()) answer.Checked = Confirm(request.CheckText + " [y/N] ");
  return answer;
}

std::string TXCliDialogs::SaveImageFile(const std::string& fileName, const std::string& filter) {
  std::string chosen = fileName;
  if (chosen.empty() && interactive_) chosen = Ask(FilterTitle(filter) + ": ").value_or("");
  if (chosen.empty() || !std::filesystem::exists(chosen)) return chosen;
  if (!interactive_) return {};
  return Confirm(Say(lg::kCliReplaceFile, {chosen}) + " ") ? chosen : std::string();
}

std::string TXCliDialogs::OpenImageFile(const std::string& fileName, const std::string& filter) {
  std::string chosen = fileName;
  if (chosen.empty() && interactive_) chosen = Ask(FilterTitle(filter) + ": ").value_or("");
  return FileExists(chosen) ? chosen : std::string();
}

void TXCliDialogs::AskClusterError(TXDRClusterErrorDialog& dialog) {
  switch (policy_.Mode) {
    case TXOnError::Ask:
      if (interactive_) return AskAtTerminal(dialog);
      dialog.Choice = ecIgnoreAll;
      return;
    case TXOnError::Skip:
      dialog.Choice = ecSkipSeveral;
      dialog.SkipCount = policy_.SkipCount;
      return;
    case TXOnError::Finish:
      dialog.Choice = ecFinishReading;
      return;
    default:
      dialog.Choice = ecIgnoreAll;
  }
}

void TXCliDialogs::AskAtTerminal(TXDRClusterErrorDialog& dialog) {
  Write(TXDRClusterErrorDialog::Title() + ": " + dialog.UnitLabel() + " " + dialog.UnitSizeLabel() +
        "\n" + TXDRClusterErrorDialog::Question() + "\n  1  " +
        TXDRClusterErrorDialog::IgnoreAllText() + "\n  2  " +
        TXDRClusterErrorDialog::SkipThisText() + "\n  3  " +
        TXDRClusterErrorDialog::SkipSeveralText(dialog.SkipCount) + "\n  4  " +
        TXDRClusterErrorDialog::FinishText() + "\n");
  const bool preselect = dialog.Choice >= ecSkipThis && dialog.Choice <= ecFinishReading;
  const int preselected = preselect ? int{dialog.Choice} : int{ecIgnoreAll};
  dialog.Choice = static_cast<uint8_t>(preselected);
  for (;;) {
    const std::optional<std::string> typed =
        Ask(Say(lg::kCliChoicePrompt, {std::to_string(preselected)}) + " ");
    if (!typed || typed->empty()) break;
    const std::optional<int64_t> number = ParseInteger(*typed);
    if (number && *number >= ecIgnoreAll && *number <= ecFinishReading) {
      dialog.Choice = static_cast<uint8_t>(*number);
      break;
    }
  }
  if (dialog.Choice != ecSkipSeveral) return;
  const std::optional<std::string> count =
      Ask(Say(lg::kCliCountPrompt, {std::to_string(dialog.SkipCount)}) + " ");
  if (count && !count->empty()) dialog.SkipCount = TXDRClusterErrorDialog::ParseSkipCount(*count);
}

}  // namespace kova::cli
