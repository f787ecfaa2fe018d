// A stand-in browser for the link tests. It appends the command line it was started with, as
// received, and a line feed to the file named by VEXA_RECORDER_LOG, then releases one count of
// the semaphore named by VEXA_RECORDER_DONE so that the test knows the line is complete.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char logPath[MAX_PATH];
    char doneName[MAX_PATH];
    const DWORD logLength = ::GetEnvironmentVariableA("VEXA_RECORDER_LOG", logPath, MAX_PATH);
    const DWORD doneLength = ::GetEnvironmentVariableA("VEXA_RECORDER_DONE", doneName, MAX_PATH);
    if (logLength == 0 || logLength >= MAX_PATH || doneLength == 0 || doneLength >= MAX_PATH)
        return 2;

    // Two browsers started at once (two clicks) both append: the file is shared for writing, and
    // each writes its whole line at once, at the end, so the lines never mix.
    HANDLE log = ::CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return 1;
    const char* commandLine = ::GetCommandLineA();
    const int length = ::lstrlenA(commandLine);
    char* line = static_cast<char*>(::HeapAlloc(::GetProcessHeap(), 0, static_cast<SIZE_T>(length) + 1));
    if (line == nullptr)
        return 1;
    ::CopyMemory(line, commandLine, static_cast<SIZE_T>(length));
    line[length] = '\n';
    DWORD written = 0;
    ::WriteFile(log, line, static_cast<DWORD>(length) + 1, &written, nullptr);
    ::HeapFree(::GetProcessHeap(), 0, line);
    ::CloseHandle(log);

    HANDLE done = ::OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, doneName);
    if (done != nullptr) {
        ::ReleaseSemaphore(done, 1, nullptr);
        ::CloseHandle(done);
    }
    return 0;
}
