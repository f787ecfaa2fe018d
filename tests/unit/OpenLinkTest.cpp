// Opening links against Wine's real shell, registry and program start, with a stand-in
// browser that records its command line; and the real message box of a failed opening.
#include "support/BrowserRecorder.h"
#include "support/TestSupport.h"

#include "app/LockerApp.h"
#include "hyperlink/OpenLink.h"

#include <gtest/gtest.h>

namespace {

// A scheme nothing is registered for: the shell cannot open it.
const char kUnopenable[] = "vexa-unregistered://www.brindle.example/vexa/";

TEST(ReportOpenFailure, ShowsTheMessageOfEachCodeBelowThePrefix)
{
    const struct {
        int code;
        const char* message;
    } cases[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\n"
             "were being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {-1, "Unknown Error (-1) occurred."},
        {1, "Unknown Error (1) occurred."},
        {33, "Unknown Error (33) occurred."},
    };
    MessageBoxCatcher catcher;
    for (const auto& c : cases)
        ReportOpenFailure(c.code);

    ASSERT_EQ(sizeof(cases) / sizeof(cases[0]), catcher.boxes.size());
    for (std::size_t i = 0; i < catcher.boxes.size(); ++i) {
        SCOPED_TRACE(cases[i].code);
        EXPECT_EQ(std::string("Can't open link:\n\n") + cases[i].message, catcher.boxes[i].text);
        EXPECT_EQ(Utf8(theApp.AppName().c_str()), catcher.boxes[i].caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), catcher.boxes[i].icon);
    }
}

TEST(ReadKeyDefaultValue, AcceptsOnlyAStringThatFitsWithItsTerminator)
{
    const char kKey[] = "Software\\Brindle Corporation\\Vexa link tests";
    const std::string longest(259, 'x');
    const std::string tooLong(260, 'x');
    const DWORD number = 7;
    const struct {
        const char* what;
        DWORD type;
        const void* data; // nullptr: the key has no default value
        DWORD size;
        bool accepted;
        std::string value;
    } cases[] = {
        {"string", REG_SZ, "firefox.exe -url", 17, true, "firefox.exe -url"},
        {"259 characters", REG_SZ, longest.c_str(), 260, true, longest},
        {"259 characters, no terminator", REG_SZ, longest.c_str(), 259, true, longest},
        {"260 characters", REG_SZ, tooLong.c_str(), 261, false, ""},
        {"260 characters, no terminator", REG_SZ, tooLong.c_str(), 260, false, ""},
        {"number", REG_DWORD, &number, sizeof(number), false, ""},
        {"no default value", REG_NONE, nullptr, 0, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0,
                                                   KEY_SET_VALUE, nullptr, &key, nullptr));
        ::RegSetValueExA(key, "named", 0, REG_SZ, reinterpret_cast<const BYTE*>("other"), 6);
        if (c.data != nullptr)
            ::RegSetValueExA(key, nullptr, 0, c.type, static_cast<const BYTE*>(c.data), c.size);
        ::RegCloseKey(key);

        std::string value = "unchanged";
        const LONG result = ReadKeyDefaultValue(HKEY_CURRENT_USER, kKey, value);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        EXPECT_EQ(c.accepted, result == ERROR_SUCCESS) << result;
        EXPECT_EQ(c.accepted ? c.value : "unchanged", value);
    }

    std::string value = "unchanged";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadKeyDefaultValue(HKEY_CURRENT_USER, kKey, value));
    EXPECT_EQ("unchanged", value);
}

TEST(OpenLinkTarget, StartsThePageBrowserWithTheTargetInPlaceOfItsPlaceholder)
{
    const std::string browser = BrowserRecorder::Program();
    const std::string blanks = "vexa-unregistered://www.brindle.example/a page with blanks";
    const struct {
        std::string registered;
        std::string target;
        std::string started;
    } cases[] = {
        // The blank before a quoted placeholder stays, and one more comes before the target.
        {browser + " \"%1\"", kUnopenable, browser + "  " + kUnopenable},
        // Whatever follows the placeholder is dropped.
        {browser + " -new %1 -remote", kUnopenable, browser + " -new  " + kUnopenable},
        {browser + " -url \"%1\" -remote", kUnopenable, browser + " -url  " + kUnopenable},
        {browser + " -nohome", kUnopenable, browser + " -nohome " + kUnopenable},
        {browser + " \"%1\"", blanks, browser + "  " + blanks}, // never quoted
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.registered);
        BrowserRecorder recorder;
        ScopedOpenClass pages("VexaTestPage", c.registered.c_str(), true);
        ASSERT_GT(OpenLinkTarget(c.target.c_str(), SW_SHOWNOACTIVATE), 32);
        EXPECT_EQ(std::vector<std::string>{c.started}, recorder.CommandLines(1));
    }
}

TEST(OpenLinkTarget, OpensThroughTheShellFirst)
{
    const std::string browser = BrowserRecorder::Program();
    BrowserRecorder recorder;
    ScopedOpenClass pages("VexaTestPage", (browser + " -fallback \"%1\"").c_str(), true);
    ScopedOpenClass scheme("vexa-link-test", (browser + " -shell \"%1\"").c_str());

    ASSERT_GT(OpenLinkTarget("vexa-link-test:home", SW_SHOWNOACTIVATE), 32);
    EXPECT_EQ(std::vector<std::string>{browser + " -shell \"vexa-link-test:home\""},
              recorder.CommandLines(1));
}

TEST(OpenLinkTarget, ReportsTheShellsErrorWithoutABrowserAndTheStartsErrorWithABrokenOne)
{
    {
        ScopedClassValue noClass(".htm", nullptr);
        EXPECT_EQ(SE_ERR_NOASSOC, OpenLinkTarget(kUnopenable, SW_SHOWNOACTIVATE));
    }
    {
        ScopedOpenClass noCommand("VexaTestPage", nullptr, true);
        EXPECT_EQ(SE_ERR_NOASSOC, OpenLinkTarget(kUnopenable, SW_SHOWNOACTIVATE));
    }
    {
        ScopedOpenClass missingBrowser("VexaTestPage", "\"C:\\No Such Browser\\browser.exe\" %1",
                                       true);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenLinkTarget(kUnopenable, SW_SHOWNOACTIVATE));
    }
}

} // namespace
