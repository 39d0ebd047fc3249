#include "AdvSpinEdit.h"

#include "Clipbrd.h"
#include "Themes.h"

#include <versionhelpers.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwctype>

// ---------------------------------------------------------------------------------
// Text, bounds and steps

namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

bool HasHexPrefix(const std::wstring& Text) {
    return Text.size() >= 2 && Text[0] == L'0' && (Text[1] == L'x' || Text[1] == L'X');
}

bool IsDecimalMark(wchar_t c) { return c == L'.' || c == L',' || c == FormatSettings.DecimalSeparator; }

// Digits of a text in order, as numbers (runs of decimal digits).
std::vector<int64_t> NumberRuns(const std::wstring& Text) {
    std::vector<int64_t> runs;
    int64_t value = -1;
    for (wchar_t c : Text) {
        if (c >= L'0' && c <= L'9') {
            value = (value < 0 ? 0 : value) * 10 + (c - L'0');
            if (value > 100000)
                value = 100000; // far beyond any day, month or year
        } else if (value >= 0) {
            runs.push_back(value);
            value = -1;
        }
    }
    if (value >= 0)
        runs.push_back(value);
    return runs;
}

int64_t DaySeconds(TDateTime Value) {
    double frac = Value - std::floor(Value);
    return static_cast<int64_t>(std::llround(frac * 86400.0)) % 86400;
}

} // namespace

bool SpinTryTextToInt(const std::wstring& Text, int& Value) {
    Value = 0;
    const std::wstring t = Trim(Text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == L'+' || t[i] == L'-')) {
        negative = t[i] == L'-';
        ++i;
    }
    bool hex = false;
    if (i < t.size() && t[i] == L'$') {
        hex = true;
        ++i;
    } else if (HasHexPrefix(t.substr(i))) {
        hex = true;
        i += 2;
    }
    if (i >= t.size())
        return false;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        int d = hex ? HexDigit(t[i]) : (t[i] >= L'0' && t[i] <= L'9' ? t[i] - L'0' : -1);
        if (d < 0)
            return false;
        v = v * (hex ? 16 : 10) + d;
        if (v > 0xFFFFFFFFLL)
            return false;
    }
    if (hex) // the 32 bits of the value
        v = static_cast<int32_t>(static_cast<uint32_t>(v));
    if (negative)
        v = -v;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    Value = static_cast<int>(v);
    return true;
}

int SpinTextToInt(const std::wstring& Text) {
    int v;
    SpinTryTextToInt(Text, v);
    return v;
}

std::wstring SpinIntToHex(int Value) { return L"0x" + IntToHex(static_cast<uint32_t>(Value), 1); }

bool SpinTryHexToInt(const std::wstring& Text, int& Value) {
    Value = 0;
    const std::wstring t = Trim(Text);
    size_t i = HasHexPrefix(t) ? 2 : 0;
    int64_t v = 0;
    size_t digits = 0;
    for (; i < t.size(); ++i, ++digits) {
        int d = HexDigit(t[i]);
        if (d < 0)
            break;
        v = v * 16 + d;
        if (v > 0xFFFFFFFFLL)
            return false;
    }
    if (digits == 0)
        return false;
    Value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
}

int SpinHexToInt(const std::wstring& Text) {
    int v;
    SpinTryHexToInt(Text, v);
    return v;
}

bool SpinTryTextToFloat(const std::wstring& Text, double& Value) {
    Value = 0;
    std::wstring t = Trim(Text);
    for (auto& c : t)
        if (IsDecimalMark(c))
            c = FormatSettings.DecimalSeparator;
    double v;
    if (!TryStrToFloat(t, v) || !std::isfinite(v))
        return false;
    Value = v;
    return true;
}

double SpinTextToFloat(const std::wstring& Text) {
    double v;
    SpinTryTextToFloat(Text, v);
    return v;
}

std::wstring SpinFloatToText(double Value, int Precision) {
    if (Precision <= 0)
        return FormatFloatSpec(L'g', Value, 15, FormatSettings);
    return FormatFloatSpec(L'f', Value, std::min(Precision, 18), FormatSettings);
}

TSpinDateOrder SpinDateOrder(const std::wstring& ShortDateFormat) {
    const std::wstring f = UpperCase(ShortDateFormat);
    size_t d = f.find(L'D'), m = f.find(L'M'), y = f.find(L'Y');
    TSpinDateOrder order;
    if (d == std::wstring::npos || m == std::wstring::npos || y == std::wstring::npos)
        return order;
    order.Day = (d > m) + (d > y);
    order.Month = (m > d) + (m > y);
    order.Year = (y > d) + (y > m);
    return order;
}

std::wstring SpinDateToText(TDateTime Value) {
    std::wstring s = FormatDateTime(FormatSettings.ShortDateFormat, std::floor(Value));
    std::replace(s.begin(), s.end(), L'/', FormatSettings.DateSeparator);
    return s;
}

bool SpinTryTextToDate(const std::wstring& Text, TDateTime& Value) {
    Value = 0;
    std::vector<int64_t> runs = NumberRuns(Text);
    if (runs.size() != 3)
        return false;
    TSpinDateOrder order = SpinDateOrder(FormatSettings.ShortDateFormat);
    int64_t day = runs[order.Day], month = runs[order.Month], year = runs[order.Year];
    if (year < 100)
        year += 2000;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(static_cast<int>(year), static_cast<int>(month)))
        return false;
    Value = EncodeDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
    return true;
}

