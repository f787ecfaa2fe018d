#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

int ScaleOfRun()
{
    char value[16] = "";
    const DWORD length = ::GetEnvironmentVariableA("VEXA_SCALE_DPI", value, sizeof(value));
    return length > 0 && length < sizeof(value) ? std::atoi(value) : 96;
}

int ScreenDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

std::string WindowText(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return Utf8(text.data());
}

std::string ClassName(HWND window)
{
    char name[256] = "";
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

void PressButton(HWND dialog, int id)
{
    HWND button = ::GetDlgItem(dialog, id);
    if ((::GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        const bool checked = ::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
        ::SendMessageA(button, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::string MenuItemText(HMENU menu, int position)
{
    wchar_t text[256] = L"";
    ::GetMenuStringW(menu, static_cast<UINT>(position), text, ARRAYSIZE(text), MF_BYPOSITION);
    return Utf8(text);
}

namespace {

MessageBoxCatcher* g_catcher = nullptr;

// The pop-up menu a test expects next: armed by CloseNextMenuOnOpen.
bool g_menuArmed = false;
bool g_menuExpectedInTest = false;
std::function<void()> g_whileMenuShown;

LRESULT CALLBACK BoxHook(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wparam);
        // A message box is a dialog whose text is a static control with identifier 0xFFFF.
        HWND textControl = ::GetDlgItem(box, 0xFFFF);
        if (ClassName(box) == "#32770" && textControl != nullptr) {
            MessageBoxCatcher::Box seen;
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
            if (g_catcher != nullptr)
                g_catcher->boxes.push_back(seen);
            else
                ADD_FAILURE() << "a message box nobody expected: \"" << seen.caption << "\": \""
                              << seen.text << "\"";
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK MenuHook(int code, WPARAM wparam, LPARAM lparam)
{
    // The menu loop offers each message to the filter while the menu is on screen.
    if (code == MSGF_MENU) {
        if (g_menuArmed) {
            g_menuArmed = false;
            std::function<void()> whileShown;
            whileShown.swap(g_whileMenuShown);
            if (whileShown)
                whileShown();
        } else if (!g_menuExpectedInTest) {
            ADD_FAILURE() << "a pop-up menu opened that the test did not expect";
            g_menuExpectedInTest = true; // once per test; the menu is ended all the same
        }
        ::EndMenu();
        return 0;
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

// Watches the test's thread for message boxes and pop-up menus while each test runs, so that
// neither can wait for a user who is not there.
class ModalGuard : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        m_boxHook = ::SetWindowsHookExA(WH_CBT, BoxHook, nullptr, ::GetCurrentThreadId());
        m_menuHook = ::SetWindowsHookExA(WH_MSGFILTER, MenuHook, nullptr, ::GetCurrentThreadId());
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        ::UnhookWindowsHookEx(m_menuHook);
        ::UnhookWindowsHookEx(m_boxHook);
        g_menuArmed = false;
        g_menuExpectedInTest = false;
        g_whileMenuShown = nullptr;
    }
    HHOOK m_boxHook = nullptr;
    HHOOK m_menuHook = nullptr;
};

// The guard is listed before any test runs; gtest owns it from then on.
const bool g_modalGuardListed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ModalGuard);
    return true;
}();

} // namespace

MessageBoxCatcher::MessageBoxCatcher() : m_previous(g_catcher)
{
    g_catcher = this;
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    g_catcher = m_previous;
}

void CloseNextMenuOnOpen(std::function<void()> whileShown)
{
    g_menuArmed = true;
    g_menuExpectedInTest = true;
    g_whileMenuShown = std::move(whileShown);
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

IconPicture PictureOf(HICON icon)
{
    IconPicture picture = {{0, 0}, {}};
    ICONINFO info = {};
    if (icon == nullptr || !::GetIconInfo(icon, &info))
        return picture;
    HBITMAP image = info.hbmColor != nullptr ? info.hbmColor : info.hbmMask;
    BITMAP bitmap = {};
    ::GetObjectA(image, sizeof(bitmap), &bitmap);
    picture.size = {bitmap.bmWidth, bitmap.bmHeight};
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    picture.pixels.resize(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight);
    HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, image, 0, static_cast<UINT>(bitmap.bmHeight), picture.pixels.data(),
                &format, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return picture;
}

IconPicture ResourcePicture(UINT id, int size)
{
    HICON icon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                 IMAGE_ICON, size, size, 0));
    const IconPicture picture = PictureOf(icon);
    if (icon != nullptr)
        ::DestroyIcon(icon);
    return picture;
}
