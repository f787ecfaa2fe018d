#include "SystemTray.h"

#include "TrayPlatform.h"
#include "framework/DisplayScale.h"
#include "framework/ResourceLanguage.h"
#include "framework/WideString.h"
#include "framework/WinApp.h"
#include "framework/WndClass.h"

#include <cwchar>

namespace {

// Copies a UTF-8 text into a field of capacity UTF-16 characters, cut to fit with its
// terminating zero; a cut never separates the two halves of a surrogate pair.
void CopyCut(wchar_t* field, std::size_t capacity, const std::string& text)
{
    const CWideString wide = AfxWiden(text);
    std::size_t length = wide.size() < capacity - 1 ? wide.size() : capacity - 1;
    if (length > 0 && length < wide.size() && IS_HIGH_SURROGATE(wide.c_str()[length - 1]))
        --length;
    std::wmemcpy(field, wide.c_str(), length);
    field[length] = L'\0';
}

// A text of the tip or a balloon as the shell should read it. The notification area has no
// flag for right-to-left reading, so in a right-to-left language each line opens a
// right-to-left embedding (U+202B): its words then run from the right, with the drive names
// and numbers among them in their places.
std::string InReadingOrder(const std::string& text, bool rightToLeft)
{
    if (!rightToLeft)
        return text;
    const std::string embedding = "\xE2\x80\xAB";
    std::string ordered = embedding;
    for (const char c : text) {
        ordered += c;
        if (c == '\n')
            ordered += embedding;
    }
    return ordered;
}

// Every item of a right-to-left language's menu reads from the right and stands at its right.
void OrderFromTheRight(HMENU popup)
{
    const int count = ::GetMenuItemCount(popup);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE;
        if (::GetMenuItemInfoW(popup, static_cast<UINT>(position), TRUE, &item)) {
            item.fType |= MFT_RIGHTORDER | MFT_RIGHTJUSTIFY;
            ::SetMenuItemInfoW(popup, static_cast<UINT>(position), TRUE, &item);
        }
    }
}

} // namespace

CSystemTray::CSystemTray()
    : m_iconAdded(FALSE), m_notifyData(), m_defaultItem(0), m_defaultIsPosition(TRUE),
      m_iconWanted(FALSE), m_menuShown(FALSE), m_version4(FALSE), m_taskbarCreated(0)
{
}

CSystemTray::~CSystemTray()
{
    m_contextMenu.DestroyMenu();
    if (m_iconAdded) {
        m_notifyData.uFlags = 0;
        g_trayPlatform.shellNotifyIcon(NIM_DELETE, &m_notifyData);
        m_iconAdded = FALSE;
    }
    RemoveAllEntries();
    DestroyWindow();
}

BOOL CSystemTray::Install(CWnd* parent, UINT callbackMessage, const std::string& tip, HICON icon,
                          UINT id)
{
    // The notification area came with version 4 of the platform.
    if (LOBYTE(LOWORD(g_trayPlatform.getVersion())) < 4) {
        m_iconAdded = FALSE;
        return FALSE;
    }

    CreateEx(0, AfxRegisterWndClass(0).c_str(), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);

    m_notifyData.cbSize = NOTIFYICONDATAW_V2_SIZE;
    m_notifyData.hWnd = parent != nullptr && parent->m_hWnd != nullptr ? parent->m_hWnd : m_hWnd;
    m_notifyData.uID = id;
    // A shell that speaks version 4 shows the tip only when asked to.
    m_notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    m_notifyData.uCallbackMessage = callbackMessage;
    // The system's scale until the main window tells another: the notification area is on the
    // primary display.
    m_ownPicture = icon == nullptr;
    CIconHandle none;
    if (m_ownPicture && m_picture.Load(AfxGetWindowDpi(nullptr), &none))
        icon = m_picture.Get();
    m_notifyData.hIcon = icon;
    // The menu, the tip and the balloons read as the language they are in, chosen at start.
    m_rightToLeft = AfxIsRightToLeftLanguage(AfxGetResourceLanguage());
    // At most 127 characters fit the tip field with its terminating zero; the rest is cut.
    CopyCut(m_notifyData.szTip, ARRAYSIZE(m_notifyData.szTip), InReadingOrder(tip, m_rightToLeft));

    // The menu in the program's language, made from its template.
    const void* menuTemplate =
        AfxLockResource(AfxFindResource(MAKEINTRESOURCEW(4) /* RT_MENU */, LOWORD(id)), nullptr);
    if (menuTemplate == nullptr || !m_contextMenu.Attach(::LoadMenuIndirectW(menuTemplate)))
        return FALSE;

    m_taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    m_iconWanted = TRUE;
    m_iconAdded = g_trayPlatform.shellNotifyIcon(NIM_ADD, &m_notifyData);
    if (m_iconAdded)
        UseVersion4();
    return m_iconAdded;
}

