// Vexa.exe started with a command (/lock, /unlock, /status, /?): the process carries it out
// without a tray icon, a settings window or a message loop, prints one line per drive, and
// ends. A running Vexa is given the command (see CommandMessage.h); without one, the process
// does the work itself with the same drive locks, store and policies.
//
// A command working alone and a Vexa starting at the same moment would both send requests to
// the drives, and could give one a second lock of Vexa's. The drives' mutex keeps them apart:
// a normal start takes it, waiting for a command that works alone, and holds it for its whole
// run; a command works alone only while it holds it, and otherwise waits for the Vexa that
// holds it to show its window, and gives that Vexa the command. A command never takes the
// single-instance mutex, so it never makes a normal start say that another Vexa runs.
#pragma once

#include "CommandMessage.h"

#include <windows.h>

#include <vector>

// For a command line with arguments: carries the command out and returns TRUE, with the
// process's exit code in *exitCode (see CommandExit). For one without: takes the drives' mutex
// for the normal start that follows, and returns FALSE.
BOOL RunCommandLine(int* exitCode);

// A checked request carried out by this process, as a Vexa that starts, takes the command and
// exits would: the remembered locks are applied again first, so that a drive keeps one lock of
// Vexa's whatever ran before (status applies nothing, and reports the drives as Vexa would hold
// them).
std::vector<DriveAnswer> CarryOutAlone(const CommandRequest& request);
