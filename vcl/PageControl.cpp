// The page control and its tab sheets.
#include "ComCtrls.h"
#include "ComCtrlsInternal.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cstring>

// =================================================================================
// Page control

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    FVisible = false; // shown when it becomes the active page
    FAlign = alClient;
    FAnchors = akLeft | akTop | akRight | akBottom;
}

TTabSheet::~TTabSheet() {
    if (TPageControl* pc = PageControl())
        if (!pc->IsDestroying())
            pc->Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(static_cast<TControl*>(this)), 0);
}

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(FParent); }

void TTabSheet::SetPageControl(TPageControl* Value) { SetParent(Value); }

int TTabSheet::PageIndex() const {
    TPageControl* pc = PageControl();
    if (!pc)
        return -1;
    for (int i = 0; i < pc->PageCount(); ++i)
        if (pc->Pages(i) == this)
            return i;
    return -1;
}

void TTabSheet::SetPageIndex(int Value) {
    if (TPageControl* pc = PageControl())
        pc->MovePage(this, Value);
}

int TTabSheet::TabIndex() const {
    TPageControl* pc = PageControl();
    if (!pc || !FTabVisible)
        return -1;
    int tab = 0;
    for (int i = 0; i < pc->PageCount(); ++i) {
        TTabSheet* p = pc->Pages(i);
        if (p == this)
            return tab;
        if (p->FTabVisible)
            ++tab;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
    if (Value == FTabVisible)
        return;
    FTabVisible = Value;
    if (TPageControl* pc = PageControl())
        pc->PageChanged(this);
}

void TTabSheet::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    if (TPageControl* pc = PageControl())
        pc->PageChanged(this);
}

void TTabSheet::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
}

void TTabSheet::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        if (TPageControl* pc = PageControl())
            pc->PageChanged(this);
        break;
    case CM_VISIBLECHANGED:
        if (Message.WParam ? static_cast<bool>(OnShow) : static_cast<bool>(OnHide))
            (Message.WParam ? OnShow : OnHide)(this);
        break;
    }
    TWinControl::WndProc(Message);
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    ControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() { Destroying(); }

TTabSheet* TPageControl::Pages(int Index) const {
    if (Index < 0 || Index >= PageCount())
        ListIndexError(Index);
    return FPages[static_cast<size_t>(Index)];
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
    SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<size_t>(Value)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* Value) {
    if (Value && Value->PageControl() != this)
        return;
    FActivePage = Value;
    ShowActivePage();
}

TTabSheet* TPageControl::PageForTab(int TabIndex) const {
    if (TabIndex < 0)
        return nullptr;
    for (TTabSheet* p : FPages)
        if (p->FTabVisible && TabIndex-- == 0)
            return p;
    return nullptr;
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const {
    int n = PageCount();
    if (n == 0)
        return nullptr;
    auto it = std::find(FPages.begin(), FPages.end(), CurPage);
    int start = it == FPages.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - FPages.begin());
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        TTabSheet* p = FPages[static_cast<size_t>(i)];
        if (!CheckTabVisible || p->FTabVisible)
            return p;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward, bool CheckTabVisible) {
    TTabSheet* p = FindNextPage(FActivePage, GoForward, CheckTabVisible);
    if (p && p != FActivePage && CanChange()) {
        SetActivePage(p);
        Change();
    }
}

int TPageControl::IndexOfTabAt(int X, int Y) {
    if (!HandleAllocated())
        return -1;
    TCHITTESTINFO info{};
    info.pt = POINT{X, Y};
    return static_cast<int>(SendMessageW(FHandle, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

std::wstring TPageControl::TabCaption(int TabIndex) {
    if (!HandleAllocated())
        return L"";
    wchar_t buf[512] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 512;
    if (!SendMessageW(FHandle, TCM_GETITEMW, TabIndex, reinterpret_cast<LPARAM>(&item)))
        return L"";
    return item.pszText ? item.pszText : L"";
}

void TPageControl::SetImages(TCustomImageList* Value) {
    if (!ReplaceComponentRef(this, FImages, Value))
        return;
    if (HandleAllocated())
        SendMessageW(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImageListHandle(Value)));
}

void TPageControl::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FImages)
        SetImages(nullptr);
}

void TPageControl::SetMultiLine(bool Value) {
    if (Value == FMultiLine)
        return;
    FMultiLine = Value;
    RecreateWnd();
}

void TPageControl::SetHotTrack(bool Value) {
    if (Value == FHotTrack)
        return;
    FHotTrack = Value;
    RecreateWnd();
}

