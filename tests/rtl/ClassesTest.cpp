#include "Boundary.h"
#include "Classes.h"
#include "TestHarness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {
std::vector<std::wstring>* g_Freed = nullptr;

class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, const std::wstring& name) : TComponent(owner) { SetName(name); }
    ~TProbe() override {
        if (g_Freed)
            g_Freed->push_back(Name());
    }
    std::vector<std::wstring> removed;

protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove)
            removed.push_back(c->Name());
    }
};
} // namespace

TEST(Component, OwnerFreesInReverseOrderAndNotifies) {
    std::vector<std::wstring> freed;
    g_Freed = &freed;
    {
        TProbe root(nullptr, L"Root");
        new TProbe(&root, L"First");
        auto* second = new TProbe(&root, L"Second");
        new TProbe(second, L"Inner");
        EXPECT_EQ(root.ComponentCount(), 2);
        EXPECT_EQ(root.FindComponent(L"second"), second);
        EXPECT_THROW(second->SetName(L"First"), EComponentError);
        EXPECT_THROW(second->SetName(L"9x"), EComponentError);

        TProbe watcher(nullptr, L"Watcher");
        auto* watched = new TProbe(nullptr, L"Watched");
        watched->FreeNotification(&watcher);
        delete watched;
        ASSERT_EQ(watcher.removed.size(), 1u);
        EXPECT_EQ(watcher.removed[0], L"Watched");
    }
    g_Freed = nullptr;
    std::vector<std::wstring> expected{L"Watched", L"Watcher", L"Root", L"Second", L"Inner", L"First"};
    EXPECT_EQ(freed, expected);
}

// A pair of components linked for two reasons keeps the link until both are dropped, and
// a component that only leaves its owner is forgotten on both sides of the link.
TEST(Component, FreeNotificationLinksCountTheirReasons) {
    {
        TProbe watcher(nullptr, L"Watcher");
        auto* watched = new TProbe(nullptr, L"Watched");
        watcher.FreeNotification(watched); // say, as its image list
        watcher.FreeNotification(watched); // and as its state image list
        watcher.RemoveFreeNotification(watched);
        delete watched;
        EXPECT_EQ(watcher.removed, std::vector<std::wstring>{L"Watched"});
    }
    {
        // Each side asked once (a form and its menu); one side lets go, the other still hears.
        TProbe form(nullptr, L"Form");
        auto* menu = new TProbe(nullptr, L"Menu");
        menu->FreeNotification(&form);
        form.FreeNotification(menu);
        form.RemoveFreeNotification(menu); // the menu's destructor, say
        delete menu;
        EXPECT_EQ(form.removed, std::vector<std::wstring>{L"Menu"}); // told once
    }
    {
        TProbe watcher(nullptr, L"Watcher");
        auto* watched = new TProbe(nullptr, L"Watched");
        watcher.FreeNotification(watched);
        watcher.FreeNotification(watched);
        watched->RemoveFreeNotification(&watcher);
        watched->RemoveFreeNotification(&watcher);
        watched->RemoveFreeNotification(&watcher); // nothing left to remove
        delete watched;
        EXPECT_TRUE(watcher.removed.empty());
    }
    {
        TProbe first(nullptr, L"First");
        TProbe second(nullptr, L"Second");
        auto* moved = new TProbe(&first, L"Moved");
        first.FreeNotification(moved);
        second.InsertComponent(moved); // leaves its owner: the first owner forgets it
        EXPECT_EQ(first.removed, std::vector<std::wstring>{L"Moved"});
        delete moved;
        EXPECT_EQ(first.removed, std::vector<std::wstring>{L"Moved"}); // not told again
        ASSERT_EQ(second.removed.size(), 1u);
    }
}

TEST(Streams, FileAndMemoryStreams) {
    testing_support::TempDir dir;
    std::wstring name = dir.File(L"\u0416data.bin");
    {
        TFileStream fs(name, fmCreate);
        fs.WriteBuffer("hello", 5);
        EXPECT_EQ(fs.Size(), 5);
    }
    TMemoryStream ms;
    ms.LoadFromFile(name);
    EXPECT_EQ(ms.Size(), 5);
    char buf[8] = {};
    EXPECT_THROW(ms.ReadBuffer(buf, 6), EReadError);
    EXPECT_THROW(TFileStream(dir.File(L"missing"), fmOpenRead), EFOpenError);
    try {
        TFileStream f(dir.File(L"missing"), fmOpenRead);
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message().rfind(L"Cannot open file \"" + dir.File(L"missing") + L"\". ", 0), 0u);
    }
}

namespace {
volatile std::uintptr_t g_FreedAddress = 0x10; // read at run time: the compiler must not see the fault

volatile int* Freed() { return reinterpret_cast<volatile int*>(g_FreedAddress); }

LRESULT CALLBACK FaultingWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg != WM_APP)
        return DefWindowProcW(Wnd, Msg, WParam, LParam);
    return Guarded(L"WndProc", LRESULT(3), [&]() -> LRESULT { return *Freed() / static_cast<int>(WParam); });
}
} // namespace

TEST(Boundary, GuardedStopsAndReportsExceptions) {
    std::wstring seen;
    auto old = SetBoundaryHandler([&](const wchar_t* where, const std::wstring& cls, const std::wstring& msg) {
        seen = std::wstring(where) + L"|" + cls + L"|" + msg;
    });
    EXPECT_FALSE(Guarded(L"WndProc", [] { throw EConvertError(L"bad"); }));
    EXPECT_EQ(seen, L"WndProc|EConvertError|bad");
    EXPECT_EQ(Guarded(L"Timer", 7, []() -> int { throw std::runtime_error("x"); }), 7);
    EXPECT_EQ(seen, L"Timer|std::exception|x");
    EXPECT_TRUE(Guarded(L"Ok", [] {}));
    // A processor fault, also in a window procedure that the system called.
    EXPECT_EQ(Guarded(L"Fault", 5, []() -> int { return *Freed(); }), 5);
    EXPECT_NE(seen.find(L"Fault|EAccessViolation|Access violation at address "), std::wstring::npos) << seen;
    EXPECT_NE(seen.find(L". Read of address 00000010"), std::wstring::npos) << seen;
    WNDCLASSW wc{};
    wc.lpszClassName = L"BoundaryFaultTest";
    wc.lpfnWndProc = FaultingWndProc;
    RegisterClassW(&wc);
    HWND wnd = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(wnd);
    seen.clear();
    EXPECT_EQ(SendMessageW(wnd, WM_APP, 1, 0), 3);
    EXPECT_EQ(seen.rfind(L"WndProc|EAccessViolation|", 0), 0u) << seen;
    DestroyWindow(wnd);
    EXPECT_FALSE(Guarded(L"After", [] { throw EConvertError(L"again"); })); // the boundary still works
    EXPECT_EQ(seen, L"After|EConvertError|again");
    SetBoundaryHandler(old);
}
