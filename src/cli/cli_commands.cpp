#include "cli/cli_commands.h"

#include <cstdio>

#include "cli/cli_texts.h"
#include "persistence/lg_keys.h"

namespace kova::cli {

const std::vector<TXCliCommand>& CliCommands() {
  static const std::vector<TXCliCommand> commands = {
      {"drives", {{"json", false}}, RunDrivesCommand},
      {"info", {{"json", false}}, RunInfoCommand},
      {"scan", {{"types", true}, {"size", true}, {"json", false}}, RunScanCommand},
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

}  // namespace kova::cli
