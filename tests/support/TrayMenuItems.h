// The tray menu as the user sees it, item by item, and the one expectation of its layout that
// the tests share: the drive items on top, then the commands the menu template holds.
#pragma once

#include "TestSupport.h"
#include "res/resource.h"

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

struct MenuItem {
    std::string text; // "-" for a separator
    UINT id;          // 0 for a separator
    bool grayed;
    bool operator==(const MenuItem& other) const
    {
        return text == other.text && id == other.id && grayed == other.grayed;
    }
};

inline std::ostream& operator<<(std::ostream& out, const MenuItem& item)
{
    return out << '"' << item.text << "\" " << item.id << (item.grayed ? " grayed" : "");
}

using MenuItems = std::vector<MenuItem>;

// Every item of a menu, in order.
inline MenuItems ItemsOf(HMENU menu)
{
    MenuItems items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if ((state & MF_SEPARATOR) != 0)
            items.push_back({"-", 0, false});
        else
            items.push_back({MenuItemText(menu, i), ::GetMenuItemID(menu, i), (state & MF_GRAYED) != 0});
    }
    return items;
}

// The drive items, one per text, with the drive commands in order.
inline MenuItems DriveItems(const std::vector<std::string>& texts)
{
    MenuItems items;
    for (std::size_t i = 0; i < texts.size(); ++i)
        items.push_back({texts[i], static_cast<UINT>(ID_DRIVE_FIRST + i), false});
    return items;
}

// The commands below the drive items, the first separator included.
inline MenuItems CommandItems(bool lockAllGrayed = false, bool unlockAllGrayed = false)
{
    return {{"-", 0, false},
            {"Lock All Drives", ID_TRAY_LOCKALL, lockAllGrayed},
            {"Unlock All Drives", ID_TRAY_UNLOCKALL, unlockAllGrayed},
            {"-", 0, false},
            {"Settings...", ID_TRAY_SETTINGS, false},
            {"Donate...", ID_TRAY_DONATE, false},
            {"Exit", ID_TRAY_EXIT, false}};
}

inline MenuItems operator+(MenuItems head, const MenuItems& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}
