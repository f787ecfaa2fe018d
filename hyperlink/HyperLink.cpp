#include "HyperLink.h"

#include "OpenLink.h"
#include "framework/ActiveAccessibility.h"
#include "framework/HighContrast.h"
#include "framework/UniqueHandle.h"
#include "framework/WideString.h"

#include <utility>
#include <vector>

int (*g_pfnOpenLinkTarget)(const char* target, int showCommand) = OpenLinkTarget;

COLORREF CHyperLink::s_crLink = RGB(0, 0, 255);
COLORREF CHyperLink::s_crActive = RGB(0, 128, 128);
COLORREF CHyperLink::s_crVisited = RGB(128, 0, 128);
COLORREF CHyperLink::s_crHover = RGB(255, 0, 0);
HCURSOR CHyperLink::s_hHandCursor = nullptr;

const MessageMapEntry CHyperLink::messageEntries[] = {
    MapMessage(WM_REFLECT_BASE + WM_CTLCOLORSTATIC, &CHyperLink::OnCtlColor),
    MapMessage(WM_SETCURSOR, &CHyperLink::OnSetCursor),
    MapMessage(WM_MOUSEMOVE, &CHyperLink::OnMouseMove),
    MapMessage(WM_LBUTTONDOWN, &CHyperLink::OnLButtonDown),
    MapMessage(WM_LBUTTONUP, &CHyperLink::OnLButtonUp),
    MapMessage(WM_SETFOCUS, &CHyperLink::OnSetFocus),
    MapMessage(WM_KILLFOCUS, &CHyperLink::OnKillFocus),
    MapMessage(WM_KEYDOWN, &CHyperLink::OnKeyDown),
    MapMessage(WM_GETDLGCODE, &CHyperLink::OnGetDlgCode),
    MapMessage(WM_SETFONT, &CHyperLink::OnSetFont),
    MapMessage(WM_PAINT, &CHyperLink::OnPaint),
    MapMessage(WM_UPDATEUISTATE, &CHyperLink::OnUpdateUiState),
    MapMessage(WM_NCHITTEST, &CHyperLink::OnNcHitTest),
    MapMessage(WM_GETOBJECT, &CHyperLink::OnGetObject),
    MapMessage(CHyperLink::kFollowLinkMessage, &CHyperLink::OnFollowLinkMessage),
    MapMessage(WM_SETTINGCHANGE, &CHyperLink::OnSettingChange),
    MapMessage(WM_SYSCOLORCHANGE, &CHyperLink::OnSysColorChange),
};

const MessageMap CHyperLink::messageMap = DefineMessageMap(&CStatic::messageMap, messageEntries);

