// CHyperLink: a static text control of a dialog that looks and behaves like a web link. Its
// text is drawn in the link colour and underlined, the pointer is a hand over it, a tooltip
// shows a hint, and a click (or Space or Enter while it has the focus) opens its target in the
// browser. The colour follows the link's state: hovering, active (focused or pressed), visited.
// It is a tab stop, shows the focus rectangle when the keyboard brought the focus, and keeps its
// text as the window text. Screen readers hear it as a link (CLinkAccessible), with its text as
// name and its target as value, and can follow it. While high contrast is on, it draws in the
// system's hot-light colour whatever its state, and follows a change of the colours at once.
//
// The control is attached to a static control of a dialog template through the dialog's data
// exchange, so all of its set-up happens in PreSubclassWindow.
#pragma once

#include "LinkAccessible.h"
#include "framework/Font.h"
#include "framework/Static.h"
#include "framework/ToolTipCtrl.h"

#include <windows.h>

#include <string>

class CWideString;

class CHyperLink : public CStatic {
public:
    // Style flags (m_dwLinkStyle).
    static constexpr DWORD LKS_UNDERLINE = 0x01;      // the text is underlined
    static constexpr DWORD LKS_HOVERCOLOUR = 0x02;    // hovering shows in the hover colour
    static constexpr DWORD LKS_FITTOTEXT = 0x04;      // the window is sized to its text
    static constexpr DWORD LKS_OPENONPRESS = 0x08;    // opens when pressed, not when released
    static constexpr DWORD LKS_FOCUSONCLICK = 0x10;   // a press gives the control the focus
    static constexpr DWORD LKS_NOCURSORLOAD = 0x20;   // set-up does not load the hand cursor
    static constexpr DWORD LKS_NOACTIVECOLOUR = 0x40; // the active colour is never shown

    // Posted to the link by its accessible object's default action: the link opens as after a
    // click.
    static constexpr UINT kFollowLinkMessage = WM_APP + 0x100;

    CHyperLink();
    ~CHyperLink() override;

    // Sets what the link opens; the displayed text stays. With a window, the window is refitted
    // to its text, the tooltip shows the target, and the window ends up shown.
    void SetLinkTarget(std::string target);

    // Sets the tooltip's text, refits the window and shows it. Without a window, nothing happens.
    void SetHintText(const std::string& hint);

    // Clears the flags of remove, then sets those of add. FALSE, with nothing changed, when the
    // two share a flag. With redraw and a window, a changed underline rebuilds the font, an
    // added LKS_FITTOTEXT refits the window and a removed LKS_HOVERCOLOUR repaints it.
    BOOL ChangeLinkStyle(DWORD remove, DWORD add, BOOL redraw);

    // Sets the colours of every link: normal, active, visited and hover. A hover colour of
    // 0xFFFFFFFF stands for the system's highlight colour, as it is now. Links show the new
    // colours at their next repaint.
    static void SetLinkColours(COLORREF link, COLORREF active, COLORREF visited, COLORREF hover);

    // The text the link shows, which is what it reads as.
    CWideString DisplayedText() const;

    // Relays the message to the tooltip, which sees the pointer only this way; never consumes it.
    BOOL PreTranslateMessage(MSG* msg) override;

    BOOL m_bActive;         // focused, or pressed since it last had the focus
    BOOL m_bHovering;       // the pointer is over the control, which holds the mouse capture
    BOOL m_bVisited;        // the target has been opened; never cleared
    DWORD m_dwLinkStyle;    // LKS_ flags
    std::string m_strTarget;
    CToolTipCtrl m_hint;    // tool 1 covers the control

    // Shared by every link, for the life of the process.
    static COLORREF s_crLink;
    static COLORREF s_crActive;
    static COLORREF s_crVisited;
    static COLORREF s_crHover;
    static HCURSOR s_hHandCursor; // loaded by the first set-up that wants it; never destroyed

protected:
    void PreSubclassWindow() override;

    // The tooltip, owned by the link's window, was destroyed with it: forget its handle, which
    // the platform may give to another window from now on.
    void PostNcDestroy() override;

    LRESULT OnCtlColor(WPARAM wparam, LPARAM lparam);
    LRESULT OnSetCursor(WPARAM wparam, LPARAM lparam);
    LRESULT OnMouseMove(WPARAM wparam, LPARAM lparam);
    LRESULT OnLButtonDown(WPARAM wparam, LPARAM lparam);
    LRESULT OnLButtonUp(WPARAM wparam, LPARAM lparam);
    LRESULT OnSetFocus(WPARAM wparam, LPARAM lparam);
    LRESULT OnKillFocus(WPARAM wparam, LPARAM lparam);
    LRESULT OnKeyDown(WPARAM wparam, LPARAM lparam);
    LRESULT OnGetDlgCode(WPARAM wparam, LPARAM lparam);
    LRESULT OnSetFont(WPARAM wparam, LPARAM lparam);
    LRESULT OnPaint(WPARAM wparam, LPARAM lparam);
    LRESULT OnUpdateUiState(WPARAM wparam, LPARAM lparam);
    LRESULT OnNcHitTest(WPARAM wparam, LPARAM lparam);
    LRESULT OnGetObject(WPARAM wparam, LPARAM lparam);
    LRESULT OnFollowLinkMessage(WPARAM wparam, LPARAM lparam);
    LRESULT OnSettingChange(WPARAM wparam, LPARAM lparam);
    LRESULT OnSysColorChange(WPARAM wparam, LPARAM lparam);

    DECLARE_MESSAGE_MAP()

private:
    // Sizes the window to the extent of its text, following the control's alignment styles.
    void FitToText();

    // Makes the own font again from the window's font, with the underline from the style.
    void RebuildLinkFont();

    // Makes the own font a copy of font and gives it to the window, then refits the window.
    void ApplyLinkFont(const CFont& font);

    // Opens the target; marks the link visited, or beeps and reports the failure.
    void FollowLink();

    // Repaints the whole control, background included.
    void Invalidate();

    // The link has the focus, and the keyboard cues are on.
    BOOL ShowsFocusRectangle() const;

    static void LoadHandCursor();

    CFont m_linkFont; // the window's font with the underline following LKS_UNDERLINE
    CLinkAccessibleHandle m_accessible; // made at a screen reader's first request
};

// What FollowLink opens targets with: OpenLinkTarget. The tests put a stand-in here to count
// openings and to choose their outcome; the program never changes it.
extern int (*g_pfnOpenLinkTarget)(const char* target, int showCommand);
