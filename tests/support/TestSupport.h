// Helpers shared by the in-process and end-to-end tests. They only use the platform: nothing
// here knows the program's code.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// Dispatches every message waiting for this thread (WM_QUIT included, which is dropped).
void PumpMessages();

// The program's registry key under HKEY_CURRENT_USER.
extern const char kProgramKey[];

// Deletes the program's key and everything under it: a fresh account.
void DeleteProgramKey();

// TRUE while the shell holds an icon of this window and identifier: the shell accepts a change
// only for an icon it holds.
bool TrayHasIcon(HWND window, UINT id);

// A UTF-16 text of the platform's as UTF-8, to compare and print.
std::string Utf8(const wchar_t* text);

// The text of a window (GetWindowTextA), of any length.
std::string WindowText(HWND window);

// The class name of a window.
std::string ClassName(HWND window);

// The text of a menu item, by position.
std::string MenuItemText(HMENU menu, int position);

// Watches this thread for message boxes, records each box's caption and text, and presses
// its first button (IDOK) so that the code that showed the box goes on. Catchers nest: the
// newest one records, until it goes.
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
    static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam);
    MessageBoxCatcher* m_previous;
    HHOOK m_hook; // only the outermost catcher installs the hook
};

// Ends the pop-up menu that is about to be tracked on this thread, as soon as it opens:
// tracking blocks until the menu closes.
void CloseNextMenuOnOpen();
