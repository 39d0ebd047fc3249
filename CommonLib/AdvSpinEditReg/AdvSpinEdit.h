// The spin edit: a numeric edit box with a pair of up/down buttons at its right edge. It
// edits integers, hexadecimal numbers, floating-point numbers, dates or times; the arrow keys
// and the buttons step the value (the buttons repeat while held), Page Up/Down take bigger
// steps, typed and pasted text is filtered by the kind of value, and leaving the field keeps
// the value within its bounds.
//
// Our class library has no mask edit: the edit box is a TCustomEdit made multi-line (so that
// the right and centred alignments take effect) whose formatting rectangle is narrowed by the
// buttons, which sit inside its border as a child window. Enter, line breaks and Tab never
// reach the multi-line box.
//
// The default arrow glyphs (9 x 6 pixels) are drawn in code: bitmap resources of a static
// library would be dropped by the linker. Buttons with the default glyph draw the system's
// spin arrows (the visual-styles "spin" parts while a theme is active, else DrawFrameControl);
// buttons given a glyph of their own draw it as speed buttons do.
//
// The text conversions, bounds and step rules are plain functions (Spin* below).
#pragma once

#include "Buttons.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "Timers.h"

#include <functional>
#include <memory>
#include <string>

enum TAdvSpinType { sptNormal, sptFloat, sptDate, sptTime, sptHex };
enum TSpinDirection { spVertical, spHorizontal };
enum TEditAlign { eaLeft, eaRight, eaCenter };
enum TLabelPosition {
    lpLeftTop, lpLeftCenter, lpLeftBottom, lpTopLeft, lpBottomLeft, lpLeftTopLeft, lpLeftCenterLeft,
    lpLeftBottomLeft, lpTopCenter, lpBottomCenter
};

// ---------------------------------------------------------------------------------
// Text, bounds and steps

// Integer text: trimmed; an optional sign, then decimal digits, or hexadecimal digits after
// "0x" or "$". False (and 0) for anything else and for values beyond the integer range.
bool SpinTryTextToInt(const std::wstring& Text, int& Value);
int SpinTextToInt(const std::wstring& Text);
// Hexadecimal text as the edit shows it: "0x" and the digits without leading zeros (the
// value's 32 bits, so negative values show as 0x80000000 and above).
std::wstring SpinIntToHex(int Value);
// Reads the digits after a leading "0x" (or the whole text without one) up to the first
// character that is not a hexadecimal digit. More than 32 bits, or no digit: false and 0.
bool SpinTryHexToInt(const std::wstring& Text, int& Value);
int SpinHexToInt(const std::wstring& Text);
// Float text with ',' and '.' both taken as the decimal separator; 0 when not a number.
bool SpinTryTextToFloat(const std::wstring& Text, double& Value);
double SpinTextToFloat(const std::wstring& Text);
// Precision 0: up to 15 significant digits; otherwise that many decimals. The separator is
// the locale's.
std::wstring SpinFloatToText(double Value, int Precision);

// Where day, month and year stand in a short date format (0, 1 or 2 each), from the first
// 'D', 'M' and 'Y' of the upper-cased format; the month comes before the day when its 'M'
// comes first.
struct TSpinDateOrder {
    int Day = 1, Month = 0, Year = 2;
    bool MonthBeforeDay() const { return Month < Day; }
};
TSpinDateOrder SpinDateOrder(const std::wstring& ShortDateFormat);
// The date in the short date format, and back (three numbers in the format's order; a year
// below 100 counts from 2000). False for text that is no valid date.
std::wstring SpinDateToText(TDateTime Value);
bool SpinTryTextToDate(const std::wstring& Text, TDateTime& Value);
// "h" + time separator + "nn" (+ separator + "ss"), and back ("h", "h:m" or "h:m:s").
std::wstring SpinTimeToText(TDateTime Value, bool ShowSeconds);
bool SpinTryTextToTime(const std::wstring& Text, TDateTime& Value);

// Which part of a separated text the caret stands in: the number of separators before it.
int SpinTextPart(const std::wstring& Text, int Caret, wchar_t Separator);
// A date moved by Delta days, months (the same day, or the month's last) or years.
enum TSpinDateField { sdfDay, sdfMonth, sdfYear };
TDateTime SpinStepDate(TDateTime Value, TSpinDateField Field, int Delta);
// A time of day moved by Seconds, wrapping around midnight.
TDateTime SpinStepTime(TDateTime Value, int64_t Seconds);
// A + B kept within the integer range.
int SpinAddInt(int A, int B);
// The "smart" step: with |Value| >= 100 the step is the largest power of ten not above a
// tenth of |Value| (at least Increment) and the value moves to the next multiple of it in
// the step's direction; smaller values step by Increment.
int SpinSmartStep(int Value, int Increment, bool Up);
// Value within [Min, Max]; no limit when both are 0.
int SpinLimit(int Value, int Min, int Max);
double SpinLimitFloat(double Value, double Min, double Max);