namespace {

// The text of a window, of any length, in UTF-16.
CWideString WideTextOf(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return CWideString(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

// The attributes of a font; FALSE (and nothing read) when the handle is no font.
BOOL ReadFontAttributes(HFONT font, LOGFONTA* attributes)
{
    return font != nullptr &&
           ::GetObjectA(font, sizeof(LOGFONTA), attributes) == static_cast<int>(sizeof(LOGFONTA));
}

// The attributes of the link's font made from a font: the same, underlined or not as the link's
// style says. FALSE (and nothing read) when the handle is no font.
BOOL ReadLinkFontAttributes(HFONT font, DWORD linkStyle, LOGFONTA* attributes)
{
    if (!ReadFontAttributes(font, attributes))
        return FALSE;
    attributes->lfUnderline = (linkStyle & CHyperLink::LKS_UNDERLINE) != 0 ? 1 : 0;
    return TRUE;
}

} // namespace

CHyperLink::CHyperLink()
    : m_bActive(FALSE), m_bHovering(FALSE), m_bVisited(FALSE),
      m_dwLinkStyle(LKS_UNDERLINE | LKS_FITTOTEXT | LKS_FOCUSONCLICK)
{
}

CHyperLink::~CHyperLink()
{
    // The window goes first, so that it never draws with the font deleted below.
    DestroyWindow();
}

void CHyperLink::PostNcDestroy()
{
    m_accessible.Reset(); // a screen reader that still holds it learns that the link is gone
    m_hint.Detach();
}

CWideString CHyperLink::DisplayedText() const
{
    return WideTextOf(m_hWnd);
}

void CHyperLink::SetLinkTarget(std::string target)
{
    m_strTarget = std::move(target);
    if (m_hWnd == nullptr)
        return;
    ShowWindow(SW_HIDE);
    FitToText();
    m_hint.UpdateTipText(m_strTarget, m_hWnd, 1);
    ShowWindow(SW_SHOW);
}

void CHyperLink::SetHintText(const std::string& hint)
{
    if (m_hWnd == nullptr)
        return;
    ShowWindow(SW_HIDE);
    FitToText();
    m_hint.UpdateTipText(hint, m_hWnd, 1);
    ShowWindow(SW_SHOW);
}

BOOL CHyperLink::ChangeLinkStyle(DWORD remove, DWORD add, BOOL redraw)
{
    if ((remove & add) != 0)
        return FALSE;
    m_dwLinkStyle = (m_dwLinkStyle & ~remove) | add;
    if (!redraw || !::IsWindow(m_hWnd))
        return TRUE;

    if (((remove | add) & LKS_UNDERLINE) != 0)
        RebuildLinkFont();
    if ((add & LKS_FITTOTEXT) != 0)
        FitToText();
    if ((remove & LKS_HOVERCOLOUR) != 0)
        Invalidate();
    return TRUE;
}

void CHyperLink::SetLinkColours(COLORREF link, COLORREF active, COLORREF visited, COLORREF hover)
{
    s_crLink = link;
    s_crActive = active;
    s_crVisited = visited;
    s_crHover = hover == 0xFFFFFFFF ? ::GetSysColor(COLOR_HIGHLIGHT) : hover;
}

BOOL CHyperLink::PreTranslateMessage(MSG* msg)
{
    m_hint.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

void CHyperLink::PreSubclassWindow()
{
    // The target and the displayed text stand in for each other when one is missing.
    if (m_strTarget.empty())
    {
        const CWideString text = WideTextOf(m_hWnd);
        m_strTarget = AfxNarrow(text.c_str(), text.size());
    }
    if (::GetWindowTextLengthW(m_hWnd) == 0)
        ::SetWindowTextW(m_hWnd, AfxWiden(m_strTarget).c_str());

    HFONT windowFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (windowFont != nullptr) {
        LOGFONTA attributes;
        if (ReadLinkFontAttributes(windowFont, m_dwLinkStyle, &attributes)) {
            if (m_linkFont.CreateFontIndirect(&attributes))
                SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.GetSafeHandle()), TRUE);
        }
        FitToText();
    } else {
        // The system font: there is no font of its own to underline, nor to measure with.
        m_dwLinkStyle &= ~LKS_FITTOTEXT;
    }

    if ((m_dwLinkStyle & LKS_NOCURSORLOAD) == 0)
        LoadHandCursor();

    // Reachable with Tab, like the dialog's buttons.
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | WS_TABSTOP);

    RECT client;
    ::GetClientRect(m_hWnd, &client);
    // The tooltip does not subclass the control: PreTranslateMessage relays the pointer to it.
    m_hint.Create(m_hWnd);
    m_hint.AddTool(m_hWnd, m_strTarget, client, 1);

    CStatic::PreSubclassWindow();
}

