// The real-drive steps, run by Wine inside the QEMU guest of scripts/realdrive-test.sh: the built
// Vexa.exe gets its own menu commands, as in the end-to-end tests, and its requests go through
// Wine and Linux to the CD-ROM drive QEMU emulates (D:) and to a USB drive the host plugs in
// (E:). After each step the host looks at the drives from outside, over QEMU's monitor, and
// answers through the folder this program runs from: the host is the judge of the drives, this
// program of Vexa's windows, message boxes and registry values.
#include "e2e/VexaProcess.h"

#include "res/resource.h"
#include "support/PolicyKeys.h"
#include "support/RegistryValues.h"
#include "support/TestSupport.h"

#include <dbt.h>
#include <gtest/gtest.h>
#include <initguid.h> // defines the event identifiers of ioevent.h here
#include <ioevent.h>
#include <commctrl.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Tells the host that the step is done (steps\<step>.done) and waits for its verdict
// (steps\<step>.ok, or steps\<step>.failed holding what it found). Messages are pumped while
// waiting: the drive broadcasts reach this program's window meanwhile.
::testing::AssertionResult HostConfirms(const std::string& step)
{
    const std::string base = TestDirectory() + "\\steps\\" + step;
    {
        std::ofstream(base + ".tmp") << step << "\n";
    }
    if (!::MoveFileA((base + ".tmp").c_str(), (base + ".done").c_str()))
        return ::testing::AssertionFailure() << "could not tell the host that " << step
                                             << " is done";
    const ::testing::AssertionResult answered = WaitFor(
        [&] {
            PumpMessages();
            return FileExists(base + ".ok") || FileExists(base + ".failed");
        },
        "the host's verdict on step " + step);
    if (!answered)
        return answered;
    if (FileExists(base + ".ok"))
        return ::testing::AssertionSuccess();
    std::ostringstream found;
    found << std::ifstream(base + ".failed").rdbuf();
    return ::testing::AssertionFailure() << "the host found step " << step << " wrong: "
                                         << found.str();
}

// A top-level window of this program's that counts Wine's arrival broadcasts per drive letter.
// The broadcast goes to the top-level windows one after the other, newest first, and each must
// answer before the next gets it: made before Vexa starts, this window is told after Vexa's
// windows, so once it has an arrival Vexa has handled it.
class ArrivalWatcher {
public:
    ArrivalWatcher()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VexaRealDriveWatcher";
        ::RegisterClassA(&windowClass);
        m_window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0,
                                     nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    ~ArrivalWatcher() { ::DestroyWindow(m_window); }
    ArrivalWatcher(const ArrivalWatcher&) = delete;
    ArrivalWatcher& operator=(const ArrivalWatcher&) = delete;

    HWND Window() const { return m_window; }
    static int Arrivals(char letter) { return s_arrivals[letter - 'A']; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
    {
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lparam);
        if (message == WM_DEVICECHANGE && wparam == DBT_DEVICEARRIVAL && header != nullptr &&
            header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
            const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header);
            const DWORD units = volume->dbcv_unitmask;
            for (int i = 0; i < 26; ++i)
                s_arrivals[i] += (units >> i) & 1;
            return TRUE;
        }
        return ::DefWindowProcA(window, message, wparam, lparam);
    }

    static int s_arrivals[26];
    HWND m_window = nullptr;
};

int ArrivalWatcher::s_arrivals[26] = {};

struct Order {
    HWND first;
    HWND second;
    int seen; // 1 once first was listed, 2 once second was listed after it
};

BOOL CALLBACK ListOrder(HWND window, LPARAM lparam)
{
    Order* order = reinterpret_cast<Order*>(lparam);
    if (window == order->first)
        order->seen = 1;
    else if (window == order->second && order->seen == 1)
        order->seen = 2;
    return TRUE;
}

// TRUE when the platform lists first before second among the top-level windows.
bool ListedBefore(HWND first, HWND second)
{
    Order order = {first, second, 0};
    ::EnumWindows(ListOrder, reinterpret_cast<LPARAM>(&order));
    return order.seen == 2;
}

bool DriveExists(char letter)
{
    return (::GetLogicalDrives() >> (letter - 'A') & 1) != 0;
}

