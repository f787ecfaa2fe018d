#include "TestSupport.h"

const char kProgramKey[] = "SOFTWARE\\Brindle Corporation\\Vexa";

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void DeleteProgramKey()
{
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
}

bool TrayHasIcon(HWND window, UINT id)
{
    if (window == nullptr)
        return false;
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = id;
    data.uFlags = 0;
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

std::string WindowText(HWND window)
{
    const int length = ::GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string ClassName(HWND window)
{
    char name[256] = "";
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string MenuItemText(HMENU menu, int position)
{
    char text[256] = "";
    ::GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
    return text;
}

namespace {

MessageBoxCatcher* g_catcher = nullptr;

} // namespace

MessageBoxCatcher::MessageBoxCatcher() : m_previous(g_catcher), m_hook(nullptr)
{
    if (m_previous == nullptr)
        m_hook = ::SetWindowsHookExA(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
    g_catcher = this;
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    if (m_hook != nullptr)
        ::UnhookWindowsHookEx(m_hook);
    g_catcher = m_previous;
}

LRESULT CALLBACK MessageBoxCatcher::Hook(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_ACTIVATE && g_catcher != nullptr) {
        HWND box = reinterpret_cast<HWND>(wparam);
        // A message box is a dialog whose text is a static control with identifier 0xFFFF.
        HWND textControl = ::GetDlgItem(box, 0xFFFF);
        if (ClassName(box) == "#32770" && textControl != nullptr) {
            Box seen;
            seen.caption = WindowText(box);
            seen.text = WindowText(textControl);
            seen.icon = 0;
            // The icon control (identifier 0x440 in the dialog manager's template) carries the
            // icon shown; compare it with the system's exclamation icon.
            HWND iconControl = ::GetDlgItem(box, 0x440);
            if (iconControl != nullptr &&
                reinterpret_cast<HICON>(::SendMessageA(iconControl, STM_GETICON, 0, 0)) ==
                    ::LoadIconA(nullptr, MAKEINTRESOURCEA(32515) /* IDI_EXCLAMATION */))
                seen.icon = MB_ICONEXCLAMATION;
            g_catcher->boxes.push_back(seen);
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

namespace {

HHOOK g_menuHook = nullptr;

LRESULT CALLBACK MenuHook(int code, WPARAM wparam, LPARAM lparam)
{
    // The menu loop offers its first message to the filter once the menu is on screen.
    if (code == MSGF_MENU && g_menuHook != nullptr) {
        ::UnhookWindowsHookEx(g_menuHook);
        g_menuHook = nullptr;
        ::EndMenu();
        return 0;
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

} // namespace

void CloseNextMenuOnOpen()
{
    g_menuHook = ::SetWindowsHookExA(WH_MSGFILTER, MenuHook, nullptr, ::GetCurrentThreadId());
    // Something for the menu loop to pick up, so that the filter runs.
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

std::string Utf8(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size - 1));
    return utf8;
}
