// The command line's plain functions: splitting, reading the arguments, the answer messages'
// checks and the exit code, for good, odd and hostile input. No process, no window.
#include "app/CommandLine.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<CWideString> Arguments(std::initializer_list<std::wstring> texts)
{
    std::vector<CWideString> arguments;
    for (const std::wstring& text : texts)
        arguments.emplace_back(text.data(), text.size());
    return arguments;
}

const DWORD kD = 1u << ('D' - 'A');

TEST(CommandLine, ArgumentsAreReadIntoOneCommandOrAUsageError)
{
    struct Case {
        std::initializer_list<std::wstring> arguments;
        ParsedCommand::Kind kind;
        WORD command;
        DWORD drives;
    };
    const std::wstring huge(100000, L'D');
    const Case cases[] = {
        {{}, ParsedCommand::Start, 0, 0},
        {{L"/status"}, ParsedCommand::Run, kCommandStatus, 0},
        {{L"-STATUS"}, ParsedCommand::Run, kCommandStatus, 0},
        {{L"/?"}, ParsedCommand::Help, 0, 0},
        {{L"-?", L"/?"}, ParsedCommand::Usage, 0, 0},
        {{L"/status", L"D:"}, ParsedCommand::Usage, 0, 0},
        {{L"/lock", L"d:"}, ParsedCommand::Run, kCommandLock, kD},
        {{L"-Unlock", L"D:\\", L"e:", L"D:"}, ParsedCommand::Run, kCommandUnlock, kD | kD << 1},
        {{L"/lock", L"z:", L"A:"}, ParsedCommand::Run, kCommandLock, 1u << 25 | 1},
        {{L"/lock", L"ALL"}, ParsedCommand::Run, kCommandLock, 0},
        {{L"/unlock", L"all", L"D:"}, ParsedCommand::Usage, 0, 0},
        {{L"/unlock", L"D:", L"all"}, ParsedCommand::Usage, 0, 0},
        {{L"/lock"}, ParsedCommand::Usage, 0, 0},
        {{L"lock", L"D:"}, ParsedCommand::Usage, 0, 0},
        {{L"/", L"D:"}, ParsedCommand::Usage, 0, 0},
        {{L""}, ParsedCommand::Usage, 0, 0},
        {{L"//lock", L"D:"}, ParsedCommand::Usage, 0, 0},
        {{L"/locked", L"D:"}, ParsedCommand::Usage, 0, 0},
        {{L"/lock", L"D"}, ParsedCommand::Usage, 0, 0},
        {{L"/lock", L"D:/"}, ParsedCommand::Usage, 0, 0},
        {{L"/lock", L"D:\\\\"}, ParsedCommand::Usage, 0, 0},
        {{L"/lock", L"1:"}, ParsedCommand::Usage, 0, 0},
        {{L"/lock", L"\u00c4:"}, ParsedCommand::Usage, 0, 0},
        {{L"/lock", std::wstring(L"D:\0", 3)}, ParsedCommand::Usage, 0, 0},
        {{L"/lock", huge}, ParsedCommand::Usage, 0, 0},
        {{huge}, ParsedCommand::Usage, 0, 0},
    };
    for (const Case& c : cases) {
        const ParsedCommand parsed = ParseCommand(Arguments(c.arguments));
        const std::string what = c.arguments.size() == 0 ? "(none)" : Utf8(c.arguments.begin()->c_str());
        EXPECT_EQ(c.kind, parsed.kind) << what << " " << parsed.problem;
        EXPECT_EQ(c.command, parsed.request.kind) << what;
        EXPECT_EQ(c.drives, parsed.request.drives) << what;
    }

    // One argument per drive letter at most.
    std::vector<CWideString> many = Arguments({L"/lock"});
    many.resize(27, CWideString(L"D:"));
    EXPECT_EQ(ParsedCommand::Run, ParseCommand(many).kind);
    many.push_back(L"E:");
    EXPECT_EQ(ParsedCommand::Usage, ParseCommand(many).kind);
}

