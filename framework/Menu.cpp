#include "Menu.h"

BOOL CMenu::Attach(HMENU menu)
{
    if (menu == nullptr)
        return FALSE;
    m_menu.Reset(menu);
    return TRUE;
}
