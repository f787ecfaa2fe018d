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
    HRSRC found = AfxFindResourceIn(type, id, g_resourceLanguage);
    if (found == nullptr && g_resourceLanguage != kFallbackLanguage)
        found = AfxFindResourceIn(type, id, kFallbackLanguage);
    return found;
}

HRSRC AfxFindResourceIn(const wchar_t* type, UINT id, LANGID language)
{
    return ::FindResourceExW(AfxGetInstanceHandle(), type, MAKEINTRESOURCEW(id), language);
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

bool AfxIsRightToLeftLanguage(LANGID language)
{
    LOCALESIGNATURE signature = {};
    const int length = ::GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_FONTSIGNATURE,
                                        reinterpret_cast<LPWSTR>(&signature),
                                        sizeof(signature) / sizeof(WCHAR));
    return length > 0 && (signature.lsUsb[3] & (1u << (123 - 96))) != 0;
}
