// Owners for operating-system handles and COM pointers: the one set the whole program uses.
// Each holder closes what it owns exactly once, moves but never copies, and hands out the
// raw value for calls. Put() releases the old value and gives the address a creating call
// fills in; Release() gives ownership up. A null or invalid value is simply empty.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shtypes.h>
#include <unknwn.h>
#include <wininet.h>

#include <string>
#include <utility>

// A handle with a closing rule. Traits gives Invalid() and Close(h).
template <class Traits>
class TUniqueHandle {
public:
    using Handle = typename Traits::Handle;
    TUniqueHandle() noexcept = default;
    explicit TUniqueHandle(Handle h) noexcept : FHandle(h) {}
    ~TUniqueHandle() { Reset(); }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& o) noexcept : FHandle(o.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& o) noexcept {
        if (this != &o)
            Reset(o.Release());
        return *this;
    }

    Handle Get() const noexcept { return FHandle; }
    bool Valid() const noexcept { return FHandle != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }
    Handle* Put() noexcept {
        Reset();
        return &FHandle;
    }
    Handle Release() noexcept { return std::exchange(FHandle, Traits::Invalid()); }
    // Closes the held value (unless it is h itself) and holds h.
    void Reset(Handle h = Traits::Invalid()) noexcept {
        Handle old = std::exchange(FHandle, h);
        if (old != Traits::Invalid() && old != h)
            Traits::Close(old);
    }

private:
    Handle FHandle = Traits::Invalid();
};

struct TKernelHandleTraits { // CreateEvent, OpenProcess, CreateMutex ... (null when missing)
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};
struct TFileHandleTraits { // CreateFile, CreateToolhelp32Snapshot (INVALID_HANDLE_VALUE when missing)
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};
struct TFindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { FindClose(h); }
};
struct TChangeNotifyHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { FindCloseChangeNotification(h); }
};
struct TRegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { RegCloseKey(h); }
};
struct TModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { FreeLibrary(h); }
};
struct TGdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DeleteObject(h); }
};
struct TGlobalMemTraits { // GlobalAlloc (clipboard and drag-and-drop data blocks)
    using Handle = HGLOBAL;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { GlobalFree(h); }
};
struct TMenuHandleTraits { // CreatePopupMenu / CreateMenu of a menu no window owns
    using Handle = HMENU;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DestroyMenu(h); }
};
struct THookTraits { // SetWindowsHookEx
    using Handle = HHOOK;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { UnhookWindowsHookEx(h); }
};
struct TSocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Handle h) noexcept { closesocket(h); }
};
// Memory of the COM task allocator: item identifier lists from the shell, strings a COM
// call allocated (ProgIDFromCLSID, STRRET ...).
template <class P>
struct TCoTaskMemTraits {
    using Handle = P;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CoTaskMemFree(h); }
};

// GDI+ objects and visual-style theme data. Their closing functions are bound where they are
// used (vcl/GdipGraphics.cpp, vcl/Themes.cpp), so that this header needs no GDI+ or theme headers.
namespace Gdiplus {
class GpGraphics;
class GpPen;
class GpBrush;
class GpPath;
} // namespace Gdiplus
struct TGpGraphicsTraits {
    using Handle = Gdiplus::GpGraphics*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept;
};
struct TGpPenTraits {
    using Handle = Gdiplus::GpPen*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept;
};
struct TGpBrushTraits {
    using Handle = Gdiplus::GpBrush*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept;
};
struct TGpPathTraits {
    using Handle = Gdiplus::GpPath*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept;
};
struct TThemeDataTraits { // HTHEME of OpenThemeData
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept;
};
struct TWindowHandleTraits { // windows the code makes for itself (not controls: they own theirs)
    using Handle = HWND;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DestroyWindow(h); }
};

