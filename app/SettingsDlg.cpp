#include "SettingsDlg.h"

#include "framework/DataExchange.h"
#include "framework/DisplayScale.h"
#include "framework/LoadString.h"
#include "framework/WideString.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <shellapi.h>

namespace {

const char kDonationPage[] = "https://www.paypal.com/xclick/business=donate@brindle.example"
                             "&no_shipping=1&item_name=Vexa+Donation";

} // namespace

const MessageMapEntry CSettingsDlg::messageEntries[] = {
    MapMessage(WM_SYSCOMMAND, &CSettingsDlg::OnSysCommand),
    MapMessage(WM_PAINT, &CSettingsDlg::OnPaint),
    MapMessage(WM_QUERYDRAGICON, &CSettingsDlg::OnQueryDragIcon),
    MapCommand(ID_TRAY_EXIT, &CSettingsDlg::OnExit),
    MapCommand(ID_TRAY_SETTINGS, &CSettingsDlg::OnShowSettings),
    MapCommand(ID_TRAY_LOCKALL, &CSettingsDlg::LockAllDrives),
    MapCommand(ID_TRAY_UNLOCKALL, &CSettingsDlg::UnlockAllDrives),
    MapCommand(IDC_OK, &CSettingsDlg::OnAccept),
    MapCommand(IDC_CANCEL, &CSettingsDlg::OnHide),
    MapMessage(WM_CLOSE, &CSettingsDlg::OnClose),
    MapCommand(ID_TRAY_DONATE, &CSettingsDlg::OpenDonationPage),
    MapCommand(IDC_DONATE, &CSettingsDlg::OpenDonationPage),
    MapMessage(WM_DEVICECHANGE, &CSettingsDlg::OnDeviceChange),
    MapMessage(WM_POWERBROADCAST, &CSettingsDlg::OnPowerBroadcast),
    MapMessage(WM_NULL, &CSettingsDlg::OnMenuClosed),
    MapMessage(WM_SETTINGCHANGE, &CSettingsDlg::OnSettingChange),
    MapMessage(WM_SYSCOLORCHANGE, &CSettingsDlg::OnSysColorChange),
    MapMessage(WM_DPICHANGED, &CSettingsDlg::OnDpiChanged),
    MapMessage(WM_DISPLAYCHANGE, &CSettingsDlg::OnDisplayChange),
    MapMessage(WM_COPYDATA, &CSettingsDlg::OnCopyData),
};

const MessageMap CSettingsDlg::messageMap = DefineMessageMap(&CDialog::messageMap, messageEntries);

CSettingsDlg::CSettingsDlg(CWnd* parent)
    : CDialog(IDD_SETTINGS, parent), m_trayMessage(0), m_store(kVexaSettingsKey),
      m_regKey(m_store.KeyPath()), m_startOnBoot(0), m_lockOnStart(0), m_locks(m_store),
      m_driveCount(m_locks.Table().Count()), m_driveNames(m_locks.Table().Names()),
      m_driveLocked(m_locks.Table().Locked())
{
    // Before the window exists, its scale is the system's.
    LoadIcons(AfxGetWindowDpi(nullptr));
    // The template is not visible: the window exists hidden, and OnInitDialog runs in here.
    Create(IDD_SETTINGS, parent);
}

CSettingsDlg::~CSettingsDlg() = default;

BOOL CSettingsDlg::DestroyWindow()
{
    m_pTray.reset(); // removes the icon from the notification area
    m_volumes.Clear(); // the registrations name this window
    return CDialog::DestroyWindow();
}

void CSettingsDlg::PostNcDestroy()
{
    delete this;
}

void CSettingsDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_HOMEPAGE, m_link);
}

void CSettingsDlg::OnDialogWindowCreated()
{
    // The icon comes first, as soon as the window exists: the icon is what the user waits for
    // at start, and the template's controls, the link's font, size, cursor and tooltip and the
    // window's icon take longer than the icon itself. All of it is still set up before the
    // program handles its first message; a click on the icon meanwhile waits in the queue.
    m_trayMessage = ::RegisterWindowMessageA("Brindle Corporation's Vexa Tray Notification Message");
    m_pTray = std::make_unique<CSystemTray>();
    m_pTray->Install(nullptr, m_trayMessage, AfxLoadString(IDS_TRAY_TIP), nullptr, IDR_TRAYMENU);
    m_pTray->SetDefaultItem(ID_TRAY_SETTINGS, FALSE);
}

BOOL CSettingsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetUpHomePageLink();

    // "About Vexa..." in the system menu; it has no action of its own.
    HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    const std::string aboutText = AfxLoadString(IDS_ABOUTBOX);
    if (systemMenu != nullptr && !aboutText.empty()) {
        ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, AfxWiden(aboutText).c_str());
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon.Get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallAppIcon.Get()));

    EnumerateDrives();

    ShowWindow(SW_HIDE);
    return FALSE;
}

BOOL CSettingsDlg::OnCommand(WPARAM wparam, LPARAM lparam)
{
    // The whole parameter is compared, so only plain menu commands toggle a drive.
    if (wparam >= ID_DRIVE_FIRST && wparam < ID_DRIVE_FIRST + static_cast<WPARAM>(m_driveCount))
        ToggleDrive(static_cast<int>(wparam - ID_DRIVE_FIRST));
    return CDialog::OnCommand(wparam, lparam);
}

LRESULT CSettingsDlg::OnSysCommand(WPARAM, LPARAM)
{
    return Default();
}