std::wstring SpinTimeToText(TDateTime Value, bool ShowSeconds) {
    const int64_t secs = DaySeconds(Value);
    auto two = [](int64_t v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); };
    std::wstring s = std::to_wstring(secs / 3600) + FormatSettings.TimeSeparator + two(secs / 60 % 60);
    if (ShowSeconds)
        s += FormatSettings.TimeSeparator + two(secs % 60);
    return s;
}

bool SpinTryTextToTime(const std::wstring& Text, TDateTime& Value) {
    Value = 0;
    const std::wstring t = Trim(Text);
    int parts[3] = {0, 0, 0};
    int count = 0;
    size_t i = 0;
    while (i <= t.size() && count < 3) {
        size_t start = i;
        int64_t v = 0;
        while (i < t.size() && t[i] >= L'0' && t[i] <= L'9' && v < 100000)
            v = v * 10 + (t[i++] - L'0');
        if (i == start)
            return false;
        parts[count++] = static_cast<int>(v);
        if (i == t.size())
            break;
        if (t[i] != FormatSettings.TimeSeparator)
            return false;
        ++i;
    }
    if (i < t.size() || parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return false;
    Value = (parts[0] * 3600 + parts[1] * 60 + parts[2]) / 86400.0;
    return true;
}

int SpinTextPart(const std::wstring& Text, int Caret, wchar_t Separator) {
    const size_t end = static_cast<size_t>(std::clamp(Caret, 0, static_cast<int>(Text.size())));
    return static_cast<int>(std::count(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(end), Separator));
}

TDateTime SpinStepDate(TDateTime Value, TSpinDateField Field, int Delta) {
    if (Field == sdfDay)
        return Value + Delta;
    int y, m, d;
    DecodeDate(Value, y, m, d);
    if (Field == sdfMonth) {
        int64_t total = static_cast<int64_t>(y) * 12 + (m - 1) + Delta;
        y = static_cast<int>(total >= 0 ? total / 12 : -((-total + 11) / 12));
        m = static_cast<int>(total - static_cast<int64_t>(y) * 12) + 1;
    } else {
        y += Delta;
    }
    y = std::clamp(y, 1, 9999);
    d = std::min(d, DaysInMonth(y, m));
    return EncodeDate(y, m, d) + (Value - std::floor(Value));
}

TDateTime SpinStepTime(TDateTime Value, int64_t Seconds) {
    int64_t secs = (DaySeconds(Value) + Seconds % 86400 + 86400) % 86400;
    return secs / 86400.0;
}

int SpinAddInt(int A, int B) {
    return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(A) + B, INT_MIN, INT_MAX));
}

int SpinSmartStep(int Value, int Increment, bool Up) {
    const int64_t v = Value;
    const int64_t magnitude = v < 0 ? -v : v;
    if (magnitude < 100)
        return SpinAddInt(Value, Up ? Increment : -Increment);
    int64_t step = 1;
    while (step * 10 <= magnitude / 10)
        step *= 10;
    step = std::max<int64_t>(step, std::abs(static_cast<int64_t>(Increment)));
    // The next multiple of step in the step's direction.
    int64_t q = v / step; // rounded towards zero
    int64_t next;
    if (Up)
        next = (v >= 0 || v % step == 0 ? q + 1 : q) * step;
    else
        next = (v <= 0 || v % step == 0 ? q - 1 : q) * step;
    return static_cast<int>(std::clamp<int64_t>(next, INT_MIN, INT_MAX));
}

int SpinLimit(int Value, int Min, int Max) {
    if (Min == 0 && Max == 0)
        return Value;
    if (Value < Min)
        return Min;
    if (Value > Max)
        return Max;
    return Value;
}

double SpinLimitFloat(double Value, double Min, double Max) {
    if (Min == 0 && Max == 0)
        return Value;
    if (Value < Min)
        return Min;
    if (Value > Max)
        return Max;
    return Value;
}

bool SpinCharAccepted(TAdvSpinType Type, wchar_t Ch) {
    if (Ch >= L'0' && Ch <= L'9')
        return true;
    switch (Type) {
    case sptFloat:
        return IsDecimalMark(Ch);
    case sptDate:
        return Ch == FormatSettings.DateSeparator;
    case sptTime:
        return Ch == FormatSettings.TimeSeparator;
    case sptHex:
        return HexDigit(Ch) >= 0;
    default:
        return false;
    }
}

bool SpinPasteText(TAdvSpinType Type, const std::wstring& Pasted, bool Signed, bool AtStart, std::wstring& Out) {
    Out.clear();
    size_t b = 0, e = Pasted.size();
    while (b < e && std::iswspace(Pasted[b]))
        ++b;
    while (e > b && std::iswspace(Pasted[e - 1]))
        --e;
    const std::wstring t = Pasted.substr(b, e - b);
    if (t.empty())
        return false;
    size_t i = 0;
    if (AtStart && Signed && (Type == sptNormal || Type == sptFloat) && t[0] == L'-') {
        Out += L'-';
        i = 1;
    } else if (AtStart && Type == sptHex && HasHexPrefix(t)) {
        Out += L"0x";
        i = 2;
    }
    for (; i < t.size(); ++i) {
        wchar_t c = t[i];
        if (!SpinCharAccepted(Type, c))
            return false;
        Out += Type == sptFloat && IsDecimalMark(c) ? FormatSettings.DecimalSeparator : c;
    }
    return !Out.empty();
}

