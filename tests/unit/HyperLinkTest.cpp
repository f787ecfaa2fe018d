// The home-page link of the real settings dialog: the template's static control, subclassed,
// driven by real messages. Openings go to a stand-in that counts them and chooses their
// outcome, except where a test opens through the real shell.
#include "support/BrowserRecorder.h"
#include "support/HighContrast.h"
#include "support/ScreenReader.h"
#include "support/ScopedOverride.h"
#include "support/SettingsDialogFixture.h"

#include "hyperlink/HyperLink.h"
#include "hyperlink/OpenLink.h"
#include "res/resource.h"

#include <commctrl.h>
#include <psapi.h>

#include <cstring>

namespace {

const char kHomePage[] = "https://www.brindle.example/vexa/";
const DWORD kUnderline = CHyperLink::LKS_UNDERLINE;
const DWORD kHoverColour = CHyperLink::LKS_HOVERCOLOUR;
const DWORD kFitToText = CHyperLink::LKS_FITTOTEXT;
const DWORD kOpenOnPress = CHyperLink::LKS_OPENONPRESS;
const DWORD kFocusOnClick = CHyperLink::LKS_FOCUSONCLICK;
const DWORD kNoActiveColour = CHyperLink::LKS_NOACTIVECOLOUR;

std::vector<std::string> g_openings; // the targets, in order
int g_openResult = 0; // what the stand-in returns: set by each test's fixture

int RecordOpening(const char* target, int showCommand)
{
    g_openings.push_back(showCommand == SW_SHOW ? target : "shown otherwise");
    return g_openResult;
}

// The font a window draws with (nullptr for the system font).
HFONT FontHandle(HWND window)
{
    return reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
}

LOGFONTA FontOf(HWND window)
{
    LOGFONTA attributes = {};
    ::GetObjectA(FontHandle(window), sizeof(attributes), &attributes);
    return attributes;
}

// TRUE while a handle is a font that exists.
bool IsFont(HFONT font)
{
    return ::GetObjectType(font) == static_cast<DWORD>(OBJ_FONT);
}

std::string ToolText(CHyperLink& link)
{
    char text[256] = "";
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = link.m_hWnd;
    tool.uId = 1;
    tool.lpszText = text;
    ::SendMessageA(link.m_hint.GetSafeHwnd(), TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
    return text;
}

class HyperLinkTest : public SettingsDialogTest {
protected:
    void SetUp() override
    {
        SettingsDialogTest::SetUp();
        link = &dlg->m_link;
        g_openings.clear();
    }

    // Openings go to the stand-in, which reports success, until the test says otherwise; both
    // come back after the dialog has gone.
    ScopedOverride<decltype(g_pfnOpenLinkTarget)> opener{g_pfnOpenLinkTarget, RecordOpening};
    ScopedOverride<int> openResult{g_openResult, 42};

    // The extent of the link's text in the font it draws with.
    SIZE TextExtent()
    {
        const std::string text = WindowText(link->m_hWnd);
        SIZE extent = {};
        HDC dc = ::GetDC(link->m_hWnd);
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(link->SendMessage(WM_GETFONT));
        HGDIOBJ previous = ::SelectObject(dc, font);
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        ::SelectObject(dc, previous);
        ::ReleaseDC(link->m_hWnd, dc);
        return extent;
    }

    RECT RectInDialog()
    {
        RECT rect;
        ::GetWindowRect(link->m_hWnd, &rect);
        ::MapWindowPoints(nullptr, dlg->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    SIZE ClientSize()
    {
        RECT client;
        ::GetClientRect(link->m_hWnd, &client);
        return {client.right, client.bottom};
    }

    LRESULT Send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0)
    {
        return ::SendMessageA(link->m_hWnd, message, wparam, lparam);
    }

    CHyperLink* link = nullptr;
};

// TRUE when a part of the process's memory is mapped from a file whose path ends so.
bool MapsFile(const char* ending)
{
    const std::size_t length = std::strlen(ending);
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; ::VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.Type != MEM_MAPPED && region.Type != MEM_IMAGE)
            continue;
        char name[MAX_PATH] = "";
        const DWORD got =
            ::GetMappedFileNameA(::GetCurrentProcess(), const_cast<char*>(at), name, MAX_PATH);
        if (got >= length && ::lstrcmpiA(name + got - length, ending) == 0)
            return true;
    }
    return false;
}

// The window's own visibility: the dialog around it stays hidden, as at the program's start.
bool Shown(HWND window)
{
    return (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }

TEST_F(HyperLinkTest, TheDialogMakesItsHomePageLineABlueUnderlinedLinkWithAHint)
{
    EXPECT_EQ(::GetDlgItem(dlg->m_hWnd, IDC_HOMEPAGE), link->m_hWnd);
    EXPECT_EQ(0x3Du, link->m_dwLinkStyle); // 0x15 of the set-up, then opening on press, no cursor
    EXPECT_EQ(kHomePage, link->m_strTarget);
    EXPECT_EQ(kHomePage, WindowText(link->m_hWnd));
    for (COLORREF colour : {CHyperLink::s_crLink, CHyperLink::s_crActive, CHyperLink::s_crVisited,
                            CHyperLink::s_crHover})
        EXPECT_EQ(0xFF0000u, colour);
    EXPECT_NE(nullptr, CHyperLink::s_hHandCursor); // loaded by the set-up, before the change

    // Its own copy of the dialog's font, underlined; the window is just as big as its text.
    EXPECT_TRUE(IsFont(FontHandle(link->m_hWnd)));
    EXPECT_NE(FontHandle(dlg->m_hWnd), FontHandle(link->m_hWnd));
    const LOGFONTA own = FontOf(link->m_hWnd);
    const LOGFONTA dialogs = FontOf(dlg->m_hWnd);
    EXPECT_EQ(1, own.lfUnderline);
    EXPECT_STREQ(dialogs.lfFaceName, own.lfFaceName);
    EXPECT_EQ(dialogs.lfHeight, own.lfHeight);
    EXPECT_TRUE(ClientSize() == TextExtent());

    // Tool 1 covers the client area, without subclassing, and shows the hint.
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = link->m_hWnd;
    tool.uId = 1;
    ASSERT_TRUE(::SendMessageA(link->m_hint.GetSafeHwnd(), TTM_GETTOOLINFOA, 0,
                               reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(0u, tool.uFlags & (TTF_SUBCLASS | TTF_IDISHWND));
    EXPECT_EQ(TextExtent().cx, tool.rect.right);
    EXPECT_EQ("Visit program's homepage", ToolText(*link));

    // A new target or hint goes to the tooltip and shows the link; the displayed text stays.
    link->ShowWindow(SW_HIDE);
    link->SetLinkTarget("https://www.brindle.example/other/");
    EXPECT_TRUE(Shown(link->m_hWnd));
    EXPECT_EQ("https://www.brindle.example/other/", ToolText(*link));
    EXPECT_EQ(kHomePage, WindowText(link->m_hWnd));

    link->ShowWindow(SW_HIDE);
    link->SetHintText("Visit program's homepage");
    EXPECT_TRUE(Shown(link->m_hWnd));
    EXPECT_EQ("Visit program's homepage", ToolText(*link));
}

TEST_F(HyperLinkTest, SetUpOfAPlainStaticTakesItsTextFontAndSize)
{
    const auto makeStatic = [this](const char* text, int y) {
        return ::CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 10, y, 200, 30,
                                 dlg->m_hWnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    };
    HFONT docsFont = nullptr;
    {
        // Text and font: the default style, the text as target, underlined and fitted.
        HWND window = makeStatic("Docs", 10);
        ::SendMessageA(window, WM_SETFONT, dlg->SendMessage(WM_GETFONT), FALSE);
        CHyperLink docs;
        ASSERT_TRUE(docs.SubclassWindow(window));
        EXPECT_EQ(kUnderline | kFitToText | kFocusOnClick, docs.m_dwLinkStyle);
        EXPECT_EQ("Docs", docs.m_strTarget);
        EXPECT_EQ(1, FontOf(window).lfUnderline);
        RECT client;
        ::GetClientRect(window, &client);
        EXPECT_LT(client.right, 200);
        docsFont = FontHandle(window);
        EXPECT_NE(FontHandle(dlg->m_hWnd), docsFont);

        // The system font, no text, a target given beforehand (a hint is lost without window):
        // the target becomes the text, and there is no own font to fit.
        CHyperLink mail;
        mail.SetHintText("lost");
        mail.SetLinkTarget("mailto:vexa@brindle.example");
        ASSERT_TRUE(mail.SubclassWindow(makeStatic("", 50)));
        EXPECT_EQ(kUnderline | kFocusOnClick, mail.m_dwLinkStyle);
        EXPECT_EQ(nullptr, FontHandle(mail.m_hWnd));
        EXPECT_EQ("mailto:vexa@brindle.example", WindowText(mail.m_hWnd));
        EXPECT_EQ("mailto:vexa@brindle.example", ToolText(mail));
        ::GetClientRect(mail.m_hWnd, &client);
        EXPECT_EQ(200, client.right);

        // Neither text nor target: both stay empty, and the empty target is what opens.
        CHyperLink nothing;
        ASSERT_TRUE(nothing.SubclassWindow(makeStatic("", 90)));
        EXPECT_EQ("", WindowText(nothing.m_hWnd));
        ::SendMessageA(nothing.m_hWnd, WM_KEYDOWN, VK_SPACE, 1);
        EXPECT_EQ(std::vector<std::string>{""}, g_openings);
    }
    EXPECT_EQ(0u, ::GetObjectType(docsFont)); // each link deletes its font
}

TEST_F(HyperLinkTest, ChangeLinkStyleRebuildsTheFontAndRefitsOnlyWhenAsked)
{
    HFONT underlined = FontHandle(link->m_hWnd);
    EXPECT_FALSE(link->ChangeLinkStyle(kOpenOnPress, kOpenOnPress | kHoverColour, TRUE));
    EXPECT_EQ(0x3Du, link->m_dwLinkStyle);

    // Without redraw only the flag changes.
    EXPECT_TRUE(link->ChangeLinkStyle(kUnderline, 0, FALSE));
    EXPECT_EQ(0x3Cu, link->m_dwLinkStyle);
    EXPECT_EQ(reinterpret_cast<LRESULT>(underlined), Send(WM_GETFONT));
    EXPECT_EQ(1, FontOf(link->m_hWnd).lfUnderline);

    // With redraw: a new font without underline replaces the old, and the window is refitted.
    ::MoveWindow(link->m_hWnd, 20, 30, 300, 40, TRUE);
    EXPECT_TRUE(link->ChangeLinkStyle(0, 0, TRUE));
    EXPECT_TRUE(ClientSize() == (SIZE{300, 40}));
    EXPECT_TRUE(link->ChangeLinkStyle(kUnderline, 0, TRUE));
    EXPECT_TRUE(IsFont(FontHandle(link->m_hWnd)));
    EXPECT_NE(FontHandle(dlg->m_hWnd), FontHandle(link->m_hWnd));
    EXPECT_EQ(0, FontOf(link->m_hWnd).lfUnderline);
    EXPECT_EQ(0u, ::GetObjectType(underlined));
    EXPECT_TRUE(ClientSize() == TextExtent());
    EXPECT_TRUE(Shown(link->m_hWnd));

    // Without fitting, the underline comes back and the window keeps its size.
    EXPECT_TRUE(link->ChangeLinkStyle(kFitToText, 0, TRUE));
    ::MoveWindow(link->m_hWnd, 20, 30, 300, 40, TRUE);
    EXPECT_TRUE(link->ChangeLinkStyle(0, kUnderline, TRUE));
    EXPECT_EQ(1, FontOf(link->m_hWnd).lfUnderline);
    EXPECT_TRUE(ClientSize() == (SIZE{300, 40}));
}

TEST_F(HyperLinkTest, FitToTextFollowsTheAlignmentAndKeepsTheFrame)
{
    HWND window = link->m_hWnd;
    const LONG base = ::GetWindowLongA(window, GWL_STYLE) & ~(SS_TYPEMASK | SS_CENTERIMAGE);
    const SIZE text = TextExtent();
    const int x = 20, y = 30, w = 301, h = 41;
    const int dx = (w - text.cx) / 2, dy = (h - text.cy) / 2;
    const struct {
        const char* what;
        LONG style;
        RECT expected;
    } cases[] = {
        {"left", SS_LEFT, {x, y, x + text.cx, y + text.cy}},
        {"centred", SS_CENTER, {x + dx, y, x + w - dx, y + text.cy}},
        {"right", SS_RIGHT, {x + w - text.cx, y, x + w, y + text.cy}},
        {"image centred", SS_CENTERIMAGE, {x, y + dy, x + text.cx, y + h - dy}},
        {"all centred", SS_CENTER | SS_CENTERIMAGE, {x + dx, y + dy, x + w - dx, y + h - dy}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::SetWindowLongA(window, GWL_STYLE, base | c.style);
        ::MoveWindow(window, x, y, w, h, TRUE);
        EXPECT_TRUE(link->ChangeLinkStyle(0, kFitToText, TRUE)); // adding the flag refits
        const RECT rect = RectInDialog();
        EXPECT_TRUE(::EqualRect(&c.expected, &rect))
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    }

    // A border: the client area becomes the text's extent, with the frame around it.
    ::SetWindowLongA(window, GWL_STYLE, base | WS_BORDER);
    ::SetWindowPos(window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_FRAMECHANGED);
    link->ChangeLinkStyle(0, kFitToText, TRUE);
    EXPECT_TRUE(ClientSize() == text);
    EXPECT_EQ(x + text.cx + 2 * ::GetSystemMetrics(SM_CXBORDER), RectInDialog().right);
}

TEST_F(HyperLinkTest, ColourRequestGetsTheStatesColourOnATransparentBackground)
{
    const COLORREF normal = 0x000001, active = 0x000002, visited = 0x000003, hover = 0x000004;
    CHyperLink::SetLinkColours(normal, active, visited, hover);
    const struct {
        BOOL hovering, isActive, isVisited;
        DWORD flags;
        COLORREF expected;
    } cases[] = {
        {0, 0, 0, 0, normal},
        {0, 0, 1, 0, visited},
        {0, 1, 0, 0, active},
        {0, 1, 1, 0, active},
        {0, 1, 1, kNoActiveColour, visited},
        {0, 1, 0, kNoActiveColour, normal},
        {1, 0, 0, 0, normal}, // hovering shows only with the hover colour flag
        {1, 0, 1, 0, visited},
        {1, 1, 0, 0, active},
        {1, 1, 1, kNoActiveColour, visited},
        {1, 0, 0, kHoverColour, hover},
        {1, 1, 1, kHoverColour, hover},
        {1, 1, 1, kHoverColour | kNoActiveColour, hover},
        {0, 1, 1, kHoverColour, active},
        {0, 0, 1, kHoverColour | kNoActiveColour, visited},
    };
    HDC dc = ::GetDC(link->m_hWnd);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.hovering << c.isActive << c.isVisited << " flags " << c.flags);
        link->ChangeLinkStyle(kHoverColour | kNoActiveColour, 0, FALSE);
        link->ChangeLinkStyle(0, c.flags, FALSE);
        link->m_bHovering = c.hovering;
        link->m_bActive = c.isActive;
        link->m_bVisited = c.isVisited;
        ::SetTextColor(dc, 0x123456);
        ::SetBkMode(dc, OPAQUE);
        const LRESULT brush = dlg->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                               reinterpret_cast<LPARAM>(link->m_hWnd));
        EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), brush);
        EXPECT_EQ(c.expected, ::GetTextColor(dc));
        EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));
    }
    ::ReleaseDC(link->m_hWnd, dc);

    // 0xFFFFFFFF stands for the highlight colour as hover colour only.
    CHyperLink::SetLinkColours(0xFFFFFFFF, active, visited, 0xFFFFFFFF);
    EXPECT_EQ(0xFFFFFFFFu, CHyperLink::s_crLink);
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), CHyperLink::s_crHover);
}

