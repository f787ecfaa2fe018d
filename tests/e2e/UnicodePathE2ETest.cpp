// Vexa installed in a folder whose name is outside the ANSI code page: the autostart entry must
// name the real file, or Windows would not find Vexa at the next logon.
#include "VexaProcess.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using UnicodePathE2E = FreshAccountTest;

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kFolder[] = L"C:\\Programs\\\x03A9mega Tools"; // "Ωmega Tools"

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                             &wide[0], static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

std::wstring RunValue()
{
    wchar_t value[1024] = L"";
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Vexa", RRF_RT_REG_SZ, nullptr, value,
                       &size) != ERROR_SUCCESS)
        return L"<none>";
    return value;
}

// A copy of the built Vexa.exe in the folder, removed again with the object.
class VexaCopy {
public:
    VexaCopy() : path(std::wstring(kFolder) + L"\\Vexa.exe")
    {
        ::CreateDirectoryW(L"C:\\Programs", nullptr);
        ::CreateDirectoryW(kFolder, nullptr);
        copied = ::CopyFileW(Widen(TestDirectory() + "\\Vexa.exe").c_str(), path.c_str(), FALSE);
    }
    ~VexaCopy()
    {
        ::DeleteFileW(path.c_str());
        ::RemoveDirectoryW(kFolder);
        ::RemoveDirectoryW(L"C:\\Programs");
    }
    VexaCopy(const VexaCopy&) = delete;
    VexaCopy& operator=(const VexaCopy&) = delete;

    const std::wstring path;
    BOOL copied = FALSE;
};

TEST_F(UnicodePathE2E, TheAutostartEntryNamesTheRealFileInAFolderOutsideTheAnsiCodePage)
{
    VexaCopy copy;
    ASSERT_TRUE(copy.copied) << "could not copy Vexa.exe to " << Utf8(copy.path.c_str());
    {
        VexaProcess vexa(copy.path);
        ASSERT_TRUE(vexa.Started()) << "could not start " << Utf8(copy.path.c_str());
        ASSERT_TRUE(vexa.WaitForStart());
        HWND settings = vexa.SettingsWindow();
        vexa.Command(32772); // Settings...
        PressButton(settings, 1001);
        PressButton(settings, 1003); // OK
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(settings, 1001));
    }

    const std::wstring entry = RunValue();
    EXPECT_EQ(Utf8((L"\"" + copy.path + L"\"").c_str()), Utf8(entry.c_str()));
    ASSERT_GE(entry.size(), 2u);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES,
              ::GetFileAttributesW(entry.substr(1, entry.size() - 2).c_str()))
        << "the entry names a file that does not exist: " << Utf8(entry.c_str());
}

} // namespace
