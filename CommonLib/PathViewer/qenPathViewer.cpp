#include "qenPathViewer.h"

#include "Forms.h"
#include "SysUtils.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

namespace {

// Frees the closed in-place editors (posted by CloseEditor).
constexpr UINT FreeEditorsMessage = 0x910;

void FillSolid(HDC DC, int Left, int Top, int Right, int Bottom, COLORREF Color) {
    if (Right <= Left || Bottom <= Top)
        return;
    RECT r{Left, Top, Right, Bottom};
    SetDCBrushColor(DC, Color);
    FillRect(DC, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Pixel(HDC DC, int X, int Y, COLORREF Color) { FillSolid(DC, X, Y, X + 1, Y + 1, Color); }

} // namespace

// ---------------------------------------------------------------------------------
// Layout

std::vector<std::wstring> PathViewerSplitPath(const std::wstring& Path, wchar_t Separator) {
    std::wstring text;
    text.reserve(Path.size());
    if (Separator == L'\\') {
        // "\\" stands for itself (a UNC start) and must survive the split: park it as '|'.
        for (size_t i = 0; i < Path.size(); ++i) {
            if (Path[i] == L'\\' && i + 1 < Path.size() && Path[i + 1] == L'\\') {
                text += L'|';
                ++i;
            } else {
                text += Path[i] == L'\\' ? L'\r' : Path[i];
            }
        }
    } else {
        for (wchar_t c : Path)
            text += c == Separator ? L'\r' : c;
    }
    text = Trim(text);

    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == L'\r' && start < text.size() && text[start] == L'\n')
            ++start;
    }
    if (Separator == L'\\' && !lines.empty()) {
        std::wstring first;
        for (wchar_t c : lines[0])
            first += c == L'|' ? std::wstring(L"\\\\") : std::wstring(1, c);
        lines[0] = first;
    }
    return lines;
}

int PathViewerHiddenCount(const std::vector<int>& TextWidths, int ClientWidth, bool HasSubItems,
                          bool HideFirstLevel) {
    const int count = static_cast<int>(TextWidths.size());
    int64_t needed = PathViewerIconWidth + PathViewerArrowWidth;
    for (int w : TextWidths)
        needed += static_cast<int64_t>(w) + PathViewerButtonPad + PathViewerArrowWidth;
    if (!HasSubItems)
        needed -= PathViewerArrowWidth;
    int hidden = 0;
    int64_t excess = needed - (static_cast<int64_t>(ClientWidth) - 8);
    // Only a positive excess hides anything; each hidden segment gives back its button and arrow.
    while (excess > 0 && hidden < count) {
        excess -= static_cast<int64_t>(TextWidths[static_cast<size_t>(hidden)]) + PathViewerButtonPad +
                  PathViewerArrowWidth;
        ++hidden;
    }
    if (hidden == 0 && HideFirstLevel && count >= 2)
        hidden = 1;
    return hidden;
}

TpvLayout PathViewerLayout(const std::vector<std::wstring>& Segments, const TpvTextWidth& TextWidth,
                           const TpvGeometry& Geometry, const TpvDrawArrowHook& DrawArrow) {
    TpvLayout layout;
    layout.Count = static_cast<int>(Segments.size());
    std::vector<int> widths;
    widths.reserve(Segments.size());
    for (const std::wstring& s : Segments)
        widths.push_back(TextWidth ? TextWidth(s) : 0);
    layout.Hidden = PathViewerHiddenCount(widths, Geometry.ClientWidth, Geometry.HasSubItems, Geometry.HideFirstLevel);
    layout.FirstArrow = layout.Hidden > 0 ? pvaBack : pvaNone;
    if (DrawArrow)
        DrawArrow(layout.Hidden, layout.FirstArrow);

    const bool rtl = Geometry.RightToLeft;
    int x = rtl ? Geometry.ClientWidth - PathViewerIconWidth : PathViewerIconWidth;
    auto add = [&](int width, int index, bool button, bool first) {
        TpvCell c;
        c.Index = index;
        c.Button = button;
        c.First = first;
        if (rtl) {
            c.Right = x;
            c.Left = x - width;
            x -= width;
        } else {
            c.Left = x;
            c.Right = x + width;
            x += width;
        }
        layout.Cells.push_back(c);
    };
    layout.Cells.reserve(static_cast<size_t>(2 * (layout.Count - layout.Hidden) + 1));
    if (layout.FirstArrow != pvaNone)
        add(PathViewerArrowWidth, layout.Hidden - 1, false, true);
    for (int i = layout.Hidden; i < layout.Count; ++i) {
        add(widths[static_cast<size_t>(i)] + PathViewerButtonPad, i, true, false);
        if (i < layout.Count - 1 || Geometry.HasSubItems)
            add(PathViewerArrowWidth, i, false, false);
    }
    return layout;
}

