// CMenu: owns one menu handle and destroys it with the object. Sub-menus and the system menu
// are borrowed: they are passed around as plain HMENU and never destroyed by the borrower.
#pragma once

#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    // Takes ownership of a menu, for example one from LoadMenuA; FALSE for no menu.
    BOOL Attach(HMENU menu);

    // Destroys the owned menu, if any. Refer to DestroyMenu.
    BOOL DestroyMenu();

    // The pop-up at a position, borrowed; nullptr when there is none. Refer to GetSubMenu.
    HMENU GetSubMenu(int position) const
    {
        return m_hMenu != nullptr ? ::GetSubMenu(m_hMenu, position) : nullptr;
    }
};
