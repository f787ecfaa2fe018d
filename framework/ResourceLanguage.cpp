#include "ResourceLanguage.h"

#include "WinApp.h"

namespace {

LANGID g_resourceLanguage = kFallbackLanguage;

} // namespace

void AfxSetResourceLanguage(LANGID language)
{
    g_resourceLanguage = language;
}

LANGID AfxGetResourceLanguage()
{
    return g_resourceLanguage;
}

HRSRC AfxFindResource(const wchar_t* type, UINT id)
{
    HMODULE module = AfxGetInstanceHandle();
    HRSRC found = ::FindResourceExW(module, type, MAKEINTRESOURCEW(id), g_resourceLanguage);
    if (found == nullptr && g_resourceLanguage != kFallbackLanguage)
        found = ::FindResourceExW(module, type, MAKEINTRESOURCEW(id), kFallbackLanguage);
    return found;
}

const void* AfxLockResource(HRSRC resource, DWORD* size)
{
    if (resource == nullptr)
        return nullptr;
    HMODULE module = AfxGetInstanceHandle();
    // A resource of a loaded executable needs no unlocking or freeing.
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (size != nullptr)
        *size = bytes != nullptr ? ::SizeofResource(module, resource) : 0;
    return bytes;
}
