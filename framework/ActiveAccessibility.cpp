#include "ActiveAccessibility.h"

#include "UniqueHandle.h"

#include <cstddef>

namespace {

// A library of the system folder, by its full path: a file of the same name beside Vexa.exe or in
// the current folder is never loaded, also on a Windows that cannot restrict where libraries come
// from. nullptr when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    const std::size_t nameLength = ::lstrlenW(name);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    ::lstrcpyW(path + length + 1, name);
    return ::LoadLibraryW(path);
}

template <class Function>
bool Find(const CModuleHandle& module, const char* name, Function* function)
{
    *function = reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module.Get(), name)));
    return *function != nullptr;
}

// The one owner of the libraries and of the thread's apartment, for the life of the process.
// The apartment, which carries a screen reader's calls to the objects, ends first, then the
// libraries go in the reverse order of their loading.
struct Libraries {
    Libraries() = default;
    Libraries(const Libraries&) = delete;
    Libraries& operator=(const Libraries&) = delete;
    ~Libraries()
    {
        if (apartment)
            coUninitialize();
    }

    CModuleHandle ole32;
    CModuleHandle oleacc;
    CModuleHandle oleaut32;
    HRESULT(WINAPI* coUninitialize)() = nullptr;
    bool apartment = false; // this thread entered it, and leaves it at the end
    ActiveAccessibility functions = {};
};

// A screen reader's calls come in through COM, on the program's one thread: it enters a
// single-threaded apartment, as a window's thread does, unless it is in one already (S_FALSE:
// entered again, and left as often; another model: it stays there, unbalanced).
void EnterApartment(Libraries& libraries)
{
    using CoInitializeExFunction = HRESULT(WINAPI*)(LPVOID, DWORD);
    CoInitializeExFunction coInitializeEx = nullptr;
    if (libraries.apartment || !libraries.ole32 ||
        !Find(libraries.ole32, "CoInitializeEx", &coInitializeEx) ||
        !Find(libraries.ole32, "CoUninitialize", &libraries.coUninitialize))
        return;
    libraries.apartment = SUCCEEDED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

} // namespace

const ActiveAccessibility* AfxActiveAccessibility() noexcept
{
    static Libraries libraries;
    if (libraries.functions.lresultFromObject != nullptr)
        return &libraries.functions;

    if (!libraries.ole32)
        libraries.ole32.Reset(LoadSystemLibrary(L"ole32.dll"));
    EnterApartment(libraries);
    if (!libraries.oleacc)
        libraries.oleacc.Reset(LoadSystemLibrary(L"oleacc.dll"));
    if (!libraries.oleaut32)
        libraries.oleaut32.Reset(LoadSystemLibrary(L"oleaut32.dll"));
    ActiveAccessibility found = {};
    if (!libraries.oleacc || !libraries.oleaut32 ||
        !Find(libraries.oleacc, "CreateStdAccessibleObject", &found.createStdAccessibleObject) ||
        !Find(libraries.oleacc, "LresultFromObject", &found.lresultFromObject) ||
        !Find(libraries.oleaut32, "SysAllocStringLen", &found.sysAllocStringLen))
        return nullptr;
    libraries.functions = found;
    return &libraries.functions;
}
