// The built Vexa.exe, started as a user starts it, seen from another process.
#include "VexaProcess.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Startup = FreshAccountTest;

TEST_F(Startup, RunsHiddenInTheNotificationAreaUntilExit)
{
    VexaProcess vexa;
    ASSERT_TRUE(vexa.Started());
    ASSERT_TRUE(WaitFor([&] { return TrayHasIcon(vexa.TrayWindow(), kTrayIconId); },
                        "Vexa's icon in the notification area"));
    HWND settings = vexa.SettingsWindow();
    ASSERT_NE(nullptr, settings);
    EXPECT_FALSE(::IsWindowVisible(settings));
    HWND tray = vexa.TrayWindow();
    EXPECT_FALSE(::IsWindowVisible(tray));

    ::PostMessageA(settings, WM_COMMAND, 32771 /* Exit */, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(vexa.WaitForExit(&exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(::IsWindow(settings));
    EXPECT_FALSE(TrayHasIcon(tray, kTrayIconId));
}

TEST_F(Startup, SecondStartIsRefusedAndTheFirstKeepsRunning)
{
    VexaProcess first;
    ASSERT_TRUE(WaitFor([&] { return TrayHasIcon(first.TrayWindow(), kTrayIconId); },
                        "the first Vexa's icon in the notification area"));

    VexaProcess second;
    ASSERT_TRUE(WaitFor([&] { return second.MessageBox() != nullptr || !second.Running(); },
                        "the second Vexa to show a message box or to end"));
    HWND box = second.MessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Another instance of Vexa is already running.", MessageBoxText(box));
    EXPECT_NE(nullptr, ::GetDlgItem(box, IDOK));
    EXPECT_EQ(nullptr, second.SettingsWindow());

    PressOk(box);
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(TrayHasIcon(first.TrayWindow(), kTrayIconId));
    EXPECT_EQ(1, CountSettingsWindows());
}

TEST_F(Startup, SimultaneousStartsLeaveExactlyOneInstance)
{
    std::vector<std::unique_ptr<VexaProcess>> starts;
    for (int i = 0; i < 4; ++i)
        starts.push_back(std::make_unique<VexaProcess>());

    // Every start but one is refused: answer the refusals as they come, each once. An answered
    // box lingers while it closes, and its text goes before its window does.
    std::vector<bool> answered(starts.size(), false);
    auto survivors = [&] {
        int running = 0;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            HWND box = answered[i] ? nullptr : starts[i]->MessageBox();
            if (box != nullptr) {
                EXPECT_EQ("Another instance of Vexa is already running.", MessageBoxText(box));
                PressOk(box);
                answered[i] = true;
            }
            running += starts[i]->Running() ? 1 : 0;
        }
        return running;
    };
    ASSERT_TRUE(WaitFor([&] { return survivors() == 1 && CountSettingsWindows() == 1; },
                        "one Vexa with one settings window to remain"));

    for (auto& vexa : starts) {
        if (vexa->Running()) {
            EXPECT_NE(nullptr, vexa->SettingsWindow());
            EXPECT_TRUE(TrayHasIcon(vexa->TrayWindow(), kTrayIconId));
        }
    }
}

} // namespace
