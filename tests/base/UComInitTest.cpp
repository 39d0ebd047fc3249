#include "UComInit.h"

#include "SysUtils.h"

#include <ole2.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

// A drop target that takes nothing: enough to be registered.
class TNullDropTarget : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};

// Runs fn on a thread of its own (a fresh apartment state).
template <class F>
void OnNewThread(F fn) {
    std::thread t(fn);
    t.join();
}

} // namespace

TEST(ComInit, OleNestsAndTakesDropTargets) {
    OnNewThread([] {
        HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(wnd, nullptr);
        TNullDropTarget target;
        {
            TOleInitializer ole;
            EXPECT_EQ(ole.Result(), S_OK);
            {
                TOleInitializer again;
                EXPECT_EQ(again.Result(), S_FALSE);
            }
            // Still initialised after the inner holder went.
            EXPECT_EQ(RegisterDragDrop(wnd, &target), S_OK);
            EXPECT_EQ(RevokeDragDrop(wnd), S_OK);
        }
        DestroyWindow(wnd);
    });
}

TEST(ComInit, AThreadInTheMultithreadedApartmentCannotHaveOle) {
    OnNewThread([] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        EXPECT_THROW(TOleInitializer ole, EOSError);
        EXPECT_THROW(TComInitializer com, EOSError);
        CoUninitialize();
    });
}
