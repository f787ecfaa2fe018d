#include "WinApp.h"

#include "ExceptionReport.h"
#include "MessageLoopPlatform.h"
#include "Wnd.h"

#include <vector>

BOOL(WINAPI* g_pfnGetMessage)(LPMSG, HWND, UINT, UINT) = ::GetMessageW;

namespace {

CWinApp* g_app = nullptr;

} // namespace

CWideString AfxGetModuleFileName()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return CWideString();
        if (length < buffer.size())
            return CWideString(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

// "C:\Programs\Vexa.exe" -> "Vexa"
CWideString BaseNameWithoutExtension(const CWideString& path)
{
    const wchar_t* text = path.c_str();
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (text[i] == L'\\' || text[i] == L'/')
            start = i + 1;
    }
    std::size_t end = path.size();
    for (std::size_t i = end; i > start + 1; --i) {
        if (text[i - 1] == L'.') {
            end = i - 1;
            break;
        }
    }
    return CWideString(text + start, end - start);
}

} // namespace

CWinApp::CWinApp()
    : m_appName(BaseNameWithoutExtension(AfxGetModuleFileName())), m_previousApp(g_app)
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = m_previousApp;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg;
    for (;;) {
        const BOOL got = g_pfnGetMessage(&msg, nullptr, 0, 0);
        if (got == -1) {
            // No message can arrive any more: the program cannot go on, and must not end as if
            // the user had chosen Exit.
            ExitInstance();
            return kExitFailure;
        }
        if (got == 0) // WM_QUIT
            break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
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
    if (app == nullptr)
        return kExitFailure;
    try {
        if (!app->InitInstance())
            return app->ExitInstance();
        return app->Run();
    } catch (...) {
        AfxReportException();
        return kExitFailure;
    }
}
