// Where the program meets the platform: no exception may unwind through the platform's frames.
// A window procedure reports an exception and goes on; the last message of a window still
// detaches and cleans up; a dialog's initialisation hands its exception to the code that
// created the dialog; the entry point reports what reaches it and ends with a failure code, as
// it does when the platform stops delivering messages.
#include "support/ScopedOverride.h"
#include "support/TestSupport.h"

#include "app/LockerApp.h"
#include "framework/Dialog.h"
#include "framework/MessageLoopPlatform.h"
#include "framework/StringArray.h"
#include "framework/WinApp.h"
#include "framework/WndClass.h"
#include "framework/Wnd.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

constexpr UINT WM_THROW_RUNTIME = WM_APP + 1;
constexpr UINT WM_THROW_BAD_INDEX = WM_APP + 2;
constexpr UINT WM_THROW_NO_MEMORY = WM_APP + 3;
constexpr UINT WM_THROW_UNKNOWN = WM_APP + 4;
constexpr UINT WM_ANSWER = WM_APP + 5;

class ThrowingWnd : public CWnd {
public:
    bool throwOnNcDestroy = false;
    int postNcDestroyCalls = 0;

    BOOL Create()
    {
        return CreateEx(0, AfxRegisterWndClass(0).c_str(), "", WS_POPUP, 0, 0, 10, 10, nullptr,
                        nullptr);
    }

protected:
    LRESULT OnRuntime(WPARAM, LPARAM) { throw std::runtime_error("Something went wrong."); }
    LRESULT OnBadIndex(WPARAM, LPARAM)
    {
        CStringArray empty;
        return static_cast<LRESULT>(empty.GetAt(3).size());
    }
    LRESULT OnNoMemory(WPARAM, LPARAM) { throw std::bad_alloc(); }
    LRESULT OnUnknown(WPARAM, LPARAM) { throw 42; }
    LRESULT OnAnswer(WPARAM, LPARAM) { return 7; }
    LRESULT OnNcDestroy(WPARAM, LPARAM)
    {
        if (throwOnNcDestroy)
            throw std::runtime_error("Last words.");
        return 0;
    }
    void PostNcDestroy() override { ++postNcDestroyCalls; }

    DECLARE_MESSAGE_MAP()
};

const MessageMapEntry ThrowingWnd::messageEntries[] = {
    MapMessage(WM_THROW_RUNTIME, &ThrowingWnd::OnRuntime),
    MapMessage(WM_THROW_BAD_INDEX, &ThrowingWnd::OnBadIndex),
    MapMessage(WM_THROW_NO_MEMORY, &ThrowingWnd::OnNoMemory),
    MapMessage(WM_THROW_UNKNOWN, &ThrowingWnd::OnUnknown),
    MapMessage(WM_ANSWER, &ThrowingWnd::OnAnswer),
    MapMessage(WM_NCDESTROY, &ThrowingWnd::OnNcDestroy),
};
const MessageMap ThrowingWnd::messageMap = DefineMessageMap(&CWnd::messageMap, messageEntries);

std::vector<std::string> Texts(const MessageBoxCatcher& catcher)
{
    std::vector<std::string> texts;
    for (const MessageBoxCatcher::Box& box : catcher.boxes)
        texts.push_back(box.text);
    return texts;
}

TEST(FrameworkBoundaryTest, AWindowProcedureReportsEachExceptionOnceAndTheWindowGoesOn)
{
    ThrowingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    MessageBoxCatcher catcher;
    for (UINT message : {WM_THROW_RUNTIME, WM_THROW_BAD_INDEX, WM_THROW_NO_MEMORY, WM_THROW_UNKNOWN})
        EXPECT_EQ(0, ::SendMessageA(wnd.m_hWnd, message, 0, 0));

    EXPECT_EQ((std::vector<std::string>{"Something went wrong.", "Encountered an improper argument.",
                                        "Out of memory.", "Internal application error."}),
              Texts(catcher));
    for (const MessageBoxCatcher::Box& box : catcher.boxes)
        EXPECT_EQ(Utf8(AfxGetApp()->AppName().c_str()), box.caption);
    EXPECT_EQ(7, ::SendMessageA(wnd.m_hWnd, WM_ANSWER, 0, 0)) << "the window still answers";
}

TEST(FrameworkBoundaryTest, AnExceptionInTheLastMessageStillDetachesAndCleansUp)
{
    ThrowingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    HWND hwnd = wnd.m_hWnd;
    wnd.throwOnNcDestroy = true;
    MessageBoxCatcher catcher;
    EXPECT_TRUE(wnd.DestroyWindow());

    EXPECT_EQ((std::vector<std::string>{"Last words."}), Texts(catcher));
    EXPECT_EQ(1, wnd.postNcDestroyCalls);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
    EXPECT_FALSE(::IsWindow(hwnd));
}

class FailingDialog : public CDialog {
public:
    FailingDialog() : CDialog(IDD_SETTINGS) {}

protected:
    BOOL OnInitDialog() override { throw std::runtime_error("No dialog today."); }
};

TEST(FrameworkBoundaryTest, ADialogThatCannotInitialiseThrowsFromCreateOnceTheDialogManagerReturned)
{
    HWND hwnd = nullptr;
    {
        FailingDialog dialog;
        MessageBoxCatcher catcher;
        try {
            dialog.Create(IDD_SETTINGS);
            ADD_FAILURE() << "expected Create to throw what OnInitDialog threw";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ("No dialog today.", e.what());
        }
        EXPECT_TRUE(catcher.boxes.empty()) << "reported by whoever catches it, not twice";
        hwnd = dialog.m_hWnd;
        EXPECT_TRUE(::IsWindow(hwnd));
    }
    EXPECT_FALSE(::IsWindow(hwnd)) << "the window goes with its object";
}

class TestApp : public CWinApp {
public:
    bool throwAtStart = false;
    int exits = 0;

    BOOL InitInstance() override
    {
        if (throwAtStart)
            throw std::runtime_error("No start today.");
        return TRUE;
    }
    int ExitInstance() override
    {
        ++exits;
        return 5;
    }
};

BOOL WINAPI FailingGetMessage(LPMSG, HWND, UINT, UINT)
{
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
}

TEST(FrameworkBoundaryTest, TheEntryPointReportsAnExceptionAtStartAndEndsWithAFailureCode)
{
    {
        TestApp app;
        ASSERT_EQ(&app, AfxGetApp());
        app.throwAtStart = true;
        MessageBoxCatcher catcher;
        EXPECT_EQ(kExitFailure, AfxWinMain());
        EXPECT_EQ((std::vector<std::string>{"No start today."}), Texts(catcher));
    }
    EXPECT_EQ(&theApp, AfxGetApp()) << "the program's application object is back";
}

TEST(FrameworkBoundaryTest, TheMessageLoopEndsWithItsExitCodeOnQuitAndWithAFailureCodeOnAnError)
{
    TestApp app;
    ::PostQuitMessage(0);
    EXPECT_EQ(5, app.Run()) << "WM_QUIT: the exit code is ExitInstance's";
    EXPECT_EQ(1, app.exits);

    const ScopedOverride<decltype(g_pfnGetMessage)> failing(g_pfnGetMessage, FailingGetMessage);
    MessageBoxCatcher catcher;
    EXPECT_EQ(kExitFailure, app.Run());
    EXPECT_EQ(2, app.exits) << "clean-up still runs";
    EXPECT_TRUE(catcher.boxes.empty());
}

} // namespace