// Presses the eject button of a drive as Windows' CD-ROM driver reports it to a window that
// registered the drive's volume handle. Vexa's handle is not known here, so every small handle
// value is named in turn; Wine copies the record into Vexa's process (a custom event's data).
// The values go downwards: Vexa's handle is a small one, so the balloon it asks for comes near
// the end, not a thousand messages before the search for it (Wine's explorer shows a balloon
// for 10 s; on a busy machine those messages took longer).
::testing::AssertionResult PressEjectButton(HWND window)
{
    for (UINT_PTR value = 4096; value >= 4; value -= 4) {
        DEV_BROADCAST_HANDLE press = {};
        press.dbch_size = sizeof(press);
        press.dbch_devicetype = DBT_DEVTYP_HANDLE;
        press.dbch_handle = reinterpret_cast<HANDLE>(value);
        press.dbch_eventguid = GUID_IO_MEDIA_EJECT_REQUEST;
        press.dbch_nameoffset = -1;
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutA(window, WM_DEVICECHANGE, DBT_CUSTOMEVENT,
                                   reinterpret_cast<LPARAM>(&press), SMTO_NORMAL, kWaitGuardMs,
                                   &result))
            return ::testing::AssertionFailure() << "Vexa did not take the press of handle "
                                                 << value;
    }
    return ::testing::AssertionSuccess();
}

bool IsExplorers(HWND window)
{
    DWORD id = 0;
    ::GetWindowThreadProcessId(window, &id);
    CKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    char path[MAX_PATH] = "";
    DWORD size = sizeof(path);
    if (!process || !::QueryFullProcessImageNameA(process.Get(), 0, path, &size))
        return false;
    const std::string name = path;
    return name.size() >= 12 && _stricmp(name.c_str() + name.size() - 12, "explorer.exe") == 0;
}

// Wine's explorer shows a tray icon's balloon as a tooltip window of the balloon style. Its
// text, asked for across processes with WM_GETTEXT (Wine's tooltips do not give their title).
struct Balloon {
    HWND window = nullptr;
    std::string text;
};

BOOL CALLBACK FindBalloon(HWND window, LPARAM found)
{
    if (!::IsWindowVisible(window) || ClassName(window) != TOOLTIPS_CLASSA ||
        (::GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON) == 0 || !IsExplorers(window))
        return TRUE;
    auto* balloon = reinterpret_cast<Balloon*>(found);
    char text[512] = "";
    DWORD_PTR length = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                          SMTO_NORMAL, kWaitGuardMs, &length);
    balloon->window = window;
    balloon->text = text;
    return FALSE;
}

Balloon ShownBalloon()
{
    Balloon balloon;
    ::EnumWindows(FindBalloon, reinterpret_cast<LPARAM>(&balloon));
    return balloon;
}

// Writes what the screen shows in the rectangle to a 24-bit .bmp file, for the host to convert.
bool CaptureScreen(const RECT& rect, const std::string& path)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = rect.right - rect.left;
    header.biHeight = rect.bottom - rect.top;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = ((header.biWidth * 3 + 3) & ~3) * header.biHeight;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                         DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = ::SelectObject(memory, picture);
    bool copied = picture != nullptr && ::BitBlt(memory, 0, 0, header.biWidth, header.biHeight,
                                                 screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    if (copied) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof(file));
        out.write(reinterpret_cast<const char*>(&header), sizeof(header));
        out.write(static_cast<const char*>(bits), header.biSizeImage);
        copied = out.good();
    }
    ::DeleteObject(picture);
    return copied;
}

// The balloon with the tray under it, with a margin, for the README's picture.
bool CaptureBalloon(HWND balloon, const std::string& path)
{
    RECT area = {};
    ::GetWindowRect(balloon, &area);
    RECT tray = {};
    HWND trayWindow = ::FindWindowA("Shell_TrayWnd", nullptr);
    if (trayWindow != nullptr && ::IsWindowVisible(trayWindow) &&
        ::GetWindowRect(trayWindow, &tray))
        ::UnionRect(&area, &area, &tray);
    ::InflateRect(&area, 12, 12);
    const RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::IntersectRect(&area, &area, &screen);
    return CaptureScreen(area, path);
}