// Whether a typed character belongs in text of the spin type (digits, and the float's decimal
// separators, the date or time separator, hexadecimal letters). Signs are handled apart.
bool SpinCharAccepted(TAdvSpinType Type, wchar_t Ch);
// Pasted text as the edit would take it (trimmed; '.' and ',' become the decimal separator
// for floats), or false when any character does not belong. AtStart: the paste replaces the
// text from its first character (a leading minus sign, or "0x" for hex, may come with it).
bool SpinPasteText(TAdvSpinType Type, const std::wstring& Pasted, bool Signed, bool AtStart, std::wstring& Out);

// Where the label goes for a position, given the edit's bounds and the label's size.
POINT SpinLabelPosition(TLabelPosition Position, const RECT& Edit, SIZE Label, int Margin);

// ---------------------------------------------------------------------------------
// Buttons

// A speed button that repeats its click while held: a click at once, the next after 400 ms,
// then every 100 ms while the button stays down under the mouse.
class TAdvTimerSpeedButton : public TSpeedButton {
public:
    VORLANE_CLASS_NAME(TAdvTimerSpeedButton)
    explicit TAdvTimerSpeedButton(TComponent* AOwner);

    bool AllowTimer() const { return FAllowTimer; }
    void SetAllowTimer(bool Value);
    // The repeat timer (made on the first press).
    TTimer* RepeatTimer() const { return FRepeatTimer; }
    // One tick of the repeat timer.
    void TimerExpired();
    // Themed drawing allowed (Windows XP or later; decided at creation).
    bool IsWinXP = false;
    // Which system arrow the default glyph shows: DFCS_SCROLLUP, DFCS_SCROLLDOWN,
    // DFCS_SCROLLLEFT or DFCS_SCROLLRIGHT.
    UINT ArrowKind = DFCS_SCROLLUP;
    // The button shows the system arrow (no glyph of its own).
    bool DefaultGlyph = true;
    // Whether the last paint used the visual-styles theme.
    bool PaintedThemed() const { return FPaintedThemed; }

    void WndProc(TMessage& Message) override;

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;

private:
    bool FAllowTimer = true;
    TTimer* FRepeatTimer = nullptr; // owned as a component
    bool FPaintedThemed = false;
};

// The pair of buttons: up and down (spVertical, 15 pixels wide), or left and right
// (spHorizontal, 20 pixels wide). Clicking a button focuses FocusControl first.
class TAdvSpinButton : public TWinControl {
public:
    VORLANE_CLASS_NAME(TAdvSpinButton)
    explicit TAdvSpinButton(TComponent* AOwner);

    TAdvTimerSpeedButton* UpButton() const { return FUpButton; }
    TAdvTimerSpeedButton* DownButton() const { return FDownButton; }
    // A null or empty glyph gives the default arrow (and one glyph).
    TBitmap* UpGlyph() { return FUpButton->Glyph(); }
    void SetUpGlyph(TBitmap* Value) { SetButtonGlyph(FUpButton, Value); }
    TBitmap* DownGlyph() { return FDownButton->Glyph(); }
    void SetDownGlyph(TBitmap* Value) { SetButtonGlyph(FDownButton, Value); }
    int UpNumGlyphs() const { return FUpButton->NumGlyphs(); }
    void SetUpNumGlyphs(int Value) { FUpButton->SetNumGlyphs(Value); }
    int DownNumGlyphs() const { return FDownButton->NumGlyphs(); }
    void SetDownNumGlyphs(int Value) { FDownButton->SetNumGlyphs(Value); }
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);
    TSpinDirection Direction() const { return FDirection; }
    void SetDirection(TSpinDirection Value);
    bool Flat() const { return FUpButton->Flat(); }
    void SetFlat(bool Value);
    void SetEnabled(bool Value) override;

    TNotifyEvent OnUpClick, OnDownClick;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void SetButtonGlyph(TAdvTimerSpeedButton* Button, TBitmap* Value);
    void LayoutButtons();
    void ButtonClick(bool Up);
    TAdvTimerSpeedButton* FUpButton;
    TAdvTimerSpeedButton* FDownButton;
    TWinControl* FFocusControl = nullptr;
    TSpinDirection FDirection = spVertical;
};

// The 9 x 6 arrow of a default glyph, black on white (white is the transparent colour).
void MakeSpinArrowGlyph(TBitmap* Glyph, UINT ArrowKind);

// ---------------------------------------------------------------------------------
// The edit

class TAdvSpinEdit : public TCustomEdit {
public:
    VORLANE_CLASS_NAME(TAdvSpinEdit)
    explicit TAdvSpinEdit(TComponent* AOwner);
    ~TAdvSpinEdit() override;

    TAdvSpinButton* Button() const { return FButton; }

    TAdvSpinType SpinType() const { return FSpinType; }
    // Writes the current value again in the new form.
    void SetSpinType(TAdvSpinType Value);

    // The text as an integer ('' and text that is no number read 0); writing limits the
    // value by CheckValue and shows it in decimal.
    int Value();
    void SetValue(int Value);
    double FloatValue();
    void SetFloatValue(double Value);
    TDateTime DateValue();
    void SetDateValue(TDateTime Value);
    TDateTime TimeValue();
    void SetTimeValue(TDateTime Value);
    int HexValue();
    void SetHexValue(int Value);

