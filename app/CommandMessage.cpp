#include "CommandMessage.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string DriveName(WCHAR letter)
{
    return std::string(1, static_cast<char>(letter)) + ":";
}

} // namespace

bool ReadCommandRequest(const COPYDATASTRUCT* data, CommandRequest* request)
{
    if (data == nullptr || data->dwData != kCommandRequestTag ||
        data->cbData != sizeof(CommandRequest) || data->lpData == nullptr)
        return false;
    CommandRequest read;
    std::memcpy(&read, data->lpData, sizeof(read));
    if (read.version != kCommandVersion || (read.drives & ~kAllDriveBits) != 0)
        return false;
    // Status reports every drive; lock and unlock name drives, or none for every drive.
    if (read.kind == kCommandStatus ? read.drives != 0
                                    : read.kind != kCommandLock && read.kind != kCommandUnlock)
        return false;
    *request = read;
    return true;
}

bool ReadCommandAnswers(const COPYDATASTRUCT* data, std::vector<DriveAnswer>* answers)
{
    if (data == nullptr || data->dwData != kCommandAnswerTag || data->lpData == nullptr ||
        data->cbData < sizeof(CommandAnswerHeader))
        return false;
    const BYTE* bytes = static_cast<const BYTE*>(data->lpData);
    CommandAnswerHeader header;
    std::memcpy(&header, bytes, sizeof(header));
    if (header.version != kCommandVersion || header.count > 26 ||
        data->cbData != sizeof(header) + header.count * sizeof(DriveAnswer))
        return false;
    std::vector<DriveAnswer> read(header.count);
    if (header.count > 0)
        std::memcpy(read.data(), bytes + sizeof(header), header.count * sizeof(DriveAnswer));
    WORD previous = 0;
    for (const DriveAnswer& answer : read) {
        if (answer.letter < L'A' || answer.letter > L'Z' || answer.letter <= previous ||
            answer.result > kDriveLeft || answer.locked > 1 || answer.enforced > 2)
            return false;
        previous = answer.letter;
    }
    answers->swap(read);
    return true;
}

std::vector<BYTE> WriteCommandAnswers(const std::vector<DriveAnswer>& answers)
{
    const CommandAnswerHeader header = {kCommandVersion, static_cast<WORD>(answers.size())};
    std::vector<BYTE> bytes(sizeof(header) + answers.size() * sizeof(DriveAnswer));
    std::memcpy(bytes.data(), &header, sizeof(header));
    if (!answers.empty())
        std::memcpy(bytes.data() + sizeof(header), answers.data(),
                    answers.size() * sizeof(DriveAnswer));
    return bytes;
}

std::vector<DriveAnswer> CarryOutCommand(CDriveLocks& locks, const CommandRequest& request,
                                         DriveLockOutcome* outcome, bool wanted)
{
    std::vector<std::string> named;
    for (WCHAR letter = L'A'; letter <= L'Z'; ++letter) {
        if ((request.drives & (1u << (letter - L'A'))) != 0)
            named.push_back(DriveName(letter));
    }
    if (request.kind != kCommandStatus)
        *outcome = locks.Command(named, request.kind == kCommandLock ? 1 : 0);

    // The drives answered for: the named ones, else every drive of the table, in drive order.
    const CDriveTable& table = locks.Table();
    std::vector<std::string> answered = named;
    for (int i = 0; named.empty() && i < table.Count(); ++i) {
        const std::string& name = table.Names()[i];
        if (name.size() == 2 && name[0] >= 'A' && name[0] <= 'Z' &&
            (answered.empty() || answered.back() < name))
            answered.push_back(name);
    }
    std::vector<DriveAnswer> answers;
    for (const std::string& name : answered) {
        DriveAnswer answer = {static_cast<WORD>(name[0]), kDriveDone, 0, 0, 0};
        const auto* found = std::find(table.Names(), table.Names() + table.Count(), name);
        const int index = static_cast<int>(found - table.Names());
        if (index < table.Count()) {
            answer.locked =
                static_cast<WORD>(wanted ? locks.WantedLock(index) : table.Locked()[index]);
            answer.enforced = locks.AdministratorManaged() ? 1 : 0;
            // The service's lock holds whatever this process's own request did.
            if (locks.ServiceHolds()) {
                answer.locked = 1;
                answer.enforced = 2;
            }
        }
        if (std::find(outcome->unknownDrives.begin(), outcome->unknownDrives.end(), name) !=
            outcome->unknownDrives.end())
            answer.result = kDriveNotCdrom;
        else if (!outcome->unknownDrives.empty())
            answer.result = kDriveLeft;
        else if (outcome->forbidden)
            answer.result = kDriveForbidden;
        for (const DriveRefusal& refusal : outcome->refusals) {
            if (refusal.drive == name) {
                answer.result = kDriveRefused;
                answer.error = refusal.error;
            }
        }
        answers.push_back(answer);
    }
    return answers;
}