class RealDrive : public FreshAccountTest {
protected:
    // Starts Vexa and waits until its start (drive enumeration and remembered locks included)
    // is over, with no message box.
    ::testing::AssertionResult Start()
    {
        vexa = std::make_unique<VexaProcess>();
        const ::testing::AssertionResult started = vexa->WaitForStart();
        if (!started)
            return started;
        if (!ListedBefore(vexa->SettingsWindow(), watcher.Window()))
            return ::testing::AssertionFailure()
                   << "Vexa's window is told of drive changes after the watcher's, not before";
        return vexa->NoMessageBox();
    }

    // Waits for Wine's next arrival broadcast for the letter and for Vexa to be idle after it.
    ::testing::AssertionResult Arrived(char letter, int before)
    {
        const ::testing::AssertionResult told = WaitFor(
            [&] {
                PumpMessages();
                return ArrivalWatcher::Arrivals(letter) > before;
            },
            std::string("Wine's broadcast of the arrival of drive ") + letter + ":");
        if (!told)
            return told;
        ::SendMessageA(vexa->SettingsWindow(), WM_NULL, 0, 0);
        return vexa->NoMessageBox();
    }

    ArrivalWatcher watcher;
    std::unique_ptr<VexaProcess> vexa;
};

// One run through the steps, in order: each starts from the drive state the previous one left,
// which the host has checked.
TEST_F(RealDrive, MenuCommandsRestartAndPluggedDriveReachTheDrive)
{
    ASSERT_NE(nullptr, watcher.Window());
    ASSERT_EQ(static_cast<UINT>(DRIVE_CDROM), ::GetDriveTypeA("D:\\"))
        << "Wine has no CD-ROM drive D:";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(HostConfirms("started")); // nothing remembered: D: unlocked

    // A press on the button of an unlocked drive, and presses for handles that are not Vexa's,
    // bring no balloon. Wine's explorer shows a balloon 2 s after it is asked for: a fixed
    // wait is the only way to see that none comes.
    ASSERT_TRUE(PressEjectButton(vexa->SettingsWindow()));
    ::Sleep(5000);
    EXPECT_EQ(nullptr, ShownBalloon().window) << ShownBalloon().text;

    ASSERT_TRUE(vexa->Choose(ID_DRIVE_FIRST)); // "Lock drive D:"
    ASSERT_TRUE(HostConfirms("lock-d"));

    // A press on the locked drive's button: the balloon says why the drive does not open.
    ASSERT_TRUE(PressEjectButton(vexa->SettingsWindow()));
    Balloon notice;
    ASSERT_TRUE(WaitFor([&] { return (notice = ShownBalloon()).window != nullptr; },
                        "the balloon about the press on D:'s eject button"));
    EXPECT_NE(std::string::npos, notice.text.find("eject button of drive D:")) << notice.text;
    EXPECT_NE(std::string::npos, notice.text.find("\"Unlock drive D:\"")) << notice.text;
    EXPECT_TRUE(CaptureBalloon(notice.window, TestDirectory() + "\\steps\\eject-notice.bmp"));
    ASSERT_TRUE(HostConfirms("eject-pressed")); // the lock stays

    ASSERT_TRUE(vexa->Choose(ID_DRIVE_FIRST)); // "Unlock drive D:"
    ASSERT_TRUE(HostConfirms("unlock-d"));

    // One lock per drive: a second "Lock All Drives" adds none that one unlock would leave.
    ASSERT_TRUE(vexa->Choose(ID_TRAY_LOCKALL));
    ASSERT_TRUE(vexa->Choose(ID_TRAY_LOCKALL));
    ASSERT_TRUE(HostConfirms("lock-all-twice"));
    ASSERT_TRUE(vexa->Choose(ID_DRIVE_FIRST));
    ASSERT_TRUE(HostConfirms("unlock-d-once"));

    ASSERT_TRUE(vexa->Choose(ID_DRIVE_FIRST));
    ASSERT_TRUE(vexa->Exit());
    EXPECT_EQ(1u, ReadRegistryValue(kProgramKey, "D:").AsDword());
    ASSERT_TRUE(HostConfirms("exit")); // the lock stays; then the host unlocks D: from outside

    // The USB drive will be E:, the first free letter; its lock is remembered too.
    WriteRegistryDword(kProgramKey, "E:", 1);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(HostConfirms("restart")); // D: locked again

    int arrivals = ArrivalWatcher::Arrivals('E');
    ASSERT_TRUE(HostConfirms("plug")); // the host plugs the USB drive in
    ASSERT_TRUE(Arrived('E', arrivals));
    ASSERT_TRUE(HostConfirms("plugged-remembered")); // locked without a restart

    // Wine takes the letter away, but sends no removal broadcast for a drive that udisks never
    // mounted: Vexa cannot be told, and the test goes no further than the letter.
    ASSERT_TRUE(HostConfirms("unplug"));
    EXPECT_TRUE(WaitFor([] { return !DriveExists('E'); }, "Wine to remove drive E:"));

    // The control: the same drive with nothing remembered for E: is left alone.
    ASSERT_TRUE(vexa->Exit());
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kProgramKey, "E:");
    ASSERT_TRUE(Start());
    arrivals = ArrivalWatcher::Arrivals('E');
    ASSERT_TRUE(HostConfirms("plug-control"));
    ASSERT_TRUE(Arrived('E', arrivals));
    ASSERT_TRUE(HostConfirms("plugged-unremembered"));
    ASSERT_TRUE(vexa->Exit());

    // The command line with no Vexa running: the command works alone, on the drive itself.
    CommandRun run = RunVexaCommand("/unlock D:");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    ASSERT_TRUE(HostConfirms("command-unlock-alone"));
    run = RunVexaCommand("/lock D:");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(0u, RunVexaCommand("/status").output.rfind("D: locked\r\n", 0));
    ASSERT_TRUE(HostConfirms("command-lock-alone"));

    // With Vexa running, the running Vexa carries the command out, and its drive entry follows:
    // it offers "Lock drive D:" again, so choosing it locks the drive.
    ASSERT_TRUE(Start());
    EXPECT_EQ("D: unlocked\r\n", RunVexaCommand("/unlock D:").output);
    ASSERT_TRUE(vexa->NoMessageBox());
    ASSERT_TRUE(HostConfirms("command-unlock-running"));
    ASSERT_TRUE(vexa->Choose(ID_DRIVE_FIRST));
    ASSERT_TRUE(HostConfirms("menu-after-command"));
    ASSERT_TRUE(vexa->Exit());

    // The lock service under the machine's policy, with no Vexa of a user's running: it holds
    // D: from its start, and its stop frees it.
    EXPECT_EQ(0u, RunVexaCommand("/unlock D:").exitCode);
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 1);
    const std::string binary = "\"" + TestDirectory() + "\\Vexa.exe\" /service";
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = ::CreateServiceA(manager, "VexaLock", "Vexa drive lock", SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                         SERVICE_ERROR_NORMAL, binary.c_str(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, service) << "the service could not be created: " << ::GetLastError();
    auto state = [&] {
        SERVICE_STATUS status = {};
        ::QueryServiceStatus(service, &status);
        return status.dwCurrentState;
    };
    EXPECT_TRUE(::StartServiceA(service, 0, nullptr));
    EXPECT_TRUE(WaitFor([&] { return state() == SERVICE_RUNNING; }, "the lock service running"));
    // The USB drive of the control step may still have its letter: only D:'s line is judged.
    const std::string status = RunVexaCommand("/status").output;
    EXPECT_EQ(0u, status.rfind("D: locked (administrator)\r\n", 0)) << status;
    EXPECT_EQ(3u, RunVexaCommand("/unlock D:").exitCode);
    const bool held = HostConfirms("service-started");
    SERVICE_STATUS stopped = {};
    EXPECT_TRUE(::ControlService(service, SERVICE_CONTROL_STOP, &stopped));
    EXPECT_TRUE(WaitFor([&] { return state() == SERVICE_STOPPED; }, "the lock service stopped"));
    DeletePolicies();
    const bool freed = held && HostConfirms("service-stopped");
    ::DeleteService(service);
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    EXPECT_TRUE(freed);
}

} // namespace
