#include "WinApp.h"

#include "Wnd.h"

#include <vector>

namespace {

CWinApp* g_app = nullptr;

} // namespace

std::string AfxGetModuleFileName()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

// "C:\Programs\Vexa.exe" -> "Vexa"
std::string BaseNameWithoutExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

} // namespace

CWinApp::CWinApp() : m_appName(BaseNameWithoutExtension(AfxGetModuleFileName()))
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) // WM_QUIT, or an invalid call: either way the loop is over
            break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return 0;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    for (HWND hwnd = msg->hwnd; hwnd != nullptr; hwnd = ::GetParent(hwnd)) {
        CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
        if (wnd != nullptr && wnd->PreTranslateMessage(msg))
            return TRUE;
    }
    return FALSE;
}

BOOL CWinApp::OnCmdMsg(UINT)
{
    return FALSE;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

CWnd* AfxGetMainWnd()
{
    return g_app != nullptr ? g_app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    return ::GetModuleHandleA(nullptr);
}

int AfxWinMain()
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr || !app->InitInstance())
        return app != nullptr ? app->ExitInstance() : 1;
    return app->Run();
}
