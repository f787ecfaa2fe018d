// CMenu: owns one menu handle and destroys it with the object. Sub-menus and the system menu
// are borrowed: they are passed around as plain HMENU and never destroyed by the borrower.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

class CMenu {
public:
    // The menu, still owned here; nullptr when there is none.
    HMENU GetSafeHmenu() const { return m_menu.Get(); }

    // Takes ownership of a menu, for example one from LoadMenuA; FALSE for no menu.
    BOOL Attach(HMENU menu);

    // Destroys the owned menu, if any. Refer to DestroyMenu.
    BOOL DestroyMenu() { return m_menu.Reset(); }

    // The pop-up at a position, borrowed; nullptr when there is none. Refer to GetSubMenu.
    HMENU GetSubMenu(int position) const
    {
        return m_menu.IsValid() ? ::GetSubMenu(m_menu.Get(), position) : nullptr;
    }

private:
    CUniqueHandle<MenuTraits> m_menu;
};
