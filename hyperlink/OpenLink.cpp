#include "OpenLink.h"

#include "framework/LoadString.h"
#include "framework/MessageBox.h"
#include "framework/UniqueHandle.h"
#include "res/resource.h"

#include <shellapi.h>

#include <cstring>

namespace {

// Registry texts longer than this are refused: a browser command never comes near it.
constexpr DWORD kMaxValueBytes = 260; // 259 characters and the terminating zero

// The position of pattern in text, found only where a character starts, so that the trail
// byte of a double-byte character never counts as the start of a match; npos when absent.
std::size_t FindAtCharacterStart(const std::string& text, const char* pattern)
{
    const std::size_t patternLength = std::strlen(pattern);
    for (std::size_t i = 0; i + patternLength <= text.size();) {
        if (text.compare(i, patternLength, pattern) == 0)
            return i;
        i += ::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return std::string::npos;
}

// The browser's command for a target: the registered command cut at its "%1" placeholder (and
// whatever follows it), a blank, and the target as it is. The registry's class for ".htm" and
// that class's open command must both be readable; otherwise FALSE.
BOOL BuildBrowserCommand(const char* target, std::string& command)
{
    std::string pageClass;
    if (ReadKeyDefaultValue(HKEY_CLASSES_ROOT, ".htm", pageClass) != ERROR_SUCCESS)
        return FALSE;
    if (ReadKeyDefaultValue(HKEY_CLASSES_ROOT, (pageClass + "\\shell\\open\\command").c_str(),
                            command) != ERROR_SUCCESS)
        return FALSE;

    std::size_t cut = FindAtCharacterStart(command, "\"%1\"");
    if (cut == std::string::npos)
        cut = command.find("%1");
    if (cut != std::string::npos)
        command.erase(cut);
    command += ' ';
    command += target;
    return TRUE;
}

struct OpenFailureText {
    int code;
    UINT text; // the string's identifier
};

// The shell's documented error codes and what they mean to the user.
const OpenFailureText kOpenFailureTexts[] = {
    {0, IDS_LINK_OUT_OF_RESOURCES},
    {SE_ERR_FNF, IDS_LINK_FILE_NOT_FOUND},
    {SE_ERR_PNF, IDS_LINK_PATH_NOT_FOUND},
    {SE_ERR_ACCESSDENIED, IDS_LINK_ACCESS_DENIED},
    {SE_ERR_OOM, IDS_LINK_OUT_OF_MEMORY},
    {ERROR_BAD_FORMAT, IDS_LINK_BAD_FORMAT},
    {SE_ERR_SHARE, IDS_LINK_SHARING},
    {SE_ERR_ASSOCINCOMPLETE, IDS_LINK_ASSOC_INCOMPLETE},
    {SE_ERR_DDETIMEOUT, IDS_LINK_DDE_TIMEOUT},
    {SE_ERR_DDEFAIL, IDS_LINK_DDE_FAILED},
    {SE_ERR_DDEBUSY, IDS_LINK_DDE_BUSY},
    {SE_ERR_NOASSOC, IDS_LINK_NO_ASSOC},
    {SE_ERR_DLLNOTFOUND, IDS_LINK_DLL_NOT_FOUND},
};

} // namespace

int OpenLinkTarget(const char* target, int showCommand)
{
    const HINSTANCE shell = ::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, showCommand);
    // The shell's result is a small number, not a real module handle: only its low 32 bits count.
    const UINT shellResult = static_cast<UINT>(reinterpret_cast<UINT_PTR>(shell));
    if (shellResult > 32)
        return static_cast<int>(shellResult);

    // The shell cannot open it (for example a web address without an associated browser):
    // start the program that opens web pages directly. When there is none, the shell's own
    // error tells the user more than the registry's would.
    std::string command;
    if (!BuildBrowserCommand(target, command))
        return static_cast<int>(shellResult);
    return static_cast<int>(::WinExec(command.c_str(), static_cast<UINT>(showCommand)));
}

LONG ReadKeyDefaultValue(HKEY root, const char* subKey, std::string& value)
{
    CRegKey key;
    LONG result = ::RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, key.Receive());
    if (result != ERROR_SUCCESS)
        return result;

    char data[kMaxValueBytes];
    DWORD size = sizeof(data);
    DWORD type = REG_NONE;
    result = ::RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                &size);
    if (result != ERROR_SUCCESS)
        return result; // no default value, or one longer than the buffer
    if (type != REG_SZ)
        return ERROR_INVALID_DATA;

    // The stored text need not end with a zero: it ends at the first zero or with the data.
    std::size_t length = 0;
    while (length < size && data[length] != '\0')
        ++length;
    if (length >= kMaxValueBytes)
        return ERROR_MORE_DATA; // filled the buffer: no room left for the terminating zero
    value.assign(data, length);
    return ERROR_SUCCESS;
}

void ReportOpenFailure(int code)
{
    std::string message;
    for (const OpenFailureText& entry : kOpenFailureTexts) {
        if (entry.code == code)
            message = AfxLoadString(entry.text);
    }
    if (message.empty())
        message = AfxFormatString(IDS_LINK_UNKNOWN_ERROR, code);
    AfxMessageBox(AfxFormatString(IDS_LINK_CANT_OPEN, message.c_str()), MB_ICONEXCLAMATION, 0);
}
