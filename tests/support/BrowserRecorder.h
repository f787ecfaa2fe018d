// The link tests' stand-in browser (vexa_browser_recorder.exe, built next to the tests) and the
// class registrations under HKEY_CLASSES_ROOT that make the shell, or the ".htm" fallback,
// start it. Every registration is undone when its object goes.
#pragma once

#include "support/Wait.h"

#include "framework/UniqueHandle.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// The full path of a file next to the running test executable.
inline std::string PathNextToTests(const char* fileName)
{
    char path[MAX_PATH] = "";
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length < MAX_PATH ? length : 0);
    return directory.substr(0, directory.find_last_of('\\') + 1) + fileName;
}

// The temporary folder, with its trailing backslash.
inline std::string TempFolder()
{
    char path[MAX_PATH] = "";
    const DWORD length = ::GetTempPathA(MAX_PATH, path);
    return std::string(path, length < MAX_PATH ? length : 0);
}

// Collects the command lines of the recorders started while it lives.
class BrowserRecorder {
public:
    BrowserRecorder()
    {
        ::DeleteFileA(m_log.c_str());
        ::SetEnvironmentVariableA("VEXA_RECORDER_LOG", m_log.c_str());
        ::SetEnvironmentVariableA("VEXA_RECORDER_DONE", m_doneName.c_str());
    }
    ~BrowserRecorder()
    {
        ::SetEnvironmentVariableA("VEXA_RECORDER_LOG", nullptr);
        ::SetEnvironmentVariableA("VEXA_RECORDER_DONE", nullptr);
        ::DeleteFileA(m_log.c_str());
    }
    BrowserRecorder(const BrowserRecorder&) = delete;
    BrowserRecorder& operator=(const BrowserRecorder&) = delete;

    // The recorder's path, quoted, as a registered command names it.
    static std::string Program()
    {
        return "\"" + PathNextToTests("vexa_browser_recorder.exe") + "\"";
    }

    // The command lines recorded, once count recorders have finished (each one that was started
    // reports); a recorder that never comes is a failure of the test, and the lines recorded
    // until then are returned for it to compare.
    std::vector<std::string> CommandLines(int count)
    {
        for (int i = 0; i < count; ++i) {
            const ::testing::AssertionResult reported = WaitForObject(
                m_done.Get(), "browser start " + std::to_string(i + 1) + " of " +
                                  std::to_string(count) + " to be reported");
            if (!reported) {
                ADD_FAILURE() << reported.message();
                break;
            }
        }
        std::vector<std::string> lines;
        FILE* file = std::fopen(m_log.c_str(), "rb");
        for (char line[1024]; file != nullptr && std::fgets(line, sizeof(line), file) != nullptr;)
            lines.emplace_back(line, std::strlen(line) - 1); // without the line feed
        if (file != nullptr)
            std::fclose(file);
        return lines;
    }

private:
    // In the prefix's temporary folder, named for this process: suites that run side by side
    // from one build keep their records apart.
    std::string m_log = TempFolder() + "vexa-browser-recorder-" +
                        std::to_string(::GetCurrentProcessId()) + ".log";
    std::string m_doneName = "Local\\VexaBrowserRecorder" + std::to_string(::GetCurrentProcessId());
    CKernelHandle m_done{::CreateSemaphoreA(nullptr, 0, 1000, m_doneName.c_str())};
};

// The default value of a key under HKEY_CLASSES_ROOT, set (nullptr: removed) for one test. A key
// it had to create goes again with everything under it; an existing key gets its value back.
class ScopedClassValue {
public:
    ScopedClassValue(std::string path, const char* value) : m_path(std::move(path))
    {
        HKEY key = nullptr;
        DWORD disposition = 0;
        ::RegCreateKeyExA(HKEY_CLASSES_ROOT, m_path.c_str(), 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, &disposition);
        m_created = disposition == REG_CREATED_NEW_KEY;
        char saved[1024] = "";
        LONG size = sizeof(saved);
        m_hadValue = ::RegQueryValueA(key, nullptr, saved, &size) == ERROR_SUCCESS;
        m_saved = saved;
        Set(key, value);
        ::RegCloseKey(key);
    }
    ~ScopedClassValue()
    {
        if (m_created) {
            ::RegDeleteTreeA(HKEY_CLASSES_ROOT, m_path.c_str());
            return;
        }
        HKEY key = nullptr;
        ::RegOpenKeyExA(HKEY_CLASSES_ROOT, m_path.c_str(), 0, KEY_SET_VALUE, &key);
        Set(key, m_hadValue ? m_saved.c_str() : nullptr);
        ::RegCloseKey(key);
    }
    ScopedClassValue(const ScopedClassValue&) = delete;
    ScopedClassValue& operator=(const ScopedClassValue&) = delete;

private:
    static void Set(HKEY key, const char* value)
    {
        if (value == nullptr)
            ::RegDeleteValueA(key, nullptr);
        else
            ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             static_cast<DWORD>(std::strlen(value) + 1));
    }
    std::string m_path;
    bool m_created = false;
    bool m_hadValue = false;
    std::string m_saved;
};

// A class, registered for one test, whose open command is command (nullptr: none); for web
// pages (".htm") too when pages is set.
struct ScopedOpenClass {
    ScopedOpenClass(const char* name, const char* command, bool pages = false)
        : key(name, "Vexa test class"),
          open(command == nullptr
                   ? nullptr
                   : new ScopedClassValue(std::string(name) + "\\shell\\open\\command", command)),
          htm(pages ? new ScopedClassValue(".htm", name) : nullptr)
    {
    }
    ScopedClassValue key;
    std::unique_ptr<ScopedClassValue> open;
    std::unique_ptr<ScopedClassValue> htm;
};

// Web addresses ("https") open in the recorder while the object lives; the prefix's browser
// comes back on destruction.
class WebBrowserOverride {
public:
    WebBrowserOverride()
    {
        ::RegOpenKeyExA(HKEY_CLASSES_ROOT, "https\\shell\\open\\command", 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, &m_key);
        m_savedSize = sizeof(m_saved);
        ::RegQueryValueExA(m_key, nullptr, nullptr, nullptr, m_saved, &m_savedSize);
        const std::string open = BrowserRecorder::Program() + " \"%1\"";
        ::RegSetValueExA(m_key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(open.c_str()),
                         static_cast<DWORD>(open.size() + 1));
    }
    ~WebBrowserOverride()
    {
        ::RegSetValueExA(m_key, nullptr, 0, REG_SZ, m_saved, m_savedSize);
        ::RegCloseKey(m_key);
    }
    WebBrowserOverride(const WebBrowserOverride&) = delete;
    WebBrowserOverride& operator=(const WebBrowserOverride&) = delete;

    // What the recorder is started with when the shell opens the web address through the
    // override: its own quoted path and the address in place of the quoted placeholder.
    static std::string CommandLineFor(const std::string& address)
    {
        return BrowserRecorder::Program() + " \"" + address + "\"";
    }

private:
    HKEY m_key = nullptr;
    BYTE m_saved[1024] = {};
    DWORD m_savedSize = 0;
};
