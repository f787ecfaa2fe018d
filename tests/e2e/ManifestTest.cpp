// The built Vexa.exe's manifest as Windows reads it: through the activation-context API, which
// ignores a setting written in the wrong namespace without a word.
#include "VexaProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The activation context Windows makes from the manifest of Vexa.exe when it starts it.
class ExecutableManifest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string exe = TestDirectory() + "\\Vexa.exe";
        ACTCTXA request = {};
        request.cbSize = sizeof(request);
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = exe.c_str();
        request.lpResourceName = MAKEINTRESOURCEA(1); // the manifest a process starts with
        context = ::CreateActCtxA(&request);
        ASSERT_NE(INVALID_HANDLE_VALUE, context) << "CreateActCtx failed: " << ::GetLastError();
    }

    void TearDown() override
    {
        if (context != INVALID_HANDLE_VALUE)
            ::ReleaseActCtx(context);
    }

    // The value of a windowsSettings element in its namespace; "(none)" when the context has none.
    std::string Setting(const wchar_t* nameSpace, const wchar_t* name)
    {
        wchar_t value[64] = L"";
        SIZE_T written = 0;
        if (!::QueryActCtxSettingsW(0, context, nameSpace, name, value, 64, &written))
            return "(none)";
        return std::string(value, value + ::lstrlenW(value));
    }

    // Raw output of QueryActCtxW for one information class of the context as a whole.
    std::vector<BYTE> Information(ULONG infoClass)
    {
        SIZE_T needed = 0;
        ::QueryActCtxW(0, context, nullptr, infoClass, nullptr, 0, &needed);
        std::vector<BYTE> bytes(needed);
        if (needed == 0 || !::QueryActCtxW(0, context, nullptr, infoClass, bytes.data(), needed, &needed))
            bytes.clear();
        return bytes;
    }

    HANDLE context = INVALID_HANDLE_VALUE;
};

const wchar_t kSettings2005[] = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
const wchar_t kSettings2016[] = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";

TEST_F(ExecutableManifest, DeclaresPerMonitorScalingEachSettingInItsOwnNamespace)
{
    EXPECT_EQ("true/pm", Setting(kSettings2005, L"dpiAware"));
    EXPECT_EQ("PerMonitorV2", Setting(kSettings2016, L"dpiAwareness"));
    // Read in the other's namespace, each is missing: proof that the namespaces are looked at.
    EXPECT_EQ("(none)", Setting(kSettings2016, L"dpiAware"));
    EXPECT_EQ("(none)", Setting(kSettings2005, L"dpiAwareness"));
}

TEST_F(ExecutableManifest, NamesEveryWindowsFromVistaToElevenAsSupported)
{
    const std::vector<BYTE> bytes = Information(CompatibilityInformationInActivationContext);
    ASSERT_GE(bytes.size(), sizeof(DWORD));
    DWORD count = 0;
    std::memcpy(&count, bytes.data(), sizeof(count));
    ASSERT_GT(count, 0u);
    // Newer systems add a 64-bit "highest version tested" to each entry (and align the list for
    // it): the entries' size follows from the total.
    const std::size_t first = bytes.size() >= 8 + count * 32 ? 8 : 4;
    const std::size_t stride = (bytes.size() - first) / count;
    std::vector<std::string> found;
    for (DWORD i = 0; i < count; ++i) {
        COMPATIBILITY_CONTEXT_ELEMENT element;
        std::memcpy(&element, bytes.data() + first + i * stride, sizeof(element));
        const GUID& id = element.Id;
        char text[48] = "";
        std::snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                      static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0],
                      id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                      id.Data4[7]);
        found.push_back((element.Type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS ? "os " : "other ") +
                        std::string(text));
    }
    EXPECT_EQ((std::vector<std::string>{
                  "os {E2011457-1546-43C5-A5FE-008DEEE3D3F0}", // Vista
                  "os {35138B9A-5D96-4FBD-8E2D-A2440225F93A}", // 7
                  "os {4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}", // 8
                  "os {1F676C76-80E1-4239-95BB-83D0F6D0DA78}", // 8.1
                  "os {8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}", // 10 and 11
              }),
              found);
}

TEST_F(ExecutableManifest, RunsAsItsInvokerWithoutUiAccess)
{
    const std::vector<BYTE> bytes = Information(RunlevelInformationInActivationContext);
    ASSERT_EQ(sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION), bytes.size());
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel;
    std::memcpy(&runLevel, bytes.data(), sizeof(runLevel));
    EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER, runLevel.RunLevel);
    EXPECT_EQ(0u, runLevel.UiAccess);
}

} // namespace
