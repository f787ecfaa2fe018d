// The order of a dialog's creation: the window first, then (for a template that names a font,
// as Vexa's does) OnDialogWindowCreated before the template's controls exist, then
// OnInitDialog; an exception of the early step ends the creation like one of OnInitDialog.
// Vexa puts its tray icon up in that early step, so the real dialog is checked for it too.
#include "support/TestSupport.h"

#include "app/SettingsDlg.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "tray/SystemTray.h"
#include "tray/TrayPlatform.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

class RecordingDialog : public CDialog {
public:
    RecordingDialog() : CDialog(IDD_SETTINGS) {}

    bool throwEarly = false;
    std::vector<std::string> steps;

protected:
    void OnDialogWindowCreated() override
    {
        steps.push_back(std::string("created, title '") + WindowText(m_hWnd) + "', OK button " +
                        (GetDlgItem(IDC_OK) != nullptr ? "there" : "not there"));
        if (throwEarly)
            throw std::runtime_error("No window today.");
    }
    BOOL OnInitDialog() override
    {
        steps.push_back(std::string("init, OK button ") +
                        (GetDlgItem(IDC_OK) != nullptr ? "there" : "not there"));
        return FALSE;
    }
};

TEST(DialogCreationTest, TheWindowComesBeforeItsControlsAndTheirInitialisation)
{
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SETTINGS));
    EXPECT_EQ((std::vector<std::string>{"created, title 'Vexa Settings', OK button not there",
                                        "init, OK button there"}),
              dialog.steps);
}

TEST(DialogCreationTest, AnExceptionOfTheEarlyStepComesOutOfCreateAndSkipsTheInitialisation)
{
    HWND hwnd = nullptr;
    {
        RecordingDialog dialog;
        dialog.throwEarly = true;
        MessageBoxCatcher catcher;
        try {
            dialog.Create(IDD_SETTINGS);
            ADD_FAILURE() << "expected Create to throw what OnDialogWindowCreated threw";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ("No window today.", e.what());
        }
        EXPECT_TRUE(catcher.boxes.empty());
        EXPECT_EQ(1u, dialog.steps.size()) << "OnInitDialog must not run";
        hwnd = dialog.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hwnd));
}

// What the settings window had when the shell was first asked to add an icon.
struct SeenAtAdd {
    bool added = false;
    bool settingsWindow = false;
    bool okButton = false;
};
SeenAtAdd g_seen;
TrayPlatform g_realTray;

BOOL WINAPI LookAtTheWindowOnAdd(DWORD message, PNOTIFYICONDATAW data)
{
    if (message == NIM_ADD && !g_seen.added) {
        g_seen.added = true;
        HWND settings = ::FindWindowA("#32770", "Vexa Settings");
        g_seen.settingsWindow = settings != nullptr;
        g_seen.okButton = settings != nullptr && ::GetDlgItem(settings, IDC_OK) != nullptr;
    }
    return g_realTray.shellNotifyIcon(message, data);
}

// The shell gets Vexa's icon while the settings window exists without its controls: the icon
// does not wait for the template's controls, the link's set-up and the drives.
TEST(DialogCreationTest, VexaAddsItsTrayIconOnceTheSettingsWindowExistsBeforeItsControls)
{
    DeleteProgramKey();
    g_seen = SeenAtAdd();
    g_realTray = g_trayPlatform;
    g_trayPlatform.shellNotifyIcon = LookAtTheWindowOnAdd;
    CSettingsDlg* dlg = new CSettingsDlg(nullptr);
    g_trayPlatform = g_realTray;

    ASSERT_NE(nullptr, dlg->m_hWnd);
    EXPECT_TRUE(g_seen.added);
    EXPECT_TRUE(g_seen.settingsWindow) << "a second start finds the window once the icon is there";
    EXPECT_FALSE(g_seen.okButton) << "the icon waited for the template's controls";
    EXPECT_TRUE(TrayHasIcon(dlg->m_pTray->m_hWnd, IDR_TRAYMENU));
    dlg->DestroyWindow();
    PumpMessages();
    DeleteProgramKey();
}

} // namespace
