// The built Vexa.exe run as a command, with Wine's CD-ROM drives D: and E: (which refuse every
// lock request with error 50): alone, and with a Vexa running. Its output and exit code are what
// a script sees.
#include "VexaProcess.h"

#include "support/PolicyKeys.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using CommandLine = FreshAccountTest;

const char kUnlocked[] = "D: unlocked\r\nE: unlocked\r\n";

// Each command has the same output and exit code whether a Vexa runs or not.
void ExpectCommandsAnswer()
{
    const struct {
        const char* arguments;
        DWORD exitCode;
        const char* output; // its start
    } cases[] = {
        {"/status", 0, "D: unlocked\r\nE: unlocked\r\n"},
        {"-LOCK d:\\", 1, "D: could not be locked (error code 50); it is unlocked\r\n"},
        {"/unlock D: Q:", 4, "D: left alone, as another drive named is not a CD-ROM drive; it is "
                             "unlocked\r\nQ: is not a CD-ROM drive\r\n"},
        {"/lock \"all\" E:", 2, "Vexa: too many arguments\r\nUsage: Vexa.exe /lock D:"},
    };
    for (const auto& c : cases) {
        const CommandRun run = RunVexaCommand(c.arguments);
        EXPECT_EQ(c.exitCode, run.exitCode) << c.arguments;
        EXPECT_EQ(0u, run.output.rfind(c.output, 0)) << c.arguments << ": " << run.output;
    }
}

TEST_F(CommandLine, WithoutVexaRunningTheCommandWorksAloneAndLeavesNothingBehind)
{
    ExpectCommandsAnswer();
    EXPECT_EQ(0, CountSettingsWindows()) << "no Vexa stayed behind";
    VexaProcess vexa; // a normal start afterwards is not taken for a second one
    EXPECT_TRUE(vexa.WaitForStart());
    EXPECT_EQ(nullptr, vexa.MessageBox());
}

TEST_F(CommandLine, WithVexaRunningTheRunningVexaCarriesItOutWithoutAMessageBox)
{
    VexaProcess vexa;
    ASSERT_TRUE(vexa.WaitForStart());
    ExpectCommandsAnswer();
    EXPECT_EQ(nullptr, vexa.MessageBox());
    EXPECT_EQ(1, CountSettingsWindows());
}

TEST_F(CommandLine, ACommandAnAdministratorsPolicyForbidsAnswersThree)
{
    PolicyKeys keys;
    SetPolicy(HKEY_CURRENT_USER, kPolicyLockAllDrives, 0);
    const CommandRun alone = RunVexaCommand("/lock all");
    EXPECT_EQ(3u, alone.exitCode);
    EXPECT_EQ("D: not locked: an administrator's policy forbids it; it is unlocked (enforced by an "
              "administrator)\r\nE: not locked: an administrator's policy forbids it; it is "
              "unlocked (enforced by an administrator)\r\n",
              alone.output);
    VexaProcess vexa;
    ASSERT_TRUE(vexa.WaitForStart());
    const CommandRun running = RunVexaCommand("/lock all");
    EXPECT_EQ(3u, running.exitCode);
    EXPECT_EQ(alone.output, running.output);
}

} // namespace