TEST_F(HyperLinkTest, HoverHoldsTheCaptureUntilThePointerLeavesAndFocusSetsActive)
{
    const SIZE size = ClientSize();
    EXPECT_EQ(HTCLIENT, Send(WM_NCHITTEST, 0, MAKELPARAM(0, 0)));
    const auto move = [this](int x, int y) { Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); };
    const auto expectHover = [this](BOOL hovering, HWND capture) {
        EXPECT_EQ(hovering, link->m_bHovering);
        EXPECT_EQ(capture, ::GetCapture());
    };

    move(-5, -5); // any move while not hovering counts as entering
    expectHover(TRUE, link->m_hWnd);
    move(0, 0);
    move(size.cx - 1, size.cy - 1);
    expectHover(TRUE, link->m_hWnd);
    move(size.cx, 0); // the right edge is outside
    expectHover(FALSE, nullptr);

    // Focus makes it active; losing the focus ends hover and activity but keeps the capture.
    move(2, 2);
    ::SetFocus(link->m_hWnd);
    EXPECT_TRUE(link->m_bActive);
    ::SetFocus(::GetDlgItem(dlg->m_hWnd, IDC_OK));
    EXPECT_FALSE(link->m_bActive);
    expectHover(FALSE, link->m_hWnd);
    move(2, 2);
    expectHover(TRUE, link->m_hWnd);
    move(2, size.cy);
    expectHover(FALSE, nullptr);
}

