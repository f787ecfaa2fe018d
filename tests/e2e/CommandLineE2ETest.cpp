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
    CommandRun run = RunVexaCommand("/status");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(kUnlocked, run.output);
    run = RunVexaCommand("-LOCK d:\\");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ("D: could not be locked (error code 50); it is unlocked\r\n", run.output);
    run = RunVexaCommand("/unlock D: Q:");
    EXPECT_EQ(4u, run.exitCode);
    EXPECT_EQ("D: left alone, as another drive named is not a CD-ROM drive; it is unlocked\r\n"
              "Q: is not a CD-ROM drive\r\n",
              run.output);
    run = RunVexaCommand("/lock \"all\" E:");
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ(0u, run.output.rfind("Vexa: too many arguments\r\nUsage: Vexa.exe /lock D:", 0)) << run.output;
}

TEST_F(CommandLine, WithoutVexaRunningTheCommandWorksAloneAndLeavesNothingBehind)
{
    ExpectCommandsAnswer();
    EXPECT_EQ(0, CountSettingsWindows()) << "no Vexa stayed behind";

    // A normal start afterwards is not taken for a second one.
    VexaProcess vexa;
    EXPECT_TRUE(vexa.WaitForStart());
    EXPECT_EQ(nullptr, vexa.MessageBox());
}

TEST_F(CommandLine, WithVexaRunningTheRunningVexaCarriesItOutWithoutAMessageBox)
{
    VexaProcess vexa;
    ASSERT_TRUE(vexa.WaitForStart());
    ExpectCommandsAnswer();
    EXPECT_EQ(nullptr, vexa.MessageBox());
    EXPECT_TRUE(vexa.Running());
    EXPECT_EQ(1, CountSettingsWindows());
}

TEST_F(CommandLine, ACommandAnAdministratorsPolicyForbidsAnswersThree)
{
    PolicyKeys keys;
    SetPolicy(HKEY_CURRENT_USER, kPolicyLockAllDrives, 0);
    CommandRun run = RunVexaCommand("/lock all");
    EXPECT_EQ(3u, run.exitCode);
    EXPECT_EQ("D: not locked: an administrator's policy forbids it; it is unlocked (enforced by an "
              "administrator)\r\nE: not locked: an administrator's policy forbids it; it is "
              "unlocked (enforced by an administrator)\r\n",
              run.output);

    VexaProcess vexa;
    ASSERT_TRUE(vexa.WaitForStart());
    EXPECT_EQ(run.output, RunVexaCommand("/lock all").output);
    EXPECT_EQ("D: unlocked (enforced by an administrator)\r\nE: unlocked (enforced by an "
              "administrator)\r\n",
              RunVexaCommand("/status").output);
}

} // namespace
