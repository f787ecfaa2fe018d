// The program's entry point: hands control to the application object.
#include "SystemFunction.h"
#include "WinApp.h"

namespace {

// Lets the program load libraries from System32 only, never from its own folder or the current
// one, where a planted DLL would otherwise run inside it. The call exists from Windows 8 on (and
// on 7 with its update KB2533623); where it does not, the program starts as before.
void RestrictLibraryFolders()
{
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = AfxFindSystemFunction<SetDefaultDllDirectoriesFunction>(
        "kernel32.dll", "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictLibraryFolders();
    return AfxWinMain();
}
