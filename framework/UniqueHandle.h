// CUniqueHandle: the one owner of a platform handle. The traits say which value means "no
// handle" and how the handle is released; the owner releases it exactly once, when it is reset
// or goes away. Owners move but never copy, so a handle can never be released twice.
//
//   CRegKey key;
//   if (::RegOpenKeyExA(root, path, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS) ...
#pragma once

#include <windows.h>

template <class Traits>
class CUniqueHandle {
public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() = default;
    explicit CUniqueHandle(Handle handle) : m_handle(handle) {}
    ~CUniqueHandle() { Reset(); }

    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    // The handle, still owned here; the "no handle" value when there is none.
    Handle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // Releases the owned handle, if any, and takes the new one. The release call's result
    // goes back to the caller (FALSE when there was nothing to release).
    BOOL Reset(Handle handle = Traits::Invalid())
    {
        const Handle old = m_handle;
        m_handle = handle;
        return old != Traits::Invalid() ? Traits::Close(old) : FALSE;
    }

    // Gives the handle up without releasing it: from now on somebody else owns it, or the
    // platform already destroyed it.
    Handle Release()
    {
        const Handle handle = m_handle;
        m_handle = Traits::Invalid();
        return handle;
    }

    // For a platform call that hands a new handle out through a pointer: the owned handle is
    // released first.
    Handle* Receive()
    {
        Reset();
        return &m_handle;
    }

private:
    Handle m_handle = Traits::Invalid();
};

// A registration for device notifications to a window. Refer to UnregisterDeviceNotification.
struct DeviceNotifyTraits {
    using Handle = HDEVNOTIFY;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle notify) { return ::UnregisterDeviceNotification(notify); }
};
using CDeviceNotifyHandle = CUniqueHandle<DeviceNotifyTraits>;

// A registry key. Refer to RegCloseKey.
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle key) { return ::RegCloseKey(key) == ERROR_SUCCESS; }
};
using CRegKey = CUniqueHandle<RegKeyTraits>;

// A file or device opened with CreateFile, whose failure value is INVALID_HANDLE_VALUE.
// Refer to CloseHandle.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static BOOL Close(Handle handle) { return ::CloseHandle(handle); }
};
using CFileHandle = CUniqueHandle<FileHandleTraits>;

// A kernel object whose failure value is no handle at all: a mutex, a process, a thread.
// Refer to CloseHandle.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle handle) { return ::CloseHandle(handle); }
};
using CKernelHandle = CUniqueHandle<KernelHandleTraits>;

// A loaded module. Refer to FreeLibrary.
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle module) { return ::FreeLibrary(module); }
};
using CModuleHandle = CUniqueHandle<ModuleTraits>;

// A menu with its sub-menus. Refer to DestroyMenu.
struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle menu) { return ::DestroyMenu(menu); }
};

// A GDI font. Refer to DeleteObject.
struct FontTraits {
    using Handle = HFONT;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle font) { return ::DeleteObject(font); }
};

// An icon loaded at a size of the caller's (not shared). Refer to DestroyIcon.
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle icon) { return ::DestroyIcon(icon); }
};
using CIconHandle = CUniqueHandle<IconTraits>;

// A window that no C++ object answers for, such as a common control's tooltip.
// Refer to DestroyWindow.
struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle window) { return ::DestroyWindow(window); }
};
