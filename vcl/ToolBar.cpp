// The tool bar and its buttons.
#include "ComCtrls.h"
#include "Themes.h"
#include "ComCtrlsInternal.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cstring>

// =================================================================================
// Tool bar

namespace {
std::atomic<int> g_NextToolButtonId{0x7000};
}

TToolButton::TToolButton(TComponent* AOwner) : TControl(AOwner), FCommandId(g_NextToolButtonId++) {
    SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
    if (FDropdownMenu)
        FDropdownMenu->RemoveFreeNotification(this);
    if (TToolBar* bar = ToolBar())
        if (!bar->IsDestroying())
            bar->Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(static_cast<TControl*>(this)), 0);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(FParent); }

int TToolButton::Index() const {
    TToolBar* bar = ToolBar();
    if (!bar)
        return -1;
    auto it = std::find(bar->FButtons.begin(), bar->FButtons.end(), this);
    return it == bar->FButtons.end() ? -1 : static_cast<int>(it - bar->FButtons.begin());
}

void TToolButton::Changed() {
    if (TToolBar* bar = ToolBar())
        bar->ButtonChanged(this);
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TToolButton::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    TToolBar* bar = ToolBar();
    if (bar && bar->HandleAllocated())
        SendMessageW(bar->Handle(), TB_CHANGEBITMAP, FCommandId, Value >= 0 ? Value : I_IMAGENONE);
}

bool TToolButton::Down() const {
    TToolBar* bar = ToolBar();
    if (bar && bar->HandleAllocated() && Index() >= 0)
        return SendMessageW(bar->Handle(), TB_ISBUTTONCHECKED, FCommandId, 0) != 0;
    return FDown;
}

void TToolButton::SetDown(bool Value) {
    FDown = Value;
    TToolBar* bar = ToolBar();
    if (!bar)
        return;
    if (Value && FGrouped && FStyle == tbsCheck) {
        // A group is a run of grouped check buttons next to each other.
        int i = Index();
        for (int j = i - 1; j >= 0 && bar->FButtons[j]->FGrouped && bar->FButtons[j]->FStyle == tbsCheck; --j)
            bar->FButtons[j]->FDown = false;
        for (int j = i + 1; j < bar->ButtonCount() && bar->FButtons[j]->FGrouped && bar->FButtons[j]->FStyle == tbsCheck; ++j)
            bar->FButtons[j]->FDown = false;
    }
    if (bar->HandleAllocated() && Index() >= 0)
        SendMessageW(bar->Handle(), TB_CHECKBUTTON, FCommandId, Value ? TRUE : FALSE);
}

void TToolButton::SetGrouped(bool Value) {
    if (Value == FGrouped)
        return;
    FGrouped = Value;
    Changed();
}

void TToolButton::SetIndeterminate(bool Value) {
    if (Value == FIndeterminate)
        return;
    FIndeterminate = Value;
    TToolBar* bar = ToolBar();
    if (bar && bar->HandleAllocated() && Index() >= 0)
        SendMessageW(bar->Handle(), TB_INDETERMINATE, FCommandId, Value ? TRUE : FALSE);
}

void TToolButton::SetAutoSize(bool Value) {
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    Changed();
}

void TToolButton::SetWrap(bool Value) {
    if (Value == FWrap)
        return;
    FWrap = Value;
    Changed();
}

void TToolButton::SetDropdownMenu(TPopupMenuBase* Value) { ReplaceComponentRef(this, FDropdownMenu, Value); }

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FDropdownMenu)
        FDropdownMenu = nullptr;
}

void TToolButton::Click() { TControl::Click(); }

void TToolButton::SetButtonBounds(const RECT& R) {
    FLeft = R.left;
    FTop = R.top;
    FWidth = R.right - R.left;
    FHeight = R.bottom - R.top;
}

void TToolButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_VISIBLECHANGED:
        Changed();
        break;
    }
    TControl::WndProc(Message);
}

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar() { Destroying(); }

TToolButton* TToolBar::Buttons(int Index) const {
    if (Index < 0 || Index >= ButtonCount())
        ListIndexError(Index);
    return FButtons[static_cast<size_t>(Index)];
}

TToolButton* TToolBar::FindButton(int CommandId) const {
    for (TToolButton* b : FButtons)
        if (b->FCommandId == CommandId)
            return b;
    return nullptr;
}

void TToolBar::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, TOOLBARCLASSNAMEW);
    Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FFlat) Params.Style |= TBSTYLE_FLAT;
    if (FList) Params.Style |= TBSTYLE_LIST;
    if (FWrapable) Params.Style |= TBSTYLE_WRAPABLE;
    MirrorInRightToLeft(Params);
}

void TToolBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(FHandle, CCM_SETUNICODEFORMAT, TRUE, 0);
    SendMessageW(FHandle, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    RecreateButtons();
}

void TToolBar::RecreateButtons() {
    if (!HandleAllocated())
        return;
    while (SendMessageW(FHandle, TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessageW(FHandle, TB_DELETEBUTTON, 0, 0);
    SendMessageW(FHandle, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImageListHandle(FImages)));
    if (!FImages)
        SendMessageW(FHandle, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    else
        SendMessageW(FHandle, TB_SETBITMAPSIZE, 0, MAKELPARAM(FImages->Width(), FImages->Height()));
    // The size first, as when the buttons come one by one: the window then sizes the buttons
    // by their captions the same way whether the window is new or made anew.
    SendMessageW(FHandle, TB_SETBUTTONSIZE, 0, MAKELPARAM(FButtonWidth, FButtonHeight));
    for (size_t i = 0; i < FButtons.size(); ++i)
        InsertButtonIntoWindow(FButtons[i], static_cast<int>(i));
    SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
    UpdateButtonBounds();
}

void TToolBar::InsertButtonIntoWindow(TToolButton* Button, int Position) {
    TBBUTTON tb{};
    std::wstring caption = Button->GetText();
    bool sep = Button->FStyle == tbsSeparator || Button->FStyle == tbsDivider;
    tb.iBitmap = sep ? 6 : (Button->FImageIndex >= 0 ? Button->FImageIndex : I_IMAGENONE);
    tb.idCommand = Button->FCommandId;
    if (Button->Enabled()) tb.fsState |= TBSTATE_ENABLED;
    if (Button->FDown) tb.fsState |= TBSTATE_CHECKED;
    if (!Button->Visible()) tb.fsState |= TBSTATE_HIDDEN;
    if (Button->FIndeterminate) tb.fsState |= TBSTATE_INDETERMINATE;
    if (Button->FWrap) tb.fsState |= TBSTATE_WRAP;
    switch (Button->FStyle) {
    case tbsCheck: tb.fsStyle = BTNS_CHECK | (Button->FGrouped ? BTNS_GROUP : 0); break;
    case tbsDropDown: tb.fsStyle = BTNS_DROPDOWN; break;
    case tbsSeparator:
    case tbsDivider: tb.fsStyle = BTNS_SEP; break;
    default: tb.fsStyle = BTNS_BUTTON; break;
    }
    if (Button->FAutoSize && !sep)
        tb.fsStyle |= BTNS_AUTOSIZE;
    // The window copies a caption given by address.
    tb.iString = (FShowCaptions && !sep) ? reinterpret_cast<INT_PTR>(caption.c_str()) : -1;
    SendMessageW(FHandle, TB_INSERTBUTTONW, Position, reinterpret_cast<LPARAM>(&tb));
}

void TToolBar::UpdateButtonBounds() {
    if (!HandleAllocated())
        return;
    for (size_t i = 0; i < FButtons.size(); ++i) {
        RECT r{};
        if (SendMessageW(FHandle, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
            FButtons[i]->SetButtonBounds(r);
    }
}

void TToolBar::ButtonChanged(TToolButton* Button) {
    if (!HandleAllocated())
        return;
    int i = Button->Index();
    if (i < 0)
        return;
    SendMessageW(FHandle, TB_DELETEBUTTON, i, 0);
    InsertButtonIntoWindow(Button, i);
    SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
    UpdateButtonBounds();
}

void TToolBar::SetImages(TCustomImageList* Value) {
    if (!ReplaceComponentRef(this, FImages, Value))
        return;
    RecreateButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FImages)
        SetImages(nullptr);
}

void TToolBar::SetShowCaptions(bool Value) {
    if (Value == FShowCaptions)
        return;
    FShowCaptions = Value;
    RecreateButtons();
}

void TToolBar::SetList(bool Value) {
    if (Value == FList)
        return;
    FList = Value;
    RecreateWnd();
}

void TToolBar::SetFlat(bool Value) {
    if (Value == FFlat)
        return;
    FFlat = Value;
    RecreateWnd();
}

void TToolBar::SetWrapable(bool Value) {
    if (Value == FWrapable)
        return;
    FWrapable = Value;
    RecreateWnd();
}

void TToolBar::SetButtonSize(int AWidth, int AHeight) {
    FButtonWidth = AWidth;
    FButtonHeight = AHeight;
    RecreateButtons();
}

TToolButton* TToolBar::ButtonAt(int X, int Y) {
    if (!HandleAllocated())
        return nullptr;
    POINT p{X, Y};
    int i = static_cast<int>(SendMessageW(FHandle, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p)));
    return i >= 0 && i < ButtonCount() ? FButtons[static_cast<size_t>(i)] : nullptr;
}

int TToolBar::RowsHeight() {
    if (!HandleAllocated())
        return 0;
    int bottom = 0;
    const int count = static_cast<int>(SendMessageW(FHandle, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON tb{};
        RECT r{};
        if (SendMessageW(FHandle, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&tb)) && !(tb.fsState & TBSTATE_HIDDEN) &&
            SendMessageW(FHandle, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
            bottom = std::max(bottom, static_cast<int>(r.bottom));
    }
    return bottom;
}

void TToolBar::DropDown(TToolButton* Button) {
    if (!Button->FDropdownMenu)
        return;
    RECT r{};
    SendMessageW(FHandle, TB_GETRECT, Button->FCommandId, reinterpret_cast<LPARAM>(&r));
    POINT p = ClientToScreen(POINT{r.left, r.bottom});
    Button->FDropdownMenu->Popup(Button, p.x, p.y);
}

// A drop-down button's arrow, in its part at the button's right: a chevron two pixels thick,
// seven wide and four high (its tip one pixel), where the system draws its own (one pixel
// right and down while the button is pressed); what the system drew there is painted over
// with the bar's colour.
void TToolBar::PaintDropDownArrow(HDC DC, const RECT& Bounds, COLORREF Ink, bool Pressed) {
    const int left = Bounds.right - DropDownArrowWidth, top = (Bounds.top + Bounds.bottom) / 2 - 3;
    const HGDIOBJ brush = GetStockObject(DC_BRUSH);
    const RECT under{left + 2, top, left + DropDownArrowWidth - 1, top + 5};
    SetDCBrushColor(DC, ColorToRGB(Color()));
    FillRect(DC, &under, static_cast<HBRUSH>(brush));
    SetDCBrushColor(DC, Ink);
    const int cx = left + 5 + (Pressed ? 1 : 0), y = top + (Pressed ? 1 : 0);
    for (int row = 0; row < 3; ++row) {
        const RECT l{cx - 3 + row, y + row, cx - 1 + row, y + row + 1};
        const RECT r{cx + 2 - row, y + row, cx + 4 - row, y + row + 1};
        FillRect(DC, &l, static_cast<HBRUSH>(brush));
        FillRect(DC, &r, static_cast<HBRUSH>(brush));
    }
    const RECT tip{cx, y + 3, cx + 1, y + 4};
    FillRect(DC, &tip, static_cast<HBRUSH>(brush));
}

// A disabled button of a list-style bar without an image: its caption (and a drop-down
// button's arrow) where the system draws an enabled one's, in the caption's colour halfway to
// the bar's, so that it is dimmer than the enabled ones on a bar of any colour (the system's
// grey and emboss are made for a light bar: on a dark one they look bolder than the enabled
// captions).
void TToolBar::DrawDisabledButton(TToolButton& Button, HDC DC, const RECT& Bounds) {
    const COLORREF ink = MixColors(Font()->Color(), Color(), 50);
    RECT text = Bounds;
    if (Button.FStyle == tbsDropDown) {
        text.right -= DropDownArrowWidth;
        PaintDropDownArrow(DC, Bounds, ink, false);
    }
    // The caption starts the padding and an edge in from the left, as the system puts it.
    const DWORD padding = static_cast<DWORD>(SendMessageW(FHandle, TB_GETPADDING, 0, 0));
    text.left += LOWORD(padding) + GetSystemMetrics(SM_CXEDGE);
    const HGDIOBJ oldFont = SelectObject(DC, Font()->Handle());
    const int oldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(DC, ink);
    const std::wstring caption = Button.Caption();
    DrawTextW(DC, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    SetTextColor(DC, oldColor);
    SetBkMode(DC, oldMode);
    SelectObject(DC, oldFont);
}

void TToolBar::WndProc(TMessage& Message) {
    UINT msg = Message.Msg;
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL && msg != WM_MOUSEHWHEEL) {
        // The window clicks its buttons itself; the buttons only see the hint logic and
        // the mouse entering and leaving them.
        if (msg == WM_MOUSEMOVE)
            TrackMouse(Message);
        if (msg == WM_MOUSEMOVE && g_ControlHooks.HintMouseMessage) {
            int x = static_cast<short>(LOWORD(Message.LParam)), y = static_cast<short>(HIWORD(Message.LParam));
            TControl* target = this;
            TMessage m = Message;
            if (TToolButton* b = ButtonAt(x, y)) {
                target = b;
                m.LParam = MAKELPARAM(x - b->Left(), y - b->Top());
            }
            g_ControlHooks.HintMouseMessage(target, m);
        }
        DefaultHandler(Message);
        return;
    }
    switch (msg) {
    case WM_PAINT:
        DefaultHandler(Message);
        return;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(FHandle, &r);
        FillRect(reinterpret_cast<HDC>(Message.WParam), &r, BrushHandle());
        Message.Result = 1;
        return;
    }
    case CM_CONTROLLISTCHANGE: {
        auto* c = reinterpret_cast<TControl*>(Message.WParam);
        auto* b = dynamic_cast<TToolButton*>(c);
        if (!b && !Message.LParam) {
            // A button on its way out is no longer a TToolButton: find it by address.
            auto it = std::find(FButtons.begin(), FButtons.end(), static_cast<TToolButton*>(c));
            if (it == FButtons.end())
                break;
            b = *it;
        }
        if (!b)
            break;
        auto it = std::find(FButtons.begin(), FButtons.end(), b);
        if (Message.LParam) {
            if (it == FButtons.end()) {
                FButtons.push_back(b);
                if (HandleAllocated()) {
                    InsertButtonIntoWindow(b, ButtonCount() - 1);
                    SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
                    UpdateButtonBounds();
                }
            }
        } else if (it != FButtons.end()) {
            int i = static_cast<int>(it - FButtons.begin());
            FButtons.erase(it);
            if (HandleAllocated()) {
                SendMessageW(FHandle, TB_DELETEBUTTON, i, 0);
                UpdateButtonBounds();
            }
        }
        break;
    }
    case CN_COMMAND: {
        if (TToolButton* b = FindButton(LOWORD(Message.WParam))) {
            if (b->FStyle == tbsCheck)
                b->FDown = SendMessageW(FHandle, TB_ISBUTTONCHECKED, b->FCommandId, 0) != 0;
            b->Click();
        }
        Message.Result = 0;
        return;
    }
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        if (hdr->code == NM_CUSTOMDRAW) {
            auto* cd = reinterpret_cast<NMTBCUSTOMDRAW*>(hdr);
            if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
                Message.Result = CDRF_NOTIFYITEMDRAW;
            } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT) {
                // The system draws a drop-down arrow in its own button text colour, which a
                // dark bar swallows: the arrow takes the caption's colour.
                PaintDropDownArrow(cd->nmcd.hdc, cd->nmcd.rc, ColorToRGB(Font()->Color()),
                                   (cd->nmcd.uItemState & CDIS_SELECTED) != 0);
                Message.Result = CDRF_DODEFAULT;
            } else {
                Message.Result = CDRF_DODEFAULT;
                if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                    TToolButton* b = FindButton(static_cast<int>(cd->nmcd.dwItemSpec));
                    const bool ownCaption = b && (!FImages || b->FImageIndex < 0) && FShowCaptions && FList;
                    cd->clrText = ColorToRGB(Font()->Color());
                    // A theme lights a button under the pointer, pressed or down on a pale face
                    // of its own: the system's button text reads on it, a light font would not.
                    const bool lit =
                        (cd->nmcd.uItemState & (CDIS_HOT | CDIS_SELECTED | CDIS_CHECKED)) && ThemesActive();
                    if (lit)
                        cd->clrText = GetSysColor(COLOR_BTNTEXT);
                    // A button that is down but not being pressed keeps its caption in line
                    // with the others' (the offset stays for the press itself).
                    if ((cd->nmcd.uItemState & CDIS_CHECKED) && !(cd->nmcd.uItemState & CDIS_SELECTED))
                        Message.Result |= TBCDRF_NOOFFSET;
                    if (cd->nmcd.uItemState & CDIS_DISABLED) {
                        if (ownCaption) {
                            DrawDisabledButton(*b, cd->nmcd.hdc, cd->nmcd.rc);
                            Message.Result = CDRF_SKIPDEFAULT;
                        } else {
                            // No light emboss: on a dark bar it looks bolder than the enabled text.
                            cd->clrBtnHighlight = ColorToRGB(Color());
                            Message.Result |= TBCDRF_NOETCHEDEFFECT;
                        }
                    } else if (ownCaption && b->FStyle == tbsDropDown && !lit) {
                        Message.Result |= CDRF_NOTIFYPOSTPAINT;
                    }
                }
            }
            return;
        }
        if (hdr->code == TBN_DROPDOWN) {
            auto* nm = reinterpret_cast<NMTOOLBARW*>(hdr);
            if (TToolButton* b = FindButton(nm->iItem))
                DropDown(b);
            Message.Result = TBDDRET_DEFAULT;
            return;
        }
        Message.Result = 0;
        return;
    }
    case WM_SIZE:
        TWinControl::WndProc(Message);
        UpdateButtonBounds();
        return;
    }
    TWinControl::WndProc(Message);
}