TEST_F(HyperLinkTest, PressAndReleaseOpenAsTheStyleSays)
{
    HWND ok = ::GetDlgItem(dlg->m_hWnd, IDC_OK);
    const struct {
        const char* what;
        DWORD remove;
        size_t afterPress, afterRelease, afterSecondRelease;
        bool takesFocus;
    } cases[] = {
        {"the dialog's style", 0, 1, 1, 1, true},
        {"opening on release", kOpenOnPress, 0, 1, 2, true}, // every release while active
        {"no focus on click", kOpenOnPress | kFocusOnClick, 0, 1, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        link->ChangeLinkStyle(0, kOpenOnPress | kFocusOnClick, FALSE);
        link->ChangeLinkStyle(c.remove, 0, FALSE);
        ::SetFocus(ok);
        g_openings.clear();

        Send(WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); // not active: nothing
        EXPECT_EQ(0u, g_openings.size());
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        EXPECT_EQ(c.afterPress, g_openings.size());
        EXPECT_TRUE(link->m_bActive);
        EXPECT_EQ(c.takesFocus ? link->m_hWnd : ok, ::GetFocus());
        Send(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(c.afterRelease, g_openings.size());
        Send(WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
        EXPECT_EQ(c.afterSecondRelease, g_openings.size());
        EXPECT_EQ(std::vector<std::string>(c.afterSecondRelease, kHomePage), g_openings);
    }
}

TEST_F(HyperLinkTest, TabReachesItAndSpaceOrEnterOpensItOncePerPress)
{
    // Through the message loop's route: the dialog manager moves the focus and hands the keys
    // to the control that has it.
    const auto deliver = [](HWND window, UINT message, WPARAM key, LPARAM flags) {
        MSG msg = {window, message, key, flags, 0, {0, 0}};
        if (!theApp.PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    };
    HWND ok = ::GetDlgItem(dlg->m_hWnd, IDC_OK);
    EXPECT_EQ(link->m_hWnd, ::GetNextDlgTabItem(dlg->m_hWnd, ok, FALSE));
    EXPECT_EQ(::GetDlgItem(dlg->m_hWnd, IDC_DONATE), ::GetNextDlgTabItem(dlg->m_hWnd, link->m_hWnd, FALSE));
    ::SetFocus(ok);
    deliver(ok, WM_KEYDOWN, VK_TAB, 0x000F0001);
    ASSERT_EQ(link->m_hWnd, ::GetFocus());

    // A press, two auto-repeats (bit 30: the key was down already) and the release: one opening
    // per key; Enter stays the link's instead of pressing the default button.
    const std::pair<WPARAM, LPARAM> keys[] = {{VK_SPACE, 0x00390001}, {VK_RETURN, 0x001C0001}};
    for (const auto& [key, press] : keys) {
        for (LPARAM flags : {press, press | 0x40000000, press | 0x40000000})
            deliver(link->m_hWnd, WM_KEYDOWN, key, flags);
        deliver(link->m_hWnd, WM_KEYUP, key, press | 0xC0000000);
    }
    EXPECT_EQ(2u, g_openings.size());
    EXPECT_EQ(link->m_hWnd, ::GetFocus());
    MSG enter = {link->m_hWnd, WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {0, 0}};
    EXPECT_NE(0, Send(WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE);
    Send(WM_KEYDOWN, 'A', 1);
    EXPECT_EQ(2u, g_openings.size());
    PumpMessages();
}

TEST_F(HyperLinkTest, ANewFontFromTheDialogIsUnderlinedAndTheLinkRefitted)
{
    LOGFONTA bigger = FontOf(dlg->m_hWnd);
    bigger.lfHeight *= 2; // as the dialog's font at twice the scale
    HFONT dialogs = ::CreateFontIndirectA(&bigger);
    HFONT before = FontHandle(link->m_hWnd);
    const SIZE small = ClientSize();
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(dialogs), TRUE);

    EXPECT_TRUE(IsFont(FontHandle(link->m_hWnd)));
    EXPECT_NE(dialogs, FontHandle(link->m_hWnd));
    EXPECT_EQ(1, FontOf(link->m_hWnd).lfUnderline);
    EXPECT_EQ(bigger.lfHeight, FontOf(link->m_hWnd).lfHeight);
    EXPECT_EQ(0u, ::GetObjectType(before)); // the previous own font is deleted
    EXPECT_TRUE(ClientSize() == TextExtent());
    EXPECT_GT(ClientSize().cx, small.cx);
    ::DeleteObject(dialogs);
}

TEST_F(HyperLinkTest, OnlyASuccessfulOpeningMarksTheLinkVisited)
{
    MessageBoxCatcher catcher;
    g_openResult = SE_ERR_FNF;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_FALSE(link->m_bVisited);
    g_openResult = 33;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_TRUE(link->m_bVisited);
    g_openResult = 32;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_TRUE(link->m_bVisited); // never cleared

    ASSERT_EQ(2u, catcher.boxes.size());
    EXPECT_EQ("Can't open link:\n\nThe specified file was not found.", catcher.boxes[0].text);
    EXPECT_EQ("Can't open link:\n\nThe specified dynamic-link library was not found.",
              catcher.boxes[1].text);
}

const long kLinkStates = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSED |
                         STATE_SYSTEM_TRAVERSED;

TEST_F(HyperLinkTest, AScreenReaderHearsALinkWhoseObjectGoesWithTheControl)
{
    ScreenReader reader;
    ASSERT_NE(nullptr, reader.Find(link->m_hWnd));
    EXPECT_EQ(ROLE_SYSTEM_LINK, reader.Number(&IAccessible::get_accRole));
    EXPECT_EQ(L"https://www.brindle.example/vexa/", reader.Text(&IAccessible::get_accName));
    EXPECT_EQ(L"Jump", reader.Text(&IAccessible::get_accDefaultAction));
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED,
              reader.Number(&IAccessible::get_accState) & kLinkStates);
    ::SetFocus(link->m_hWnd);
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSED,
              reader.Number(&IAccessible::get_accState) & kLinkStates);
    VARIANT other = reader.self;
    other.lVal = 1; // the link has no children
    EXPECT_EQ(E_INVALIDARG, reader.object->accDoDefaultAction(other));

    // A screen reader that still holds the object when the control goes hears so.
    DestroyDialog();
    EXPECT_EQ(RPC_E_DISCONNECTED, reader.object->accDoDefaultAction(reader.self));
    EXPECT_EQ(-1, reader.Number(&IAccessible::get_accRole));
}

// A click and a screen reader's default action open the target through the real shell alike:
// visited once opened, and the same message box when it cannot be.
TEST_F(HyperLinkTest, AClickOrAScreenReaderOpensTheTargetThroughTheRealShell)
{
    ScreenReader reader;
    ASSERT_NE(nullptr, reader.Find(link->m_hWnd));
    g_pfnOpenLinkTarget = OpenLinkTarget;
    const std::string browser = BrowserRecorder::Program();
    ScopedOpenClass scheme("vexa-link-test", (browser + " \"%1\"").c_str());
    ScopedClassValue noPageBrowser(".htm", nullptr);
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"click", [this] { Send(WM_LBUTTONDOWN, MK_LBUTTON, 0); }},
        {"screen reader", [&reader] {
             EXPECT_EQ(S_OK, reader.object->accDoDefaultAction(reader.self));
             PumpMessages();
         }}};
    for (const auto& [way, follow] : ways) {
        SCOPED_TRACE(way);
        BrowserRecorder recorder;
        MessageBoxCatcher catcher;
        link->m_bVisited = FALSE;
        link->SetLinkTarget("vexa-link-test:home");
        EXPECT_EQ(L"vexa-link-test:home", reader.Text(&IAccessible::get_accValue));
        follow();
        EXPECT_EQ(std::vector<std::string>{browser + " \"vexa-link-test:home\""},
                  recorder.CommandLines(1));
        EXPECT_TRUE(link->m_bVisited);
        EXPECT_NE(0, reader.Number(&IAccessible::get_accState) & STATE_SYSTEM_TRAVERSED);
        EXPECT_TRUE(catcher.boxes.empty());

        link->m_bVisited = FALSE;
        link->SetLinkTarget("vexa-unregistered:home");
        follow();
        EXPECT_FALSE(link->m_bVisited);
        ASSERT_EQ(1u, catcher.boxes.size());
        EXPECT_EQ("Can't open link:\n\nThere is no application associated\nwith the given filename "
                  "extension.",
                  catcher.boxes[0].text);
    }
}

