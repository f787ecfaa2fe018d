// The settings dialog's side of the command line: a command that Vexa.exe started with /lock,
// /unlock or /status sends to the running Vexa. It is carried out as the menu's commands are,
// through the drive locks, and the menu's entries follow; the answers go back to the command's
// process, which reports them, so nothing is shown here.
#include "SettingsDlg.h"

#include "CommandMessage.h"

LRESULT CSettingsDlg::OnCopyData(WPARAM sender, LPARAM data)
{
    // Any program can send this message: only a well-formed command, from a window that can
    // take the answer, is carried out.
    CommandRequest request;
    HWND answerTo = reinterpret_cast<HWND>(sender);
    if (!ReadCommandRequest(reinterpret_cast<const COPYDATASTRUCT*>(data), &request) ||
        answerTo == nullptr || !::IsWindow(answerTo))
        return FALSE;
    DriveLockOutcome outcome;
    const std::vector<DriveAnswer> answers = CarryOutCommand(m_locks, request, &outcome);
    if (request.kind != kCommandStatus) {
        outcome.refusals.clear(); // the command's process reports them
        ShowDriveLocks(outcome);
    }
    std::vector<BYTE> bytes = WriteCommandAnswers(answers);
    COPYDATASTRUCT answer = {kCommandAnswerTag, static_cast<DWORD>(bytes.size()), bytes.data()};
    DWORD_PTR result = 0;
    // A sender that hangs keeps Vexa waiting no longer than this. Not SMTO_ABORTIFHUNG: the
    // sender's thread waits in SendMessageTimeout and reads no messages meanwhile, so a system
    // that judges it by the time since its last read (ReactOS, once the command's start took
    // over five seconds) counts it as hung and drops the answer it is waiting for.
    ::SendMessageTimeoutW(answerTo, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hWnd),
                          reinterpret_cast<LPARAM>(&answer), SMTO_NORMAL, 5000, &result);
    return TRUE;
}