TpvHit PathViewerHitTest(const TpvLayout& Layout, const std::vector<std::wstring>& Segments, const TpvHitInput& In) {
    TpvHit hit;
    hit.Index = In.CurrentIndex;
    for (size_t i = 0; i < Layout.Cells.size(); ++i)
        if (Layout.Cells[i].Left <= In.X && In.X <= Layout.Cells[i].Right)
            hit.Cell = static_cast<int>(i); // a later cell wins the pixel it shares
    if (hit.Cell < 0)
        return hit;

    const TpvCell& cell = Layout.Cells[static_cast<size_t>(hit.Cell)];
    hit.Index = cell.Index;
    if (In.ButtonDown)
        hit.State = cell.Button ? isButtonPressed : isArrowPressed;
    else
        hit.State = cell.Button ? isButtonHot : isArrowHot;
    hit.PopupPoint = In.RightToLeft ? POINT{cell.Right + 21, In.ClientHeight - 1}
                                    : POINT{cell.Right - 35, In.ClientHeight - 1};
    if (cell.First) {
        hit.PopupPath = L"*";
        hit.PopupIndex = -1;
    } else {
        for (int k = 0; k <= cell.Index && k < static_cast<int>(Segments.size()); ++k)
            hit.PopupPath += Segments[static_cast<size_t>(k)] + L"\\";
        hit.PopupIndex = cell.Index;
    }
    if (In.ButtonDown) {
        const bool inside = In.KeyboardMode || (In.Y >= 1 && In.Y <= In.ClientHeight);
        if (hit.Index != In.DownIndex || !inside)
            hit.State = isNormal;
    }
    return hit;
}

bool PathViewerIsIconArea(const TpvLayout& Layout, int Index) { return Index >= -1 && Index < Layout.Hidden; }

int PathViewerKeyStep(const TpvLayout& Layout, int Current, bool Forward) {
    const int first = Layout.Hidden, last = Layout.Count - 1;
    if (first > last)
        return -1; // nothing shown: only the icon area
    if (Current < -1 || Current > last || PathViewerIsIconArea(Layout, Current))
        return Forward ? first : last;
    if (Forward)
        return Current < last ? Current + 1 : -1;
    return Current > first ? Current - 1 : -1;
}

