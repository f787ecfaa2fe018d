#include "Menu.h"

BOOL CMenu::Attach(HMENU menu)
{
    if (menu == nullptr)
        return FALSE;
    DestroyMenu();
    m_hMenu = menu;
    return TRUE;
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == nullptr)
        return FALSE;
    const BOOL destroyed = ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
    return destroyed;
}
