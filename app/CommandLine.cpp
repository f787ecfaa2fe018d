#include "CommandLine.h"

const char kCommandUsage[] =
    "Usage: Vexa.exe /lock D: [E: ...]    locks the eject buttons of these CD-ROM drives\r\n"
    "       Vexa.exe /unlock D: [E: ...]  unlocks them\r\n"
    "       Vexa.exe /lock all            locks every CD-ROM drive (/unlock all: unlocks)\r\n"
    "       Vexa.exe /status              one line per CD-ROM drive: locked or unlocked\r\n"
    "       Vexa.exe /?                   this text\r\n"
    "       Vexa.exe /service             the lock service VexaLock, run by the service manager\r\n"
    "A drive is written D:, d: or D:\\; \"-\" may stand for \"/\". Exit codes: 0 done, 1 a drive\r\n"
    "refused, 2 usage error, 3 forbidden by an administrator's policy, 4 not a CD-ROM drive.\r\n";

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// The argument's text compared without case, for ASCII letters only: no locale decides.
bool SameWord(const CWideString& argument, const wchar_t* word)
{
    std::size_t i = 0;
    for (; word[i] != L'\0'; ++i) {
        if (i >= argument.size())
            return false;
        wchar_t c = argument.c_str()[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != word[i])
            return false;
    }
    return i == argument.size();
}

// The bit of a drive written "D:", "d:" or "D:\", or 0.
DWORD DriveBit(const CWideString& argument)
{
    const wchar_t* text = argument.c_str();
    if (argument.size() < 2 || argument.size() > 3 || text[1] != L':' ||
        (argument.size() == 3 && text[2] != L'\\'))
        return 0;
    wchar_t letter = text[0];
    if (letter >= L'a' && letter <= L'z')
        letter = static_cast<wchar_t>(letter - L'a' + L'A');
    return letter >= L'A' && letter <= L'Z' ? 1u << (letter - L'A') : 0;
}

ParsedCommand Usage(const char* problem)
{
    ParsedCommand parsed;
    parsed.kind = ParsedCommand::Usage;
    parsed.problem = problem;
    return parsed;
}

} // namespace

std::vector<CWideString> SplitCommandLine(const wchar_t* commandLine)
{
    std::vector<CWideString> arguments;
    if (commandLine == nullptr)
        return arguments;
    const wchar_t* c = commandLine;
    // The program's name: up to the first blank, or quoted; backslashes are plain characters.
    std::vector<wchar_t> argument;
    bool quoted = false;
    for (; *c != L'\0' && (quoted || !IsBlank(*c)); ++c) {
        if (*c == L'"')
            quoted = !quoted;
        else
            argument.push_back(*c);
    }
    arguments.emplace_back(argument.data(), argument.size());
    for (;;) {
        while (IsBlank(*c))
            ++c;
        if (*c == L'\0')
            return arguments;
        argument.clear();
        quoted = false;
        while (*c != L'\0' && (quoted || !IsBlank(*c))) {
            std::size_t backslashes = 0;
            while (*c == L'\\') {
                ++backslashes;
                ++c;
            }
            if (*c == L'"') {
                // 2n backslashes and a quote: n backslashes, and the quote opens or closes;
                // 2n + 1: n backslashes and a quote. Two quotes in a quoted part are one quote.
                argument.insert(argument.end(), backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument.push_back(L'"');
                } else if (quoted && c[1] == L'"') {
                    argument.push_back(L'"');
                    ++c;
                } else {
                    quoted = !quoted;
                }
                ++c;
            } else {
                argument.insert(argument.end(), backslashes, L'\\');
                if (backslashes == 0)
                    argument.push_back(*c++);
            }
        }
        arguments.emplace_back(argument.data(), argument.size());
    }
}

ParsedCommand ParseCommand(const std::vector<CWideString>& arguments)
{
    if (arguments.empty())
        return ParsedCommand();
    const CWideString& first = arguments[0];
    if (first.empty() || (first.c_str()[0] != L'/' && first.c_str()[0] != L'-'))
        return Usage("unknown command");
    const CWideString name(first.c_str() + 1, first.size() - 1);

    ParsedCommand parsed;
    parsed.kind = ParsedCommand::Run;
    parsed.request.version = kCommandVersion;
    if (SameWord(name, L"?")) {
        parsed.kind = ParsedCommand::Help;
        return arguments.size() == 1 ? parsed : Usage("too many arguments");
    }
    if (SameWord(name, L"service")) {
        parsed.kind = ParsedCommand::Service;
        return arguments.size() == 1 ? parsed : Usage("too many arguments");
    }
    if (SameWord(name, L"status")) {
        parsed.request.kind = kCommandStatus;
        return arguments.size() == 1 ? parsed : Usage("too many arguments");
    }
    if (SameWord(name, L"lock"))
        parsed.request.kind = kCommandLock;
    else if (SameWord(name, L"unlock"))
        parsed.request.kind = kCommandUnlock;
    else
        return Usage("unknown command");

    if (arguments.size() == 1)
        return Usage("no drive named");
    if (SameWord(arguments[1], L"all"))
        return arguments.size() == 2 ? parsed : Usage("too many arguments");
    // One argument per drive letter at most, whatever the repetitions.
    if (arguments.size() > 27)
        return Usage("too many arguments");
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const DWORD bit = DriveBit(arguments[i]);
        if (bit == 0)
            return Usage(SameWord(arguments[i], L"all") ? "too many arguments" : "unknown drive");
        parsed.request.drives |= bit;
    }
    return parsed;
}

int CommandExitCode(const std::vector<DriveAnswer>& answers)
{
    int code = kExitDone;
    for (const DriveAnswer& answer : answers) {
        switch (answer.result) {
        case kDriveNotCdrom:
            return kExitNotCdrom;
        case kDriveForbidden:
            code = kExitForbidden;
            break;
        case kDriveRefused:
            code = code == kExitForbidden ? code : kExitRefused;
            break;
        default:
            break;
        }
    }
    return code;
}

std::string AnswerLine(const CommandRequest& request, const DriveAnswer& answer)
{
    // Built without wsprintfA: a command that needs no window must not load the window library.
    std::string line(1, static_cast<char>(answer.letter));
    line += ": ";
    const std::string verb = request.kind == kCommandUnlock ? "unlocked" : "locked";
    const std::string state = answer.locked != 0 ? "locked" : "unlocked";
    const char* enforced = answer.enforced == 2   ? " (administrator)"
                           : answer.enforced != 0 ? " (enforced by an administrator)"
                                                  : "";
    switch (answer.result) {
    case kDriveRefused:
        return line + "could not be " + verb + " (error code " + std::to_string(answer.error) +
               "); it is " + state;
    case kDriveForbidden:
        return line + "not " + verb + ": an administrator's policy forbids it; it is " + state +
               enforced;
    case kDriveNotCdrom:
        return line + "is not a CD-ROM drive";
    case kDriveLeft:
        return line + "left alone, as another drive named is not a CD-ROM drive; it is " + state;
    default:
        return line + state + enforced;
    }
}
