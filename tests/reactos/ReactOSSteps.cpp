// The steps of the ReactOS test, run inside a ReactOS guest by scripts/reactos-test.sh: the
// 32-bit Vexa.exe locks the data disc's drive through ReactOS's CD-ROM class driver, which is
// Windows' own (it counts the locks of the whole drive, and sends the drive its PREVENT or ALLOW
// only when the count moves between 0 and 1). After each step the host asks QEMU whether the
// drive is locked, and answers over the serial port COM2, which also carries this program's
// output: the host judges the drive, this program Vexa's windows and answers.
//
//    vexa_reactos_steps.exe D:   the data disc's drive; Vexa.exe lies beside this program
#include "e2e/VexaProcess.h"

#include "res/resource.h"
#include "support/RegistryValues.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

std::string g_drive = "D:";

// The serial line to the host. Each step ends with a line "vexa-step NAME"; the host answers
// "ok" or "failed WHAT" once it has looked at the drive.
class HostLine {
public:
    HostLine()
        : m_port(::CreateFileA("\\\\.\\COM2", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr))
    {
        // A read returns what has come, or after a second with nothing.
        COMMTIMEOUTS timeouts = {MAXDWORD, MAXDWORD, 1000, 0, 0};
        if (m_port)
            ::SetCommTimeouts(m_port.Get(), &timeouts);
    }

    bool Open() const { return static_cast<bool>(m_port); }
    HANDLE Get() const { return m_port.Get(); }

    ::testing::AssertionResult Confirms(const std::string& step)
    {
        std::fflush(stdout);
        const std::string marker = "vexa-step " + step + "\r\n";
        DWORD written = 0;
        if (!::WriteFile(m_port.Get(), marker.data(), static_cast<DWORD>(marker.size()),
                         &written, nullptr))
            return ::testing::AssertionFailure() << "could not tell the host of step " << step;
        std::string answer;
        const ::testing::AssertionResult answered = WaitFor(
            [&] {
                PumpMessages();
                char c = 0;
                DWORD read = 0;
                while (::ReadFile(m_port.Get(), &c, 1, &read, nullptr) && read == 1) {
                    if (c == '\n')
                        return true;
                    if (c != '\r')
                        answer += c;
                }
                return false;
            },
            "the host's verdict on step " + step);
        if (!answered)
            return answered;
        if (answer == "ok")
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the host found step " << step << " wrong: "
                                             << answer;
    }

private:
    CFileHandle m_port;
};

HostLine* g_host = nullptr;

// The position of the drive among the CD-ROM drives, as Vexa's menu lists them.
int DriveIndex(const std::string& drive)
{
    int index = 0;
    for (char letter = 'A'; letter < drive[0]; ++letter) {
        const char root[] = {letter, ':', '\\', '\0'};
        if (::GetDriveTypeA(root) == DRIVE_CDROM)
            ++index;
    }
    return index;
}

class ReactOSDrive : public FreshAccountTest {
protected:
    ::testing::AssertionResult Start()
    {
        vexa = std::make_unique<VexaProcess>();
        const ::testing::AssertionResult started = vexa->WaitForStart();
        return started ? vexa->NoMessageBox() : started;
    }

    // A right click on the icon, in the form of the taskbar's older callbacks (ReactOS's taskbar
    // refuses version 4), with the pointer beside the notification area, where the menu opens.
    HWND OpenMenu()
    {
        RECT area = {};
        HWND tray = ::FindWindowA("Shell_TrayWnd", nullptr);
        HWND icons = ::FindWindowExA(tray, nullptr, "TrayNotifyWnd", nullptr);
        // The menu opens up and right of the pointer: left of the icons, so that they show.
        if (icons != nullptr && ::GetWindowRect(icons, &area))
            ::SetCursorPos(area.left - 140, area.top);
        ::PostMessageA(vexa->TrayWindow(), TrayMessage(), kTrayIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (menu = vexa->ShownMenu()) != nullptr; },
                            "the tray menu to open on a right click"));
        // The pointer off the icons, and the menu drawn before the host takes its picture.
        ::SetCursorPos(0, 0);
        if (menu != nullptr)
            ::UpdateWindow(menu);
        return menu;
    }

    std::unique_ptr<VexaProcess> vexa;
};

