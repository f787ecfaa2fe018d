#include "ToolTipCtrl.h"

#include "WideString.h"
#include "WinApp.h"

#include <commctrl.h>

BOOL CToolTipCtrl::Create(HWND owner, DWORD style)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    m_window.Reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                     owner, nullptr, AfxGetInstanceHandle(), nullptr));
    return m_window.IsValid();
}

namespace {

TOOLINFOW MakeToolInfo(HWND window, UINT_PTR toolId, const CWideString& text)
{
    TOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = window;
    info.uId = toolId;
    info.hinst = AfxGetInstanceHandle();
    info.lpszText = const_cast<wchar_t*>(text.c_str()); // the tooltip copies the text
    // A mirrored window's tip reads from the right, as the window does.
    if ((::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0)
        info.uFlags |= TTF_RTLREADING;
    return info;
}

} // namespace

BOOL CToolTipCtrl::AddTool(HWND window, const std::string& text, const RECT& rect, UINT_PTR toolId)
{
    const CWideString wideText = AfxWiden(text);
    TOOLINFOW info = MakeToolInfo(window, toolId, wideText);
    info.rect = rect;
    return static_cast<BOOL>(
        ::SendMessageW(m_window.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(const std::string& text, HWND window, UINT_PTR toolId)
{
    const CWideString wideText = AfxWiden(text);
    TOOLINFOW info = MakeToolInfo(window, toolId, wideText);
    ::SendMessageW(m_window.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::RelayEvent(MSG* msg)
{
    if (m_window.IsValid())
        ::SendMessageW(m_window.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