POINT SpinLabelPosition(TLabelPosition Position, const RECT& Edit, SIZE Label, int Margin) {
    const int h = Edit.bottom - Edit.top, w = Edit.right - Edit.left;
    const int left = Edit.left - Label.cx - Margin; // right-aligned beside the edit
    const int leftEdge = Edit.left - Margin;        // the *Left forms: Margin is the room kept
    const int top = Edit.top, centre = Edit.top + (h - Label.cy) / 2, bottom = Edit.bottom - Label.cy;
    switch (Position) {
    case lpLeftTop: return POINT{left, top};
    case lpLeftCenter: return POINT{left, centre};
    case lpLeftBottom: return POINT{left, bottom};
    case lpTopLeft: return POINT{Edit.left, Edit.top - Label.cy - Margin};
    case lpBottomLeft: return POINT{Edit.left, Edit.bottom + Margin};
    case lpLeftTopLeft: return POINT{leftEdge, top};
    case lpLeftCenterLeft: return POINT{leftEdge, centre};
    case lpLeftBottomLeft: return POINT{leftEdge, bottom};
    case lpTopCenter: return POINT{Edit.left + (w - Label.cx) / 2, Edit.top - Label.cy - Margin};
    case lpBottomCenter: return POINT{Edit.left + (w - Label.cx) / 2, Edit.bottom + Margin};
    }
    return POINT{left, top};
}

// ---------------------------------------------------------------------------------
// TAdvTimerSpeedButton

TAdvTimerSpeedButton::TAdvTimerSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {
    ControlStyle &= ~csClickEvents; // the click comes with the press
    IsWinXP = IsWindowsXPOrGreater();
}

void TAdvTimerSpeedButton::SetAllowTimer(bool Value) {
    FAllowTimer = Value;
    if (Value)
        ControlStyle &= ~csClickEvents;
    else
        ControlStyle |= csClickEvents;
}

void TAdvTimerSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled() || !FAllowTimer)
        return;
    if (!FRepeatTimer) {
        FRepeatTimer = new TTimer(this);
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->OnTimer = [this](TObject*) { TimerExpired(); };
    }
    FRepeatTimer->SetEnabled(false);
    FRepeatTimer->SetInterval(400);
    FRepeatTimer->SetEnabled(true);
    Click();
}

void TAdvTimerSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && FRepeatTimer)
        FRepeatTimer->SetEnabled(false);
}

void TAdvTimerSpeedButton::TimerExpired() {
    if (!FRepeatTimer)
        return;
    // Held means: still pressed under the mouse, and the mouse still captured for it.
    const bool captured = FParent && FParent->HandleAllocated() && GetCapture() == FParent->Handle();
    if (!FDragging || !captured || !Enabled()) {
        FRepeatTimer->SetEnabled(false);
        return;
    }
    if (FRepeatTimer->Interval() != 100)
        FRepeatTimer->SetInterval(100);
    if (FState == bsDown)
        Click();
}

void TAdvTimerSpeedButton::WndProc(TMessage& Message) {
    TSpeedButton::WndProc(Message);
    switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        Invalidate(); // the hot look
        break;
    case CM_ENABLEDCHANGED:
        if (FRepeatTimer && !Enabled())
            FRepeatTimer->SetEnabled(false);
        Invalidate();
        break;
    }
}

void TAdvTimerSpeedButton::Paint() {
    FPaintedThemed = false;
    if (!DefaultGlyph) {
        TSpeedButton::Paint();
        return;
    }
    HDC dc = Canvas()->Handle();
    RECT r = ClientRect();
    const bool disabled = !Enabled();
    const bool pressed = !disabled && FState == bsDown && FDragging;
    const bool hot = !disabled && FMouseInControl;
    if (IsWinXP && !FFlat && FParent && FParent->HandleAllocated()) {
        TThemeData theme(FParent->Handle(), L"spin");
        // Parts: 1 up, 2 down, 3 up horizontal (right), 4 down horizontal (left); states:
        // 1 normal, 2 hot, 3 pressed, 4 disabled.
        int part = ArrowKind == DFCS_SCROLLDOWN ? 2 : ArrowKind == DFCS_SCROLLRIGHT ? 3
                   : ArrowKind == DFCS_SCROLLLEFT ? 4 : 1;
        int state = disabled ? 4 : pressed ? 3 : hot ? 2 : 1;
        if (theme.DrawBackground(dc, part, state, r)) {
            FPaintedThemed = true;
            return;
        }
    }
    UINT flags = ArrowKind | (pressed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0) | (FFlat ? DFCS_FLAT : 0) |
                 (hot && !pressed ? DFCS_HOT : 0);
    DrawFrameControl(dc, &r, DFC_SCROLL, flags);
}

// ---------------------------------------------------------------------------------
// TAdvSpinButton

