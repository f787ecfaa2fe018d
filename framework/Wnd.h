// CWnd: a C++ object attached to one window handle. Messages reach the object through its
// class's message map (MessageMap.h) and a few virtual operations; anything the object does not
// handle goes to the window's previous procedure (for subclassed controls and dialogs) or to
// DefWindowProcW. Every window is a wide one: its texts are UTF-16.
#pragma once

#include "MessageMap.h"

#include <windows.h>

// Base of reflected notifications: a parent hands a child's WM_CTLCOLORSTATIC back to the
// child's own object as WM_REFLECT_BASE + WM_CTLCOLORSTATIC, so a control can colour itself.
constexpr UINT WM_REFLECT_BASE = WM_USER + 0x1C00;

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete; // Windows keeps the object's address: it must never move
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // The object attached to a window, or nullptr for windows Vexa has not attached.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Creates a window whose messages go to this object. The names are UTF-8. Refer to CreateWindowExW.
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x,
                  int y, int width, int height, HWND parent, HMENU menu, void* param = nullptr);

    // Attaches this object to an existing window and routes the window's messages through it.
    BOOL SubclassWindow(HWND hwnd);

    // Destroys the window. Refer to DestroyWindow.
    virtual BOOL DestroyWindow();

    // Refer to ShowWindow.
    BOOL ShowWindow(int cmdShow) { return ::ShowWindow(m_hWnd, cmdShow); }

    // Refer to SendMessageW.
    LRESULT SendMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0)
    {
        return ::SendMessageW(m_hWnd, message, wparam, lparam);
    }

    // Called by the message loop before a message for this window or a child is dispatched;
    // TRUE means the message was consumed.
    virtual BOOL PreTranslateMessage(MSG* msg);

protected:
    // Receives every message of the window: the message map first, then default processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);

    // WM_COMMAND: dispatches the command entries of the map, then the application's commands.
    // TRUE when some handler took the command.
    virtual BOOL OnCommand(WPARAM wparam, LPARAM lparam);

    // Runs the message-map entry for a message, if any; TRUE when one was found.
    BOOL OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

    // The processing the window would get without this object.
    LRESULT DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam);

    // Default processing of the message being handled now.
    LRESULT Default();

    // Called after the window is attached by SubclassWindow, before messages arrive.
    virtual void PreSubclassWindow() {}

    // Called after the last message (WM_NCDESTROY); the window handle is already detached.
    virtual void PostNcDestroy() {}

    virtual const MessageMap* GetMessageMap() const { return &messageMap; }
    static const MessageMap messageMap;

    WNDPROC m_pfnSuper = nullptr; // the procedure the window had before it was attached

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    friend class CDialog;

    // The object whose window is being created: the window procedure attaches it to the new
    // window at the window's first message.
    static CWnd* s_pWndInit;

    void Attach(HWND hwnd);
    void Detach();
    LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);

    // The message being handled, for Default(). It is kept outside the object: a handler may
    // destroy its window, and with it the object, before dispatching returns.
    static MSG s_currentMsg;
};

// The window procedure of every window Vexa attaches an object to.
LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
