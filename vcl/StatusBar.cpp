// The status bar and its panels.
#include "ComCtrls.h"
#include "ComCtrlsInternal.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cstring>

// =================================================================================
// Status bar

std::wstring StatusPanelWindowText(const std::wstring& Text, TAlignment Alignment) {
    switch (Alignment) {
    case taCenter: return L"\t" + Text;
    case taRightJustify: return L"\t\t" + Text;
    default: return Text;
    }
}

void TStatusPanel::Changed(bool AllPanels) {
    if (FOwner && FOwner->FUpdateCount == 0)
        FOwner->Owner()->UpdatePanels(AllPanels, AllPanels ? -1 : FIndex);
}

void TStatusPanel::SetText(const std::wstring& Value) {
    if (Value == FText)
        return;
    FText = Value;
    Changed(false);
}

void TStatusPanel::SetWidth(int Value) {
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value) {
    if (Value == FBevel)
        return;
    FBevel = Value;
    Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed(false);
}

TStatusPanels::~TStatusPanels() {
    for (TStatusPanel* p : FPanels)
        delete p;
}

TStatusPanel* TStatusPanels::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    return FPanels[static_cast<size_t>(Index)];
}

TStatusPanel* TStatusPanels::Add() {
    std::unique_ptr<TStatusPanel> p(CreatePanel());
    p->FIndex = Count();
    FPanels.push_back(p.get());
    TStatusPanel* result = p.release();
    if (FUpdateCount == 0)
        FOwner->UpdatePanels(true);
    return result;
}

void TStatusPanels::Delete(int Index) {
    TStatusPanel* p = Items(Index);
    FPanels.erase(FPanels.begin() + Index);
    for (size_t i = 0; i < FPanels.size(); ++i)
        FPanels[i]->FIndex = static_cast<int>(i);
    delete p;
    if (FUpdateCount == 0)
        FOwner->UpdatePanels(true);
}

void TStatusPanels::Clear() {
    std::vector<TStatusPanel*> old;
    old.swap(FPanels);
    for (TStatusPanel* p : old)
        delete p;
    if (FUpdateCount == 0)
        FOwner->UpdatePanels(true);
}

void TStatusPanels::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        FOwner->UpdatePanels(true);
}

TCustomStatusBar::TCustomStatusBar(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TCustomStatusBar::~TCustomStatusBar() = default;

TStatusPanels* TCustomStatusBar::Panels() {
    if (!FPanels)
        FPanels.reset(CreatePanels());
    return FPanels.get();
}

void TCustomStatusBar::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, STATUSCLASSNAMEW);
    Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FSizeGrip)
        Params.Style |= SBARS_SIZEGRIP;
    MirrorInRightToLeft(Params);
}

void TCustomStatusBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, CCM_SETUNICODEFORMAT, TRUE, 0);
    UpdatePanels(true);
    SendMessageW(FHandle, SB_SIMPLE, FSimplePanel ? TRUE : FALSE, 0);
    UpdateSimpleText();
}

void TCustomStatusBar::UpdatePanels(bool UpdateRects, int Only) {
    if (!HandleAllocated())
        return;
    TStatusPanels* panels = Panels();
    int n = panels->Count();
    if (UpdateRects) {
        std::vector<int> edges(static_cast<size_t>(std::max(n, 1)), -1);
        int x = 0;
        for (int i = 0; i < n - 1; ++i) {
            x += panels->Items(i)->FWidth;
            edges[static_cast<size_t>(i)] = x;
        }
        SendMessageW(FHandle, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    }
    for (int i = 0; i < n; ++i) {
        if (Only >= 0 && i != Only)
            continue;
        TStatusPanel* p = panels->Items(i);
        WPARAM flags = static_cast<WPARAM>(i);
        if (p->FBevel == pbNone) flags |= SBT_NOBORDERS;
        if (p->FBevel == pbRaised) flags |= SBT_POPOUT;
        if (p->FStyle == psOwnerDraw) {
            SendMessageW(FHandle, SB_SETTEXTW, flags | SBT_OWNERDRAW, reinterpret_cast<LPARAM>(p));
        } else {
            std::wstring text = StatusPanelWindowText(p->FText, p->FAlignment);
            SendMessageW(FHandle, SB_SETTEXTW, flags, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
}

void TCustomStatusBar::UpdateSimpleText() {
    if (HandleAllocated())
        SendMessageW(FHandle, SB_SETTEXTW, SB_SIMPLEID | SBT_NOBORDERS, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
}

void TCustomStatusBar::SetSimplePanel(bool Value) {
    if (Value == FSimplePanel)
        return;
    FSimplePanel = Value;
    if (HandleAllocated()) {
        SendMessageW(FHandle, SB_SIMPLE, Value ? TRUE : FALSE, 0);
        UpdateSimpleText();
    }
}

void TCustomStatusBar::SetSimpleText(const std::wstring& Value) {
    if (Value == FSimpleText)
        return;
    FSimpleText = Value;
    UpdateSimpleText();
}

void TCustomStatusBar::SetSizeGrip(bool Value) {
    if (Value == FSizeGrip)
        return;
    FSizeGrip = Value;
    RecreateWnd();
}

int TCustomStatusBar::PanelAt(int X) {
    TStatusPanels* panels = Panels();
    int x = 0;
    for (int i = 0; i < panels->Count(); ++i) {
        x += panels->Items(i)->FWidth;
        if (X < x || i == panels->Count() - 1)
            return X >= 0 ? i : -1;
    }
    return -1;
}

void TCustomStatusBar::DrawPanel(TStatusPanel* Panel, const RECT& Rect) {
    if (OnDrawPanel)
        OnDrawPanel(this, Panel, Rect);
    else
        FCanvas.FillRect(Rect);
}

void TCustomStatusBar::WndProc(TMessage& Message) {
    if (Message.Msg == CN_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        TStatusPanels* panels = Panels();
        if (dis && static_cast<int>(dis->itemID) < panels->Count()) {
            FCanvas.SetHandle(dis->hDC);
            FCanvas.Font()->Assign(Font());
            FCanvas.Brush()->SetColor(clBtnFace);
            struct Release {
                TCanvas& c;
                ~Release() { c.SetHandle(nullptr); }
            } release{FCanvas};
            DrawPanel(panels->Items(static_cast<int>(dis->itemID)), dis->rcItem);
        }
        Message.Result = TRUE;
        return;
    }
    TWinControl::WndProc(Message);
}
