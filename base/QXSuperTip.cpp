// The super tooltip.
#include "QXSuperTip.h"

#include "Boundary.h"
#include "Forms.h"
#include "SysUtils.h"
#include "TntStdCtrls.h"
#include "UGradient.h"
#include "UHintWin.h"
#include "UShotTimer.h"

namespace {

std::unique_ptr<TSHintWin> g_TipWindow;

// Height of Text word-wrapped at Width in Font.
SIZE MeasureText(TFont* Font, const std::wstring& Text, int Width) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font->Handle());
    RECT r{0, 0, Width, 0};
    DrawTextW(dc, Text.empty() ? L" " : Text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void Forward(const wchar_t* Method) {
    ForwardShowException(std::wstring(L"QXSuperTip > Exception Caught - ") + Method);
}

} // namespace

void ParseSuperTipHint(const std::wstring& Hint, std::wstring& Title, std::wstring& Body) {
    Title.clear();
    std::wstring rest = Hint;
    const size_t bar = Hint.find(L'|');
    if (bar != std::wstring::npos) {
        Title = Trim(Hint.substr(0, bar));
        rest = Hint.substr(bar + 1);
        const size_t n = Title.size();
        if (n > 6 && Title[n - 1] == L';' && Title[n - 5] == L':')
            Title.erase(n - 5);
    }
    Body.clear();
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == L'~' && i + 1 < rest.size() && rest[i + 1] == L'|') {
            Body += L'|';
            ++i;
        } else if (rest[i] == L'|') {
            Body += L"\r\n";
        } else {
            Body += rest[i];
        }
    }
}

// ---------------------------------------------------------------------------------
// TSHintWin

TSHintWin::TSHintWin(TComponent* AOwner) : TCustomControl(AOwner) {
    TitleLabel = nullptr;
    BodyLabel = nullptr;
    FTimer = nullptr;
    try {
        SetVisible(false);
        SetColor(static_cast<TColor>(0x80FFFF));
        NONCLIENTMETRICSW ncm{};
        ncm.cbSize = sizeof(ncm);
        const bool metrics = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0) != 0;
        auto makeLabel = [&](const wchar_t* Name, bool Bold) {
            auto* l = new TTntLabel(this);
            l->SetName(Name);
            l->SetParent(this);
            l->SetAutoSize(false);
            l->SetWordWrap(true);
            l->SetTransparent(true);
            l->SetShowAccelChar(false);
            l->Font()->SetName(L"Tahoma");
            if (metrics)
                l->Font()->SetHeight(ncm.lfStatusFont.lfHeight);
            else
                l->Font()->SetSize(8);
            l->Font()->SetColor(static_cast<TColor>(0x4C4C4C));
            if (Bold)
                l->Font()->SetStyle(fsBold);
            return l;
        };
        TitleLabel = makeLabel(L"TitleLabel", true);
        BodyLabel = makeLabel(L"BodyLabel", false);
        FTimer = new TTimer(this);
        FTimer->SetInterval(250);
        FTimer->SetEnabled(false);
        FTimer->OnTimer = [this](TObject*) { TimerTimer(); };
        const TColor to[2] = {static_cast<TColor>(0xEFDACA), static_cast<TColor>(0xEAFFFF)};
        for (int i = 0; i < 2; ++i) {
            FGradients[i] = std::make_unique<TBitmap>();
            DrawGradient(FGradients[i].get(), clWhite, to[i], 12);
        }
        // Goes with the program's hints: a button pressed, a menu or list opened, the pointer gone.
        if (Application)
            FHider = Application->AddHintHider([this] { Hide(); });
    } catch (...) {
        Forward(L"TSHintWin.Create");
    }
}

TSHintWin::~TSHintWin() {
    if (Application && FHider)
        Application->RemoveHintHider(FHider);
    KillShotTimer(FShowTimer);
}

void TSHintWin::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP;
    Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    Params.WndParent = nullptr;
}