void MakeSpinArrowGlyph(TBitmap* Glyph, UINT ArrowKind) {
    const bool horizontal = ArrowKind == DFCS_SCROLLLEFT || ArrowKind == DFCS_SCROLLRIGHT;
    const int w = horizontal ? 6 : 9, h = horizontal ? 9 : 6;
    Glyph->SetPixelFormat(pf24bit);
    Glyph->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = Glyph->ScanLine(y);
        for (int x = 0; x < w; ++x) {
            // Along the arrow's axis a is 0..5 (tip at 1), across it b is 0..8 (centre 4).
            int a = horizontal ? x : y, b = horizontal ? y : x;
            if (ArrowKind == DFCS_SCROLLDOWN || ArrowKind == DFCS_SCROLLRIGHT)
                a = 5 - a;
            const bool ink = a >= 1 && a <= 4 && std::abs(b - 4) < a;
            std::fill_n(row + x * 3, 3, ink ? 0 : 255);
        }
    }
    Glyph->SetModified(true);
}

TAdvSpinButton::TAdvSpinButton(TComponent* AOwner) : TWinControl(AOwner) {
    FColor = clBtnFace;
    FUpButton = new TAdvTimerSpeedButton(this);
    FUpButton->SetParent(this);
    FUpButton->OnClick = [this](TObject*) { ButtonClick(true); };
    FDownButton = new TAdvTimerSpeedButton(this);
    FDownButton->SetParent(this);
    FDownButton->ArrowKind = DFCS_SCROLLDOWN;
    FDownButton->OnClick = [this](TObject*) { ButtonClick(false); };
    SetUpGlyph(nullptr);
    SetDownGlyph(nullptr);
    SetBounds(0, 0, 15, 25);
}

void TAdvSpinButton::SetButtonGlyph(TAdvTimerSpeedButton* Button, TBitmap* Value) {
    if (Value && !Value->Empty()) {
        Button->SetGlyph(Value);
        Button->DefaultGlyph = false;
        return;
    }
    TBitmap arrow;
    MakeSpinArrowGlyph(&arrow, Button->ArrowKind);
    Button->SetGlyph(&arrow);
    Button->SetNumGlyphs(1);
    Button->DefaultGlyph = true;
}

void TAdvSpinButton::SetFocusControl(TWinControl* Value) {
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (FFocusControl)
        FFocusControl->FreeNotification(this);
}

void TAdvSpinButton::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FFocusControl)
        FFocusControl = nullptr;
}

void TAdvSpinButton::SetDirection(TSpinDirection Value) {
    if (Value == FDirection)
        return;
    FDirection = Value;
    const bool vertical = Value == spVertical;
    FUpButton->ArrowKind = vertical ? DFCS_SCROLLUP : DFCS_SCROLLRIGHT;
    FDownButton->ArrowKind = vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLLEFT;
    if (FUpButton->DefaultGlyph)
        SetUpGlyph(nullptr);
    if (FDownButton->DefaultGlyph)
        SetDownGlyph(nullptr);
    SetBounds(FLeft, FTop, vertical ? 15 : 20, FHeight);
    LayoutButtons();
}

void TAdvSpinButton::SetFlat(bool Value) {
    FUpButton->SetFlat(Value);
    FDownButton->SetFlat(Value);
}

void TAdvSpinButton::SetEnabled(bool Value) {
    TWinControl::SetEnabled(Value);
    FUpButton->SetEnabled(Value);
    FDownButton->SetEnabled(Value);
}

void TAdvSpinButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    LayoutButtons();
}

void TAdvSpinButton::LayoutButtons() {
    if (!FUpButton || !FDownButton)
        return;
    const int w = FWidth, h = FHeight;
    if (FDirection == spVertical) {
        FUpButton->SetBounds(0, 0, w, h / 2);
        FDownButton->SetBounds(0, h / 2, w, h - h / 2);
    } else {
        FDownButton->SetBounds(0, 0, w / 2, h);
        FUpButton->SetBounds(w / 2, 0, w - w / 2, h);
    }
}

void TAdvSpinButton::ButtonClick(bool Up) {
    if (FFocusControl && !FFocusControl->Focused() && FFocusControl->CanFocus())
        FFocusControl->SetFocus();
    const TNotifyEvent& event = Up ? OnUpClick : OnDownClick;
    if (event)
        event(this);
}

// ---------------------------------------------------------------------------------
// TAdvSpinEdit

TAdvSpinEdit::TAdvSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
    FButton = new TAdvSpinButton(this);
    FButton->SetBounds(0, 0, 15, 17);
    FButton->SetParent(this);
    FButton->SetFocusControl(this);
    FButton->OnUpClick = [this](TObject*) { UpClick(this); };
    FButton->OnDownClick = [this](TObject*) { DownClick(this); };
    FLabelFont.Assign(&FFont);
    FLabelFont.OnChange = [this](TObject*) {
        if (FLabel) {
            FLabel->Font()->Assign(&FLabelFont);
            PlaceLabel();
        }
    };
    SetText(L"0");
}

TAdvSpinEdit::~TAdvSpinEdit() { FLabelFont.OnChange = nullptr; }

void TAdvSpinEdit::Beep() { MessageBeep(0); }

void TAdvSpinEdit::CreateParams(TCreateParams& Params) {
    TCustomEdit::CreateParams(Params);
    // Multi-line so that ES_RIGHT and ES_CENTER take effect; the buttons are a child window.
    Params.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
    Params.Style &= ~static_cast<DWORD>(ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL | ES_WANTRETURN);
    if (FFlat)
        Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
}