LRESULT CHyperLink::OnCtlColor(WPARAM wparam, LPARAM)
{
    HDC dc = reinterpret_cast<HDC>(wparam);
    COLORREF colour = s_crLink;
    if (AfxHighContrastOn())
        colour = ::GetSysColor(COLOR_HOTLIGHT); // the underline and focus rectangle show the state
    else if (m_bHovering && (m_dwLinkStyle & LKS_HOVERCOLOUR) != 0)
        colour = s_crHover;
    else if (m_bActive && (m_dwLinkStyle & LKS_NOACTIVECOLOUR) == 0)
        colour = s_crActive;
    else if (m_bVisited)
        colour = s_crVisited;
    ::SetTextColor(dc, colour);
    ::SetBkMode(dc, TRANSPARENT); // the dialog's background shows through
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

LRESULT CHyperLink::OnSetCursor(WPARAM, LPARAM)
{
    if (s_hHandCursor == nullptr)
        return FALSE; // no hand to show: the pointer keeps its shape
    ::SetCursor(s_hHandCursor);
    return TRUE;
}

LRESULT CHyperLink::OnMouseMove(WPARAM, LPARAM lparam)
{
    if (!m_bHovering) {
        // The control sees moves only while the pointer is over it or while it holds the
        // capture, so the first move of a hover is always inside.
        m_bHovering = TRUE;
        Invalidate();
        ::SetCapture(m_hWnd);
        return 0;
    }

    // Hovering: the capture brings every move, so a move outside ends the hover.
    const POINT position = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (!::PtInRect(&client, position)) {
        m_bHovering = FALSE;
        ::ReleaseCapture();
        Invalidate();
    }
    return 0;
}

LRESULT CHyperLink::OnLButtonDown(WPARAM, LPARAM)
{
    if ((m_dwLinkStyle & LKS_FOCUSONCLICK) != 0)
        ::SetFocus(m_hWnd);
    if ((m_dwLinkStyle & LKS_OPENONPRESS) != 0)
        FollowLink();
    m_bActive = TRUE;
    return 0;
}

LRESULT CHyperLink::OnLButtonUp(WPARAM, LPARAM)
{
    if (m_bActive && (m_dwLinkStyle & LKS_OPENONPRESS) == 0)
        FollowLink();
    return 0;
}

LRESULT CHyperLink::OnSetFocus(WPARAM, LPARAM)
{
    m_bActive = TRUE;
    Invalidate();
    return 0;
}

LRESULT CHyperLink::OnKillFocus(WPARAM, LPARAM)
{
    m_bHovering = FALSE;
    m_bActive = FALSE;
    Invalidate();
    return 0;
}

LRESULT CHyperLink::OnKeyDown(WPARAM wparam, LPARAM lparam)
{
    if (wparam != VK_SPACE && wparam != VK_RETURN)
        return Default();
    // A held key opens the link once: the keyboard's auto-repeats (bit 30, the key was already
    // down) are left alone.
    if ((lparam & (1 << 30)) == 0)
        FollowLink();
    return 0;
}

LRESULT CHyperLink::OnGetDlgCode(WPARAM, LPARAM lparam)
{
    // The dialog gives the link its keys; Enter too, which it would otherwise turn into a press
    // of the default button.
    const MSG* msg = reinterpret_cast<const MSG*>(lparam);
    LRESULT code = DLGC_WANTCHARS;
    if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
        code |= DLGC_WANTMESSAGE;
    return code;
}

LRESULT CHyperLink::OnSetFont(WPARAM wparam, LPARAM lparam)
{
    HFONT font = reinterpret_cast<HFONT>(wparam);
    LOGFONTA attributes;
    // The own font, which the link gives itself, or none: as any static takes it.
    if (font == m_linkFont.GetSafeHandle() ||
        !ReadLinkFontAttributes(font, m_dwLinkStyle, &attributes))
        return Default();

    // A new font from the dialog (a new scale, say): the link draws with an underlined copy,
    // and fits its window to the text again.
    CFont previous;
    std::swap(previous, m_linkFont); // deleted once the window no longer uses it
    if (!m_linkFont.CreateFontIndirect(&attributes))
        return DefWindowProc(WM_SETFONT, wparam, lparam);
    DefWindowProc(WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.GetSafeHandle()), lparam);
    FitToText();
    return 0;
}