void TSHintWin::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_NCHITTEST:
        Message.Result = HTTRANSPARENT;
        return;
    case WM_NCCALCSIZE:
        if (Message.WParam) {
            auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
            InflateRect(&p->rgrc[0], -2, -2);
            Message.Result = 0;
            return;
        }
        break;
    case WM_NCPAINT: {
        HDC dc = GetWindowDC(FHandle);
        RECT r;
        GetWindowRect(FHandle, &r);
        OffsetRect(&r, -r.left, -r.top);
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        ReleaseDC(FHandle, dc);
        Message.Result = 0;
        return;
    }
    default: break;
    }
    TCustomControl::WndProc(Message);
}

void TSHintWin::Paint() {
    RECT r = ClientRect();
    Canvas()->Brush()->SetColor(clWhite);
    Canvas()->FillRect(r);
    if (TBitmap* g = FGradients[FStyle == 1 ? 1 : 0].get()) {
        r.bottom += 10;
        Canvas()->StretchDraw(r, g);
    }
}

void TSHintWin::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FControl) {
        FControl = nullptr;
        Hide();
    }
}

bool TSHintWin::MouseOverControl() {
    if (!FControl)
        return false;
    POINT p;
    GetCursorPos(&p);
    const POINT c = FControl->ScreenToClient(p);
    const RECT r = FControl->ClientRect();
    return c.x >= r.left && c.x < r.right && c.y >= r.top && c.y < r.bottom;
}

void TSHintWin::ShowHintWin(int Style, TControl* Control, const std::wstring& Text, int X, int Y) {
    try {
        if (!Control || Text.empty() || FBusy)
            return;
        if (X == FLastPoint.x && Y == FLastPoint.y && Control == FControl)
            return;
        FLastPoint = POINT{X, Y};
        if (FShown && Control == FControl && Text == FText) {
            // Follows the mouse, kept on the monitor.
            FAnchor = POINT{X, Y};
            int l = X + 12, t = Y + 12;
            const int m = MonitorIndexOfPoint(POINT{l, t});
            if (m >= 0) {
                const RECT mr = HintMonitorRect(m);
                if (l + Width() > mr.right)
                    l = mr.right - Width();
                if (t + Height() > mr.bottom)
                    t = mr.bottom - Height();
            }
            SetBounds(l, t, Width(), Height());
            return;
        }
        if (FControl != Control) {
            if (FControl)
                FControl->RemoveFreeNotification(this);
            Control->FreeNotification(this);
        }
        FControl = Control;
        FText = Text;
        FStyle = Style;
        FAnchor = POINT{X, Y};
        FCheckCount = 2;
        if (FShown && HandleAllocated() && IsWindowVisible(FHandle)) {
            ShowWindow(FHandle, SW_HIDE);
            LayoutAndShow(); // another control while a tip shows: no delay
            return;
        }
        KillShotTimer(FShowTimer);
        FShowTimer = SetShotTimer(300, [this](TObject*) {
            FShowTimer = 0;
            try {
                if (MouseOverControl() && !(Application && Application->HintsHeld()))
                    LayoutAndShow();
            } catch (...) {
                Forward(L"TSHintWin.ShowHintWin");
            }
        });
    } catch (...) {
        Forward(L"TSHintWin.ShowHintWin");
    }
}

