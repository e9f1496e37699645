#include "cli/cli_commands.h"

#include <cstdio>

#include "cli/cli_json.h"
#include "cli/cli_session.h"
#include "cli/cli_texts.h"
#include "persistence/lg_keys.h"
#include "recovery/file_types.h"
#include "storage/bad_sector_map.h"

namespace kova::cli {

const std::vector<TXCliCommand>& CliCommands() {
  static const std::vector<TXCliCommand> commands = {
      {"drives", {{"json", false}, {"all", false}, {"no-udisks", false}}, RunDrivesCommand},
      {"info", {{"json", false}, {"no-udisks", false}}, RunInfoCommand},
      {"scan",
       {{"types", true},
        {"size", true},
        {"threads", true},
        {"codepage", true},
        {"map", true},
        {"json", false},
        {"no-udisks", false}},
       RunScanCommand},
      {"recover",
       {{"out", true},
        {"types", true},
        {"only-deleted", false},
        {"keep-folders", false},
        {"size", true},
        {"threads", true},
        {"codepage", true},
        {"map", true},
        {"try-every-sector", false},
        {"json", false},
        {"no-udisks", false}},
       RunRecoverCommand},
      {"image",
       {{"size", true}, {"on-error", true}, {"try-every-sector", false}, {"no-udisks", false}},
       RunImageCommand},
  };
  return commands;
}

std::vector<TXCliOption> AllOptions() {
  std::vector<TXCliOption> options;
  for (const TXCliCommand& command : CliCommands())
    options.insert(options.end(), command.Options.begin(), command.Options.end());
  return options;
}

const TXCliCommand* FindCommand(std::string_view name) {
  for (const TXCliCommand& command : CliCommands()) {
    if (command.Name == name) return &command;
  }
  return nullptr;
}

namespace {

bool jsonErrors = false;

std::string_view MeaningOf(int status) {
  switch (status) {
    case ceSuccess:
      return "done";
    case ceUsage:
      return "wrong use";
    case ceSourceUnreadable:
      return "source unreadable";
    case ceOutputFailed:
      return "output failed";
    case ceCancelled:
      return "stopped";
    default:
      return "failed";
  }
}

}  // namespace

void SetJsonErrors(bool json) {
  jsonErrors = json;
}

bool JsonErrors() {
  return jsonErrors;
}

int Fail(const std::string& message, int status) {
  if (!jsonErrors) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return status;
  }
  const std::string json = TXJsonObject()
                               .Add(status == ceSuccess ? "message" : "error", message)
                               .Add("status", status)
                               .Add("meaning", MeaningOf(status))
                               .Text();
  std::fprintf(stderr, "%s\n", json.c_str());
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

std::string KnownTypes() {
  std::string known;
  for (const std::string& ext : TXDRFileTypes::GetAllExtensions())
    known += (known.empty() ? "" : ", ") + ext.substr(1);
  return known;
}

bool ReadChoices(const TXCliArguments& arguments, TXScanChoices& choices) {
  if (auto types = arguments.Value("types")) {
    std::string unknown;
    auto parsed = ParseTypes(*types, unknown);
    if (!parsed) return Fail(Say(lg::kCliUnknownFileType, {unknown, KnownTypes()}), ceUsage), false;
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
  if (auto map = arguments.Value("map")) {
    std::string error;
    if (!TXBadSectorMap::LoadMapfile(*map, error))
      return Fail(Say(lg::kCliBadMapFile, {error}), ceUsage), false;
    choices.MapFile = *map;
  }
  choices.TryEverySector = arguments.Has("try-every-sector");
  return true;
}

bool MapFitsSource(const TXScanChoices& choices, bool drive) {
  if (choices.MapFile.empty() || !drive) return true;
  Fail(Say(lg::kCliMapNeedsImage), ceUsage);
  return false;
}

void ApplyChoices(TXCliSession& session, const TXScanChoices& choices) {
  session.DataGear().ChooseExtensions(choices.Types);
  session.DataGear().ChooseCodePage(choices.CodePage);
  session.WorkerGear().Data().Threads = choices.Threads;
  session.WorkerGear().Data().FileIO.MapFile = choices.MapFile;
  session.WorkerGear().Data().DiskIO.TryEverySector = choices.TryEverySector;
}

}  // namespace kova::cli
