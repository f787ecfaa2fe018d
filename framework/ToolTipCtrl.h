// CToolTipCtrl: owns one tooltip window of the common controls and destroys it with the object.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

class CToolTipCtrl {
public:
    // The tooltip window, still owned here; nullptr when there is none.
    HWND GetSafeHwnd() const { return m_window.Get(); }

    // Creates the tooltip window, owned by the given window. Refer to CreateWindowExA with
    // TOOLTIPS_CLASSA.
    BOOL Create(HWND owner, DWORD style = 0);

    // Registers a tool: a rectangle of a window with its text. Refer to TTM_ADDTOOLA.
    BOOL AddTool(HWND window, const char* text, const RECT& rect, UINT_PTR toolId);

    // Replaces the text of a tool. Refer to TTM_UPDATETIPTEXTA.
    void UpdateTipText(const char* text, HWND window, UINT_PTR toolId);

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
