// The settings dialog at the display scale of the run, in every language: every text of the real
// template fits its control, measured with the font the control draws with. tests/at-scale.sh runs the tests named
// "...AtEveryScale" at 96, 120, 144 and 192 dots per inch.
#include "support/DialogTemplate.h"
#include "support/SettingsDialogFixture.h"
#include "support/ShellRecorder.h"

#include "app/UiLanguage.h"
#include "framework/ResourceLanguage.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <gtest/gtest.h>

namespace {

using SettingsDialogAtEveryScale = SettingsDialogTest;

// The extent of the window's text drawn with its own font: on one line, or word-wrapped to width.
SIZE DrawnExtent(HWND window, UINT format, int width)
{
    wchar_t text[1024] = L"";
    const int length = ::GetWindowTextW(window, text, ARRAYSIZE(text));
    HDC dc = ::GetDC(window);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)));
    RECT rect = {0, 0, width, 0};
    ::DrawTextW(dc, text, length, &rect, format | DT_CALCRECT);
    ::SelectObject(dc, previous);
    ::ReleaseDC(window, dc);
    return {rect.right, rect.bottom};
}

// Half the width of "0" in the window's font: the gap Windows leaves between a check box and
// its text, and the margin of a group box's caption.
int HalfDigitWidth(HWND window)
{
    HDC dc = ::GetDC(window);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)));
    SIZE digit = {};
    ::GetTextExtentPoint32A(dc, "0", 1, &digit);
    ::SelectObject(dc, previous);
    ::ReleaseDC(window, dc);
    return digit.cx / 2;
}

TEST(FontsAtEveryScale, TheDialogsFacesAreRealFontsNotStandIns)
{
    ASSERT_EQ(ScaleOfRun(), ScreenDpi()) << "the run's scale did not reach the display";
    // A face Wine does not have comes out as another one (DejaVu Sans, wider than the layout
    // was made for); scripts/wine-env.sh links Wine's own into the prefix.
    for (const char* face : {"MS Sans Serif", "Tahoma", "Marlett"}) {
        HFONT font = ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
        HDC dc = ::GetDC(nullptr);
        HGDIOBJ previous = ::SelectObject(dc, font);
        char used[LF_FACESIZE] = "";
        ::GetTextFaceA(dc, LF_FACESIZE, used);
        ::SelectObject(dc, previous);
        ::ReleaseDC(nullptr, dc);
        ::DeleteObject(font);
        EXPECT_STREQ(face, used);
    }
}

// Every control with a text of the window in its language, measured.
void ExpectEveryTextFits(HWND dialog, LANGID language)
{
    RECT client;
    ::GetClientRect(dialog, &client);
    const DialogTemplate layout = LoadDialogTemplate(IDD_SETTINGS, language);
    ASSERT_FALSE(layout.items.empty());

    // The controls without identifier follow the template's order among the dialog's children.
    HWND child = ::GetWindow(dialog, GW_CHILD);
    int checked = 0;
    for (const DialogTemplateItem& item : layout.items) {
        HWND window = item.id != -1 ? ::GetDlgItem(dialog, item.id) : child;
        child = ::GetWindow(child, GW_HWNDNEXT);
        const std::string text = WindowText(window);
        SCOPED_TRACE(text.empty() ? "item " + std::to_string(item.id) : text);
        RECT rect;
        ::GetWindowRect(window, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                    rect.bottom <= client.bottom)
            << "outside the window: " << rect.left << "," << rect.top << "," << rect.right << ","
            << rect.bottom;
        if (item.text.empty())
            continue; // the icon
        ASSERT_EQ(item.text, text);

        RECT inside;
        ::GetClientRect(window, &inside);
        const LONG style = ::GetWindowLongA(window, GWL_STYLE);
        const bool isButton = item.className == "Button";
        const UINT prefix = !isButton && (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
        int room = inside.right;
        if (isButton && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
            room -= ::GetSystemMetrics(SM_CXMENUCHECK) + HalfDigitWidth(window);
        else if (isButton && (style & BS_TYPEMASK) == BS_GROUPBOX)
            room -= 2 * 2 * HalfDigitWidth(window); // the frame on either side of the caption
        else if (isButton)
            room -= 2 * ::GetSystemMetrics(SM_CXEDGE) * 2; // a push button's frame and margin

        if (isButton) {
            const SIZE extent = DrawnExtent(window, DT_SINGLELINE, 0);
            EXPECT_LE(extent.cx, room) << "too wide";
            EXPECT_LE(extent.cy, inside.bottom) << "too high";
        } else {
            // A static wraps at word boundaries: each word fits, and so do the lines together.
            const SIZE extent = DrawnExtent(window, DT_WORDBREAK | DT_EXPANDTABS | prefix, room);
            EXPECT_LE(extent.cx, room) << "a word is too wide";
            EXPECT_LE(extent.cy, inside.bottom) << "the lines are too high";
        }
        ++checked;
    }
    EXPECT_EQ(12, checked); // every control with a text
}

TEST_F(SettingsDialogAtEveryScale, EveryTextFitsItsControlInsideTheWindow)
{
    ASSERT_EQ(ScaleOfRun(), ScreenDpi()) << "the run's scale did not reach the display";
    for (const LANGID language : kUiLanguages) {
        SCOPED_TRACE(language);
        DestroyDialog();
        AfxSetResourceLanguage(language);
        StartDialog();
        AfxSetResourceLanguage(kFallbackLanguage);
        ExpectEveryTextFits(dlg->m_hWnd, language);
    }
}

// Each icon is loaded at the size it is shown at, so nothing is stretched: the tray's and the
// title bar's at the small-icon size, the window's own at the large one.
TEST_F(SettingsDialogAtEveryScale, TheIconsAreLoadedAtTheSizesOfTheScale)
{
    ASSERT_EQ(ScaleOfRun(), ScreenDpi());
    // A new start, with the requests to the shell recorded from the beginning.
    DestroyDialog();
    ShellRecorder shell;
    StartDialog();
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    HICON shown = nullptr; // the last picture the shell was handed for the tray icon
    for (const ShellRequest& request : shell.requests) {
        if (request.message == NIM_ADD ||
            (request.message == NIM_MODIFY && (request.flags & NIF_ICON) != 0))
            shown = request.icon;
    }
    ASSERT_NE(nullptr, shown);
    const SIZE tray = PictureOf(shown).size;
    EXPECT_EQ(small, tray.cx);
    EXPECT_EQ(small, tray.cy);
    HWND window = dlg->m_hWnd;
    EXPECT_EQ(small, PictureOf(reinterpret_cast<HICON>(
                                   ::SendMessageA(window, WM_GETICON, ICON_SMALL, 0)))
                         .size.cx);
    EXPECT_EQ(::GetSystemMetrics(SM_CXICON),
              PictureOf(reinterpret_cast<HICON>(::SendMessageA(window, WM_GETICON, ICON_BIG, 0)))
                  .size.cx);
}

} // namespace
