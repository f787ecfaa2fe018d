// Helpers shared by the in-process and end-to-end tests. They only use the platform: nothing
// here knows the program's code.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

// Dispatches every message waiting for this thread (WM_QUIT included, which is dropped).
void PumpMessages();

// The program's registry key under HKEY_CURRENT_USER.
extern const char kProgramKey[];

// Deletes the program's key and everything under it: a fresh account.
void DeleteProgramKey();

// The message the shell sends the tray icon's window, registered by a name any program can ask
// for, and the icon's identifier (IDR_TRAYMENU), as another process knows them.
inline UINT TrayMessage()
{
    return ::RegisterWindowMessageA("Brindle Corporation's Vexa Tray Notification Message");
}
constexpr UINT kTrayIconId = 129;

// TRUE while the shell holds an icon of this window and identifier: the shell accepts a change
// only for an icon it holds.
bool TrayHasIcon(HWND window, UINT id);

// A UTF-16 text of the platform's as UTF-8, to compare and print.
std::string Utf8(const wchar_t* text);

// The text of a window (GetWindowTextW) as UTF-8, of any length.
std::string WindowText(HWND window);

// The class name of a window.
std::string ClassName(HWND window);

// Presses a button of a dialog (this process's or another's) as the button reports a click: an
// automatic check box first changes its check, then the dialog gets the button's
// WM_COMMAND/BN_CLICKED. A click simulated on the button itself (BM_CLICK) goes through mouse
// capture and is lost when the machine is busy; this cannot be. One end-to-end test clicks with
// the real pointer.
void PressButton(HWND dialog, int id);

// The display scale of this run, in dots per inch: the value tests/at-scale.sh set in the
// prefix before it started the tests (VEXA_SCALE_DPI), else 96. Tests named "...AtEveryScale"
// run once at each scale; see tests/CMakeLists.txt.
int ScaleOfRun();

// The system's scale now, in dots per inch, as the screen reports it to this (DPI-aware) process.
int ScreenDpi();

// The text of a menu item (GetMenuStringW) as UTF-8, by position.
std::string MenuItemText(HMENU menu, int position);

// Records the message boxes shown on this thread while it lives (caption, text and icon). Every
// box a test's thread shows is answered with its first button (IDOK) so that the code that
// showed it goes on, and a box shown while no catcher lives fails the test instead of waiting
// for a user. Catchers nest: the newest one records, until it goes.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    struct Box {
        std::string caption;
        std::string text;
        UINT icon; // MB_ICONEXCLAMATION when the box shows the exclamation icon, else 0
    };
    std::vector<Box> boxes;

private:
    MessageBoxCatcher* m_previous;
};

// Ends the next pop-up menu tracked on this thread as soon as it is on screen (tracking blocks
// until the menu closes), after running whileShown, if given, from inside the menu loop. A menu
// that opens while no test expects one is ended too, and fails the test. What a test arms and
// never sees open is disarmed when the test ends.
void CloseNextMenuOnOpen(std::function<void()> whileShown = nullptr);

// An icon's picture: its size and the colour pixels of its bitmap (32 bits each, top row
// first), to tell apart two pictures of the same size.
struct IconPicture {
    SIZE size;
    std::vector<DWORD> pixels;
};
IconPicture PictureOf(HICON icon);

// The picture of one of the program's icons (linked into the test program) loaded at a size in
// pixels, as the platform draws it.
IconPicture ResourcePicture(UINT id, int size);