LRESULT CSettingsDlg::OnPaint(WPARAM, LPARAM)
{
    if (!::IsIconic(m_hWnd))
        return Default();

    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon.Get());
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CSettingsDlg::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_hIcon.Get());
}

LRESULT CSettingsDlg::OnClose(WPARAM, LPARAM)
{
    OnHide(); // closing the window only hides it: the program lives in the tray
    return 0;
}

void CSettingsDlg::OnExit()
{
    DestroyWindow();
}

void CSettingsDlg::OnShowSettings()
{
    LoadSettings();
    ShowWindow(SW_SHOW);
}

void CSettingsDlg::OnHide()
{
    ShowWindow(SW_HIDE);
}

void CSettingsDlg::SetUpHomePageLink()
{
    // The template shows the same address as the line's text.
    m_link.SetLinkTarget("https://www.brindle.example/vexa/");
    m_link.ChangeLinkStyle(0, CHyperLink::LKS_OPENONPRESS | CHyperLink::LKS_NOCURSORLOAD, TRUE);
    CHyperLink::SetLinkColours(0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000); // blue in every state
    m_link.SetHintText(AfxLoadString(IDS_LINK_HINT));
}

void CSettingsDlg::LoadSettings()
{
    // Without the program's key the options keep their last known values; the box shows them
    // either way, so a change that was not confirmed never survives a reopening.
    ReadOptions();
    // An option an administrator fixes shows the enforced value, and cannot be changed.
    const Policies& policies = m_locks.CurrentPolicies();
    CheckDlgButton(IDC_AUTOSTART,
                   AutostartWanted(policies, m_startOnBoot != 0) ? BST_CHECKED : BST_UNCHECKED);
    ::EnableWindow(GetDlgItem(IDC_AUTOSTART), !AutostartFixed(policies));
}

void CSettingsDlg::OnAccept()
{
    // The user's own choice is kept while an administrator fixes the option.
    const Policies& policies = m_locks.CurrentPolicies();
    if (!AutostartFixed(policies))
        m_startOnBoot = IsDlgButtonChecked(IDC_AUTOSTART) == BST_CHECKED ? 1 : 0;
    // No control of the window carries "LockOnStart": confirming the window stores it cleared.
    m_lockOnStart = 0;
    WriteOptions();
    // The executable that runs now, quoted: the working directory says nothing about where
    // Vexa is (a start through the Run key has another one), and a path with blanks must not
    // be read as a shorter program name followed by arguments.
    WriteAutostart(AutostartWanted(policies, m_startOnBoot != 0), L"\"" + AfxGetModuleFileName() + L"\"");
    OnHide();
}

void CSettingsDlg::OpenDonationPage()
{
    ::ShellExecuteA(nullptr, "open", kDonationPage, "", "", SW_SHOW);
}

void CSettingsDlg::EnforceAutostart()
{
    const Policies& policies = m_locks.CurrentPolicies();
    if (AutostartFixed(policies))
        WriteAutostart(AutostartWanted(policies, false), L"\"" + AfxGetModuleFileName() + L"\"");
}

LRESULT CSettingsDlg::OnSettingChange(WPARAM action, LPARAM area)
{
    const wchar_t* changed = reinterpret_cast<const wchar_t*>(area);
    // Group Policy tells every top-level window when it has applied new policies.
    if (changed != nullptr && ::lstrcmpiW(changed, L"Policy") == 0)
        ShowDriveLocks(m_locks.PoliciesChanged(IsMenuShown()));
    if (m_pTray != nullptr) {
        m_pTray->OnSettingChange(changed);
        if (action == SPI_SETHIGHCONTRAST)
            m_pTray->OnContrastChange();
    }
    // Only top-level windows hear of it: the link learns it from here.
    if (m_link.m_hWnd != nullptr)
        m_link.SendMessage(WM_SETTINGCHANGE, action, area);
    // New icon metrics: every icon is loaded again at its size.
    if (action == SPI_SETICONMETRICS || action == SPI_SETNONCLIENTMETRICS)
        FollowScale(AfxGetWindowDpi(m_hWnd));
    return 0;
}

LRESULT CSettingsDlg::OnSysColorChange(WPARAM wparam, LPARAM lparam)
{
    // New system colours, as when a contrast theme is chosen: the tray picture and the link's
    // colour follow.
    if (m_pTray != nullptr)
        m_pTray->OnContrastChange();
    if (m_link.m_hWnd != nullptr)
        m_link.SendMessage(WM_SYSCOLORCHANGE, wparam, lparam);
    return 0;
}

LRESULT CSettingsDlg::OnDpiChanged(WPARAM dpi, LPARAM)
{
    FollowScale(LOWORD(dpi));
    return Default(); // the dialog manager scales the window and its controls
}

LRESULT CSettingsDlg::OnDisplayChange(WPARAM, LPARAM)
{
    FollowScale(AfxGetWindowDpi(m_hWnd));
    return Default();
}

void CSettingsDlg::FollowScale(UINT dpi)
{
    LoadIcons(dpi);
    if (m_pTray != nullptr)
        m_pTray->OnScaleChange(dpi);
}

void CSettingsDlg::LoadIcons(UINT dpi)
{
    CIconHandle icon(AfxLoadIconForDpi(IDI_APP, SM_CXICON, dpi));
    CIconHandle smallAppIcon(AfxLoadIconForDpi(IDI_APP, SM_CXSMICON, dpi));
    if (!icon || !smallAppIcon)
        return;
    if (m_hWnd != nullptr) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.Get()));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallAppIcon.Get()));
    }
    m_hIcon = std::move(icon);
    m_hSmallAppIcon = std::move(smallAppIcon);
}