int PathViewerKeyCell(const TpvLayout& Layout, int Current, bool Arrow) {
    const bool icon = PathViewerIsIconArea(Layout, Current);
    for (size_t i = 0; i < Layout.Cells.size(); ++i) {
        const TpvCell& c = Layout.Cells[i];
        if (icon ? (Arrow && c.First) : (!c.First && c.Index == Current && c.Button != Arrow))
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<COLORREF> PathViewerGradient(COLORREF C1, COLORREF C2, int Height) {
    std::vector<COLORREF> rows;
    if (Height <= 0)
        return rows;
    rows.reserve(static_cast<size_t>(Height));
    const int m = Height / 2;
    const int c1[3] = {GetRValue(C1), GetGValue(C1), GetBValue(C1)};
    const int c2[3] = {GetRValue(C2), GetGValue(C2), GetBValue(C2)};
    int mid[3];
    for (int k = 0; k < 3; ++k)
        mid[k] = std::clamp(c1[k] + 15 * (c2[k] - c1[k]) / 9, 0, 255);
    for (int row = 0; row < Height; ++row) {
        int v[3];
        for (int k = 0; k < 3; ++k) {
            if (row <= m - 2)
                v[k] = c1[k] + (c2[k] - c1[k]) * row / m;
            else
                v[k] = mid[k] + (c2[k] - mid[k]) * row / Height;
            v[k] = std::clamp(v[k], 0, 255);
        }
        rows.push_back(RGB(v[0], v[1], v[2]));
    }
    return rows;
}

// ---------------------------------------------------------------------------------
// The in-place editor

// A borderless edit that reports Enter, Escape and leaving to its bar. It is never freed
// inside its own messages: the bar hides it and frees it later (Busy counts the messages
// it is inside).
class TpvPathEdit : public TEdit {
public:
    VORLANE_CLASS_NAME(TpvPathEdit)
    explicit TpvPathEdit(TqenPathViewer* Bar) : TEdit(Bar), FBar(Bar) {}
    int Busy = 0;
    bool Closed = false; // hidden, waiting to be freed

    void WndProc(TMessage& Message) override {
        ++Busy;
        struct TLeave {
            TpvPathEdit* Edit;
            ~TLeave() {
                // Closed while inside its own message: the bar may free it now.
                if (--Edit->Busy == 0 && Edit->Closed && Edit->FBar->HandleAllocated())
                    PostMessageW(Edit->FBar->Handle(), FreeEditorsMessage, 0, 0);
            }
        } leave{this};
        switch (Message.Msg) {
        case WM_GETDLGCODE:
            TEdit::WndProc(Message);
            Message.Result |= DLGC_WANTALLKEYS; // Enter and Escape are ours, not the form's
            return;
        case WM_KEYDOWN:
            if (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE) {
                Message.Result = 0;
                if (FBar && FBar->FEditor == this)
                    FBar->EditorDone(Message.WParam == VK_RETURN);
                return;
            }
            break;
        case WM_CHAR:
            if (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE) {
                Message.Result = 0; // no beep
                return;
            }
            break;
        }
        TEdit::WndProc(Message);
    }

protected:
    void CreateParams(TCreateParams& Params) override {
        TEdit::CreateParams(Params);
        Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
        Params.Style &= ~static_cast<DWORD>(WS_BORDER);
    }
    void DoExit() override {
        TEdit::DoExit();
        if (FBar && FBar->FEditor == this)
            FBar->EditorLeft();
    }

private:
    TqenPathViewer* FBar;
};

// ---------------------------------------------------------------------------------
// TqenPathViewer

TqenPathViewer::TqenPathViewer(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle |= csOpaque;
    SetOffscreenPaint(true);
    FColor = clWindow;
    FParentColor = false;
    FParentFont = true;
    FDropDown = new TTntPopupMenu(this);
    FSegments.OnChange = [this](TObject*) { Invalidate(); };
    FMeasure.SetSize(1, 1);
    SetBounds(0, 0, 150, 25);
}

TqenPathViewer::~TqenPathViewer() { FSegments.OnChange = nullptr; }

std::vector<std::wstring> TqenPathViewer::SegmentTexts() const {
    std::vector<std::wstring> s;
    s.reserve(static_cast<size_t>(FSegments.Count()));
    for (int i = 0; i < FSegments.Count(); ++i)
        s.push_back(FSegments.Strings(i));
    return s;
}

int TqenPathViewer::TextWidth(const std::wstring& Text) {
    TCanvas* c = FMeasure.Canvas();
    if (!c->Font()->SameAs(FFont))
        c->Font()->Assign(&FFont);
    return c->TextWidth(Text);
}

void TqenPathViewer::UpdateLayout() {
    TpvGeometry g;
    g.ClientWidth = ClientWidth();
    g.ClientHeight = ClientHeight();
    g.HasSubItems = FHasSubItems;
    g.HideFirstLevel = FHideFirstLevel;
    g.RightToLeft = FRightToLeft;
    TpvDrawArrowHook hook;
    if (OnDrawArrow)
        hook = [this](int hidden, TpvArrow& style) { OnDrawArrow(this, hidden, style); };
    FLayout = PathViewerLayout(SegmentTexts(), [this](const std::wstring& s) { return TextWidth(s); }, g, hook);
}

void TqenPathViewer::HitTest() {
    UpdateLayout();
    TpvHitInput in;
    in.X = FMousePos.x;
    in.Y = FMousePos.y;
    in.ButtonDown = FButtonDown;
    in.DownIndex = FDownIndex;
    in.KeyboardMode = FKeyboardMode;
    in.ClientHeight = ClientHeight();
    in.RightToLeft = FRightToLeft;
    in.CurrentIndex = FCurrent;
    TpvHit hit = PathViewerHitTest(FLayout, SegmentTexts(), in);
    FState = hit.State;
    FCurrent = hit.Index;
    if (hit.Cell >= 0) {
        FPopupPath = std::move(hit.PopupPath);
        FPopupIndex = hit.PopupIndex;
        FPopupPoint = ClientToScreen(hit.PopupPoint);
    }
}

// --------------------------------------------------------------------------------- properties

void TqenPathViewer::SetPath(const std::wstring& Value) {
    FPath = Value;
    FSegments.WithUpdate([&] {
        FSegments.Clear();
        for (const std::wstring& s : PathViewerSplitPath(Value, FPathSepertor))
            FSegments.Add(s);
    });
    if (OnPathChanged)
        OnPathChanged(this);
    Invalidate();
}

void TqenPathViewer::SetPathSepertor(wchar_t Value) {
    FPathSepertor = Value;
    SetPath(FPath);
}

void TqenPathViewer::SetAllowKeyNav(bool Value) {
    FAllowKeyNav = Value;
    Invalidate();
}

void TqenPathViewer::SetCustomPopupMenu(TTntPopupMenu* Value) {
    ReplaceComponentRef(this, FCustomPopupMenu, Value);
}

void TqenPathViewer::SetHasSubItems(bool Value) {
    FHasSubItems = Value;
    Invalidate();
}

void TqenPathViewer::SetHideFirstLevel(bool Value) {
    FHideFirstLevel = Value;
    Invalidate();
}

void TqenPathViewer::SetImages(TCustomImageList* Value) {
    if (ReplaceComponentRef(this, FImages, Value))
        Invalidate();
}

void TqenPathViewer::SetImageIdx(int Value) {
    FImageIdx = Value;
    Invalidate();
}

void TqenPathViewer::SetFramed(bool Value) {
    FFramed = Value;
    Invalidate();
}

void TqenPathViewer::SetBorderColor(TColor Value) {
    FBorderColor = Value;
    Invalidate();
}

void TqenPathViewer::SetRightToLeft(bool Value) {
    FRightToLeft = Value;
    Invalidate();
}

void TqenPathViewer::SetOwnerDraw(bool Value) {
    FOwnerDraw = Value;
    Invalidate();
}

void TqenPathViewer::SetTransparent(bool Value) {
    FTransparent = Value;
    Invalidate();
}

void TqenPathViewer::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FImages)
        FImages = nullptr;
    if (AComponent == FCustomPopupMenu)
        FCustomPopupMenu = nullptr;
}

