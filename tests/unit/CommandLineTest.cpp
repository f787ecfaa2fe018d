// The command line's plain functions, for good, odd and hostile input: splitting, reading the
// arguments, the answer message's check and the exit code. No process, no window.
#include "app/CommandLine.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const DWORD kD = 1u << ('D' - 'A');

TEST(CommandLine, ArgumentsAreReadIntoOneCommandOrAUsageError)
{
    const ParsedCommand::Kind start = ParsedCommand::Start, help = ParsedCommand::Help,
                              usage = ParsedCommand::Usage, run = ParsedCommand::Run;
    const std::wstring huge(100000, L'D');
    const struct {
        std::vector<std::wstring> arguments;
        ParsedCommand::Kind kind;
        WORD command;
        DWORD drives;
    } cases[] = {
        {{}, start, 0, 0}, {{L"/status"}, run, kCommandStatus, 0}, {{L"-STATUS"}, run, kCommandStatus, 0},
        {{L"/?"}, help, 0, 0}, {{L"-?", L"/?"}, usage, 0, 0}, {{L"/status", L"D:"}, usage, 0, 0},
        {{L"-Service"}, ParsedCommand::Service, 0, 0}, {{L"/service", L"D:"}, usage, 0, 0},
        {{L"/lock", L"d:"}, run, kCommandLock, kD}, {{L"/lock", L"z:", L"A:"}, run, kCommandLock, 1u << 25 | 1},
        {{L"-Unlock", L"D:\\", L"e:", L"D:"}, run, kCommandUnlock, kD | kD << 1},
        {{L"/lock", L"ALL"}, run, kCommandLock, 0}, {{L"/unlock", L"all", L"D:"}, usage, 0, 0},
        {{L"/unlock", L"D:", L"all"}, usage, 0, 0}, {{L"/lock"}, usage, 0, 0}, {{L"lock", L"D:"}, usage, 0, 0},
        {{L"/", L"D:"}, usage, 0, 0}, {{L""}, usage, 0, 0}, {{L"//lock", L"D:"}, usage, 0, 0},
        {{L"/locked", L"D:"}, usage, 0, 0}, {{L"/lock", L"D"}, usage, 0, 0}, {{L"/lock", L"D:/"}, usage, 0, 0},
        {{L"/lock", L"D:\\\\"}, usage, 0, 0}, {{L"/lock", L"1:"}, usage, 0, 0},
        {{L"/lock", L"\u00c4:"}, usage, 0, 0}, {{L"/lock", std::wstring(L"D:\0", 3)}, usage, 0, 0},
        {{L"/lock", huge}, usage, 0, 0}, {{huge}, usage, 0, 0},
        // One argument per drive letter at most, whatever the repetitions.
        {std::vector<std::wstring>(27, L"D:"), run, kCommandLock, kD}, {std::vector<std::wstring>(28, L"D:"), usage, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<CWideString> arguments;
        for (const std::wstring& text : c.arguments)
            arguments.emplace_back(text.data(), text.size());
        if (c.arguments.size() >= 27)
            arguments[0] = L"/lock";
        const ParsedCommand parsed = ParseCommand(arguments);
        const std::string what = Utf8(c.arguments.empty() ? L"" : c.arguments.back().c_str());
        EXPECT_TRUE(c.kind == parsed.kind && c.command == parsed.request.kind &&
                    c.drives == parsed.request.drives)
            << what << " (" << c.arguments.size() << "): " << parsed.kind << " "
            << parsed.request.kind << " " << parsed.request.drives << " " << parsed.problem;
    }
}

TEST(CommandLine, SplitsAsThePlatformsProgramsDo)
{
    const struct {
        const wchar_t* line;
        std::vector<std::wstring> expected;
    } cases[] = {
        {L"\"C:\\Program Files\\Vexa.exe\" /lock  D:\\", {L"C:\\Program Files\\Vexa.exe", L"/lock", L"D:\\"}},
        {L"C:\\a\\\"b c\\\" d", {L"C:\\a\\b c\\", L"d"}}, // the program's name: no escapes
        {L"x \"D:\\\"", {L"x", L"D:\""}},
        {L"x a\\\\\\b d\"e f\"g h", {L"x", L"a\\\\\\b", L"de fg", L"h"}},
        {L"x a\\\\\\\"b c", {L"x", L"a\\\"b", L"c"}},
        {L"x a\\\\\\\\\"b c\" d", {L"x", L"a\\\\b c", L"d"}},
        {L"x a\"b\"\" c d", {L"x", L"ab\" c d"}},
        {L"x \"\" \t", {L"x", L""}},
        {L"", {L""}},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> split;
        for (const CWideString& argument : SplitCommandLine(c.line))
            split.emplace_back(argument.c_str(), argument.size());
        EXPECT_EQ(c.expected, split) << Utf8(c.line);
    }
}

TEST(CommandLine, OnlyAWellFormedAnswerIsReadAndTheExitCodeFollowsItsPrecedence)
{
    const DriveAnswer d = {L'D', kDriveDone, 1, 0, 0}, e = {L'E', kDriveRefused, 0, 0, 50},
                      f = {L'F', kDriveForbidden, 0, 1, 0}, q = {L'Q', kDriveNotCdrom, 0, 0, 0};
    const std::vector<std::vector<DriveAnswer>> wrong = {{e, d}, {d, d}, {{L'[', 0, 0, 0, 0}}, {{L'D', 5, 0, 0, 0}}};
    for (const auto& answers : wrong) {
        std::vector<BYTE> bytes = WriteCommandAnswers(answers);
        COPYDATASTRUCT data = {kCommandAnswerTag, static_cast<DWORD>(bytes.size()), bytes.data()};
        std::vector<DriveAnswer> read;
        EXPECT_FALSE(ReadCommandAnswers(&data, &read)) << answers[0].letter;
    }
    std::vector<BYTE> bytes = WriteCommandAnswers({d, e});
    bytes.push_back(0);
    std::vector<DriveAnswer> read;
    for (DWORD size = 0; size < bytes.size(); ++size) {
        const COPYDATASTRUCT data = {kCommandAnswerTag, size, bytes.data()};
        EXPECT_EQ(size == bytes.size() - 1, ReadCommandAnswers(&data, &read)) << size;
    }
    ASSERT_EQ(2u, read.size());
    EXPECT_EQ(50u, read[1].error);

    EXPECT_EQ(kExitDone, CommandExitCode({}));
    EXPECT_EQ(kExitRefused, CommandExitCode({d, e}));
    EXPECT_EQ(kExitForbidden, CommandExitCode({e, f}));
    EXPECT_EQ(kExitNotCdrom, CommandExitCode({f, q, e}));
}

} // namespace
