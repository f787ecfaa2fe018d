// CSystemTray: the program's icon in the notification area, its context menu, and the routing
// of clicks on the icon to the main window. The object's own window is an invisible 10 x 10
// pop-up that exists only to receive the icon's callback message.
#pragma once

#include "TrayPicture.h"
#include "framework/Menu.h"
#include "framework/StringArray.h"
#include "framework/Wnd.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

class CSystemTray : public CWnd {
public:
    CSystemTray();
    ~CSystemTray() override;

    // Creates the hidden window, loads the menu whose identifier is the low word of id in the
    // program's language, and asks the shell to show the icon with its UTF-8 tip (at most 127
    // UTF-16 characters are kept). TRUE
    // when the shell accepted the icon. The icon is the caller's, shown as it is; without one
    // the icon shows Vexa's tray picture, which follows the taskbar's theme and the scale
    // (OnSettingChange, OnScaleChange, and a shell that restarts).
    BOOL Install(CWnd* parent, UINT callbackMessage, const std::string& tip, HICON icon, UINT id);

    // Makes an item the menu's default (bold, run by a double click): a position in the
    // pop-up when byPosition is TRUE, else a command identifier. FALSE when no menu is loaded
    // yet; the item is still applied at the next opening.
    BOOL SetDefaultItem(int item, BOOL byPosition);

    // Entry texts (UTF-8) replace the texts of the pop-up's items at the same positions each time the
    // menu opens; an empty entry leaves its item alone.
    void AddEntryText(const std::string& text);
    void SetEntryText(INT_PTR index, const std::string& text); // CInvalidArgException if out of range

    // An entry's item is shown greyed (disabled) from the next opening on; entries are enabled
    // when added. CInvalidArgException if out of range.
    void SetEntryEnabled(INT_PTR index, BOOL enabled);

    // Forgets every entry text.
    void RemoveAllEntries();

    // Hands the shell another picture for the icon. FALSE when the shell holds no icon of
    // Vexa's or refuses; the picture is used at the next addition.
    BOOL SetIcon(HICON icon);

    // The main window's notices that may change Vexa's tray picture: a change of settings
    // (WM_SETTINGCHANGE's area: a new theme) and a new scale (dots per inch) or new icon
    // metrics. They change nothing for a caller's own icon.
    void OnSettingChange(const wchar_t* area);
    void OnScaleChange(UINT dpi);
    // High contrast went on or off, or the system's colours changed (a contrast theme's
    // background among them).
    void OnContrastChange();

    // The icon's callback, in either version's form: the context menu opens once per right
    // click (version 4: on WM_CONTEXTMENU, at the point the shell gives; version 0: on the
    // right button's release, at the pointer), and a left double click or, in version 4, the
    // keyboard's Enter or Space runs the default command. 1 when the notification was for
    // this icon, else 0.
    virtual LRESULT OnIconNotify(WPARAM wparam, LPARAM lparam);

    // Shows a balloon over the icon, with the warning icon or another of the shell's
    // (NIIF_INFO, ...); of the UTF-8 texts, at most 63 UTF-16 characters of title and 255 of
    // text are kept. FALSE when
    // the shell holds no icon of Vexa's or refuses.
    BOOL ShowBalloon(const std::string& title, const std::string& text,
                     DWORD infoIcon = NIIF_WARNING);

    // TRUE while the shell says a balloon of the icon's is on screen: from the shell's
    // NIN_BALLOONSHOW until it is hidden, times out or is clicked. A shell that says nothing
    // (Wine's) never shows one as far as this knows.
    BOOL IsBalloonShown() const { return m_balloonShown; }

    // TRUE while the context menu is on screen. When it closes, the main window receives
    // WM_NULL, posted after the command the user chose.
    BOOL IsMenuShown() const { return m_menuShown; }

    CMenu m_contextMenu;            // only its pop-up 0 is ever shown

private:
    BOOL m_iconAdded;               // the shell holds the icon: destruction removes it
    NOTIFYICONDATAW m_notifyData;   // the record handed to the shell in every request
    int m_defaultItem;              // command identifier or position, per m_defaultIsPosition
    BOOL m_defaultIsPosition;
    CStringArray m_entryTexts;

protected:
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    // The shell restarted (or came up after Vexa): it knows no icon, so add it again.
    void OnTaskbarCreated();

    // Asks the shell for version 4 of the callbacks, after each addition of the icon.
    void UseVersion4();

    // Opens the context menu at a point of the screen for owner, the main window, which gets
    // the chosen command; afterwards the icon has the keyboard focus again. FALSE without a
    // menu.
    BOOL ShowMenu(HWND owner, POINT at);

    // Sends owner the default item's command. FALSE without a menu to find it in.
    BOOL RunDefaultItem(HWND owner);

    BOOL m_iconWanted;      // Install got as far as asking the shell for the icon
    BOOL m_menuShown;       // the context menu is being tracked
    BOOL m_balloonShown = FALSE; // the shell reported a balloon on screen
    BOOL m_version4;        // the shell agreed to version 4 of the callbacks
    bool m_rightToLeft = false; // the menu and texts are in a right-to-left language
    std::vector<BYTE> m_entryEnabled; // one flag per entry text
    UINT m_taskbarCreated;  // the shell's broadcast message "TaskbarCreated"
    bool m_ownPicture = false; // the icon shows m_picture, not a caller's icon (never freed)
    CTrayPicture m_picture;
};