TEdit* TqenPathViewer::Editor() const { return FEditor; }

// --------------------------------------------------------------------------------- mouse

bool TqenPathViewer::LeftDown(int X, int Y) {
    FMousePos = POINT{X, Y};
    HitTest();
    FDownIndex = FCurrent;
    if (FDownIndex == FLastArrow && FState != isNormal) {
        // The click that closed this arrow's menu: it does not open it again.
        FLastArrow = -2;
        return false;
    }
    const TpvItemState atDown = FState;
    FPendingPopup = atDown == isArrowHot;
    FButtonDown = true;
    if (atDown == isButtonHot && HandleAllocated())
        SetCapture(FHandle);
    Repaint();
    if (FPendingPopup) {
        // The reset follows the menu whatever happens in it (an OnPopup that raises too).
        struct TPostReset {
            TqenPathViewer* Bar;
            ~TPostReset() {
                if (Bar->HandleAllocated())
                    PostMessageW(Bar->FHandle, PathViewerResetMessage, 0, 0);
            }
        } reset{this};
        if (!FPopupPath.empty())
            ShowDropDown();
    } else if (atDown == isNormal && FAllowEdit) {
        FPopupPath = FPath;
        OpenEditor();
    }
    return true;
}

void TqenPathViewer::ButtonUp(int X, int Y) {
    FMousePos = POINT{X, Y};
    HitTest();
    const bool click = FState == isButtonPressed && FClickSetPath;
    const int index = FCurrent;
    struct TRelease {
        TqenPathViewer* Bar;
        ~TRelease() {
            Bar->FButtonDown = false;
            Bar->FPendingPopup = false;
            if (Bar->HandleAllocated() && GetCapture() == Bar->FHandle)
                ReleaseCapture();
            Bar->Repaint();
        }
    } release{this};
    if (click && OnPathClick)
        OnPathClick(this, index);
}

