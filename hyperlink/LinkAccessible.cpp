#include "LinkAccessible.h"

#include "HyperLink.h"
#include "framework/WideString.h"

#include <new>

namespace {

const wchar_t kJump[] = L"Jump"; // the default action's name, as the system's own links say it

} // namespace

CLinkAccessible* CLinkAccessible::Create(CHyperLink* link,
                                         const ActiveAccessibility& library) noexcept
{
    IAccessible* standard = nullptr;
    if (FAILED(library.createStdAccessibleObject(link->m_hWnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&standard))) ||
        standard == nullptr)
        return nullptr;
    CLinkAccessible* object = new (std::nothrow) CLinkAccessible(link, standard, library);
    if (object == nullptr)
        standard->Release();
    return object;
}

CLinkAccessible::CLinkAccessible(CHyperLink* link, IAccessible* standard,
                                 const ActiveAccessibility& library)
    : m_link(link), m_standard(standard), m_library(library)
{
}

void CLinkAccessible::Disconnect() noexcept
{
    m_link = nullptr;
    if (m_standard != nullptr)
        m_standard->Release();
    m_standard = nullptr;
}

STDMETHODIMP CLinkAccessible::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
    } else if (iid == __uuidof(IOleWindow)) {
        *object = static_cast<IOleWindow*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CLinkAccessible::AddRef()
{
    return ++m_references;
}

STDMETHODIMP_(ULONG) CLinkAccessible::Release()
{
    const ULONG left = --m_references;
    if (left == 0) {
        Disconnect();
        delete this;
    }
    return left;
}

STDMETHODIMP CLinkAccessible::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CLinkAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info != nullptr)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CLinkAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CLinkAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

HRESULT CLinkAccessible::CheckSelf(const VARIANT& child) const
{
    if (m_link == nullptr)
        return RPC_E_DISCONNECTED;
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF ? S_OK : E_INVALIDARG;
}

HRESULT CLinkAccessible::Answer(const wchar_t* text, std::size_t length, BSTR* result) const
{
    *result = m_library.sysAllocStringLen(text, static_cast<UINT>(length));
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CLinkAccessible::get_accName(VARIANT child, BSTR* name)
{
    if (name == nullptr)
        return E_POINTER;
    *name = nullptr;
    const HRESULT checked = CheckSelf(child);
    if (FAILED(checked))
        return checked;
    try {
        const CWideString text = m_link->DisplayedText();
        return Answer(text.c_str(), text.size(), name);
    } catch (...) { // no exception crosses into the platform's frames
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CLinkAccessible::get_accValue(VARIANT child, BSTR* value)
{
    if (value == nullptr)
        return E_POINTER;
    *value = nullptr;
    const HRESULT checked = CheckSelf(child);
    if (FAILED(checked))
        return checked;
    try {
        const CWideString target = AfxWiden(m_link->m_strTarget);
        return Answer(target.c_str(), target.size(), value);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CLinkAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    if (role == nullptr)
        return E_POINTER;
    role->vt = VT_EMPTY;
    const HRESULT checked = CheckSelf(child);
    if (FAILED(checked))
        return checked;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_LINK;
    return S_OK;
}

STDMETHODIMP CLinkAccessible::get_accState(VARIANT child, VARIANT* state)
{
    if (state == nullptr)
        return E_POINTER;
    state->vt = VT_EMPTY;
    const HRESULT checked = CheckSelf(child);
    if (FAILED(checked))
        return checked;

    // Whether the window is shown, on screen and enabled, as the standard object sees it; a
    // static's "read-only" is no state of a link's.
    long flags = 0;
    VARIANT standard;
    standard.vt = VT_EMPTY;
    if (SUCCEEDED(m_standard->get_accState(child, &standard)) && standard.vt == VT_I4)
        flags = standard.lVal & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN |
                                 STATE_SYSTEM_UNAVAILABLE);
    flags |= STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED;
    if (::GetFocus() == m_link->m_hWnd)
        flags |= STATE_SYSTEM_FOCUSED;
    if (m_link->m_bVisited)
        flags |= STATE_SYSTEM_TRAVERSED;
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
}

STDMETHODIMP CLinkAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    if (action == nullptr)
        return E_POINTER;
    *action = nullptr;
    const HRESULT checked = CheckSelf(child);
    if (FAILED(checked))
        return checked;
    return Answer(kJump, ARRAYSIZE(kJump) - 1, action);
}

STDMETHODIMP CLinkAccessible::accDoDefaultAction(VARIANT child)
{
    const HRESULT checked = CheckSelf(child);
    if (FAILED(checked))
        return checked;
    // The screen reader gets its answer at once; the link opens from the message loop, as after
    // a click, and a failure's message box does not keep the screen reader waiting.
    if (!::PostMessageW(m_link->m_hWnd, CHyperLink::kFollowLinkMessage, 0, 0))
        return HRESULT_FROM_WIN32(::GetLastError());
    return S_OK;
}

STDMETHODIMP CLinkAccessible::get_accParent(IDispatch** parent)
{
    return m_standard != nullptr ? m_standard->get_accParent(parent) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::get_accChildCount(long* count)
{
    return m_standard != nullptr ? m_standard->get_accChildCount(count) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    return m_standard != nullptr ? m_standard->get_accChild(child, object) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return m_standard != nullptr ? m_standard->get_accDescription(child, description)
                                 : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    return m_standard != nullptr ? m_standard->get_accHelp(child, help) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic)
{
    return m_standard != nullptr ? m_standard->get_accHelpTopic(file, child, topic)
                                 : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return m_standard != nullptr ? m_standard->get_accKeyboardShortcut(child, shortcut)
                                 : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::get_accFocus(VARIANT* child)
{
    return m_standard != nullptr ? m_standard->get_accFocus(child) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::get_accSelection(VARIANT* children)
{
    return m_standard != nullptr ? m_standard->get_accSelection(children) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::accSelect(long flags, VARIANT child)
{
    return m_standard != nullptr ? m_standard->accSelect(flags, child) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child)
{
    return m_standard != nullptr ? m_standard->accLocation(left, top, width, height, child)
                                 : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    return m_standard != nullptr ? m_standard->accNavigate(direction, start, end)
                                 : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::accHitTest(long x, long y, VARIANT* child)
{
    return m_standard != nullptr ? m_standard->accHitTest(x, y, child) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::put_accName(VARIANT child, BSTR name)
{
    return m_standard != nullptr ? m_standard->put_accName(child, name) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::put_accValue(VARIANT child, BSTR value)
{
    return m_standard != nullptr ? m_standard->put_accValue(child, value) : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::GetWindow(HWND* window)
{
    if (window == nullptr)
        return E_POINTER;
    *window = m_link != nullptr ? m_link->m_hWnd : nullptr;
    return m_link != nullptr ? S_OK : RPC_E_DISCONNECTED;
}

STDMETHODIMP CLinkAccessible::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}