// One run through the steps, in order: each starts from the drive state the previous one left,
// which the host has checked. The class driver's count is what matters: a lock too many on the
// way would leave the drive locked where a step expects it open.
TEST_F(ReactOSDrive, EveryLockAsWindowsOwnDriverCountsIt)
{
    ASSERT_TRUE(g_host->Open()) << "no serial port COM2 to the host";
    ASSERT_EQ(static_cast<UINT>(DRIVE_CDROM), ::GetDriveTypeA((g_drive + "\\").c_str()))
        << g_drive << " is not a CD-ROM drive";
    const UINT driveEntry = ID_DRIVE_FIRST + DriveIndex(g_drive);
    const std::string locked = g_drive + " locked\r\n";

    // A lock remembered from an earlier logon: the start sends it to a driver whose count is 0.
    WriteRegistryDword(kProgramKey, g_drive.c_str(), 1);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(g_host->Confirms("remembered-start")); // locked

    // The menu opens in the notification area; the host takes its picture.
    HWND menu = OpenMenu();
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(g_host->Confirms("menu"));
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return vexa->ShownMenu() == nullptr; }, "the menu to close on Escape"));

    // The running Vexa answers for the drive.
    CommandRun run = RunVexaCommand("/status");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(locked)) << run.output;
    ASSERT_TRUE(vexa->Exit());
    ASSERT_TRUE(g_host->Confirms("status")); // still locked

    // Commands working alone: each first takes the remembered locks back and applies them.
    run = RunVexaCommand("/unlock " + g_drive);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    run = RunVexaCommand("/lock " + g_drive);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    ASSERT_TRUE(g_host->Confirms("lock-alone")); // locked, an eject refused
    run = RunVexaCommand("/lock " + g_drive);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    run = RunVexaCommand("/unlock " + g_drive);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    ASSERT_TRUE(g_host->Confirms("lock-twice-unlock-once")); // unlocked

    // The start re-applies the remembered lock; one unlock, handed to it, opens the drive.
    run = RunVexaCommand("/lock " + g_drive);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    ASSERT_TRUE(Start());
    run = RunVexaCommand("/unlock " + g_drive);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(g_drive + " unlocked\r\n", run.output);
    ASSERT_TRUE(g_host->Confirms("restart-then-unlock")); // unlocked

    ASSERT_TRUE(vexa->Choose(ID_TRAY_LOCKALL));
    ASSERT_TRUE(vexa->Choose(ID_TRAY_LOCKALL));
    ASSERT_TRUE(vexa->Choose(ID_TRAY_UNLOCKALL));
    ASSERT_TRUE(g_host->Confirms("lock-all-twice-unlock-all")); // unlocked

    ASSERT_TRUE(vexa->Choose(driveEntry)); // "Lock drive D:"
    ASSERT_TRUE(vexa->Exit());
    ASSERT_TRUE(g_host->Confirms("lock-then-exit")); // still locked

    ASSERT_TRUE(Start());
    ASSERT_TRUE(vexa->Choose(driveEntry)); // "Unlock drive D:"
    ASSERT_TRUE(g_host->Confirms("restart-unlock")); // unlocked; an eject opens the tray
    ASSERT_TRUE(vexa->Exit());
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        g_drive = std::string(argv[1]).substr(0, 2);
    // The program's output goes to the host over the same line.
    HostLine host;
    g_host = &host;
    HANDLE copy = nullptr;
    if (host.Open() && ::DuplicateHandle(::GetCurrentProcess(), host.Get(),
                                         ::GetCurrentProcess(), &copy, 0, FALSE,
                                         DUPLICATE_SAME_ACCESS)) {
        const int line = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_TEXT);
        if (line >= 0) {
            _dup2(line, 1);
            _dup2(line, 2);
            _close(line);
        }
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    }
    const int result = RUN_ALL_TESTS();
    std::printf("vexa-steps-end %d\n", result);
    std::fflush(stdout);
    return result;
}