LRESULT CHyperLink::OnPaint(WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    // The static draws its text into this context, then the focus rectangle goes around it
    // when the link has the focus and the keyboard cues are on (Windows hides them until the
    // keyboard is used).
    DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    if (ShowsFocusRectangle()) {
        RECT client;
        ::GetClientRect(m_hWnd, &client);
        ::DrawFocusRect(dc, &client);
    }
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CHyperLink::OnUpdateUiState(WPARAM, LPARAM)
{
    // The keyboard cues come or go: the focus rectangle follows at once.
    const LRESULT result = Default();
    Invalidate();
    return result;
}

BOOL CHyperLink::ShowsFocusRectangle() const
{
    return ::GetFocus() == m_hWnd &&
           (::SendMessageW(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

LRESULT CHyperLink::OnNcHitTest(WPARAM, LPARAM)
{
    // A static control is transparent to the pointer unless it has SS_NOTIFY: the whole window
    // counts as client area, so the link receives the pointer's messages.
    return HTCLIENT;
}

LRESULT CHyperLink::OnGetObject(WPARAM wparam, LPARAM lparam)
{
    // Only the client object is the link's; the window's frame and the rest are the system's.
    // Without Active Accessibility, the link answers as a plain window.
    const ActiveAccessibility* library = AfxActiveAccessibility();
    if (static_cast<DWORD>(lparam) != static_cast<DWORD>(OBJID_CLIENT) || library == nullptr)
        return Default();
    if (!m_accessible)
        m_accessible.Reset(CLinkAccessible::Create(this, *library));
    if (!m_accessible)
        return Default();
    const LRESULT reference = library->lresultFromObject(
        __uuidof(IAccessible), wparam, static_cast<IAccessible*>(m_accessible.Get()));
    return reference >= 0 ? reference : Default();
}

LRESULT CHyperLink::OnFollowLinkMessage(WPARAM, LPARAM)
{
    FollowLink();
    return 0;
}

LRESULT CHyperLink::OnSettingChange(WPARAM wparam, LPARAM)
{
    // High contrast went on or off: the colour follows at the repaint.
    if (wparam == SPI_SETHIGHCONTRAST)
        Invalidate();
    return Default();
}

LRESULT CHyperLink::OnSysColorChange(WPARAM, LPARAM)
{
    Invalidate(); // the hot-light colour may be another
    return Default();
}

void CHyperLink::FitToText()
{
    if ((m_dwLinkStyle & LKS_FITTOTEXT) == 0)
        return;

    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    HWND parent = ::GetParent(m_hWnd);
    if (parent != nullptr)
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int frameWidth = (window.right - window.left) - (client.right - client.left);
    const int frameHeight = (window.bottom - window.top) - (client.bottom - client.top);

    // Measured with the font the window draws with: the own font, or else the window's.
    const CWideString text = WideTextOf(m_hWnd);
    HFONT font = m_linkFont.GetSafeHandle() != nullptr
                     ? m_linkFont.GetSafeHandle()
                     : reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    SIZE extent = {0, 0};
    HDC dc = ::GetDC(m_hWnd);
    if (dc == nullptr)
        return;
    HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    if (previous != nullptr)
        ::SelectObject(dc, previous);
    ::ReleaseDC(m_hWnd, dc);

    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    if ((style & SS_CENTERIMAGE) != 0) {
        const int shrink = (window.bottom - window.top - extent.cy) / 2;
        ::InflateRect(&window, 0, -shrink);
    } else {
        window.bottom = window.top + extent.cy;
    }
    if ((style & SS_CENTER) != 0) {
        const int shrink = (window.right - window.left - extent.cx) / 2;
        ::InflateRect(&window, -shrink, 0);
    } else if ((style & SS_RIGHT) != 0) {
        window.left = window.right - extent.cx;
    } else {
        window.right = window.left + extent.cx;
    }

    ::MoveWindow(m_hWnd, window.left, window.top, (window.right - window.left) + frameWidth,
                 (window.bottom - window.top) + frameHeight, TRUE);
}

void CHyperLink::RebuildLinkFont()
{
    LOGFONTA attributes;
    if (!ReadLinkFontAttributes(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)), m_dwLinkStyle,
                                &attributes))
        return;
    m_linkFont.CreateFontIndirect(&attributes);
    ApplyLinkFont(m_linkFont);
}

void CHyperLink::ApplyLinkFont(const CFont& font)
{
    ShowWindow(SW_HIDE);
    LOGFONTA attributes;
    const BOOL readable = font.GetLogFont(&attributes);
    m_linkFont.DeleteObject();
    if (readable)
        m_linkFont.CreateFontIndirect(&attributes);
    // Also without a font of its own the window gets one (the system font), so that it never
    // keeps the handle deleted above.
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.GetSafeHandle()), TRUE);
    FitToText();
    ShowWindow(SW_SHOW);
}

void CHyperLink::FollowLink()
{
    const int result = g_pfnOpenLinkTarget(m_strTarget.c_str(), SW_SHOW);
    if (result > 32) {
        m_bVisited = TRUE;
        Invalidate();
        return;
    }
    ::MessageBeep(MB_ICONEXCLAMATION);
    ReportOpenFailure(result);
}

void CHyperLink::Invalidate()
{
    // The link has no background of its own: what lies behind it is drawn again too, or a
    // focus rectangle drawn before would stay.
    HWND parent = ::GetParent(m_hWnd);
    if (parent == nullptr) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return;
    }
    RECT rect;
    ::GetWindowRect(m_hWnd, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    ::RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CHyperLink::LoadHandCursor()
{
    if (s_hHandCursor != nullptr)
        return;

    // The help viewer's hand, the one the system's own help links show. Its program file is
    // mapped as data only: none of its code or the libraries it needs is loaded into Vexa.
    char windowsDirectory[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryA(windowsDirectory, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::string path = std::string(windowsDirectory, length) + "\\winhlp32.exe";
        const CModuleHandle helpViewer(
            ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (helpViewer) {
            HCURSOR hand = ::LoadCursorA(helpViewer.Get(), MAKEINTRESOURCEA(106));
            if (hand != nullptr) // a copy of its own stays valid once the file is released
                s_hHandCursor = static_cast<HCURSOR>(::CopyIcon(hand));
        }
    }

    // Without the help viewer's hand, the system's: shared, and never to be destroyed.
    if (s_hHandCursor == nullptr)
        s_hHandCursor = ::LoadCursorA(nullptr, IDC_HAND);
}
