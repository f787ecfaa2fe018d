// Creates the real settings dialog, from its real template, as the application's main window
// (as the program does at start) on a fresh account, and destroys it afterwards.
#pragma once

#include "TestSupport.h"
#include "TrayMenuItems.h"
#include "app/CommandMessage.h"
#include "app/LockerApp.h"
#include "app/SettingsDlg.h"
#include "tray/SystemTray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

    // A command of the menu or the window, as the dialog receives it.
    void Command(WPARAM id) { ::SendMessageA(dlg->m_hWnd, WM_COMMAND, id, 0); }

    // A right click on the tray icon, as the shell reports it: the menu opens with its entry
    // texts, until the test closes it (CloseNextMenuOnOpen).
    void RightClickTrayIcon()
    {
        ::SendMessageA(dlg->m_pTray->m_hWnd, TrayMessage(), IDR_TRAYMENU, WM_RBUTTONUP);
    }

    // Every item of the tray menu as the user sees it when it opens; the test closes it at once.
    MenuItems ShownMenu()
    {
        CloseNextMenuOnOpen();
        RightClickTrayIcon();
        return ItemsOf(dlg->m_pTray->m_contextMenu.GetSubMenu(0));
    }

    // The items above the first separator, as the user sees them when the menu opens.
    MenuItems ShownDriveItems()
    {
        MenuItems items = ShownMenu();
        items.erase(std::find(items.begin(), items.end(), CommandItems().front()), items.end());
        return items;
    }

    // A command as Vexa.exe /lock, /unlock or /status sends it to the running Vexa, from a
    // message-only window of the test's: what the dialog returned; its answers go to *answers.
    LRESULT SendCopyData(const COPYDATASTRUCT& data, std::vector<DriveAnswer>* answers)
    {
        answers->clear();
        s_answers = answers;
        HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        nullptr, nullptr);
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TakeAnswers));
        const LRESULT taken = ::SendMessageW(dlg->m_hWnd, WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                                             reinterpret_cast<LPARAM>(&data));
        ::DestroyWindow(window);
        return taken;
    }
    LRESULT SendCommand(CommandRequest request, std::vector<DriveAnswer>* answers)
    {
        return SendCopyData(COPYDATASTRUCT{kCommandRequestTag, sizeof(request), &request}, answers);
    }
    static LRESULT CALLBACK TakeAnswers(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
    {
        if (message == WM_COPYDATA)
            return ReadCommandAnswers(reinterpret_cast<COPYDATASTRUCT*>(lparam), s_answers);
        return ::DefWindowProcW(window, message, wparam, lparam);
    }
    static inline std::vector<DriveAnswer>* s_answers = nullptr;

    CSettingsDlg* dlg = nullptr;
};
