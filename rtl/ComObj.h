// A base for the COM objects the program implements itself (drag-and-drop data, drop
// sources and targets, enumerators, adapters): the reference count, QueryInterface over the
// interfaces the class lists, and the guard every method body runs in. COM calls our
// methods from system frames, so no exception may leave one: the body goes through
// GuardedCom, which reports the exception and answers E_UNEXPECTED.
//
//   class TMySource final : public TComObject<IDropSource> { ... };
//   TComPtr<TMySource> s = MakeComObject<TMySource>(args...);   // one reference, held by s
//   STDMETHODIMP TMySource::GiveFeedback(DWORD) { return GuardedCom(L"TMySource.GiveFeedback", [&] { ... }); }
#pragma once

#include "Boundary.h"
#include "Handles.h"

#include <atomic>
#include <utility>

// Runs a COM method's body; an escaping exception is reported and gives E_UNEXPECTED.
template <class F>
HRESULT GuardedCom(const wchar_t* Where, F&& Body) noexcept {
    return Guarded(Where, static_cast<HRESULT>(E_UNEXPECTED), [&]() -> HRESULT { return Body(); });
}

// Clears an out pointer before a method fills it; false when the caller passed none.
template <class T>
bool ClearOut(T** Out) noexcept {
    if (!Out)
        return false;
    *Out = nullptr;
    return true;
}

template <class First, class... Rest>
class TComObject : public First, public Rest... {
public:
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID Riid, void** Obj) override {
        return GuardedCom(L"TComObject.QueryInterface", [&]() -> HRESULT {
            if (!ClearOut(Obj))
                return E_POINTER;
            if (IsEqualIID(Riid, IID_IUnknown))
                *Obj = static_cast<IUnknown*>(static_cast<First*>(this));
            else if (!(Find<First>(Riid, Obj) || ... || Find<Rest>(Riid, Obj)))
                *Obj = QueryOther(Riid);
            if (!*Obj)
                return E_NOINTERFACE;
            AddRef();
            return S_OK;
        });
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FRefCount; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG count = --FRefCount;
        if (count == 0)
            delete this;
        return count;
    }
    ULONG RefCount() const noexcept { return FRefCount; }

protected:
    TComObject() = default;
    virtual ~TComObject() = default;
    // Interfaces besides the listed ones (the base interfaces of a listed one, say): the
    // object's pointer for them, or null. No reference is added here.
    virtual void* QueryOther(REFIID Riid) { return nullptr; }
    // Whether a listed interface is answered now (a test double may hide one).
    virtual bool Offers(REFIID Riid) { return true; }

private:
    template <class I>
    bool Find(REFIID Riid, void** Obj) {
        if (!IsEqualIID(Riid, __uuidof(I)) || !Offers(Riid))
            return false;
        *Obj = static_cast<I*>(this);
        return true;
    }
    std::atomic<ULONG> FRefCount{1};
};

// A new object holding its first reference; the holder owns it.
template <class T, class... Args>
TComPtr<T> MakeComObject(Args&&... A) {
    TComPtr<T> result;
    result.Attach(new T(std::forward<Args>(A)...));
    return result;
}