void TAdvSpinEdit::CreateWnd() {
    TCustomEdit::CreateWnd();
    PlaceButton();
    SetEditRect();
}

void TAdvSpinEdit::PlaceButton() {
    RECT c = ClientRect();
    const int w = FButton->Width();
    FButton->SetBounds(c.right - w, 0, w, c.bottom - c.top);
}

void TAdvSpinEdit::SetEditRect() {
    if (!HandleAllocated())
        return;
    RECT c = ClientRect();
    RECT r{0, 0, std::max<int>(c.right - FButton->Width() - 2, 0), c.bottom + 1};
    SendMessageW(FHandle, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

int TAdvSpinEdit::MinHeight() {
    HDC dc = GetDC(nullptr);
    TEXTMETRICW tm{};
    {
        TSelectedObject font(dc, FFont.Handle());
        GetTextMetricsW(dc, &tm);
    }
    ReleaseDC(nullptr, dc);
    const int border = FFlat ? 0 : GetSystemMetrics(SM_CYEDGE) * 2;
    return tm.tmHeight + border + 2;
}

void TAdvSpinEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomEdit::SetBounds(ALeft, ATop, AWidth, std::max(AHeight, MinHeight()));
    PlaceLabel();
}

void TAdvSpinEdit::SetParent(TWinControl* AParent) {
    TCustomEdit::SetParent(AParent);
    if (FLabel) {
        FLabel->SetParent(AParent);
        PlaceLabel();
    }
}

void TAdvSpinEdit::SetEnabled(bool Value) {
    TCustomEdit::SetEnabled(Value);
    FButton->SetEnabled(Value);
    if (FLabel)
        FLabel->SetEnabled(Value || FLabelAlwaysEnabled);
}

void TAdvSpinEdit::SetVisible(bool Value) {
    TCustomEdit::SetVisible(Value);
    if (FLabel)
        FLabel->SetVisible(Value);
}

void TAdvSpinEdit::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomEdit::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FLabel)
        FLabel = nullptr;
}

// ----- values

void TAdvSpinEdit::WriteText(const std::wstring& Text) {
    if (Text != GetText())
        SetText(Text);
    if (!EditorEnabled && Focused())
        SelectAll();
}

int TAdvSpinEdit::Value() { return SpinTextToInt(GetText()); }

void TAdvSpinEdit::SetValue(int Value) { WriteText(IntToStr(CheckValue(Value))); }

double TAdvSpinEdit::FloatValue() { return SpinTextToFloat(GetText()); }

void TAdvSpinEdit::SetFloatValue(double Value) { WriteText(SpinFloatToText(CheckFloatValue(Value), FPrecision)); }

TDateTime TAdvSpinEdit::DateValue() {
    TDateTime v;
    SpinTryTextToDate(GetText(), v);
    return v;
}

void TAdvSpinEdit::SetDateValue(TDateTime Value) { WriteText(SpinDateToText(CheckDateValue(Value))); }

TDateTime TAdvSpinEdit::TimeValue() {
    TDateTime v;
    SpinTryTextToTime(GetText(), v);
    return v;
}

void TAdvSpinEdit::SetTimeValue(TDateTime Value) { WriteText(SpinTimeToText(Value, FShowSeconds)); }

int TAdvSpinEdit::HexValue() { return SpinHexToInt(GetText()); }

void TAdvSpinEdit::SetHexValue(int Value) { WriteText(SpinIntToHex(CheckValue(Value))); }

void TAdvSpinEdit::SetSpinType(TAdvSpinType Value) {
    if (Value == FSpinType)
        return;
    double v = 0;
    switch (FSpinType) {
    case sptNormal: v = this->Value(); break;
    case sptHex: v = HexValue(); break;
    case sptFloat: v = FloatValue(); break;
    case sptDate: v = DateValue(); break;
    case sptTime: v = TimeValue(); break;
    }
    FSpinType = Value;
    const int asInt = static_cast<int>(std::llround(std::clamp<double>(v, INT_MIN, INT_MAX)));
    switch (Value) {
    case sptNormal: SetValue(asInt); break;
    case sptHex: SetHexValue(asInt); break;
    case sptFloat: SetFloatValue(v); break;
    case sptDate: SetDateValue(v); break;
    case sptTime: SetTimeValue(v); break;
    }
}

void TAdvSpinEdit::SetPrecision(int Value) {
    FPrecision = std::max(Value, 0);
    if (FSpinType == sptFloat)
        SetFloatValue(FloatValue());
}

void TAdvSpinEdit::SetShowSeconds(bool Value) {
    FShowSeconds = Value;
    if (FSpinType == sptTime)
        SetTimeValue(TimeValue());
}

void TAdvSpinEdit::SetDirection(TSpinDirection Value) {
    FButton->SetDirection(Value);
    PlaceButton();
    SetEditRect();
}

// ----- stepping

void TAdvSpinEdit::UpClick(TObject* Sender) {
    if (ReadOnly()) {
        Beep();
        return;
    }
    Step(true, false);
    if (OnUpClick)
        OnUpClick(this);
}

void TAdvSpinEdit::DownClick(TObject* Sender) {
    if (ReadOnly()) {
        Beep();
        return;
    }
    Step(false, false);
    if (OnDownClick)
        OnDownClick(this);
}

