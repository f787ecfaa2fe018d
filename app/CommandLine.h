// The command line of Vexa.exe for administrators and scripts: /lock, /unlock, /status and /?
// (or with "-", in any case), read into a command; the lines that report a command's answers;
// and the exit code that tells a script how it went. Plain functions: no window, no drive, no
// output of their own.
#pragma once

#include "CommandMessage.h"
#include "framework/WideString.h"

#include <windows.h>

#include <string>
#include <vector>

// The process's exit codes after a command. When several apply, the first of this order wins,
// as it says the most about what happened: a usage error, a drive that is not a CD-ROM drive
// here, a command an administrator's policy forbids (after any of these three nothing was
// done to any drive), a drive that refused (the other drives were done).
enum CommandExit : int {
    kExitDone = 0,
    kExitRefused = 1,
    kExitUsage = 2,
    kExitForbidden = 3,
    kExitNotCdrom = 4,
};

// What the command line asks for.
struct ParsedCommand {
    // Start: no arguments, the normal start; Service: the lock service (/service)
    enum Kind { Start, Help, Usage, Run, Service } kind = Start;
    CommandRequest request = {};                          // for Run
    const char* problem = "";                              // for Usage: what is wrong
};

// The arguments of a command line, program name first, split by the rules the platform's
// programs use (CommandLineToArgvW's): blanks separate, quotes group, and backslashes escape
// only a quote.
std::vector<CWideString> SplitCommandLine(const wchar_t* commandLine);

// Reads the arguments after the program name. A drive is given as "D:", "d:" or "D:\"; a
// drive named twice counts once; lock and unlock take "all" alone or drives.
ParsedCommand ParseCommand(const std::vector<CWideString>& arguments);

// The exit code for the drives' answers to a command (see CommandExit).
int CommandExitCode(const std::vector<DriveAnswer>& answers);

// The line that reports one drive's answer, without a line end: "D: locked", "E: unlocked (enforced
// by an administrator)", "D: could not be locked (error code 50)", ...
std::string AnswerLine(const CommandRequest& request, const DriveAnswer& answer);

// What /? prints, and what a usage error prints after its problem; lines end with "\r\n".
extern const char kCommandUsage[];