// The colours the link draws its text with: how many pixels of the colour its drawing holds.
int PixelsOfColour(HWND window, COLORREF colour)
{
    RECT client;
    ::GetClientRect(window, &client);
    HDC screen = ::GetDC(window);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    int count = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            count += ::GetPixel(memory, x, y) == colour ? 1 : 0;
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window, screen);
    return count;
}

TEST_F(HyperLinkTest, InHighContrastEveryStateDrawsInTheHotLightColourAndFollowsAChange)
{
    const COLORREF hotLight = RGB(0x12, 0xC4, 0x56);
    ScopedSysColor distinctive(COLOR_HOTLIGHT, hotLight);
    HighContrastOverride contrast(true);
    link->ChangeLinkStyle(0, kHoverColour, FALSE);
    const struct {
        const char* what;
        BOOL hovering, isActive, isVisited;
    } states[] = {{"normal", 0, 0, 0}, {"visited", 0, 0, 1}, {"active", 0, 1, 0}, {"hover", 1, 1, 1}};
    for (const auto& state : states) {
        SCOPED_TRACE(state.what);
        link->m_bHovering = state.hovering;
        link->m_bActive = state.isActive;
        link->m_bVisited = state.isVisited;
        EXPECT_GT(PixelsOfColour(link->m_hWnd, hotLight), 0);
        EXPECT_EQ(0, PixelsOfColour(link->m_hWnd, CHyperLink::s_crLink));
    }

    // Off again: the design's colours.
    g_highContrastOn = false;
    CHyperLink::SetLinkColours(RGB(0, 0, 255), RGB(0, 0, 254), RGB(0, 0, 253), RGB(0, 0, 252));
    EXPECT_EQ(0, PixelsOfColour(link->m_hWnd, hotLight));
    EXPECT_GT(PixelsOfColour(link->m_hWnd, RGB(0, 0, 252)), 0); // hovering

    // The window shown and drawn: a change of the contrast or of the colours repaints the link.
    dlg->ShowWindow(SW_SHOWNOACTIVATE);
    for (const auto& [message, action] : {std::pair<UINT, WPARAM>{WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST},
                                          {WM_SYSCOLORCHANGE, 0}}) {
        SCOPED_TRACE(message);
        ::UpdateWindow(dlg->m_hWnd);
        ASSERT_FALSE(::GetUpdateRect(link->m_hWnd, nullptr, FALSE));
        dlg->SendMessage(message, action, 0);
        EXPECT_TRUE(::GetUpdateRect(link->m_hWnd, nullptr, FALSE));
    }
    dlg->ShowWindow(SW_HIDE);
}