void TSHintWin::LayoutAndShow() {
    if (!FControl || FText.empty())
        return;
    FBusy = true;
    struct TBusy {
        bool& B;
        ~TBusy() { B = false; }
    } busy{FBusy};
    std::wstring title, body;
    ParseSuperTipHint(FText, title, body);
    TitleLabel->SetCaption(title);
    TitleLabel->SetVisible(!title.empty());
    BodyLabel->SetCaption(body);
    int bodyW = 0, bodyH = 0;
    if (!body.empty()) {
        for (int w = 200; w <= 800; w += 100) {
            const SIZE s = MeasureText(BodyLabel->Font(), body, w);
            bodyW = w;
            bodyH = s.cy;
            if (bodyH <= bodyW - 10)
                break;
        }
        bodyW = MeasureText(BodyLabel->Font(), body, bodyW).cx;
    }
    int titleH = 0, titleW = 0;
    if (!title.empty()) {
        const SIZE s = MeasureText(TitleLabel->Font(), title, 800);
        titleW = s.cx;
        titleH = s.cy;
        TitleLabel->SetBounds(6, 8, titleW, titleH);
    }
    const int bodyLeft = title.empty() ? 6 : 14;
    const int bodyTop = title.empty() ? 8 : 8 + titleH + 8;
    BodyLabel->SetBounds(bodyLeft, bodyTop, bodyW, bodyH);
    const int clientW = std::max(bodyLeft + bodyW, 6 + titleW) + 16;
    const int clientH = (body.empty() ? 8 + titleH : bodyTop + bodyH) + 11;
    const int w = clientW + 4, h = clientH + 4; // the raised edge
    int l = FAnchor.x + 12, t = FAnchor.y + 12;
    const int m = MonitorIndexOfPoint(POINT{l, t});
    if (m >= 0) {
        const RECT mr = HintMonitorRect(m);
        if (l + w > mr.right)
            l = mr.right - w;
        if (t + h > mr.bottom)
            t = mr.bottom - h;
    }
    SetBounds(l, t, w, h);
    HandleNeeded();
    SetWindowPos(FHandle, HWND_TOPMOST, l, t, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FVisible = true;
    FShown = true;
    Invalidate();
    FTimer->SetEnabled(true);
}

void TSHintWin::TextChanged(TControl* Control, const std::wstring& Text) {
    if (FShown && Control == FControl && Text != FText) {
        FText = Text;
        Guarded(L"TSHintWin.TextChanged", [this] { LayoutAndShow(); });
    }
}

void TSHintWin::Hide() {
    try {
        KillShotTimer(FShowTimer);
        if (HandleAllocated() && IsWindowVisible(FHandle))
            ShowWindow(FHandle, SW_HIDE);
        FVisible = false;
        FShown = false;
        if (FControl)
            FControl->RemoveFreeNotification(this);
        FControl = nullptr;
        FLastPoint = POINT{-1, -1};
        FAnchor = POINT{0, 0};
        if (FTimer)
            FTimer->SetEnabled(false);
    } catch (...) {
        Forward(L"TSHintWin.Hide");
    }
}

void TSHintWin::TimerTimer() {
    try {
        if (!FShown)
            return;
        if (--FCheckCount > 0)
            return;
        FCheckCount = 4;
        if (!MouseOverControl())
            Hide();
    } catch (...) {
        Forward(L"TSHintWin.Timer_Timer()");
    }
}

TSHintWin* SuperTipWindow() {
    if (!g_TipWindow)
        g_TipWindow = std::make_unique<TSHintWin>(nullptr);
    return g_TipWindow.get();
}

void FreeSuperTipWindow() { g_TipWindow.reset(); }

// ---------------------------------------------------------------------------------
// TQXSuperTip

TQXSuperTip::TQXSuperTip(TComponent* AOwner) : TGraphicControl(AOwner) {
    bool loaded = false;
    try {
        FGlyph.LoadFromResourceID(GetModuleHandleW(nullptr), 17722);
        loaded = !FGlyph.Empty();
    } catch (...) {
    }
    if (!loaded) {
        // A small information symbol.
        FGlyph.SetSize(11, 11);
        TCanvas* c = FGlyph.Canvas();
        c->Brush()->SetColor(clFuchsia);
        c->FillRect(RECT{0, 0, 11, 11});
        c->Brush()->SetColor(static_cast<TColor>(0xC07030));
        c->Pen()->SetColor(static_cast<TColor>(0xC07030));
        c->Ellipse(0, 0, 11, 11);
        c->Pen()->SetColor(clWhite);
        c->MoveTo(5, 2);
        c->LineTo(5, 3);
        c->MoveTo(5, 4);
        c->LineTo(5, 9);
    }
    FGlyph.SetTransparent(true);
    SetShowHint(false);
    SetBounds(0, 0, FGlyph.Width(), FGlyph.Height());
    Hook(FSelfHook, this);
}

TQXSuperTip::~TQXSuperTip() {
    Unhook(FImageHook);
    Unhook(FLabelHook);
    Unhook(FControlHook);
    Unhook(FSelfHook);
    if (g_TipWindow && g_TipWindow->CurrentControl() == this)
        g_TipWindow->Hide();
}

void TQXSuperTip::Hook(THook& H, TControl* Control) {
    Unhook(H);
    if (!Control)
        return;
    H.Control = Control;
    H.Previous = Control->WindowProc;
    Control->WindowProc = [this, &H](TMessage& M) { HookedMessage(H, M); };
    if (Control != this)
        Control->FreeNotification(this);
}

void TQXSuperTip::Unhook(THook& H) {
    if (!H.Control)
        return;
    H.Control->WindowProc = H.Previous;
    if (H.Control != this)
        H.Control->RemoveFreeNotification(this);
    H.Control = nullptr;
    H.Previous = nullptr;
}

void TQXSuperTip::HookedMessage(THook& H, TMessage& Message) {
    TControl* control = H.Control;
    TWndMethod previous = H.Previous;
    if (Message.Msg == CM_MOUSELEAVE && control && g_TipWindow && g_TipWindow->CurrentControl() == control)
        Guarded(L"TQXSuperTip.MouseLeave", [] { g_TipWindow->Hide(); });
    if (Message.Msg == WM_MOUSEMOVE && control && !(Message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
        Guarded(L"TQXSuperTip.MouseMove", [&] {
            control->SetShowHint(false);
            if (TipEnabled && !FWideHint.empty()) {
                POINT p;
                GetCursorPos(&p);
                SuperTipWindow()->ShowHintWin(0, control, FWideHint, p.x, p.y);
            }
        });
    }
    if (previous)
        previous(Message);
}

void TQXSuperTip::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    for (THook* h : {&FControlHook, &FLabelHook, &FImageHook})
        if (h->Control == AComponent) {
            h->Control = nullptr; // going away: nothing to restore
            h->Previous = nullptr;
        }
    if (AComponent == FLinkControl)
        FLinkControl = nullptr;
    if (AComponent == FLinkLabel)
        FLinkLabel = nullptr;
    if (AComponent == FLinkImage)
        FLinkImage = nullptr;
}

void TQXSuperTip::SetHint(const std::wstring& Value) {
    FWideHint = Value;
    if (g_TipWindow) {
        if (g_TipWindow->CurrentControl() == this)
            g_TipWindow->TextChanged(this, Value);
        for (TControl* c : {FLinkControl, FLinkLabel, FLinkImage})
            if (c && g_TipWindow->CurrentControl() == c)
                g_TipWindow->TextChanged(c, Value);
    }
    Invalidate();
}

void TQXSuperTip::SetLinkControl(TControl* Value) {
    if (!(dynamic_cast<TCheckBox*>(Value) || dynamic_cast<TTntCheckBox*>(Value) || dynamic_cast<TEdit*>(Value) ||
          dynamic_cast<TTntEdit*>(Value)))
        Value = nullptr;
    FLinkControl = Value;
    if (Value)
        Value->SetShowHint(false);
    Hook(FControlHook, Value);
}

void TQXSuperTip::SetLinkLabel(TControl* Value) {
    FLinkLabel = Value;
    if (Value)
        Value->SetShowHint(false);
    Hook(FLabelHook, Value);
}

void TQXSuperTip::SetLinkImage(TControl* Value) {
    FLinkImage = Value;
    if (Value)
        Value->SetShowHint(false);
    Hook(FImageHook, Value);
}

bool TQXSuperTip::CanAutoSize(int& NewWidth, int& NewHeight) {
    NewWidth = FGlyph.Width();
    NewHeight = FGlyph.Height();
    return true;
}

void TQXSuperTip::Paint() {
    const RECT client = ClientRect();
    if (ComponentState() & csDesigning) {
        Canvas()->Pen()->SetStyle(psDash);
        Canvas()->Brush()->SetStyle(bsClear);
        Canvas()->Rectangle(client);
    }
    if (Stretch) {
        Canvas()->StretchDraw(client, &FGlyph);
    } else if (Center) {
        Canvas()->Draw((client.right - FGlyph.Width()) / 2, (client.bottom - FGlyph.Height()) / 2, &FGlyph);
    } else {
        Canvas()->Draw(0, 0, &FGlyph);
    }
}
