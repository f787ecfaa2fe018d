// CSettingsStore: what Vexa remembers between runs, in the current user's registry: the options
// and one lock flag per CD-ROM drive under the program's key, and the autostart entry under the
// Run key. Every routine opens its key, does its work and closes it; nothing is cached.
// Failures are silent: a read that fails leaves the pre-set value, a write that fails is lost.
#pragma once

#include "framework/WideString.h"

#include <windows.h>

#include <string>
#include <utility>

// Vexa's own key under HKEY_CURRENT_USER: the settings window and a command working alone both
// keep what they remember there.
constexpr const char kVexaSettingsKey[] = "SOFTWARE\\Brindle Corporation\\Vexa";

class CSettingsStore {
public:
    // The program's key under HKEY_CURRENT_USER.
    explicit CSettingsStore(std::string keyPath) : m_keyPath(std::move(keyPath)) {}

    const std::string& KeyPath() const { return m_keyPath; }

    // The remembered lock flag of a drive ("D:"); 0 when the key or the value is missing.
    DWORD ReadDriveState(const std::string& name) const;

    // Remembers a drive's lock flag, creating the program's key when needed.
    void WriteDriveState(const std::string& name, DWORD state) const;

    // Reads "StartOnBoot" and "LockOnStart" over the two values; a value that is missing, or
    // not delivered whole, leaves its target as it was. FALSE, with nothing read, when the
    // program's key cannot be opened.
    BOOL ReadOptions(DWORD* startOnBoot, DWORD* lockOnStart) const;

    // Stores both options, creating the program's key when needed.
    void WriteOptions(DWORD startOnBoot, DWORD lockOnStart) const;

    // Sets (enabled) or removes the "Vexa" value of the current user's Run key. The command
    // line is stored as the platform's own (UTF-16) text, so it names the program's file
    // whatever the characters of its folder. The Run key is never created.
    static void WriteAutostart(BOOL enabled, const CWideString& commandLine);

private:
    std::string m_keyPath;
};
