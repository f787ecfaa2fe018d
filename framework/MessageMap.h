// Message maps: one static table per window class, chained to the base class's table.
// A handler cracks its own parameters, so two signatures cover every entry:
//   LRESULT OnSomething(WPARAM wparam, LPARAM lparam)   for a window message
//   void OnSomething()                                   for a command (menu item or button click)
#pragma once

#include <windows.h>

#include <cstddef>

class CWnd;

using AFX_PMSG = LRESULT (CWnd::*)(WPARAM, LPARAM);
using AFX_PCMD = void (CWnd::*)();

struct MessageMapEntry {
    UINT message;       // the window message; WM_COMMAND for command entries
    UINT id;            // command or control identifier of a command entry
    AFX_PMSG onMessage; // set for message entries
    AFX_PCMD onCommand; // set for command entries
};

struct MessageMap {
    const MessageMap* base; // the base class's table, searched when this one has no entry
    const MessageMapEntry* entries;
    std::size_t count;
};

// Binds a window message to LRESULT T::handler(WPARAM, LPARAM).
template <class T>
constexpr MessageMapEntry MapMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM))
{
    return {message, 0, static_cast<AFX_PMSG>(handler), nullptr};
}

// Binds a command identifier (menu item, accelerator or button click) to void T::handler().
template <class T>
constexpr MessageMapEntry MapCommand(UINT id, void (T::*handler)())
{
    return {WM_COMMAND, id, nullptr, static_cast<AFX_PCMD>(handler)};
}

// Declares the table of a class. Define both members in the class's .cpp file:
//   const MessageMapEntry CMyWnd::messageEntries[] = { MapCommand(...), ... };
//   const MessageMap CMyWnd::messageMap = DefineMessageMap(&CBase::messageMap, messageEntries);
#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const MessageMapEntry messageEntries[];                                                 \
    static const MessageMap messageMap;                                                            \
    const MessageMap* GetMessageMap() const override { return &messageMap; }

template <std::size_t N>
constexpr MessageMap DefineMessageMap(const MessageMap* base, const MessageMapEntry (&entries)[N])
{
    return {base, entries, N};
}
