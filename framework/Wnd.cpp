#include "Wnd.h"

#include "ExceptionReport.h"
#include "WideString.h"
#include "WinApp.h"

namespace {

// The window property that links a window to its object.
const wchar_t kObjectProperty[] = L"Vexa.CWnd";

} // namespace

CWnd* CWnd::s_pWndInit = nullptr;
MSG CWnd::s_currentMsg = {};

const MessageMap CWnd::messageMap = {nullptr, nullptr, 0};

CWnd::~CWnd()
{
    // The object owns its window: a window that outlives it would call into freed memory.
    if (m_hWnd != nullptr) {
        HWND hwnd = m_hWnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    if (hwnd == nullptr)
        return nullptr;
    return static_cast<CWnd*>(::GetPropW(hwnd, kObjectProperty));
}

void CWnd::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    ::SetPropW(hwnd, kObjectProperty, this);
}

void CWnd::Detach()
{
    if (m_hWnd == nullptr)
        return;
    if (m_pfnSuper != nullptr &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC)) == AfxWndProc)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::RemovePropW(m_hWnd, kObjectProperty);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu, void* param)
{
    s_pWndInit = this;
    const CWideString wideClass = AfxWiden(className != nullptr ? className : "");
    const CWideString wideName = AfxWiden(windowName != nullptr ? windowName : "");
    HWND hwnd = ::CreateWindowExW(exStyle, wideClass.c_str(), wideName.c_str(), style, x, y,
                                  width, height, parent, menu, AfxGetInstanceHandle(), param);
    s_pWndInit = nullptr;
    return hwnd != nullptr;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr)
        return FALSE;
    Attach(hwnd);
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    // The object may be deleted by PostNcDestroy inside this call: touch no member afterwards.
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = 0;
    if (OnWndMsg(message, wparam, lparam, &result))
        return result;
    return DefWindowProc(message, wparam, lparam);
}

BOOL CWnd::OnCommand(WPARAM wparam, LPARAM lparam)
{
    // A menu item or a button click (code 0), or an accelerator (code 1, which comes without a
    // control): a control's own notification 1 is not a command.
    const UINT code = HIWORD(wparam);
    if (code != 0 && !(code == 1 && lparam == 0))
        return FALSE;
    const UINT id = LOWORD(wparam);
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (std::size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            if (entry.message == WM_COMMAND && entry.id == id) {
                (this->*entry.onCommand)();
                return TRUE;
            }
        }
    }
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->OnCmdMsg(id);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result)
{
    if (message == WM_COMMAND) {
        *result = 0;
        return OnCommand(wparam, lparam);
    }
    if (message == WM_CTLCOLORSTATIC) {
        // Let a static control of ours choose its own colours.
        CWnd* child = FromHandlePermanent(reinterpret_cast<HWND>(lparam));
        if (child != nullptr && child != this &&
            child->OnWndMsg(WM_REFLECT_BASE + message, wparam, lparam, result))
            return TRUE;
    }
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (std::size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            if (entry.message == message && entry.onMessage != nullptr) {
                *result = (this->*entry.onMessage)(wparam, lparam);
                return TRUE;
            }
        }
    }
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wparam, lparam);
    return ::DefWindowProcW(m_hWnd, message, wparam, lparam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(s_currentMsg.message, s_currentMsg.wParam, s_currentMsg.lParam);
}

LRESULT CWnd::Dispatch(UINT message, WPARAM wparam, LPARAM lparam)
{
    // Handlers may send messages to this or other windows: the outer message comes back
    // afterwards, also when a handler throws. The object itself may be gone by then.
    struct Restore {
        MSG saved;
        ~Restore() { s_currentMsg = saved; }
    } restore = {s_currentMsg};
    s_currentMsg.hwnd = m_hWnd;
    s_currentMsg.message = message;
    s_currentMsg.wParam = wparam;
    s_currentMsg.lParam = lparam;
    return WindowProc(message, wparam, lparam);
}

LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (wnd == nullptr && CWnd::s_pWndInit != nullptr) {
        wnd = CWnd::s_pWndInit;
        CWnd::s_pWndInit = nullptr;
        wnd->Attach(hwnd);
    }
    if (wnd == nullptr)
        return ::DefWindowProcW(hwnd, message, wparam, lparam);

    // An exception must not cross the platform's frames: report it and go on, as the message
    // was handled.
    LRESULT result = 0;
    try {
        result = wnd->Dispatch(message, wparam, lparam);
    } catch (...) {
        AfxReportException();
    }
    if (message != WM_NCDESTROY)
        return result;

    // The window's last message: detach, end the message loop when this was the main window,
    // then let the object clean up (it may delete itself).
    wnd->Detach();
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == wnd) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    try {
        wnd->PostNcDestroy();
    } catch (...) {
        AfxReportException();
    }
    return result;
}
