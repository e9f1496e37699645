#include "cli/cli_commands.h"

#include <cstdio>

#include "cli/cli_session.h"
#include "cli/cli_texts.h"
#include "persistence/lg_keys.h"

namespace kova::cli {

const std::vector<TXCliCommand>& CliCommands() {
  static const std::vector<TXCliCommand> commands = {
      {"drives", {{"json", false}}, RunDrivesCommand},
      {"info", {{"json", false}}, RunInfoCommand},
      {"scan",
       {{"types", true}, {"size", true}, {"threads", true}, {"codepage", true}, {"json", false}},
       RunScanCommand},
      {"recover",
       {{"out", true},
        {"types", true},
        {"only-deleted", false},
        {"keep-folders", false},
        {"size", true},
        {"threads", true},
        {"codepage", true},
        {"json", false}},
       RunRecoverCommand},
      {"image", {{"size", true}, {"on-error", true}}, RunImageCommand},
  };
  return commands;
}

const TXCliCommand* FindCommand(std::string_view name) {
  for (const TXCliCommand& command : CliCommands()) {
    if (command.Name == name) return &command;
  }
  return nullptr;
}

int Fail(const std::string& message, int status) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return status;
}

bool TakeSource(const TXCliArguments& arguments, std::string& source, int& status) {
  status = ceUsage;
  if (arguments.Positional.empty()) {
    Fail(Say(lg::kCliMissingArgument, {Say(lg::kCliSourceWord)}), ceUsage);
    return false;
  }
  if (arguments.Positional.size() > 1) {
    Fail(Say(lg::kCliUnexpectedArgument, {arguments.Positional[1]}), ceUsage);
    return false;
  }
  source = arguments.Positional.front();
  status = ceSuccess;
  return true;
}

bool ReadChoices(const TXCliArguments& arguments, TXScanChoices& choices) {
  if (auto types = arguments.Value("types")) {
    std::string unknown;
    auto parsed = ParseTypes(*types, unknown);
    if (!parsed) return Fail(Say(lg::kCliUnknownFileType, {unknown}), ceUsage), false;
    choices.Types = std::move(*parsed);
  }
  if (auto size = arguments.Value("size")) {
    auto parsed = ParseSize(*size);
    if (!parsed) return Fail(Say(lg::kCliBadSize, {*size}), ceUsage), false;
    choices.Size = *parsed;
  }
  if (auto threads = arguments.Value("threads")) {
    auto parsed = ParseThreads(*threads);
    if (!parsed) return Fail(Say(lg::kCliBadThreads, {*threads}), ceUsage), false;
    choices.Threads = *parsed;
  }
  if (auto codePage = arguments.Value("codepage")) {
    auto parsed = ParseCodePage(*codePage);
    if (!parsed) return Fail(Say(lg::kCliBadCodePage, {*codePage}), ceUsage), false;
    choices.CodePage = *parsed;
  }
  return true;
}

void ApplyChoices(TXCliSession& session, const TXScanChoices& choices) {
  session.DataGear().ChooseExtensions(choices.Types);
  session.DataGear().ChooseCodePage(choices.CodePage);
  session.WorkerGear().Data().Threads = choices.Threads;
}

}  // namespace kova::cli
