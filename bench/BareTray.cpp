// The least tray program that offers what Vexa offers at start, to measure Vexa against: one
// hidden dialog made from a resource template, one icon in the notification area and one menu
// loaded from the resources. A right click on the icon opens the menu, "Settings..." shows the
// dialog, closing the dialog hides it, "Exit" ends the program. Nothing else: no fonts of its
// own, no registry, no drives, no tooltip.
#include "BareTray.h"

#include <windows.h>
#include <shellapi.h>

namespace {

HMENU g_menu = nullptr;

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        return FALSE;
    case BARE_TRAY_MESSAGE:
        if (wparam == BARE_ICON_ID && LOWORD(lparam) == WM_RBUTTONUP) {
            POINT cursor;
            ::GetCursorPos(&cursor);
            ::SetForegroundWindow(dialog);
            ::TrackPopupMenu(::GetSubMenu(g_menu, 0), 0, cursor.x, cursor.y, 0, dialog, nullptr);
            ::PostMessageW(dialog, WM_NULL, 0, 0);
        }
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case ID_BARE_SETTINGS:
            ::ShowWindow(dialog, SW_SHOW);
            return TRUE;
        case IDCANCEL:
            ::ShowWindow(dialog, SW_HIDE);
            return TRUE;
        case ID_BARE_EXIT:
            ::DestroyWindow(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        ::ShowWindow(dialog, SW_HIDE);
        return TRUE;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND dialog = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_BARE), nullptr, DialogProc, 0);
    g_menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_BAREMENU));
    if (dialog == nullptr || g_menu == nullptr)
        return 1;

    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = dialog;
    icon.uID = BARE_ICON_ID;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = BARE_TRAY_MESSAGE;
    icon.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_BARETRAY));
    ::lstrcpynW(icon.szTip, L"BareTray", ARRAYSIZE(icon.szTip));
    if (!::Shell_NotifyIconW(NIM_ADD, &icon))
        return 1;

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(dialog, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    icon.uFlags = 0;
    ::Shell_NotifyIconW(NIM_DELETE, &icon);
    ::DestroyMenu(g_menu);
    return 0;
}