void TAdvSpinEdit::Step(bool Up, bool Page) {
    if (ReadOnly()) {
        Beep();
        return;
    }
    const int selStart = SelStart(), selLength = SelLength();
    const std::wstring before = GetText();
    const int dir = Up ? 1 : -1;
    switch (FSpinType) {
    case sptNormal:
        if (Page)
            SetValue(SpinAddInt(Value(), dir * IncrementPage));
        else if (IncrementSmart)
            SetValue(SpinSmartStep(Value(), Increment, Up));
        else
            SetValue(SpinAddInt(Value(), dir * Increment));
        break;
    case sptFloat:
        SetFloatValue(FloatValue() + dir * (Page ? IncrementFloatPage : IncrementFloat));
        break;
    case sptHex:
        if (!Page)
            SetHexValue(SpinAddInt(HexValue(), dir * Increment));
        break;
    case sptDate: {
        if (Page)
            break;
        TDateTime d;
        if (!SpinTryTextToDate(before, d)) {
            SetDateValue(Date()); // nothing to step from: today
            break;
        }
        const TSpinDateOrder order = SpinDateOrder(FormatSettings.ShortDateFormat);
        const int part = SpinTextPart(before, selStart, FormatSettings.DateSeparator);
        const TSpinDateField field = part == order.Day ? sdfDay : part == order.Month ? sdfMonth : sdfYear;
        SetDateValue(SpinStepDate(d, field, dir));
        break;
    }
    case sptTime: {
        if (Page)
            break;
        const int part = SpinTextPart(before, selStart, FormatSettings.TimeSeparator);
        int64_t seconds = part == 0 ? IncrementHours * 3600LL : part == 1 || !FShowSeconds ? IncrementMinutes * 60LL : 1;
        SetTimeValue(SpinStepTime(TimeValue(), dir * seconds));
        break;
    }
    }
    const std::wstring after = GetText();
    if (after == before || !HandleAllocated())
        return;
    // The caret keeps its place, moved by a minus sign that came or went.
    const int shift = (!after.empty() && after[0] == L'-') - (!before.empty() && before[0] == L'-');
    const int length = static_cast<int>(after.size());
    const int start = std::clamp(selStart + shift, 0, length);
    SendMessageW(FHandle, EM_SETSEL, static_cast<WPARAM>(start), start + std::clamp(selLength, 0, length - start));
    SetModified(true);
}

namespace {

// Writes a value back when its text is no value of its kind or the value lies out of bounds.
template <class T, class Parse, class Limit, class Write>
void WriteBackWhenNeeded(const std::wstring& Text, Parse parse, Limit limit, Write write) {
    T v;
    if (!parse(Text, v) || limit(v) != v)
        write(v);
}

} // namespace

void TAdvSpinEdit::CheckOnExit() {
    const std::wstring text = Trim(GetText());
    if (text.empty() && AllowNullValue)
        return;
    auto same = [](TDateTime v) { return v; };
    switch (FSpinType) {
    case sptNormal:
        WriteBackWhenNeeded<int>(text, SpinTryTextToInt, [this](int v) { return CheckValue(v); },
                                 [this](int v) { SetValue(v); });
        break;
    case sptHex:
        WriteBackWhenNeeded<int>(text, SpinTryHexToInt, [this](int v) { return CheckValue(v); },
                                 [this](int v) { SetHexValue(v); });
        break;
    case sptFloat:
        WriteBackWhenNeeded<double>(text, SpinTryTextToFloat, [this](double v) { return CheckFloatValue(v); },
                                    [this](double v) { SetFloatValue(v); });
        break;
    case sptDate:
        WriteBackWhenNeeded<TDateTime>(text, SpinTryTextToDate, [this](TDateTime v) { return CheckDateValue(v); },
                                       [this](TDateTime v) { SetDateValue(v); });
        break;
    case sptTime:
        WriteBackWhenNeeded<TDateTime>(text, SpinTryTextToTime, same, [this](TDateTime v) { SetTimeValue(v); });
        break;
    }
}

// ----- keys, typing, cut and paste

bool TAdvSpinEdit::HexPrefixTouched(int SelStart, int SelEnd, bool Deleting) {
    const std::wstring text = GetText();
    if (FSpinType != sptHex || !HasHexPrefix(text))
        return false;
    const int length = static_cast<int>(text.size());
    if (SelEnd > SelStart)
        return SelStart < 2 && !(SelStart == 0 && SelEnd >= length); // the whole text may go
    return Deleting ? SelStart < 2 : SelStart > 0 && SelStart <= 2;
}

void TAdvSpinEdit::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomEdit::KeyDown(Key, Shift);
    switch (Key) {
    case VK_UP:
        UpClick(this);
        Key = 0;
        break;
    case VK_DOWN:
        DownClick(this);
        Key = 0;
        break;
    case VK_PRIOR:
    case VK_NEXT:
        if (FSpinType == sptNormal || FSpinType == sptFloat)
            Step(Key == VK_PRIOR, true);
        Key = 0;
        break;
    case VK_DELETE: {
        const int start = SelStart(), end = start + SelLength();
        if (!EditorEnabled || HexPrefixTouched(start, end, true))
            Key = 0;
        break;
    }
    case VK_RETURN:
        // Never into the multi-line box.
        if (Shift & ssCtrl)
            PostMessageW(Handle(), WM_KEYDOWN, VK_UP, 0);
        else if (ReturnIsTab)
            PostMessageW(Handle(), WM_KEYDOWN, VK_TAB, 0);
        Key = 0;
        break;
    }
}

