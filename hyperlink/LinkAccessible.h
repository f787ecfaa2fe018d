// CLinkAccessible: what a screen reader learns about a CHyperLink through Active Accessibility.
// It answers as a link: role ROLE_SYSTEM_LINK, the visible text as name, the address as value,
// focusable and linked (focused, traversed once visited), and "Jump" as default action, which
// opens the link as a click does. Everything else (location, parent, navigation, hit test,
// keyboard shortcut) comes from the system's standard object for the window, which it holds.
//
// The link makes it at the first request and keeps it; when the link's window goes, the link
// disconnects it, and from then on it answers RPC_E_DISCONNECTED to a screen reader that still
// holds it, until the last reference is released. COM calls come in on the program's one thread,
// and none of its methods lets an exception out.
#pragma once

#include "framework/ActiveAccessibility.h"
#include "framework/UniqueHandle.h"

#include <windows.h>
#include <oleacc.h>
#include <oleidl.h>

#include <cstddef>

class CHyperLink;

class CLinkAccessible final : public IAccessible, public IOleWindow {
public:
    // The object for a link, with one reference for the caller; nullptr when the system's
    // standard object cannot be made.
    static CLinkAccessible* Create(CHyperLink* link, const ActiveAccessibility& library) noexcept;

    // The link's window is going: every later call answers RPC_E_DISCONNECTED.
    void Disconnect() noexcept;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch: not offered; clients call IAccessible's methods directly.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override;

    // IAccessible: the link's own answers.
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;

    // IAccessible: the standard object's answers.
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* child) override;
    STDMETHODIMP get_accSelection(VARIANT* children) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                             VARIANT child) override;
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override;
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override;

    // IOleWindow: the link's window, by which a screen reader finds it again.
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override;

private:
    CLinkAccessible(CHyperLink* link, IAccessible* standard, const ActiveAccessibility& library);
    ~CLinkAccessible() = default;

    // S_OK when the object is connected and child names the link itself, else the error.
    HRESULT CheckSelf(const VARIANT& child) const;

    // A new BSTR holding text, for the caller to free; E_OUTOFMEMORY when none can be made.
    HRESULT Answer(const wchar_t* text, std::size_t length, BSTR* result) const;

    ULONG m_references = 1;
    CHyperLink* m_link;       // nullptr once disconnected
    IAccessible* m_standard;  // the system's object for the window; released on disconnection
    ActiveAccessibility m_library;
};

// The link's object, disconnected and released with the owner.
struct LinkAccessibleTraits {
    using Handle = CLinkAccessible*;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle object)
    {
        object->Disconnect();
        object->Release();
        return TRUE;
    }
};
using CLinkAccessibleHandle = CUniqueHandle<LinkAccessibleTraits>;