TEST_F(HyperLinkTest, OneHandCursorServesEveryLinkAndOutlivesThemAndTheirFontsAndTooltips)
{
    HFONT font = FontHandle(link->m_hWnd);
    HWND tooltip = link->m_hint.GetSafeHwnd();
    const HCURSOR hand = CHyperLink::s_hHandCursor;
    ASSERT_NE(nullptr, hand);
    ::SetCursor(nullptr);
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    EXPECT_EQ(TRUE, Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(link->m_hWnd), overClient));
    EXPECT_EQ(hand, ::GetCursor());

    // The dialog's end takes its link's font and tooltip along, but leaves the hand; a new
    // dialog's link does not load another.
    EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), ::GetObjectType(font));
    DestroyDialog();
    EXPECT_EQ(0u, ::GetObjectType(font));
    EXPECT_FALSE(::IsWindow(tooltip));
    StartDialog();
    EXPECT_EQ(hand, CHyperLink::s_hHandCursor);
    ICONINFO info = {};
    EXPECT_TRUE(::GetIconInfo(hand, &info));
    ::DeleteObject(info.hbmMask);
    ::DeleteObject(info.hbmColor);

    // Without a hand the pointer keeps its shape.
    CHyperLink::s_hHandCursor = nullptr;
    HCURSOR arrow = ::LoadCursorA(nullptr, IDC_ARROW);
    ::SetCursor(arrow);
    EXPECT_EQ(FALSE, ::SendMessageA(dlg->m_link.m_hWnd, WM_SETCURSOR, 0, overClient));
    EXPECT_EQ(arrow, ::GetCursor());
    CHyperLink::s_hHandCursor = hand;
}

