// Where administrators set Vexa's policies: the key, under HKEY_LOCAL_MACHINE and then under
// HKEY_CURRENT_USER, and its values. The administrative templates (policies/Vexa.admx) name the
// same key and values; a test holds the two together.
#pragma once

constexpr const char kPolicyKey[] = "SOFTWARE\\Policies\\Brindle Corporation\\Vexa";
// REG_DWORD: 1 locks every CD-ROM drive at start, 0 keeps Vexa from locking any.
constexpr const char kPolicyLockAllDrives[] = "LockAllDrives";
// REG_DWORD: 1 or 0 fixes whether Vexa starts when Windows starts.
constexpr const char kPolicyRunAtStartup[] = "RunAtStartup";
// REG_DWORD: 0 keeps Vexa from explaining a press on a locked drive's eject button; 1, or no
// value, lets it.
constexpr const char kPolicyEjectNotice[] = "EjectNotice";
// REG_DWORD: a language identifier (1031 for German, ...) that Vexa's menu, window and messages
// are shown in, whatever the user's display language. Read once, at start.
constexpr const char kPolicyLanguage[] = "Language";