void CSystemTray::UseVersion4()
{
    // Version 4 tells where a menu opened by keyboard belongs (the icon, not the pointer) and
    // reports the keyboard's Enter and Space. The shell forgets it with the icon, so it is
    // asked for after every addition; a shell that refuses keeps sending version 0.
    NOTIFYICONDATAW request = m_notifyData;
    request.uVersion = NOTIFYICON_VERSION_4;
    m_version4 = g_trayPlatform.shellNotifyIcon(NIM_SETVERSION, &request);
}

BOOL CSystemTray::SetIcon(HICON icon)
{
    m_notifyData.hIcon = icon;
    if (!m_iconAdded)
        return FALSE; // the icon goes to the shell with the next addition
    NOTIFYICONDATAW change = m_notifyData;
    change.uFlags = NIF_ICON;
    return g_trayPlatform.shellNotifyIcon(NIM_MODIFY, &change);
}

BOOL CSystemTray::ShowBalloon(const std::string& title, const std::string& text, DWORD infoIcon)
{
    if (!m_iconAdded)
        return FALSE;
    NOTIFYICONDATAW balloon = m_notifyData;
    balloon.uFlags = NIF_INFO;
    CopyCut(balloon.szInfoTitle, ARRAYSIZE(balloon.szInfoTitle), InReadingOrder(title, m_rightToLeft));
    CopyCut(balloon.szInfo, ARRAYSIZE(balloon.szInfo), InReadingOrder(text, m_rightToLeft));
    balloon.dwInfoFlags = infoIcon;
    return g_trayPlatform.shellNotifyIcon(NIM_MODIFY, &balloon);
}

void CSystemTray::OnSettingChange(const wchar_t* area)
{
    // The picture replaced goes once the shell has the new one: the shell may draw the old one
    // until then.
    CIconHandle replaced;
    if (m_ownPicture && area != nullptr && ::lstrcmpiW(area, L"ImmersiveColorSet") == 0 &&
        m_picture.FollowTheme(&replaced))
        SetIcon(m_picture.Get());
}

void CSystemTray::OnContrastChange()
{
    CIconHandle replaced;
    if (m_ownPicture && m_picture.FollowTheme(&replaced))
        SetIcon(m_picture.Get());
}

void CSystemTray::OnScaleChange(UINT dpi)
{
    CIconHandle replaced;
    if (m_ownPicture && m_picture.Load(dpi, &replaced))
        SetIcon(m_picture.Get());
}

void CSystemTray::OnTaskbarCreated()
{
    // A shell that restarted may run at another theme than the one that left, and it may not
    // have announced it: the picture is the one for the theme found now, handed over with the
    // addition.
    CIconHandle replaced;
    if (m_ownPicture && m_picture.Load(m_picture.Dpi(), &replaced))
        m_notifyData.hIcon = m_picture.Get();
    BOOL added = g_trayPlatform.shellNotifyIcon(NIM_ADD, &m_notifyData);
    // A shell that still holds the icon refuses to add it twice; it is still shown, and must
    // still be removed at exit.
    if (!added && m_iconAdded)
        added = g_trayPlatform.shellNotifyIcon(NIM_MODIFY, &m_notifyData);
    m_iconAdded = added;
    if (m_iconAdded)
        UseVersion4();
}

BOOL CSystemTray::SetDefaultItem(int item, BOOL byPosition)
{
    if (item == m_defaultItem && byPosition == m_defaultIsPosition)
        return TRUE;
    m_defaultItem = item;
    m_defaultIsPosition = byPosition;
    HMENU popup = m_contextMenu.GetSubMenu(0);
    if (popup == nullptr)
        return FALSE;
    ::SetMenuDefaultItem(popup, static_cast<UINT>(item), byPosition);
    return TRUE;
}

void CSystemTray::AddEntryText(const std::string& text)
{
    m_entryTexts.Add(text);
    m_entryEnabled.push_back(TRUE);
}

void CSystemTray::SetEntryEnabled(INT_PTR index, BOOL enabled)
{
    m_entryTexts.GetAt(index); // the index must name an entry
    m_entryEnabled[static_cast<std::size_t>(index)] = enabled ? TRUE : FALSE;
}

void CSystemTray::RemoveAllEntries()
{
    m_entryTexts.RemoveAll();
    m_entryEnabled.clear();
}