TEST_F(HyperLinkTest, TheHelpViewersHandIsCopiedFromItsFileLoadedAsData)
{
    char directory[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryA(directory, MAX_PATH);
    const std::string helpViewer = std::string(directory, length) + "\\winhlp32.exe";
    if (!::CopyFileA(PathNextToTests("vexa_help_viewer.exe").c_str(), helpViewer.c_str(), TRUE))
        GTEST_SKIP() << "a help viewer is installed; it is not replaced";

    const HCURSOR systemHand = CHyperLink::s_hHandCursor;
    CHyperLink::s_hHandCursor = nullptr;
    HCURSOR loaded[2] = {};
    for (HCURSOR& hand : loaded) { // two links, one load
        CHyperLink other;
        other.SubclassWindow(::CreateWindowExA(0, "STATIC", "x", WS_CHILD, 0, 0, 9, 9, dlg->m_hWnd,
                                               nullptr, ::GetModuleHandleA(nullptr), nullptr));
        hand = CHyperLink::s_hHandCursor;
    }
    const HCURSOR hand = loaded[0];
    EXPECT_EQ(hand, loaded[1]);
    const bool mapped = MapsFile("\\winhlp32.exe");
    CHyperLink::s_hHandCursor = systemHand;
    ::DeleteFileA(helpViewer.c_str());

    EXPECT_FALSE(mapped); // released again
    ASSERT_NE(nullptr, hand);
    EXPECT_NE(systemHand, hand);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(hand, &info)); // the copy outlives the file
    EXPECT_EQ(7u, info.xHotspot);
    EXPECT_EQ(3u, info.yHotspot);
    ::DeleteObject(info.hbmMask);
    ::DeleteObject(info.hbmColor);
    EXPECT_TRUE(::DestroyCursor(hand));
    EXPECT_FALSE(::GetIconInfo(hand, &info)); // a copy of its own, not the file's shared cursor
}

} // namespace