void TqenPathViewer::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button != mbLeft) {
        TCustomControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (FEditor)
        return;
    FKeyboardMode = false; // a real click: its position counts
    if (LeftDown(X, Y))
        TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TqenPathViewer::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (FPendingPopup)
        return;
    ButtonUp(X, Y);
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TqenPathViewer::MouseMove(TShiftState Shift, int X, int Y) {
    if (FEditor)
        return;
    if (FKeyboardMode) {
        // Moves the window makes by itself (a menu closing, a repaint) do not end it.
        if (!FFirstMoveSeen) {
            FFirstMove = POINT{X, Y};
            FFirstMoveSeen = true;
        } else if (std::abs(X - FFirstMove.x) > 5 || std::abs(Y - FFirstMove.y) > 5) {
            FKeyboardMode = false;
        }
    } else {
        FMousePos = POINT{X, Y};
        FCurrent = -2;
        Invalidate();
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TqenPathViewer::ResetAfterPopup() {
    FState = isNormal;
    FPopupPath.clear();
    FPopupIndex = -1;
    FButtonDown = false;
    FPendingPopup = false;
    // In keyboard mode the position stays on the segment whose menu was open, so that the
    // walk goes on from there.
    if (!FKeyboardMode) {
        FMousePos = POINT{-1, -1};
        FCurrent = -2;
    }
    FFirstMoveSeen = false;
    Repaint();
}

// --------------------------------------------------------------------------------- drop-down

void TqenPathViewer::ShowDropDown() {
    FLastArrow = FCurrent;
    TTntPopupMenu* menu = FCustomPopupMenu;
    if (FAuto) {
        menu = FDropDown;
        const TCursor cursor = Screen ? Screen->Cursor() : crDefault;
        if (Screen)
            Screen->SetCursor(crHourGlass);
        struct TRestoreCursor {
            TCursor Cursor;
            ~TRestoreCursor() {
                if (Screen)
                    Screen->SetCursor(Cursor);
            }
        } restore{cursor};
        FDropDown->Items()->Clear();
        FDropDown->SetImages(FImages);
        FDropDown->RightToLeftPopup = FRightToLeft;
        std::wstring path = FPopupPath;
        if (OnPopup)
            OnPopup(this, path, FLayout.Hidden, FPopupIndex, menu);
        if (menu && OnPopupClick) {
            std::function<void(TMenuItem*)> wire = [&](TMenuItem* parent) {
                for (int i = 0; i < parent->Count(); ++i) {
                    parent->Items(i)->OnClick = OnPopupClick;
                    wire(parent->Items(i));
                }
            };
            wire(menu->Items());
        }
    }
    if (!menu)
        return;
    bool any = false;
    for (int i = 0; i < menu->Items()->Count() && !any; ++i)
        any = menu->Items()->Items(i)->Visible();
    if (!any)
        return; // an empty drop-down is not shown
    const bool rtl = menu->RightToLeftPopup;
    menu->RightToLeftPopup = FRightToLeft;
    struct TRestoreRtl {
        TTntPopupMenu* Menu;
        bool Value;
        ~TRestoreRtl() { Menu->RightToLeftPopup = Value; }
    } restoreRtl{menu, menu == FDropDown ? FRightToLeft : rtl};
    menu->Popup(this, FPopupPoint.x, FPopupPoint.y);
}

// --------------------------------------------------------------------------------- keyboard

int TqenPathViewer::VirtualX(const TpvCell& Cell) const { return (Cell.Left + Cell.Right) / 2; }

void TqenPathViewer::KeyPlace(int Index) {
    FCurrent = Index;
    int x;
    if (PathViewerIsIconArea(FLayout, Index)) {
        const int first = PathViewerKeyCell(FLayout, Index, true);
        x = first >= 0 ? VirtualX(FLayout.Cells[static_cast<size_t>(first)])
                       : (FRightToLeft ? ClientWidth() - PathViewerIconWidth / 2 : PathViewerIconWidth / 2);
    } else {
        const int button = PathViewerKeyCell(FLayout, Index, false);
        x = button >= 0 ? VirtualX(FLayout.Cells[static_cast<size_t>(button)]) : -1;
    }
    FMousePos = POINT{x, ClientHeight() / 2};
    HitTest();
    Invalidate();
}

void TqenPathViewer::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (!FAllowKeyNav || FEditor || Key == 0)
        return;
    FButtonDown = false;
    FKeyboardMode = true;
    FFirstMoveSeen = false;
    FLastArrow = -2; // only a mouse click can be the one that closed a menu
    UpdateLayout();
    if (FCurrent == -2 || FCurrent >= FLayout.Count) {
        FCurrent = -2;
        FMousePos = POINT{FRightToLeft ? ClientWidth() - PathViewerIconWidth : PathViewerIconWidth, ClientHeight() / 2};
        HitTest();
        Invalidate();
        return;
    }
    const WORD next = FRightToLeft ? VK_LEFT : VK_RIGHT;
    const WORD previous = FRightToLeft ? VK_RIGHT : VK_LEFT;
    if (Key == next || Key == previous) {
        KeyPlace(PathViewerKeyStep(FLayout, FCurrent, Key == next));
    } else if (Key == VK_RETURN) {
        const int cell = PathViewerKeyCell(FLayout, FCurrent, false);
        if (cell >= 0) {
            const int x = VirtualX(FLayout.Cells[static_cast<size_t>(cell)]), y = ClientHeight() / 2;
            if (LeftDown(x, y))
                ButtonUp(x, y);
        }
    } else if (Key == VK_UP || Key == VK_DOWN) {
        const int cell = PathViewerKeyCell(FLayout, FCurrent, true);
        if (cell >= 0)
            LeftDown(VirtualX(FLayout.Cells[static_cast<size_t>(cell)]), ClientHeight() / 2);
    }
}

void TqenPathViewer::DoEnter() {
    TCustomControl::DoEnter();
    FLastArrow = -2;
    if (FAllowKeyNav)
        FCurrent = -1;
}

void TqenPathViewer::DoExit() {
    TCustomControl::DoExit();
    FState = isNormal;
    FButtonDown = false;
    FPendingPopup = false;
    FKeyboardMode = false;
    FMousePos = POINT{-1, -1};
    FCurrent = -2;
    Invalidate();
}

void TqenPathViewer::Resize() {
    UpdateLayout();
    Invalidate();
    TCustomControl::Resize();
}

// --------------------------------------------------------------------------------- editor

void TqenPathViewer::OpenEditor() {
    if (FEditor || !HandleAllocated())
        return;
    std::unique_ptr<TpvPathEdit> edit(new TpvPathEdit(this));
    edit->SetParentFont(false);
    edit->Font()->Assign(&FFont);
    edit->SetColor(FColor);
    const int height = FFont.Size() + 6;
    edit->SetBounds(4, (ClientHeight() - height) / 2, ClientWidth() - 8, height);
    edit->SetParent(this);
    std::wstring path = FPath;
    if (OnPathEdit)
        OnPathEdit(this, edit.get(), path);
    edit->SetText(path);
    FEditor = edit.release();
    Invalidate();
    FEditor->SetFocus();
}

void TqenPathViewer::EditorDone(bool Accept) {
    std::wstring text = FEditor->GetText();
    struct TClose {
        TqenPathViewer* Bar;
        ~TClose() { Bar->CloseEditor(); }
    } close{this};
    if (Accept && OnEditedPath)
        OnEditedPath(this, text);
}

void TqenPathViewer::EditorLeft() { CloseEditor(); }

void TqenPathViewer::CloseEditor() {
    TpvPathEdit* edit = FEditor;
    if (!edit)
        return;
    FEditor = nullptr;
    // The focus comes back when the editor has it; when it has gone elsewhere it stays there.
    const HWND focus = GetFocus();
    const bool editorFocused = !focus || (edit->HandleAllocated() && focus == edit->Handle());
    if (editorFocused && CanFocus())
        SetFocus();
    edit->Hide();
    edit->Closed = true;
    FClosedEditors.push_back(edit);
    if (HandleAllocated())
        PostMessageW(FHandle, FreeEditorsMessage, 0, 0);
    Invalidate();
}

void TqenPathViewer::FreeClosedEditors() {
    // One still inside one of its own messages waits: it posts again when it leaves them.
    std::vector<TpvPathEdit*> busy;
    for (TpvPathEdit* e : FClosedEditors) {
        if (e->Busy > 0)
            busy.push_back(e);
        else
            delete e;
    }
    FClosedEditors.swap(busy);
}

// --------------------------------------------------------------------------------- messages

void TqenPathViewer::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case PathViewerResetMessage:
        ResetAfterPopup();
        return;
    case FreeEditorsMessage:
        FreeClosedEditors();
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        return;
    case CM_MOUSELEAVE:
        if (FPendingPopup)
            return;
        // A button held down stays down: back over its segment, the segment shows pressed again.
        FState = isNormal;
        if (!FKeyboardMode) {
            FMousePos = POINT{-1, -1};
            FCurrent = -2;
        }
        Invalidate();
        break; // OnMouseLeave
    case CM_MOUSEENTER:
        FLastArrow = -2;
        Invalidate();
        break; // OnMouseEnter
    case WM_WINDOWPOSCHANGED:
        if (FTransparent)
            Invalidate(); // the background behind the bar moved
        break;
    }
    TCustomControl::WndProc(Message);
}

