#include "Handles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A handle kind whose closes are counted.
std::vector<int> g_Closed;
struct TCountedTraits {
    using Handle = int;
    static Handle Invalid() noexcept { return 0; }
    static void Close(Handle h) noexcept { g_Closed.push_back(h); }
};
using TCounted = TUniqueHandle<TCountedTraits>;

// A COM object that counts its references; its QueryInterface can be made to fail the way
// careless objects do (leaving a stale pointer behind).
class TFakeObject : public IUnknown {
public:
    int Refs = 1;
    bool FailQuery = false;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (FailQuery) {
            *out = reinterpret_cast<void*>(0x1234); // garbage that must not be released
            return E_NOINTERFACE;
        }
        if (iid != IID_IUnknown && iid != IID_IDispatch)
            return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++Refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--Refs); }
};

std::vector<HINTERNET> g_InternetClosed;
BOOL WINAPI CountInternetClose(HINTERNET h) {
    g_InternetClosed.push_back(h);
    return TRUE;
}

} // namespace

TEST(Handles, AHandleIsClosedExactlyOnceWhereverItMoves) {
    g_Closed.clear();
    {
        TCounted a(7);
        TCounted b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.Get(), 7);
        TCounted c(8);
        c = std::move(b); // 8 closed, 7 moves on
        EXPECT_EQ(g_Closed, std::vector<int>{8});
        c = std::move(c); // a self-move keeps it
        EXPECT_EQ(c.Get(), 7);
        c.Reset(7); // the same value again: nothing closed
        EXPECT_EQ(g_Closed, std::vector<int>{8});
        *c.Put() = 9; // Put closes the old value first
        EXPECT_EQ(g_Closed, (std::vector<int>{8, 7}));
        TCounted d(10);
        EXPECT_EQ(d.Release(), 10); // given up: never closed here
    }
    EXPECT_EQ(g_Closed, (std::vector<int>{8, 7, 9}));

    // A real kernel handle is really closed.
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD flags = 0;
    {
        TKernelHandle event(raw);
        EXPECT_TRUE(GetHandleInformation(event.Get(), &flags));
    }
    EXPECT_FALSE(GetHandleInformation(raw, &flags));
    TFindHandle none; // INVALID_HANDLE_VALUE counts as empty
    EXPECT_FALSE(none);
    EXPECT_EQ(none.Get(), INVALID_HANDLE_VALUE);
}

TEST(Handles, AnInternetHandleClosesThroughItsOwnCloserAfterMoves) {
    g_InternetClosed.clear();
    const HINTERNET one = reinterpret_cast<HINTERNET>(0x10), two = reinterpret_cast<HINTERNET>(0x20);
    {
        TInternetHandle a(one, &CountInternetClose);
        TInternetHandle b;
        b = std::move(a);
        EXPECT_FALSE(a);
        b.Reset(one);
        EXPECT_TRUE(g_InternetClosed.empty());
        TInternetHandle c(two, &CountInternetClose);
        c = std::move(b); // two closed through the bound closer
        EXPECT_EQ(g_InternetClosed, std::vector<HINTERNET>{two});
    }
    EXPECT_EQ(g_InternetClosed, (std::vector<HINTERNET>{two, one}));
}

TEST(Handles, ComPointersCountReferencesAndAFailedQueryLeavesNothing) {
    TFakeObject object;
    {
        TComPtr<IUnknown> shared(&object); // shares: adds one
        EXPECT_EQ(object.Refs, 2);
        TComPtr<IUnknown> copy = shared;
        EXPECT_EQ(object.Refs, 3);
        TComPtr<IUnknown> moved = std::move(copy);
        EXPECT_EQ(object.Refs, 3);
        EXPECT_FALSE(copy);

        TComPtr<IDispatch> dispatch;
        EXPECT_EQ(shared.As(dispatch), S_OK);
        EXPECT_EQ(object.Refs, 4);
        TComPtr<IStream> stream;
        EXPECT_EQ(shared.As(stream), E_NOINTERFACE);
        EXPECT_FALSE(stream);

        object.FailQuery = true;
        dispatch.Reset();
        EXPECT_EQ(shared.As(dispatch), E_NOINTERFACE);
        EXPECT_FALSE(dispatch); // the stale pointer the object left is not taken
        object.FailQuery = false;

        EXPECT_EQ(moved.As(moved), S_OK); // into itself: the old reference goes, the new stays
        EXPECT_EQ(object.Refs, 3);
        TComPtr<IUnknown> empty;
        EXPECT_EQ(empty.As(dispatch), E_POINTER);

        IUnknown* given = moved.Detach();
        EXPECT_EQ(object.Refs, 3);
        moved.Attach(given); // takes the reference over without adding one
        EXPECT_EQ(object.Refs, 3);
    }
    EXPECT_EQ(object.Refs, 1);
}

TEST(Handles, BStrVariantAndExceptionRecordFreeWhatTheyHoldOnce) {
    TBStr text(std::wstring(L"a\0b\u0416", 4));
    EXPECT_EQ(text.Str(), std::wstring(L"a\0b\u0416", 4));
    TBStr moved(std::move(text));
    EXPECT_EQ(text.Get(), nullptr);
    EXPECT_EQ(moved.Str().size(), 4u);

    TFakeObject object;
    {
        TVariant v;
        VARIANT* p = v.Put();
        p->vt = VT_UNKNOWN;
        p->punkVal = &object;
        object.AddRef();
        TVariant w(std::move(v));
        EXPECT_EQ(v.Get()->vt, VT_EMPTY);
        EXPECT_EQ(object.Refs, 2);
        w.Put(); // cleared: the reference goes
        EXPECT_EQ(object.Refs, 1);
        EXPECT_EQ(w.Get()->vt, VT_EMPTY);
    }
    EXPECT_EQ(object.Refs, 1);
    {
        TExcepInfo info; // empty strings are fine to free
        info.bstrDescription = SysAllocString(L"failed");
    }
}

TEST(Handles, ASelectedObjectGoesBackBeforeItIsDeleted) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HGDIOBJ before = GetCurrentObject(dc, OBJ_PEN);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    {
        TSelectedObject selected(dc, pen, true);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), before);
    EXPECT_EQ(GetObjectType(pen), 0u); // deleted, being owned
    {
        TSelectedObject refused(dc, pen, false); // a deleted pen cannot be selected
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), before);
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), before);
    DeleteDC(dc);
}