    int CheckValue(int Value) const { return SpinLimit(Value, MinValue, MaxValue); }
    double CheckFloatValue(double Value) const { return SpinLimitFloat(Value, MinFloatValue, MaxFloatValue); }
    TDateTime CheckDateValue(TDateTime Value) const { return SpinLimitFloat(Value, MinDateValue, MaxDateValue); }

    int Precision() const { return FPrecision; }
    void SetPrecision(int Value);
    int Increment = 1;
    int IncrementPage = 10;
    double IncrementFloat = 0.1;
    double IncrementFloatPage = 1.0;
    bool IncrementSmart = false;
    int IncrementMinutes = 1;
    int IncrementHours = 1;
    // 0 and 0: no limit.
    int MinValue = 0, MaxValue = 0;
    double MinFloatValue = 0, MaxFloatValue = 0;
    TDateTime MinDateValue = 0, MaxDateValue = 0;
    // An empty field stays empty on leaving (its value reads 0).
    bool AllowNullValue = true;
    // Typing, cut and paste allowed (the buttons and keys step either way).
    bool EditorEnabled = true;
    // Enter moves to the next control.
    bool ReturnIsTab = false;
    // '-' toggles a leading minus sign (integers and floats).
    bool Signed = false;
    bool ShowSeconds() const { return FShowSeconds; }
    void SetShowSeconds(bool Value);
    TSpinDirection Direction() const { return FButton->Direction(); }
    void SetDirection(TSpinDirection Value);
    TEditAlign EditAlign() const { return static_cast<TEditAlign>(FAlignment); }
    void SetEditAlign(TEditAlign Value) { SetAlignment(static_cast<TAlignment>(Value)); }

    // Looks. Flat: no border, a line in FlatLineColor along the bottom. Colours set to clNone
    // are off: FocusBorderColor frames the focused control, FocusColor is its background
    // while focused. Transparent: the parent's background behind the text. AutoFocus: the
    // mouse entering focuses the control.
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TColor FlatLineColor = clBlack;
    bool SpinFlat() const { return FButton->Flat(); }
    void SetSpinFlat(bool Value) { FButton->SetFlat(Value); }
    bool SpinTransparent() const { return FSpinTransparent; }
    void SetSpinTransparent(bool Value);
    TColor FocusBorderColor = clNone;
    TColor FocusColor = clNone;
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoFocus = false;
    std::wstring Version() const { return L"1.0.0.0"; }

    // The caption label beside the edit (made when a caption is set; on the edit's parent).
    const std::wstring& LabelCaption() const { return FLabelCaption; }
    void SetLabelCaption(const std::wstring& Value);
    TLabelPosition LabelPosition() const { return FLabelPosition; }
    void SetLabelPosition(TLabelPosition Value);
    int LabelMargin() const { return FLabelMargin; }
    void SetLabelMargin(int Value);
    bool LabelTransparent() const { return FLabelTransparent; }
    void SetLabelTransparent(bool Value);
    TFont* LabelFont() { return &FLabelFont; }
    bool LabelAlwaysEnabled() const { return FLabelAlwaysEnabled; }
    void SetLabelAlwaysEnabled(bool Value);
    TLabel* EditLabel() const { return FLabel; }

    // One step up or down by the spin type (the buttons and the arrow keys call these);
    // beeps and changes nothing while ReadOnly.
    void UpClick(TObject* Sender);
    void DownClick(TObject* Sender);
    // Bounds on leaving the field (also run by DoExit).
    void CheckOnExit();
    // The least height that shows the font's text (and the border).
    int MinHeight();

    TNotifyEvent OnUpClick, OnDownClick;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetParent(TWinControl* AParent) override;
    void SetEnabled(bool Value) override;
    void SetVisible(bool Value) override;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(wchar_t& Key) override;
    void DoEnter() override;
    void DoExit() override;
    void Change() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // MessageBeep(0); tests count it.
    virtual void Beep();

private:
    void Step(bool Up, bool Page);
    void WriteText(const std::wstring& Text);
    void SetEditRect();
    void PlaceButton();
    void PlaceLabel();
    bool HexPrefixTouched(int SelStart, int SelEnd, bool Deleting);
    void PasteFiltered();
    void PaintFlatLine();
    void PaintFocusBorder();

    TAdvSpinButton* FButton;
    TAdvSpinType FSpinType = sptNormal;
    int FPrecision = 0;
    bool FShowSeconds = true;
    bool FFlat = false;
    bool FSpinTransparent = false;
    bool FTransparent = false;
    TColor FNormalColor = clWindow;
    bool FFocusColored = false;
    bool FSettingText = false;
    std::wstring FLabelCaption;
    TLabelPosition FLabelPosition = lpLeftTop;
    int FLabelMargin = 4;
    bool FLabelTransparent = false;
    bool FLabelAlwaysEnabled = false;
    TFont FLabelFont;
    TLabel* FLabel = nullptr; // owned as a component
};