// --------------------------------------------------------------------------------- painting

void TqenPathViewer::PaintGradient(const RECT& Area, TColor C1, TColor C2, int ColumnHeight) {
    const int height = Area.bottom - Area.top;
    if (height <= 0 || ColumnHeight <= 0 || Area.right <= Area.left)
        return;
    // The column is stretched over the area row by row.
    const std::vector<COLORREF> rows = PathViewerGradient(ColorToRGB(C1), ColorToRGB(C2), ColumnHeight);
    HDC dc = FCanvas.Handle();
    for (int y = 0; y < height; ++y) {
        const size_t src = static_cast<size_t>(static_cast<int64_t>(y) * ColumnHeight / height);
        FillSolid(dc, Area.left, Area.top + y, Area.right, Area.top + y + 1, rows[src]);
    }
}

void TqenPathViewer::PaintGlyph(const RECT& Cell, TColor Color, TpvItemState State, bool Back) {
    HDC dc = FCanvas.Handle();
    const COLORREF c = ColorToRGB(Color);
    const int x = Cell.right - 12;
    const int y = (Cell.bottom - Cell.top - 7) / 2 + 2;
    const bool pressed = State == isButtonPressed || State == isArrowPressed;
    if (Back) {
        // Two chevrons, two pixels thick, over x .. x + 7 and rows y .. y + 4.
        for (int o : {0, 4})
            for (int r = 0; r < 5; ++r) {
                const int d = std::abs(r - 2);
                for (int px : {x + o + d, x + o + d + 1})
                    Pixel(dc, FRightToLeft ? 2 * x + 7 - px : px, y + r, c);
            }
        return;
    }
    if (pressed) {
        for (int r = 0; r < 4; ++r)
            FillSolid(dc, x + 2 + r, y + 2 + r, x + 9 - r, y + 3 + r, c);
        return;
    }
    // Four columns from the 7-pixel base to the tip (x + 6, y + 2); mirrored right to left.
    for (int k = 0; k < 4; ++k) {
        const int col = FRightToLeft ? x + 5 - k : x + 3 + k;
        FillSolid(dc, col, y - 1 + k, col + 1, y + 6 - k, c);
    }
}