using TKernelHandle = TUniqueHandle<TKernelHandleTraits>;
using TFileHandle = TUniqueHandle<TFileHandleTraits>;
using TFindHandle = TUniqueHandle<TFindHandleTraits>;
using TChangeNotifyHandle = TUniqueHandle<TChangeNotifyHandleTraits>;
using TRegKey = TUniqueHandle<TRegKeyTraits>;
using TModuleHandle = TUniqueHandle<TModuleTraits>;
using TGdiObject = TUniqueHandle<TGdiObjectTraits>;
using TSocketHandle = TUniqueHandle<TSocketTraits>;
using TGlobalMem = TUniqueHandle<TGlobalMemTraits>;
using TMenuHandle = TUniqueHandle<TMenuHandleTraits>;
using TPidl = TUniqueHandle<TCoTaskMemTraits<LPITEMIDLIST>>;
using TCoTaskString = TUniqueHandle<TCoTaskMemTraits<LPWSTR>>;
using TGpGraphicsHandle = TUniqueHandle<TGpGraphicsTraits>;
using TGpPenHandle = TUniqueHandle<TGpPenTraits>;
using TGpBrushHandle = TUniqueHandle<TGpBrushTraits>;
using TGpPathHandle = TUniqueHandle<TGpPathTraits>;
using TThemeDataHandle = TUniqueHandle<TThemeDataTraits>;
using TWindowHandle = TUniqueHandle<TWindowHandleTraits>;

// A WinINet handle. The closing function is given so that code which binds WinINet at run
// time closes through its own bound entry; by default it is the linked InternetCloseHandle.
class TInternetHandle {
public:
    using TCloser = BOOL(WINAPI*)(HINTERNET);
    TInternetHandle() noexcept = default;
    explicit TInternetHandle(HINTERNET h, TCloser closer = &InternetCloseHandle) noexcept
        : FHandle(h), FCloser(closer) {}
    ~TInternetHandle() { Reset(); }
    TInternetHandle(const TInternetHandle&) = delete;
    TInternetHandle& operator=(const TInternetHandle&) = delete;
    TInternetHandle(TInternetHandle&& o) noexcept : FHandle(o.Release()), FCloser(o.FCloser) {}
    TInternetHandle& operator=(TInternetHandle&& o) noexcept {
        if (this != &o) {
            Reset();
            FCloser = o.FCloser;
            FHandle = o.Release();
        }
        return *this;
    }
    HINTERNET Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != nullptr; }
    HINTERNET Release() noexcept { return std::exchange(FHandle, nullptr); }
    void Reset(HINTERNET h = nullptr) noexcept {
        HINTERNET old = std::exchange(FHandle, h);
        if (old && old != h && FCloser)
            FCloser(old);
    }

private:
    HINTERNET FHandle = nullptr;
    TCloser FCloser = &InternetCloseHandle;
};

// A GDI object (pen, brush, font, bitmap; not a region) selected into a device context for
// the holder's life: the old object is selected back before the new one is deleted (when
// owned), never while selected. A selection that fails leaves the context as it was.
class TSelectedObject {
public:
    TSelectedObject(HDC dc, HGDIOBJ obj, bool owned = false) noexcept
        : FDC(dc), FObject(obj), FOwned(owned), FOld(dc && obj ? SelectObject(dc, obj) : nullptr) {
        if (FOld == HGDI_ERROR)
            FOld = nullptr;
    }
    ~TSelectedObject() {
        if (FDC && FOld)
            SelectObject(FDC, FOld);
        if (FOwned && FObject)
            DeleteObject(FObject);
    }
    TSelectedObject(const TSelectedObject&) = delete;
    TSelectedObject& operator=(const TSelectedObject&) = delete;
    HGDIOBJ Get() const noexcept { return FObject; }

private:
    HDC FDC;
    HGDIOBJ FObject;
    bool FOwned;
    HGDIOBJ FOld;
};

// A COM interface pointer: AddRef on copy from a raw pointer (Attach takes one over
// without), Release once, QueryInterface into another holder.
template <class I>
class TComPtr {
public:
    TComPtr() noexcept = default;
    TComPtr(std::nullptr_t) noexcept {}
    // Shares p (adds a reference).
    explicit TComPtr(I* p) noexcept : FPtr(p) {
        if (FPtr)
            FPtr->AddRef();
    }
    ~TComPtr() { Reset(); }
    TComPtr(const TComPtr& o) noexcept : TComPtr(o.FPtr) {}
    TComPtr& operator=(const TComPtr& o) noexcept {
        if (this != &o) {
            if (o.FPtr)
                o.FPtr->AddRef();
            Reset();
            FPtr = o.FPtr;
        }
        return *this;
    }
    TComPtr(TComPtr&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
    TComPtr& operator=(TComPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            FPtr = std::exchange(o.FPtr, nullptr);
        }
        return *this;
    }

