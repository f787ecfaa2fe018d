// What a screen reader asks a window through Active Accessibility, from this thread's apartment.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

class ScreenReader {
public:
    ScreenReader() { ::CoInitialize(nullptr); }
    ~ScreenReader()
    {
        if (object != nullptr)
            object->Release();
        ::CoUninitialize();
    }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    // The window's client object; nullptr when it has none.
    IAccessible* Find(HWND window)
    {
        ::AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                     reinterpret_cast<void**>(&object));
        return object;
    }

    // A text (name, value, default action) of the object itself; "<none>" when it gives none.
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*))
    {
        BSTR text = nullptr;
        std::wstring result = SUCCEEDED((object->*get)(self, &text)) && text != nullptr
                                  ? std::wstring(text, ::SysStringLen(text))
                                  : L"<none>";
        ::SysFreeString(text);
        return result;
    }

    // A number (role, state) of the object itself; -1 when it gives none.
    long Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*))
    {
        VARIANT number;
        number.vt = VT_EMPTY;
        return SUCCEEDED((object->*get)(self, &number)) && number.vt == VT_I4 ? number.lVal : -1;
    }

    VARIANT self = [] {
        VARIANT child;
        child.vt = VT_I4;
        child.lVal = CHILDID_SELF;
        return child;
    }();
    IAccessible* object = nullptr;
};
