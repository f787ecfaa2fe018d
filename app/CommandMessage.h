// A command for the running Vexa and its answer, as they travel in WM_COPYDATA between two
// processes: the command process sends a request to Vexa's settings window, naming in wparam
// its own (message-only) window, and Vexa sends the answers back to that window while the
// request is still being sent. Any program on the desktop can send either message, so both
// are read only after a strict check of their tag, size, version and every field. What a
// command does to the drive locks, and the answers it gives, are here too: the running Vexa
// and a command process working alone answer the same way.
#pragma once

#include "drives/DriveLocks.h"

#include <windows.h>

#include <vector>

// COPYDATASTRUCT::dwData of the two messages.
constexpr ULONG_PTR kCommandRequestTag = 0x56784331; // "VxC1"
constexpr ULONG_PTR kCommandAnswerTag = 0x56784131;  // "VxA1"
// The format's version, the first field of both.
constexpr WORD kCommandVersion = 1;
// The drive letters A: to Z:, one bit each, A: the lowest.
constexpr DWORD kAllDriveBits = (1u << 26) - 1;

enum CommandKind : WORD { kCommandStatus = 1, kCommandLock = 2, kCommandUnlock = 3 };

// The request: fixed size.
struct CommandRequest {
    WORD version;
    WORD kind;    // CommandKind
    DWORD drives; // lock and unlock: the named drives (bits), or 0 for every drive; status: 0
};

// How a drive answered.
enum DriveResult : WORD {
    kDriveDone = 0,      // done (for status: reported)
    kDriveRefused = 1,   // the drive refused the request; error holds the platform's code
    kDriveForbidden = 2, // an administrator's policy forbids the command
    kDriveNotCdrom = 3,  // not a CD-ROM drive here
    kDriveLeft = 4,      // left alone, as another named drive is not a CD-ROM drive here
};

// One drive's answer; the answer message is a header and count of these, in drive order.
struct DriveAnswer {
    WORD letter;   // L'D'
    WORD result;   // DriveResult
    WORD locked;   // 1 when the drive is locked now (as Vexa believes it), else 0
    WORD enforced; // 1 when an administrator's policy sets the drive's lock, 2 when the
                   // administrator's lock service holds it
    DWORD error;   // for kDriveRefused
};

struct CommandAnswerHeader {
    WORD version;
    WORD count; // at most 26
};

// The request in a WM_COPYDATA's data, if the data is one, with a known command and drives.
bool ReadCommandRequest(const COPYDATASTRUCT* data, CommandRequest* request);

// The answers in a WM_COPYDATA's data, if the data is an answer whose every drive is valid, in
// ascending drive order.
bool ReadCommandAnswers(const COPYDATASTRUCT* data, std::vector<DriveAnswer>* answers);

// The bytes of an answer message (its data).
std::vector<BYTE> WriteCommandAnswers(const std::vector<DriveAnswer>& answers);

// Carries a checked request out on the drive locks, as the menu's commands do, and answers for
// each drive it named (every drive, for "all" and status). What the drive locks decided goes to
// outcome, for the caller to show. Status reports each drive as Vexa holds it; wanted reports
// it as Vexa would hold it, for a process that applied nothing.
std::vector<DriveAnswer> CarryOutCommand(CDriveLocks& locks, const CommandRequest& request,
                                         DriveLockOutcome* outcome, bool wanted = false);
