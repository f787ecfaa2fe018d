// CToolTipCtrl: owns one tooltip window of the common controls and destroys it with the object.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <string>

class CToolTipCtrl {
public:
    // The tooltip window, still owned here; nullptr when there is none.
    HWND GetSafeHwnd() const { return m_window.Get(); }

    // Creates the tooltip window, owned by the given window. Refer to CreateWindowExW with
    // TOOLTIPS_CLASSW.
    BOOL Create(HWND owner, DWORD style = 0);

    // Registers a tool: a rectangle of a window with its UTF-8 text. Refer to TTM_ADDTOOLW.
    BOOL AddTool(HWND window, const std::string& text, const RECT& rect, UINT_PTR toolId);

    // Replaces the text of a tool. Refer to TTM_UPDATETIPTEXTW.
    void UpdateTipText(const std::string& text, HWND window, UINT_PTR toolId);

    // Lets the tooltip see a mouse message of a tool's window. Refer to TTM_RELAYEVENT.
    void RelayEvent(MSG* msg);

    // Destroys the tooltip window, if any. Refer to DestroyWindow.
    BOOL DestroyWindow() { return m_window.Reset(); }

    // Forgets the window without destroying it: its owner window destroyed it already, and the
    // platform may give its handle to another window from now on.
    void Detach() { m_window.Release(); }

private:
    CUniqueHandle<WindowTraits> m_window;
};