void TPageControl::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_TABCONTROLW);
    Params.Style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (FMultiLine) Params.Style |= TCS_MULTILINE;
    if (FHotTrack) Params.Style |= TCS_HOTTRACK;
    MirrorInRightToLeft(Params, true);
}

void TPageControl::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, CCM_SETUNICODEFORMAT, TRUE, 0);
    SendMessageW(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImageListHandle(FImages)));
    UpdateTabs();
    ShowActivePage();
}

void TPageControl::AdjustClientRect(RECT& Rect) {
    if (HandleAllocated())
        SendMessageW(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Rect));
}

void TPageControl::AlignControls(TControl* AControl, RECT& Rect) {
    const RECT area = Rect;
    TWinControl::AlignControls(AControl, Rect);
    for (TTabSheet* p : FPages)
        if (!p->Visible() && p->Align() == alClient)
            p->SetAlignedBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
}

void TPageControl::UpdateTabs() {
    if (!HandleAllocated())
        return;
    FUpdatingTabs = true;
    SendMessageW(FHandle, TCM_DELETEALLITEMS, 0, 0);
    int tab = 0;
    for (TTabSheet* p : FPages) {
        if (!p->FTabVisible)
            continue;
        std::wstring caption = p->GetText();
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(caption.c_str());
        item.iImage = p->FImageIndex;
        item.lParam = reinterpret_cast<LPARAM>(p);
        SendMessageW(FHandle, TCM_INSERTITEMW, tab++, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(FHandle, TCM_SETCURSEL, FActivePage ? FActivePage->TabIndex() : -1, 0);
    FUpdatingTabs = false;
    Realign();
}

void TPageControl::ShowActivePage() {
    for (TTabSheet* p : std::vector<TTabSheet*>(FPages))
        if (p != FActivePage)
            p->SetVisible(false);
    if (FActivePage) {
        FActivePage->SetVisible(true);
        FActivePage->BringToFront();
    }
    if (HandleAllocated())
        SendMessageW(FHandle, TCM_SETCURSEL, FActivePage ? FActivePage->TabIndex() : -1, 0);
}

void TPageControl::PageChanged(TTabSheet* Page) {
    if (FActivePage == Page && !Page->FTabVisible) {
        TTabSheet* next = FindNextPage(Page, true, true);
        FActivePage = next != Page ? next : nullptr;
    }
    UpdateTabs();
    ShowActivePage();
}

void TPageControl::MovePage(TTabSheet* Page, int NewIndex) {
    auto it = std::find(FPages.begin(), FPages.end(), Page);
    if (it == FPages.end())
        return;
    FPages.erase(it);
    NewIndex = std::clamp(NewIndex, 0, PageCount());
    FPages.insert(FPages.begin() + NewIndex, Page);
    UpdateTabs();
}

bool TPageControl::CanChange() {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() {
    if (OnChange)
        OnChange(this);
}

void TPageControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_CONTROLLISTCHANGE: {
        auto* c = reinterpret_cast<TControl*>(Message.WParam);
        if (Message.LParam) {
            if (auto* p = dynamic_cast<TTabSheet*>(c)) {
                if (std::find(FPages.begin(), FPages.end(), p) == FPages.end())
                    FPages.push_back(p);
                if (!FActivePage && p->FTabVisible)
                    FActivePage = p;
                UpdateTabs();
                ShowActivePage();
            }
        } else {
            auto it = std::find(FPages.begin(), FPages.end(), static_cast<TTabSheet*>(c));
            if (it != FPages.end()) {
                TTabSheet* p = *it;
                TTabSheet* next = p == FActivePage ? FindNextPage(p, true, true) : FActivePage;
                FPages.erase(it);
                FActivePage = next != p ? next : nullptr;
                UpdateTabs();
                ShowActivePage();
            }
        }
        break;
    }
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        Message.Result = 0;
        if (FUpdatingTabs)
            return;
        if (hdr->code == TCN_SELCHANGING) {
            Message.Result = CanChange() ? 0 : 1;
        } else if (hdr->code == TCN_SELCHANGE) {
            int tab = static_cast<int>(SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
            FActivePage = PageForTab(tab);
            ShowActivePage();
            Change();
        }
        return;
    }
    case CM_DIALOGCHAR:
        for (TTabSheet* p : FPages) {
            if (p->FTabVisible && IsCaptionAccel(static_cast<wchar_t>(Message.WParam), p->GetText()) && CanFocus()) {
                Message.Result = 1;
                if (p != FActivePage && CanChange()) {
                    SetActivePage(p);
                    Change();
                }
                return;
            }
        }
        break;
    case WM_SIZE:
        TWinControl::WndProc(Message);
        Realign();
        return;
    }
    TWinControl::WndProc(Message);
}