void TAdvSpinEdit::KeyPress(wchar_t& Key) {
    TCustomEdit::KeyPress(Key);
    if (Key == 0)
        return;
    if (Key == L'\r' || Key == L'\n' || Key == L'\t') {
        Key = 0; // Enter, Ctrl+Enter and Tab never reach the multi-line box
        return;
    }
    if (!EditorEnabled || ReadOnly()) {
        if (Key != 3) // copying stays possible
            Key = 0;
        return;
    }
    const int start = SelStart(), end = start + SelLength();
    if (Key < 32) { // backspace and the Ctrl+ letters (cut and paste are filtered on their own)
        if (Key == 8 && HexPrefixTouched(start, end, false))
            Key = 0;
        return;
    }
    if (Key == L'+') {
        Key = 0;
        return;
    }
    if (Key == L'-' && !(FSpinType == sptDate && FormatSettings.DateSeparator == L'-')) {
        if (Signed && (FSpinType == sptNormal || FSpinType == sptFloat)) {
            // Toggles a leading minus sign; the caret stays by its character.
            std::wstring text = GetText();
            const bool had = !text.empty() && text[0] == L'-';
            if (had)
                text.erase(0, 1);
            else
                text.insert(0, 1, L'-');
            const int caret = std::max(start + (had ? -1 : 1), 0);
            WriteText(text);
            SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(caret), caret);
            SetModified(true);
        }
        Key = 0;
        return;
    }
    if (!SpinCharAccepted(FSpinType, Key)) {
        Beep();
        Key = 0;
        return;
    }
    const std::wstring text = GetText();
    if (FSpinType == sptFloat && IsDecimalMark(Key)) {
        Key = FormatSettings.DecimalSeparator;
        const std::wstring rest = text.substr(0, static_cast<size_t>(start)) + text.substr(static_cast<size_t>(end));
        if (rest.find(Key) != std::wstring::npos) {
            Beep(); // one decimal separator only
            Key = 0;
        }
        return;
    }
    if (FSpinType == sptHex && HasHexPrefix(text) && start < 2 && !(start == 0 && end >= static_cast<int>(text.size()))) {
        Beep(); // nothing goes into the "0x"
        Key = 0;
    }
}

void TAdvSpinEdit::PasteFiltered() {
    if (!EditorEnabled || ReadOnly()) {
        Beep();
        return;
    }
    std::wstring clip;
    try {
        clip = Clipboard()->AsText();
    } catch (const Exception&) {
        Beep(); // another program keeps the clipboard
        return;
    }
    const std::wstring text = GetText();
    const int start = SelStart(), end = start + SelLength();
    std::wstring pasted;
    bool ok = SpinPasteText(FSpinType, clip, Signed, start == 0, pasted);
    if (ok) {
        // The result must still be one value: one sign in front, one decimal separator, the
        // "0x" of hex text kept (or brought along).
        const std::wstring result =
            text.substr(0, static_cast<size_t>(start)) + pasted + text.substr(static_cast<size_t>(end));
        ok = std::count(result.begin(), result.end(), L'-') == (result.empty() || result[0] != L'-' ? 0 : 1) ||
             (FSpinType == sptDate && FormatSettings.DateSeparator == L'-');
        if (FSpinType == sptFloat)
            ok = ok && std::count(result.begin(), result.end(), FormatSettings.DecimalSeparator) <= 1;
        if (FSpinType == sptHex && HasHexPrefix(text))
            ok = ok && HasHexPrefix(result) && std::count_if(result.begin() + 2, result.end(),
                                                             [](wchar_t c) { return HexDigit(c) < 0; }) == 0;
    }
    if (!ok) {
        Beep();
        return;
    }
    SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted.c_str()));
}

// ----- focus and looks

