#include "ShellRecorder.h"

#include "framework/WideString.h"

#include <cwchar>

namespace {

ShellRecorder* g_recorder = nullptr;

// A text field of the record, as UTF-8; a field without its terminating zero ends with it.
template <std::size_t capacity>
std::string FieldText(const wchar_t (&field)[capacity])
{
    return AfxNarrow(field, wcsnlen(field, capacity));
}

} // namespace

ShellRecorder::ShellRecorder() : m_saved(g_trayPlatform)
{
    g_recorder = this;
    g_trayPlatform.shellNotifyIcon = NotifyIcon;
    g_trayPlatform.getVersion = Version;
}

ShellRecorder::~ShellRecorder()
{
    g_trayPlatform = m_saved;
    g_recorder = nullptr;
}

BOOL WINAPI ShellRecorder::NotifyIcon(DWORD message, PNOTIFYICONDATAW data)
{
    ShellRequest request = {message,      data->cbSize,           data->hWnd,
                            data->uID,    data->uFlags,           data->uCallbackMessage,
                            data->hIcon,  FieldText(data->szTip), FieldText(data->szInfoTitle),
                            FieldText(data->szInfo), data->dwInfoFlags, data->uVersion};
    g_recorder->requests.push_back(request);
    if (g_recorder->refuseNext > 0) {
        --g_recorder->refuseNext;
        return FALSE;
    }
    if (g_recorder->refuseMessage != 0 && message == g_recorder->refuseMessage)
        return FALSE;
    return g_recorder->m_saved.shellNotifyIcon(message, data);
}

std::vector<ShellRequest> ShellRecorder::Modifications(UINT flag) const
{
    std::vector<ShellRequest> found;
    for (const ShellRequest& request : requests) {
        if (request.message == NIM_MODIFY && (request.flags & flag) != 0)
            found.push_back(request);
    }
    return found;
}

DWORD WINAPI ShellRecorder::Version()
{
    return g_recorder->version != 0 ? g_recorder->version : g_recorder->m_saved.getVersion();
}
