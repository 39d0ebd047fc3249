#include "Boundary.h"
#include "Classes.h"
#include "TestHarness.h"

#include <gtest/gtest.h>

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
    SetBoundaryHandler(old);
}