void TAdvSpinEdit::DoEnter() {
    TCustomEdit::DoEnter();
    if (AutoSelect && GetKeyState(VK_LBUTTON) >= 0)
        SelectAll();
    if (FocusColor != clNone && !FFocusColored) {
        FNormalColor = FColor;
        FFocusColored = true;
        SetColor(FocusColor);
    }
    if (FocusBorderColor != clNone && HandleAllocated())
        RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TAdvSpinEdit::DoExit() {
    CheckOnExit();
    if (FFocusColored) {
        FFocusColored = false;
        SetColor(FNormalColor);
    }
    if (FocusBorderColor != clNone && HandleAllocated())
        RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    TCustomEdit::DoExit();
}

void TAdvSpinEdit::Change() {
    if (!FSettingText)
        TCustomEdit::Change();
}

void TAdvSpinEdit::SetFlat(bool Value) {
    if (Value == FFlat)
        return;
    FFlat = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TAdvSpinEdit::SetSpinTransparent(bool Value) {
    FSpinTransparent = Value;
    FButton->UpButton()->SetTransparent(Value);
    FButton->DownButton()->SetTransparent(Value);
}

void TAdvSpinEdit::SetTransparent(bool Value) {
    FTransparent = Value;
    Invalidate();
}

void TAdvSpinEdit::PaintFlatLine() {
    if (!FFlat || !HandleAllocated())
        return;
    RECT c = ClientRect();
    HDC dc = GetDC(FHandle);
    RECT line{c.left, c.bottom - 1, c.right - FButton->Width(), c.bottom};
    TGdiObject brush(CreateSolidBrush(ColorToRGB(FlatLineColor)));
    FillRect(dc, &line, static_cast<HBRUSH>(brush.Get()));
    ReleaseDC(FHandle, dc);
}

void TAdvSpinEdit::PaintFocusBorder() {
    if (FocusBorderColor == clNone || FFlat || !HandleAllocated() || GetFocus() != FHandle)
        return;
    HDC dc = GetWindowDC(FHandle);
    RECT r;
    GetWindowRect(FHandle, &r);
    OffsetRect(&r, -r.left, -r.top);
    TGdiObject brush(CreateSolidBrush(ColorToRGB(FocusBorderColor)));
    FrameRect(dc, &r, static_cast<HBRUSH>(brush.Get()));
    ReleaseDC(FHandle, dc);
}

// ----- the label

void TAdvSpinEdit::SetLabelCaption(const std::wstring& Value) {
    FLabelCaption = Value;
    if (!FLabel && !Value.empty()) {
        FLabel = new TLabel(this);
        FLabel->SetFocusControl(this);
        FLabel->Font()->Assign(&FLabelFont);
        FLabel->SetTransparent(FLabelTransparent);
        FLabel->SetEnabled(Enabled() || FLabelAlwaysEnabled);
        FLabel->SetVisible(Visible());
        if (FParent)
            FLabel->SetParent(FParent);
    }
    if (FLabel) {
        FLabel->SetCaption(Value);
        PlaceLabel();
    }
}

void TAdvSpinEdit::SetLabelPosition(TLabelPosition Value) {
    FLabelPosition = Value;
    PlaceLabel();
}

void TAdvSpinEdit::SetLabelMargin(int Value) {
    FLabelMargin = Value;
    PlaceLabel();
}

void TAdvSpinEdit::SetLabelTransparent(bool Value) {
    FLabelTransparent = Value;
    if (FLabel)
        FLabel->SetTransparent(Value);
}

void TAdvSpinEdit::SetLabelAlwaysEnabled(bool Value) {
    FLabelAlwaysEnabled = Value;
    if (FLabel)
        FLabel->SetEnabled(Enabled() || Value);
}

void TAdvSpinEdit::PlaceLabel() {
    if (!FLabel || !FLabel->Parent())
        return;
    const SIZE size{FLabel->Width(), FLabel->Height()};
    const POINT p = SpinLabelPosition(FLabelPosition, BoundsRect(), size, FLabelMargin);
    FLabel->SetBounds(p.x, p.y, size.cx, size.cy);
}

// ----- messages

void TAdvSpinEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        // Tab and Enter belong to the form (the multi-line box would take them).
        TCustomEdit::WndProc(Message);
        Message.Result = (Message.Result & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB)) |
                         DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case CM_WANTSPECIALKEY:
        if (Message.WParam == VK_RETURN && (ReturnIsTab || GetKeyState(VK_CONTROL) < 0)) {
            Message.Result = 1;
            return;
        }
        break;
    case WM_SETTEXT: {
        // A multi-line box reports no change for text set from outside: report it here, once.
        const std::wstring before = HandleAllocated() ? GetText() : std::wstring();
        FSettingText = true;
        struct TReset {
            bool& Flag;
            ~TReset() { Flag = false; }
        } reset{FSettingText};
        TCustomEdit::WndProc(Message);
        FSettingText = false;
        if (HandleAllocated() && GetText() != before)
            TCustomEdit::Change();
        return;
    }
    case WM_PASTE:
        PasteFiltered();
        Message.Result = 0;
        return;
    case WM_CUT:
    case WM_CLEAR: {
        const int start = SelStart(), end = start + SelLength();
        if (!EditorEnabled || ReadOnly() || HexPrefixTouched(start, end, true)) {
            Beep();
            Message.Result = 0;
            return;
        }
        break;
    }
    case WM_SIZE:
        TCustomEdit::WndProc(Message);
        PlaceButton();
        SetEditRect();
        return;
    case CM_FONTCHANGED:
        TCustomEdit::WndProc(Message);
        SetBounds(FLeft, FTop, FWidth, FHeight); // the least height follows the font
        SetEditRect();
        return;
    case CM_MOUSEENTER:
        if (AutoFocus && !Focused() && CanFocus())
            SetFocus();
        break;
    case WM_ERASEBKGND:
        if (FTransparent) {
            PaintParentBackground(this, reinterpret_cast<HDC>(Message.WParam));
            Message.Result = 1;
            return;
        }
        break;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
        if (FTransparent) {
            HDC dc = reinterpret_cast<HDC>(Message.WParam);
            SetTextColor(dc, ColorToRGB(FFont.Color()));
            SetBkMode(dc, TRANSPARENT);
            Message.Result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
            return;
        }
        break;
    case CN_COMMAND:
        // See-through text leaves its old letters behind unless the box repaints whole.
        if (FTransparent && HIWORD(Message.WParam) == EN_CHANGE)
            Invalidate();
        break;
    case WM_PAINT:
        TCustomEdit::WndProc(Message);
        PaintFlatLine();
        return;
    case WM_NCPAINT:
        TCustomEdit::WndProc(Message);
        PaintFocusBorder();
        return;
    }
    TCustomEdit::WndProc(Message);
}
