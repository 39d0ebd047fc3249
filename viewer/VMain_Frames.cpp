// The browser tabs' frames: each tab of the strip holds its browser frame, made by NewTab in
// the dock panel with the callbacks that lead back to this window.
#include "VMain.h"

#include "FBrowserFrame.h"
#include "TntExtCtrls.h"
#include "TntStdCtrls.h"
#include "SysUtils.h"
#include "UDebugLog.h"
#include "UKeyState.h"
#include "UMessageTexts.h"
#include "qenSmartTabs.h"

int TVMainForm::NewTab() {
    // 1. The frame, named by the run's counter, in the dock panel.
    ++FFrameCounter;
    auto* frame = new TBrowserFrame(DockPanel);
    frame->SetName(L"BrowserFrame" + IntToStr(FFrameCounter));
    DebugLogEx(L"+ New Browser Frame: " + frame->Name(), false);
    frame->FrameBasePanel->SetParent(DockPanel);
    frame->Initialise();

    // 2. Its callbacks.
    frame->OnNewPage = [this](const std::wstring& Url, const std::wstring& Title) {
        DebugLogEx(L"*NewPageCallBack AddPage", false);
        NewTab();
        if (TBrowserFrame* made = ActiveFrame())
            made->MadeForNavigation = true;
        GotoUrl(Url, Title);
    };
    frame->OnSync = [this](const std::wstring& Url) {
        if (ShiftAlone(BrowserKeyState()))
            DirtySyncToUrl(Url);
        else
            SyncTocToUrl(Url);
    };
    frame->OnBookmark = [this](const std::wstring&) { mnuAddBookmarkClick(); };
    frame->OnOpenOnline = [this](const std::wstring& Url) { OpenOnlineVersion(Url); };
    frame->OnLog = [](const std::wstring& Text) { DebugLogEx(Text, false); };
    frame->OnTopicNavToggle = [this] { UpdateMenus(); };

    // 3. The tab after the active one (the strip makes it active).
    const int active = SmartTabs->ActiveTab();
    if (active < 0 || active >= SmartTabs->GetTabCount() - 1)
        SmartTabs->AddTabObject(NewTabText, frame);
    else
        SmartTabs->InsertTabObject(active + 1, NewTabText, frame);
    SmartTabs->Invalidate();
    UpdateMenus();
    return active + 1;
}

TBrowserFrame* TVMainForm::GetFrame(int Index) {
    if (Index < 0 || Index >= SmartTabs->GetTabCount())
        return nullptr;
    return dynamic_cast<TBrowserFrame*>(SmartTabs->GetTabObject(Index));
}

TBrowserFrame* TVMainForm::ActiveFrame() { return GetFrame(SmartTabs->ActiveTab()); }

// The tabs' addresses: each frame's address box ("" for a tab without frame).
std::vector<std::wstring> TVMainForm::TabAddresses() {
    std::vector<std::wstring> addresses;
    for (int i = 0; i < SmartTabs->GetTabCount(); ++i) {
        TBrowserFrame* frame = GetFrame(i);
        addresses.push_back(frame ? frame->AddressText() : std::wstring());
    }
    return addresses;
}

void TVMainForm::FreeFrames() {
    if (!SmartTabs)
        return;
    // Closed tabs' frames still waiting for the outer loop.
    std::vector<TBrowserFrame*> closed;
    closed.swap(FClosedFrames);
    for (TBrowserFrame* frame : closed)
        delete frame;
    for (int i = SmartTabs->GetTabCount(); i-- > 0;)
        if (TBrowserFrame* frame = GetFrame(i)) {
            frame->CloseFrame();
            delete frame;
        }
    SmartTabs->ClearTabs();
}
