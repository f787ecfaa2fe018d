// Opening a link in the browser, and telling the user why it could not be opened.
#pragma once

#include <windows.h>

#include <string>

// Opens a target (a web address, or anything else the shell can open) with the shell's "open"
// verb; when the shell refuses, starts the program registered to open ".htm" pages with the
// target on its command line. The result is above 32 on success; 32 or less is the shell's
// error code, or the program start's when the registered browser could not be started.
// Refer to ShellExecuteA and WinExec.
int OpenLinkTarget(const char* target, int showCommand);

// Reads the default value of a key: 0 and the text in value, or a non-zero error code with
// value unchanged. Only a string value of at most 259 characters is accepted; a missing, longer
// or non-string value is ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA or ERROR_INVALID_DATA.
// Refer to RegOpenKeyExA and RegQueryValueExA.
LONG ReadKeyDefaultValue(HKEY root, const char* subKey, std::string& value);

// Shows the program's message box explaining the result code of a failed opening.
void ReportOpenFailure(int code);
