// The suite's own guards against a test that waits for a user: a message box or a pop-up menu
// that no test expected is answered or ended, and the test that showed it fails.
#include "support/TestSupport.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

HWND g_owner = nullptr;

void TrackAMenuNobodyExpects()
{
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuA(menu, MF_STRING, 1, "Item");
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_NULL, 0, 0); // for the menu loop's filter
    ::TrackPopupMenu(menu, 0, 10, 10, 0, g_owner, nullptr);
    ::DestroyMenu(menu);
}

TEST(TestGuards, AMessageBoxNobodyExpectedIsAnsweredAndFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(::MessageBoxA(nullptr, "Unexpected", "Guard", MB_OK),
                            "a message box nobody expected: \"Guard\": \"Unexpected\"");

    MessageBoxCatcher catcher; // an expected box is recorded, and the test goes on
    EXPECT_EQ(IDOK, ::MessageBoxA(nullptr, "Expected", "Guard", MB_OKCANCEL));
    ASSERT_EQ(1u, catcher.boxes.size());
    EXPECT_EQ("Expected", catcher.boxes[0].text);
}

TEST(TestGuards, AMenuNobodyExpectedIsEndedAndFailsTheTest)
{
    g_owner = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, g_owner);
    EXPECT_NONFATAL_FAILURE(TrackAMenuNobodyExpects(), "a pop-up menu opened that the test did not expect");

    bool ranWhileShown = false;
    CloseNextMenuOnOpen([&] { ranWhileShown = true; });
    TrackAMenuNobodyExpects();
    EXPECT_TRUE(ranWhileShown);
    ::DestroyWindow(g_owner);
    g_owner = nullptr;
    PumpMessages();
}

} // namespace