TEST(CommandLine, SplitsAsThePlatformsProgramsDo)
{
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {L"\"C:\\Program Files\\Vexa\\Vexa.exe\" /lock  D:\\", {L"C:\\Program Files\\Vexa\\Vexa.exe", L"/lock", L"D:\\"}},
        {L"C:\\a\\\"b c\\\" d", {L"C:\\a\\b c\\", L"d"}},
        {L"x \"D:\\\"", {L"x", L"D:\""}},
        {L"x a\\\\\\b d\"e f\"g h", {L"x", L"a\\\\\\b", L"de fg", L"h"}},
        {L"x a\\\\\\\"b c", {L"x", L"a\\\"b", L"c"}},
        {L"x a\\\\\\\\\"b c\" d", {L"x", L"a\\\\b c", L"d"}},
        {L"x a\"b\"\" c d", {L"x", L"ab\" c d"}},
        {L"x \"\" \t", {L"x", L""}},
        {L"", {L""}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> split;
        for (const CWideString& argument : SplitCommandLine(c.line))
            split.emplace_back(argument.c_str(), argument.size());
        EXPECT_EQ(c.expected, split) << Utf8(c.line);
    }
}

TEST(CommandLine, OnlyAWellFormedAnswerIsReadAndTheExitCodeFollowsItsPrecedence)
{
    const DriveAnswer d = {L'D', kDriveDone, 1, 0, 0};
    const DriveAnswer e = {L'E', kDriveRefused, 0, 0, 50};
    const DriveAnswer f = {L'F', kDriveForbidden, 0, 1, 0};
    const DriveAnswer q = {L'Q', kDriveNotCdrom, 0, 0, 0};
    const DriveAnswer wrong[] = {{L'@', 0, 0, 0, 0}, {L'[', 0, 0, 0, 0}, {L'D', 5, 0, 0, 0},
                                 {L'D', 0, 2, 0, 0}, {L'D', 0, 0, 2, 0}};
    std::vector<BYTE> bytes = WriteCommandAnswers({d, e});
    const COPYDATASTRUCT good = {kCommandAnswerTag, static_cast<DWORD>(bytes.size()), bytes.data()};
    std::vector<DriveAnswer> read;
    ASSERT_TRUE(ReadCommandAnswers(&good, &read));
    ASSERT_EQ(2u, read.size());
    EXPECT_EQ(50u, read[1].error);
    for (std::vector<DriveAnswer> answers : {std::vector<DriveAnswer>{e, d}, {d, d}, {wrong[0]},
                                             {wrong[1]}, {wrong[2]}, {wrong[3]}, {wrong[4]}}) {
        bytes = WriteCommandAnswers(answers);
        const COPYDATASTRUCT data = {kCommandAnswerTag, static_cast<DWORD>(bytes.size()), bytes.data()};
        EXPECT_FALSE(ReadCommandAnswers(&data, &read)) << answers[0].letter;
    }
    bytes = WriteCommandAnswers({d});
    for (DWORD size : {static_cast<DWORD>(bytes.size() - 1), static_cast<DWORD>(bytes.size() + 1), 0ul}) {
        bytes.resize(size + 1);
        const COPYDATASTRUCT data = {kCommandAnswerTag, size, bytes.data()};
        EXPECT_FALSE(ReadCommandAnswers(&data, &read)) << size;
    }

    EXPECT_EQ(kExitDone, CommandExitCode({}));
    EXPECT_EQ(kExitDone, CommandExitCode({d}));
    EXPECT_EQ(kExitRefused, CommandExitCode({d, e}));
    EXPECT_EQ(kExitForbidden, CommandExitCode({e, f}));
    EXPECT_EQ(kExitNotCdrom, CommandExitCode({f, q, e}));
}

} // namespace