void CSystemTray::SetEntryText(INT_PTR index, const std::string& text)
{
    m_entryTexts.SetAt(index, text);
}

LRESULT CSystemTray::WindowProc(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == m_notifyData.uCallbackMessage)
        return OnIconNotify(wparam, lparam);
    if (m_iconWanted && message == m_taskbarCreated) {
        OnTaskbarCreated();
        return 0;
    }
    return CWnd::WindowProc(message, wparam, lparam);
}

LRESULT CSystemTray::OnIconNotify(WPARAM wparam, LPARAM lparam)
{
    // Version 4 sends the event in the low word of lparam, the icon's identifier in the high
    // word and the anchor point in wparam; version 0 sends the identifier in wparam and the
    // event in lparam. The message's own form tells which, whatever was agreed.
    const UINT id = LOWORD(m_notifyData.uID);
    const bool version4 = HIWORD(lparam) != 0 && HIWORD(lparam) == id;
    if (!version4 && wparam != m_notifyData.uID)
        return 0;
    CWnd* mainWnd = AfxGetMainWnd();
    if (mainWnd == nullptr || mainWnd->m_hWnd == nullptr)
        return 0; // nobody to show the menu for or to run a command

    switch (LOWORD(lparam)) {
    case WM_RBUTTONUP:
        // Version 4 follows the release with WM_CONTEXTMENU: the menu opens once, there.
        if (!version4) {
            POINT cursor;
            ::GetCursorPos(&cursor);
            return ShowMenu(mainWnd->m_hWnd, cursor);
        }
        return 1;
    case WM_CONTEXTMENU:
        // The point is the pointer's for a right click, the icon's for Shift+F10 or the
        // menu key.
        if (version4)
            return ShowMenu(mainWnd->m_hWnd, {static_cast<short>(LOWORD(wparam)),
                                              static_cast<short>(HIWORD(wparam))});
        return 1;
    case WM_LBUTTONDBLCLK:
    case NIN_KEYSELECT: // Enter or Space on the icon chosen by keyboard
        return RunDefaultItem(mainWnd->m_hWnd);
    case NIN_BALLOONSHOW:
        m_balloonShown = TRUE;
        return 1;
    case NIN_BALLOONHIDE:
    case NIN_BALLOONTIMEOUT:
    case NIN_BALLOONUSERCLICK:
        m_balloonShown = FALSE;
        return 1;
    default:
        return 1;
    }
}

BOOL CSystemTray::ShowMenu(HWND owner, POINT at)
{
    HMENU popup = m_contextMenu.GetSubMenu(0);
    if (popup == nullptr)
        return FALSE;
    ::SetMenuDefaultItem(popup, static_cast<UINT>(m_defaultItem), m_defaultIsPosition);
    for (INT_PTR position = 0; position < m_entryTexts.GetSize(); ++position) {
        const std::string& text = m_entryTexts.GetAt(position);
        if (text.empty())
            continue;
        const UINT id = ::GetMenuItemID(popup, static_cast<int>(position));
        const bool enabled = static_cast<std::size_t>(position) >= m_entryEnabled.size() ||
                             m_entryEnabled[static_cast<std::size_t>(position)] != 0;
        ::ModifyMenuW(popup, static_cast<UINT>(position),
                      MF_BYPOSITION | MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id,
                      AfxWiden(text).c_str());
    }
    // The drive items come and go, and a re-texted item is a plain one again: the order is
    // given to every item each time the menu opens.
    if (m_rightToLeft)
        OrderFromTheRight(popup);
    // Without the foreground, the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(owner);
    m_menuShown = TRUE;
    ::TrackPopupMenu(popup, 0, at.x, at.y, 0, owner, nullptr);
    m_menuShown = FALSE;
    ::PostMessageW(owner, WM_NULL, 0, 0);
    // A keyboard user goes on from the icon, not from wherever the focus was before.
    if (m_version4 && m_iconAdded)
        g_trayPlatform.shellNotifyIcon(NIM_SETFOCUS, &m_notifyData);
    return TRUE;
}

BOOL CSystemTray::RunDefaultItem(HWND owner)
{
    ::SetForegroundWindow(owner);
    UINT command = static_cast<UINT>(m_defaultItem);
    if (m_defaultIsPosition) {
        HMENU popup = m_contextMenu.GetSubMenu(0);
        if (popup == nullptr)
            return FALSE;
        command = ::GetMenuItemID(popup, m_defaultItem);
    }
    ::SendMessageW(owner, WM_COMMAND, command, 0);
    return TRUE;
}