void TqenPathViewer::PaintCell(const RECT& Rect, const std::wstring& Text, TpvItemState State, bool Button,
                               bool Back) {
    RECT r = Rect;
    if (!Button) {
        if (FRightToLeft)
            ++r.right;
        else
            --r.left;
    }
    HDC dc = FCanvas.Handle();
    TColor fontColor = FFont.Color();
    const bool pressed = State == isButtonPressed || State == isArrowPressed;
    if (State != isNormal) {
        fontColor = clBlack;
        TColor c1 = BtnHotGrad1, c2 = BtnHotGrad2, pen = BtnPenNorm;
        if (State == isArrowHot && Button) {
            c1 = BtnGreyGrad1;
            c2 = BtnGreyGrad2;
            pen = BtnPenGray;
        } else if (State == isArrowHot) {
            c1 = BtnNormGrad1;
            c2 = BtnNormGrad2;
        }
        const COLORREF outline = ColorToRGB(pen);
        FillSolid(dc, r.left, r.top, r.left + 1, r.bottom, outline);
        FillSolid(dc, r.right - 1, r.top, r.right, r.bottom, outline);
        RECT g{r.left + 2, r.top + 1, r.right - 2, r.bottom - 1};
        if (pressed)
            InflateRect(&g, 1, 1);
        PaintGradient(g, c1, c2, r.bottom - r.top - 1);
        if (pressed) {
            const COLORREF s1 = ColorToRGB(BtnPenShade1), s2 = ColorToRGB(BtnPenShade2);
            FillSolid(dc, r.left + 1, r.top, r.left + 2, r.bottom, s1);
            FillSolid(dc, r.left + 1, r.top, r.right - 1, r.top + 1, s1);
            FillSolid(dc, r.left + 2, r.top + 1, r.right - 1, r.top + 2, s2);
            FillSolid(dc, r.left + 2, r.top + 1, r.left + 3, r.bottom, s2);
            FillSolid(dc, r.left + 2, r.bottom - 1, r.right - 1, r.bottom, s2);
        }
    }
    if (Button) {
        RECT t = r;
        if (pressed)
            OffsetRect(&t, 1, 1);
        FCanvas.Font()->SetColor(fontColor);
        FCanvas.Brush()->SetStyle(bsClear);
        FCanvas.DrawText(Text, t,
                         DT_CENTER | DT_VCENTER | DT_SINGLELINE | (FAllowKeyNav ? 0u : static_cast<UINT>(DT_NOPREFIX)));
        FCanvas.Brush()->SetStyle(bsSolid);
    } else {
        PaintGlyph(Rect, State == isNormal ? fontColor : BtnPenArrow, State, Back);
    }
}

