#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_texts.h"
#include "drives/drive_services.h"
#include "framework/version.h"
#include "persistence/lg_keys.h"

using namespace kova;
using namespace kova::cli;

namespace {

int Usage() {
  std::printf("%s\n", Say(lg::kCliUsage).c_str());
  return ceSuccess;
}

int Version() {
  std::printf("%s\n", Say(lg::kCliVersion, {VersionText(ProgramVersion())}).c_str());
  return ceSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  UseCliLanguage();
  const std::vector<std::string> words(argv + 1, argv + argc);
  SetJsonErrors(std::find(words.begin(), words.end(), "--json") != words.end());
  const std::string name = CommandWord(words, AllOptions());
  const TXCliCommand* command = FindCommand(name);
  if (!name.empty() && !command) return Fail(Say(lg::kCliUnknownCommand, {name}), ceUsage);
  TXCliArguments arguments;
  if (auto error = ParseArguments(words, command ? command->Options : AllOptions(), arguments)) {
    return Fail(error->Message, ceUsage);
  }
  if (arguments.Has("help")) return Usage();
  if (arguments.Has("version")) return Version();
  if (!command) return Fail(Say(lg::kCliUsage), ceUsage);
  const TXDriveServices services(!arguments.Has("no-udisks"));
  return command->Run(arguments);
}