    I* Get() const noexcept { return FPtr; }
    I* operator->() const noexcept { return FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    // The address for a call that returns a new reference (the old one is released first).
    I** Put() noexcept {
        Reset();
        return &FPtr;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    // Takes over a reference the caller owns.
    void Attach(I* p) noexcept {
        Reset();
        FPtr = p;
    }
    I* Detach() noexcept { return std::exchange(FPtr, nullptr); }
    void Reset() noexcept {
        if (I* p = std::exchange(FPtr, nullptr))
            p->Release();
    }
    // Asks the object for another interface; the result is empty on failure (whatever the
    // object left in the out pointer then). out may be this holder itself.
    template <class J>
    HRESULT As(TComPtr<J>& out, REFIID iid = __uuidof(J)) const noexcept {
        if (!FPtr) {
            out.Reset();
            return E_POINTER;
        }
        void* p = nullptr;
        HRESULT hr = FPtr->QueryInterface(iid, &p);
        if (FAILED(hr) || !p) {
            out.Reset();
            return FAILED(hr) ? hr : E_NOINTERFACE;
        }
        out.Attach(static_cast<J*>(p));
        return hr;
    }

private:
    I* FPtr = nullptr;
};

// A BSTR freed with SysFreeString.
class TBStr {
public:
    TBStr() noexcept = default;
    explicit TBStr(const std::wstring& s) : FStr(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    ~TBStr() { Reset(); }
    TBStr(const TBStr&) = delete;
    TBStr& operator=(const TBStr&) = delete;
    TBStr(TBStr&& o) noexcept : FStr(std::exchange(o.FStr, nullptr)) {}
    TBStr& operator=(TBStr&& o) noexcept {
        if (this != &o) {
            Reset();
            FStr = std::exchange(o.FStr, nullptr);
        }
        return *this;
    }
    BSTR Get() const noexcept { return FStr; }
    BSTR* Put() noexcept {
        Reset();
        return &FStr;
    }
    BSTR Detach() noexcept { return std::exchange(FStr, nullptr); }
    void Reset() noexcept {
        if (BSTR s = std::exchange(FStr, nullptr))
            SysFreeString(s);
    }
    std::wstring Str() const { return FStr ? std::wstring(FStr, SysStringLen(FStr)) : std::wstring(); }

private:
    BSTR FStr = nullptr;
};

// The exception record of IDispatch::Invoke: the strings the object put in it are freed
// with it (after a deferred fill-in too).
struct TExcepInfo : EXCEPINFO {
    TExcepInfo() noexcept : EXCEPINFO{} {}
    ~TExcepInfo() {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
    TExcepInfo(const TExcepInfo&) = delete;
    TExcepInfo& operator=(const TExcepInfo&) = delete;
};

// A VARIANT cleared with VariantClear.
class TVariant {
public:
    TVariant() noexcept { VariantInit(&FValue); }
    ~TVariant() { VariantClear(&FValue); }
    TVariant(const TVariant&) = delete;
    TVariant& operator=(const TVariant&) = delete;
    TVariant(TVariant&& o) noexcept : FValue(o.Detach()) {}
    TVariant& operator=(TVariant&& o) noexcept {
        if (this != &o) {
            VariantClear(&FValue);
            FValue = o.Detach();
        }
        return *this;
    }
    VARIANT* Get() noexcept { return &FValue; }
    const VARIANT* Get() const noexcept { return &FValue; }
    // Clears the old value and gives the address of an empty VARIANT for a call that fills it.
    VARIANT* Put() noexcept {
        VariantClear(&FValue);
        VariantInit(&FValue);
        return &FValue;
    }
    VARIANT Detach() noexcept {
        VARIANT v = FValue;
        VariantInit(&FValue);
        return v;
    }

private:
    VARIANT FValue;
};