void TqenPathViewer::Paint() {
    HitTest();
    HDC dc = FCanvas.Handle();
    const int w = ClientWidth(), h = ClientHeight();
    if (FTransparent) {
        PaintParentBackground(this, dc);
    } else {
        FCanvas.Brush()->SetColor(FColor);
        FCanvas.Pen()->SetColor(FFramed ? FBorderColor : FColor);
        FCanvas.Rectangle(0, 0, w, h);
    }
    if (FEditor)
        return;
    const int inset = FFramed ? 1 : 0;
    const int saved = SaveDC(dc);
    struct TRestore {
        HDC Dc;
        int Saved;
        ~TRestore() { RestoreDC(Dc, Saved); }
    } restore{dc, saved};
    if (FFramed)
        IntersectClipRect(dc, 1, 1, w - 1, h - 1);

    if (FImages && FImageIdx != -1)
        FImages->Draw(&FCanvas, FRightToLeft ? w - 20 : 4, (h - 16) / 2, FImageIdx, true);

    for (const TpvCell& cell : FLayout.Cells) {
        const TpvItemState state = cell.Index == FCurrent && FState != isNormal ? FState : isNormal;
        const bool back = cell.First && FLayout.FirstArrow == pvaBack;
        std::wstring text;
        if (cell.First)
            text = back ? L"back" : L"";
        else if (cell.Index >= 0 && cell.Index < FSegments.Count())
            text = FSegments.Strings(cell.Index);
        RECT r = FRightToLeft ? RECT{cell.Left + 1, inset, cell.Right + 1, h - inset}
                              : RECT{cell.Left, inset, cell.Right, h - inset};
        if (FOwnerDraw && OnOwnerDraw) {
            OnOwnerDraw(this, &FCanvas, r, text, state, cell.Button);
            continue;
        }
        FCanvas.Font()->Assign(&FFont);
        PaintCell(r, text, state, cell.Button, back);
    }
}
