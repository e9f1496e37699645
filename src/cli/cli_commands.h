#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_arguments.h"
#include "framework/oem_code_pages.h"

namespace kova::cli {

// Exit statuses of kova-cli.
enum TXCliExit : int {
  ceSuccess = 0,
  ceUsage = 1,             // wrong use: unknown command or option, missing or bad argument
  ceSourceUnreadable = 2,  // the source is missing, not a card, refused or failed while read
  ceOutputFailed = 3,      // files or the image file could not be written where they should go
  ceCancelled = 130,       // stopped with Ctrl+C
};

// One command of kova-cli: its name, the options it takes and what runs it.
struct TXCliCommand {
  std::string_view Name;
  std::vector<TXCliOption> Options;
  int (*Run)(const TXCliArguments& arguments);
};

// Every command, in the order the usage text lists them.
const std::vector<TXCliCommand>& CliCommands();
const TXCliCommand* FindCommand(std::string_view name);
// The options of every command (to tell an option's value from the command word).
std::vector<TXCliOption> AllOptions();

int RunDrivesCommand(const TXCliArguments& arguments);
int RunInfoCommand(const TXCliArguments& arguments);
int RunScanCommand(const TXCliArguments& arguments);
int RunRecoverCommand(const TXCliArguments& arguments);
int RunImageCommand(const TXCliArguments& arguments);

class TXCliSession;
struct TXCliSource;
struct TXCliRunEnd;

// The exit status of a search that ended, with its failure explained on the error output.
int ScanOutcome(TXCliSession& session, const TXCliSource& source, const TXCliRunEnd& end);

// The file types (--types), the drive size (--size), the decoding threads (--threads) and the
// OEM code page of FAT short names (--codepage) a search is asked for.
struct TXScanChoices {
  std::vector<std::string> Types;
  int64_t Size = 0;
  int32_t Threads = 0;  // 0: one per processor core
  uint16_t CodePage = kDefaultCodePage;
  std::string MapFile;          // --map: the unreadable areas of an image file
  bool TryEverySector = false;  // --try-every-sector: a card's failures are read sector by sector
};
// False, with the usage error printed, for types, a size, threads or a code page that cannot be
// read.
bool ReadChoices(const TXCliArguments& arguments, TXScanChoices& choices);
// False, with the usage error printed, for a mapfile given with a drive.
bool MapFitsSource(const TXScanChoices& choices, bool drive);
// Gives the session's run the chosen types, threads, code page, mapfile and sector reading.
void ApplyChoices(TXCliSession& session, const TXScanChoices& choices);

// Prints a message on standard error and answers the exit status. With JSON errors the message is
// one JSON object: {"error": message, "status": N, "meaning": "source unreadable"} ("message"
// in place of "error" for status 0).
int Fail(const std::string& message, int status);
void SetJsonErrors(bool json);
bool JsonErrors();
// "jpg, arw, ...": every type --types knows.
std::string KnownTypes();
// The only positional argument, SOURCE; a usage error is printed and answered in `status`.
bool TakeSource(const TXCliArguments& arguments, std::string& source, int& status);

}  // namespace kova::cli
