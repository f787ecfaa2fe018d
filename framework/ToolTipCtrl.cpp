#include "ToolTipCtrl.h"

#include "WinApp.h"

#include <commctrl.h>

BOOL CToolTipCtrl::Create(HWND owner, DWORD style)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    m_window.Reset(::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                     owner, nullptr, AfxGetInstanceHandle(), nullptr));
    return m_window.IsValid();
}

namespace {

TOOLINFOA MakeToolInfo(HWND window, UINT_PTR toolId, const char* text)
{
    TOOLINFOA info = {};
    info.cbSize = sizeof(info);
    info.hwnd = window;
    info.uId = toolId;
    info.hinst = AfxGetInstanceHandle();
    info.lpszText = const_cast<char*>(text); // the tooltip copies the text
    return info;
}

} // namespace

BOOL CToolTipCtrl::AddTool(HWND window, const char* text, const RECT& rect, UINT_PTR toolId)
{
    TOOLINFOA info = MakeToolInfo(window, toolId, text);
    info.rect = rect;
    return static_cast<BOOL>(
        ::SendMessageA(m_window.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(const char* text, HWND window, UINT_PTR toolId)
{
    TOOLINFOA info = MakeToolInfo(window, toolId, text);
    ::SendMessageA(m_window.Get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::RelayEvent(MSG* msg)
{
    if (m_window.IsValid())
        ::SendMessageA(m_window.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
