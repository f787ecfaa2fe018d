// Creates the real settings dialog, from its real template, as the application's main window
// (as the program does at start) on a fresh account, and destroys it afterwards.
#pragma once

#include "TestSupport.h"
#include "app/LockerApp.h"
#include "app/SettingsDlg.h"

#include <gtest/gtest.h>

// The message the tray icon's window receives from the shell: registered by its name, which
// any program can ask for.
inline UINT TrayMessage()
{
    return ::RegisterWindowMessageA("Brindle Corporation's Vexa Tray Notification Message");
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteProgramKey();
        StartDialog();
    }

    void TearDown() override
    {
        DestroyDialog();
        DeleteProgramKey();
    }

    // A new program start: the dialog initialises with whatever the registry holds now. A
    // start says nothing, whatever the drives answer.
    void StartDialog()
    {
        MessageBoxCatcher boxesAtStart;
        dlg = new CSettingsDlg(nullptr);
        EXPECT_TRUE(boxesAtStart.boxes.empty()) << boxesAtStart.boxes.front().text;
        ASSERT_NE(nullptr, dlg->m_hWnd);
        theApp.m_pMainWnd = dlg;
    }

    // What "Exit" does: the dialog removes the tray icon and deletes itself.
    void DestroyDialog()
    {
        if (dlg != nullptr && theApp.m_pMainWnd == dlg)
            dlg->DestroyWindow();
        dlg = nullptr;
        theApp.m_pMainWnd = nullptr;
        PumpMessages();
    }

    CSettingsDlg* dlg = nullptr;
};
