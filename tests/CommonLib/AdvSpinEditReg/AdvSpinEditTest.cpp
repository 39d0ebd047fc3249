#include "../../vcl/VclTestSupport.h"

#include "AdvSpinEdit.h"
#include "Clipbrd.h"
#include "Themes.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vcltest;

namespace {

// Date and time formats for one test, put back afterwards.
struct TFormatScope {
    TFormatSettings Saved = FormatSettings;
    TFormatScope(const wchar_t* shortDate, wchar_t dateSep, wchar_t timeSep = L':', wchar_t decimal = L'.') {
        FormatSettings.ShortDateFormat = shortDate;
        FormatSettings.DateSeparator = dateSep;
        FormatSettings.TimeSeparator = timeSep;
        FormatSettings.DecimalSeparator = decimal;
    }
    ~TFormatScope() { FormatSettings = Saved; }
};

class TCountingSpinEdit : public TAdvSpinEdit {
public:
    using TAdvSpinEdit::TAdvSpinEdit;
    int Beeps = 0;

protected:
    void Beep() override { ++Beeps; }
};

// A shown form with a spin edit and a plain edit after it.
struct TSpinWindow {
    TForm Form{nullptr};
    TCountingSpinEdit* Spin;
    TTestEdit* Next;
    int Changes = 0, Ups = 0, Downs = 0;
    TSpinWindow() {
        Form.SetBounds(60, 60, 300, 150);
        Spin = new TCountingSpinEdit(&Form);
        Spin->SetParent(&Form);
        Spin->SetBounds(10, 10, 100, 21);
        Spin->OnChange = [this](TObject*) { ++Changes; };
        Spin->OnUpClick = [this](TObject*) { ++Ups; };
        Spin->OnDownClick = [this](TObject*) { ++Downs; };
        Next = new TTestEdit(&Form);
        Next->SetParent(&Form);
        Next->SetBounds(10, 50, 100, 21);
        Form.Show();
        Spin->SetFocus();
    }
    ~TSpinWindow() { Form.Hide(); }
    void Key(WORD vk) { SendMessageW(Spin->Handle(), WM_KEYDOWN, vk, 0); }
    void Type(const std::wstring& chars) {
        for (wchar_t c : chars)
            SendMessageW(Spin->Handle(), WM_CHAR, c, 0);
    }
    void Select(int start, int end) { SendMessageW(Spin->Handle(), EM_SETSEL, static_cast<WPARAM>(start), end); }
    void Paste(const std::wstring& text) {
        Clipboard()->SetAsText(text);
        SendMessageW(Spin->Handle(), WM_PASTE, 0, 0);
    }
    // Down and up on a spin button, in the button pair's client coordinates.
    void Mouse(UINT msg, int x, int y) {
        SendMessageW(Spin->Button()->Handle(), msg, msg == WM_LBUTTONDOWN || msg == WM_MOUSEMOVE ? MK_LBUTTON : 0,
                     MAKELPARAM(x, y));
    }
};

} // namespace

TEST(SpinText, IntegersAndHexNeverRaiseOrWrap) {
    struct Row {
        const wchar_t* text;
        int value;
        bool ok;
    } rows[] = {
        {L"", 0, false},          {L"  42 ", 42, true},        {L"-7", -7, true},
        {L"+7", 7, true},         {L"abc", 0, false},          {L"12a", 0, false},
        {L"--1", 0, false},       {L"2147483647", INT_MAX, true}, {L"2147483648", 0, false},
        {L"-2147483648", INT_MIN, true}, {L"-2147483649", 0, false}, {L"99999999999999999999", 0, false},
        {L"0x1F", 31, true},      {L"$ff", 255, true},         {L"0xFFFFFFFF", -1, true},
        {L"0x100000000", 0, false}, {L"0x", 0, false},
    };
    for (const Row& r : rows) {
        int v = 12345;
        EXPECT_EQ(SpinTryTextToInt(r.text, v), r.ok) << r.text;
        EXPECT_EQ(v, r.value) << r.text;
    }

    EXPECT_EQ(SpinIntToHex(0), L"0x0");
    EXPECT_EQ(SpinIntToHex(0x1F3), L"0x1F3");
    EXPECT_EQ(SpinIntToHex(-1), L"0xFFFFFFFF");
    EXPECT_EQ(SpinHexToInt(SpinIntToHex(INT_MIN)), INT_MIN);
    EXPECT_EQ(SpinHexToInt(L"0x1f3"), 0x1F3);     // digits two at a time and a last single one
    EXPECT_EQ(SpinHexToInt(L"0x1G7"), 1);         // stray characters end the number
    EXPECT_EQ(SpinHexToInt(L"1F"), 31);           // no prefix: nothing is dropped
    EXPECT_EQ(SpinHexToInt(L"0xZZ"), 0);
    EXPECT_EQ(SpinHexToInt(L"0x123456789"), 0);   // beyond 32 bits
    EXPECT_EQ(SpinHexToInt(L"x"), 0);
}

TEST(SpinText, FloatsDatesAndTimes) {
    TFormatScope fs(L"M/d/yyyy", L'/');
    EXPECT_DOUBLE_EQ(SpinTextToFloat(L"1,5"), 1.5);
    EXPECT_DOUBLE_EQ(SpinTextToFloat(L" -1.25 "), -1.25);
    EXPECT_DOUBLE_EQ(SpinTextToFloat(L"1.2.3"), 0);
    EXPECT_DOUBLE_EQ(SpinTextToFloat(L"x"), 0);
    EXPECT_EQ(SpinFloatToText(0.1 + 0.2, 0), L"0.3");
    EXPECT_EQ(SpinFloatToText(2.5, 2), L"2.50");

    EXPECT_TRUE(SpinDateOrder(L"M/d/yyyy").MonthBeforeDay());
    EXPECT_FALSE(SpinDateOrder(L"dd.MM.yyyy").MonthBeforeDay());
    TSpinDateOrder iso = SpinDateOrder(L"yyyy-MM-dd");
    EXPECT_EQ(iso.Year, 0);
    EXPECT_EQ(iso.Month, 1);
    EXPECT_EQ(iso.Day, 2);

    TDateTime d;
    ASSERT_TRUE(SpinTryTextToDate(L"2/29/2024", d));
    EXPECT_EQ(SpinDateToText(d), L"2/29/2024");
    EXPECT_FALSE(SpinTryTextToDate(L"2/30/2024", d));
    EXPECT_FALSE(SpinTryTextToDate(L"2/3", d));
    ASSERT_TRUE(SpinTryTextToDate(L"12/1/24", d));
    EXPECT_EQ(d, EncodeDate(2024, 12, 1));
    {
        TFormatScope german(L"dd.MM.yyyy", L'.');
        ASSERT_TRUE(SpinTryTextToDate(L"03.04.2024", d));
        EXPECT_EQ(d, EncodeDate(2024, 4, 3));
        EXPECT_EQ(SpinDateToText(d), L"03.04.2024");
    }

    // A month on: the same day, or the month's last; years carry.
    EXPECT_EQ(SpinStepDate(EncodeDate(2024, 1, 31), sdfMonth, 1), EncodeDate(2024, 2, 29));
    EXPECT_EQ(SpinStepDate(EncodeDate(2024, 12, 15), sdfMonth, 1), EncodeDate(2025, 1, 15));
    EXPECT_EQ(SpinStepDate(EncodeDate(2024, 1, 15), sdfMonth, -1), EncodeDate(2023, 12, 15));
    EXPECT_EQ(SpinStepDate(EncodeDate(2024, 2, 29), sdfYear, 1), EncodeDate(2025, 2, 28));
    EXPECT_EQ(SpinStepDate(EncodeDate(2024, 3, 1), sdfDay, -1), EncodeDate(2024, 2, 29));

    TDateTime t;
    ASSERT_TRUE(SpinTryTextToTime(L"13:05:09", t));
    EXPECT_EQ(SpinTimeToText(t, true), L"13:05:09");
    EXPECT_EQ(SpinTimeToText(t, false), L"13:05");
    EXPECT_FALSE(SpinTryTextToTime(L"25:00", t));
    EXPECT_FALSE(SpinTryTextToTime(L"1::2", t));
    ASSERT_TRUE(SpinTryTextToTime(L"23:59:59", t));
    EXPECT_EQ(SpinTimeToText(SpinStepTime(t, 1), true), L"0:00:00");
    ASSERT_TRUE(SpinTryTextToTime(L"0:30", t));
    EXPECT_EQ(SpinTimeToText(SpinStepTime(t, -3600), false), L"23:30");

    EXPECT_EQ(SpinTextPart(L"12/31/2024", 0, L'/'), 0);
    EXPECT_EQ(SpinTextPart(L"12/31/2024", 3, L'/'), 1);
    EXPECT_EQ(SpinTextPart(L"12/31/2024", 99, L'/'), 2);
}

TEST(SpinText, StepsBoundsPasteAndLabel) {
    EXPECT_EQ(SpinAddInt(INT_MAX, 1), INT_MAX);
    EXPECT_EQ(SpinAddInt(INT_MIN, -10), INT_MIN);
    EXPECT_EQ(SpinLimit(500, 0, 0), 500);
    EXPECT_EQ(SpinLimit(500, 1, 100), 100);
    EXPECT_EQ(SpinLimit(-5, 1, 100), 1);
    EXPECT_EQ(SpinLimitFloat(-0.5, 0, 0), -0.5);

    struct Smart {
        int value, inc;
        bool up;
        int expected;
    } smart[] = {
        {50000, 1, true, 51000}, {50000, 1, false, 49000}, {1234, 1, true, 1300}, {1234, 1, false, 1200},
        {7, 1, true, 8},         {100, 1, true, 110},      {-150, 1, true, -140}, {-150, 1, false, -160},
        {2000, 500, true, 2500}, {INT_MAX, 1, true, INT_MAX},
    };
    for (const Smart& s : smart)
        EXPECT_EQ(SpinSmartStep(s.value, s.inc, s.up), s.expected) << s.value << (s.up ? " up" : " down");

    TFormatScope fs(L"M/d/yyyy", L'/');
    struct PasteRow {
        TAdvSpinType type;
        const wchar_t* text;
        bool signedOk, atStart;
        const wchar_t* out; // null: refused
    } pastes[] = {
        {sptNormal, L"  123\r\n", false, false, L"123"}, {sptNormal, L"1\r\n2", false, false, nullptr},
        {sptNormal, L"12a", false, false, nullptr},      {sptNormal, L"-5", true, true, L"-5"},
        {sptNormal, L"-5", false, true, nullptr},        {sptNormal, L"-5", true, false, nullptr},
        {sptNormal, L"+5", true, true, nullptr},         {sptNormal, L" ", false, false, nullptr},
        {sptFloat, L"1,5", false, false, L"1.5"},        {sptHex, L"0x1f", false, true, L"0x1f"},
        {sptHex, L"0x1f", false, false, nullptr},        {sptHex, L"aB9", false, false, L"aB9"},
        {sptDate, L"1/2/2024", false, false, L"1/2/2024"}, {sptTime, L"12:30", false, false, L"12:30"},
        {sptTime, L"12.30", false, false, nullptr},
    };
    for (const PasteRow& p : pastes) {
        std::wstring out;
        bool ok = SpinPasteText(p.type, p.text, p.signedOk, p.atStart, out);
        EXPECT_EQ(ok, p.out != nullptr) << p.text;
        EXPECT_EQ(out, p.out ? p.out : out);
    }

    RECT edit{100, 50, 200, 71};
    EXPECT_EQ(SpinLabelPosition(lpLeftTop, edit, SIZE{40, 13}, 4).x, 56);
    EXPECT_EQ(SpinLabelPosition(lpLeftCenter, edit, SIZE{40, 13}, 4).y, 54);
    EXPECT_EQ(SpinLabelPosition(lpTopLeft, edit, SIZE{40, 13}, 4).y, 33);
    EXPECT_EQ(SpinLabelPosition(lpBottomCenter, edit, SIZE{40, 13}, 4).x, 130);
    EXPECT_EQ(SpinLabelPosition(lpLeftTopLeft, edit, SIZE{40, 13}, 60).x, 40);
}

TEST(SpinButtons, DefaultArrowsAndDirection) {
    TBitmap up;
    MakeSpinArrowGlyph(&up, DFCS_SCROLLUP);
    ASSERT_EQ(up.Width(), 9);
    ASSERT_EQ(up.Height(), 6);
    auto ink = [&](int x, int y) { return up.ScanLine(y)[x * 3] == 0; };
    EXPECT_TRUE(ink(4, 1));  // the tip
    EXPECT_FALSE(ink(3, 1));
    EXPECT_TRUE(ink(1, 4));  // the base
    EXPECT_FALSE(ink(0, 4));

    TAdvSpinButton pair(nullptr);
    EXPECT_EQ(pair.Width(), 15);
    pair.SetDirection(spHorizontal);
    EXPECT_EQ(pair.Width(), 20);
    EXPECT_EQ(pair.UpButton()->ArrowKind, static_cast<UINT>(DFCS_SCROLLRIGHT));
    EXPECT_EQ(pair.UpGlyph()->Width(), 6); // the default glyph turned with it
    EXPECT_LT(pair.DownButton()->Left(), pair.UpButton()->Left());
    TBitmap own;
    own.SetSize(8, 8);
    pair.SetUpGlyph(&own);
    EXPECT_FALSE(pair.UpButton()->DefaultGlyph);
}

TEST(SpinEditWindow, KeysStepAndClamp) {
    Watchdog dog(20000, "spin keys");
    TSpinWindow w;
    EXPECT_EQ(w.Spin->GetText(), L"0");
    w.Spin->MinValue = 1;
    w.Spin->MaxValue = 100;
    w.Spin->SetValue(98);
    EXPECT_EQ(w.Changes, 1);
    w.Key(VK_UP);
    w.Key(VK_UP);
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->Value(), 100);
    EXPECT_EQ(w.Ups, 3);
    EXPECT_EQ(w.Changes, 3); // a step that changes nothing reports no change
    w.Key(VK_NEXT);
    EXPECT_EQ(w.Spin->Value(), 90);
    w.Key(VK_DOWN);
    EXPECT_EQ(w.Spin->Value(), 89);
    EXPECT_EQ(w.Downs, 1);
    EXPECT_TRUE(w.Spin->Modified());

    // The caret keeps its place, and follows a minus sign that comes or goes.
    w.Spin->MinValue = w.Spin->MaxValue = 0;
    w.Spin->SetValue(1);
    w.Select(1, 1);
    w.Key(VK_DOWN);
    w.Key(VK_DOWN);
    EXPECT_EQ(w.Spin->GetText(), L"-1");
    EXPECT_EQ(w.Spin->SelStart(), 2);

    // Read-only: a beep, nothing else.
    w.Spin->SetReadOnly(true);
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->Value(), -1);
    EXPECT_EQ(w.Spin->Beeps, 1);
    w.Spin->SetReadOnly(false);

    // Hex steps keep the hex form; floats step by their increment.
    w.Spin->SetValue(255);
    w.Spin->SetSpinType(sptHex);
    EXPECT_EQ(w.Spin->GetText(), L"0xFF");
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->GetText(), L"0x100");
    w.Key(VK_PRIOR); // ignored for hex
    EXPECT_EQ(w.Spin->HexValue(), 256);
    w.Spin->SetSpinType(sptFloat);
    EXPECT_EQ(w.Spin->GetText(), L"256");
    w.Spin->SetFloatValue(0.2);
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->GetText(), L"0.3");
    w.Spin->SetSpinType(sptNormal);
    EXPECT_EQ(w.Spin->Value(), 0);
}

TEST(SpinEditWindow, DateAndTimeStepByTheCaretsPart) {
    Watchdog dog(20000, "spin dates");
    TFormatScope fs(L"M/d/yyyy", L'/');
    TSpinWindow w;
    w.Spin->SetSpinType(sptDate);
    w.Spin->SetDateValue(EncodeDate(2024, 1, 31));
    EXPECT_EQ(w.Spin->GetText(), L"1/31/2024");
    w.Select(0, 0); // month
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->GetText(), L"2/29/2024");
    w.Select(3, 3); // day
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->GetText(), L"3/1/2024");
    w.Select(6, 6); // year
    w.Key(VK_DOWN);
    EXPECT_EQ(w.Spin->GetText(), L"3/1/2023");

    w.Spin->SetSpinType(sptTime);
    w.Spin->SetTimeValue(EncodeTime(9, 59, 58, 0));
    EXPECT_EQ(w.Spin->GetText(), L"9:59:58");
    w.Spin->IncrementMinutes = 5;
    w.Select(3, 3);
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->GetText(), L"10:04:58");
    w.Select(7, 7);
    w.Key(VK_UP);
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->GetText(), L"10:05:00");
    w.Spin->SetShowSeconds(false);
    EXPECT_EQ(w.Spin->GetText(), L"10:05");
}

TEST(SpinEditWindow, TypedCharactersAndEnter) {
    Watchdog dog(20000, "spin typing");
    TSpinWindow w;
    w.Spin->SetText(L"");
    w.Type(L"1a2\r\n\t+");
    EXPECT_EQ(w.Spin->GetText(), L"12");
    EXPECT_EQ(w.Spin->Beeps, 1); // only the letter beeps
    w.Type(L"-");
    EXPECT_EQ(w.Spin->GetText(), L"12"); // not Signed
    w.Spin->Signed = true;
    w.Select(2, 2);
    w.Type(L"-");
    EXPECT_EQ(w.Spin->GetText(), L"-12");
    EXPECT_EQ(w.Spin->SelStart(), 3);
    w.Type(L"-");
    EXPECT_EQ(w.Spin->GetText(), L"12");

    w.Spin->SetSpinType(sptHex);
    EXPECT_EQ(w.Spin->GetText(), L"0xC");
    w.Select(3, 3);
    w.Type(L"fG");
    EXPECT_EQ(w.Spin->GetText(), L"0xCf");
    w.Select(1, 1);
    w.Type(L"1");
    w.Type(L"\b");
    w.Key(VK_DELETE);
    EXPECT_EQ(w.Spin->GetText(), L"0xCf"); // the prefix stays whole

    w.Spin->SetSpinType(sptFloat);
    w.Spin->SetText(L"1");
    w.Select(1, 1);
    w.Type(L",5.");
    EXPECT_EQ(w.Spin->GetText(), L"1.5"); // ',' is the separator; a second one beeps

    w.Spin->EditorEnabled = false;
    w.Type(L"7");
    EXPECT_EQ(w.Spin->GetText(), L"1.5");
    w.Spin->EditorEnabled = true;

    // Enter never reaches the box; with ReturnIsTab it moves on, Ctrl+Enter steps up.
    w.Spin->SetSpinType(sptNormal);
    w.Spin->SetValue(5);
    w.Key(VK_RETURN);
    PumpFor(50);
    EXPECT_EQ(w.Spin->GetText(), L"5");
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    w.Key(VK_RETURN);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    PumpUntil([&] { return w.Spin->Value() == 6; }, 2000);
    EXPECT_EQ(w.Spin->Value(), 6);
    w.Spin->ReturnIsTab = true;
    w.Key(VK_RETURN);
    PumpUntil([&] { return w.Next->Focused(); }, 2000);
    EXPECT_TRUE(w.Next->Focused());
    EXPECT_EQ(w.Spin->GetText(), L"6");
}

TEST(SpinEditWindow, PasteAndCutGoThroughTheFilter) {
    Watchdog dog(20000, "spin paste");
    TSpinWindow w;
    w.Select(0, 1);
    w.Paste(L" 4711\r\n");
    EXPECT_EQ(w.Spin->GetText(), L"4711");
    w.Select(4, 4);
    w.Paste(L"1\r\n2");
    w.Paste(L"12ab");
    EXPECT_EQ(w.Spin->GetText(), L"4711"); // refused, and said so
    EXPECT_EQ(w.Spin->Beeps, 2);
    w.Select(0, 0);
    w.Paste(L"-3");
    EXPECT_EQ(w.Spin->GetText(), L"4711"); // not Signed
    w.Spin->Signed = true;
    w.Paste(L"-3");
    EXPECT_EQ(w.Spin->GetText(), L"-34711");
    w.Select(3, 3);
    w.Paste(L"-");
    EXPECT_EQ(w.Spin->GetText(), L"-34711");

    w.Spin->EditorEnabled = false;
    w.Select(0, 2);
    SendMessageW(w.Spin->Handle(), WM_CUT, 0, 0);
    w.Paste(L"1");
    EXPECT_EQ(w.Spin->GetText(), L"-34711");
    w.Spin->EditorEnabled = true;
    SendMessageW(w.Spin->Handle(), WM_CUT, 0, 0);
    EXPECT_EQ(w.Spin->GetText(), L"4711");
    EXPECT_EQ(Clipboard()->AsText(), L"-3");

    w.Spin->SetSpinType(sptHex);
    w.Select(0, 1);
    SendMessageW(w.Spin->Handle(), WM_CUT, 0, 0);
    w.Paste(L"9");
    EXPECT_EQ(w.Spin->GetText(), L"0x1267");
    w.Select(0, 6);
    w.Paste(L"0xbeef");
    EXPECT_EQ(w.Spin->HexValue(), 0xBEEF);
}

TEST(SpinEditWindow, LeavingKeepsTheBoundsAndAllowsNull) {
    Watchdog dog(20000, "spin exit");
    TSpinWindow w;
    w.Spin->MinValue = 1;
    w.Spin->MaxValue = 100;
    w.Spin->SetText(L"500");
    w.Next->SetFocus();
    EXPECT_EQ(w.Spin->GetText(), L"100");

    w.Spin->SetFocus();
    w.Spin->SetText(L"");
    w.Next->SetFocus();
    EXPECT_EQ(w.Spin->GetText(), L"");
    EXPECT_EQ(w.Spin->Value(), 0);

    w.Spin->AllowNullValue = false;
    w.Spin->SetFocus();
    w.Next->SetFocus();
    EXPECT_EQ(w.Spin->GetText(), L"1");

    w.Spin->SetFocus();
    w.Spin->SetText(L"12x");
    w.Next->SetFocus();
    EXPECT_EQ(w.Spin->GetText(), L"1"); // no number: 0, kept within the bounds

    // The focus colour comes and goes with the focus.
    w.Spin->FocusColor = clYellow;
    w.Spin->SetColor(clWhite);
    w.Spin->SetFocus();
    EXPECT_EQ(w.Spin->Color(), clYellow);
    w.Next->SetFocus();
    EXPECT_EQ(w.Spin->Color(), clWhite);
}

TEST(SpinEditWindow, ButtonsStepRepeatAndFocusTheEdit) {
    Watchdog dog(30000, "spin buttons");
    TSpinWindow w;
    w.Next->SetFocus();
    TAdvTimerSpeedButton* up = w.Spin->Button()->UpButton();
    const int x = up->Width() / 2, y = up->Height() / 2;
    w.Mouse(WM_LBUTTONDOWN, x, y);
    EXPECT_EQ(w.Spin->Value(), 1); // at once
    EXPECT_TRUE(w.Spin->Focused());
    ASSERT_NE(up->RepeatTimer(), nullptr);
    EXPECT_TRUE(up->RepeatTimer()->Enabled());
    EXPECT_EQ(up->RepeatTimer()->Interval(), 400u);
    up->TimerExpired();
    EXPECT_EQ(w.Spin->Value(), 2);
    EXPECT_EQ(up->RepeatTimer()->Interval(), 100u);
    w.Mouse(WM_MOUSEMOVE, x, 200); // held, but not over the button
    up->TimerExpired();
    EXPECT_EQ(w.Spin->Value(), 2);
    w.Mouse(WM_MOUSEMOVE, x, y);
    up->TimerExpired();
    EXPECT_EQ(w.Spin->Value(), 3);
    w.Mouse(WM_LBUTTONUP, x, y);
    EXPECT_FALSE(up->RepeatTimer()->Enabled());
    EXPECT_EQ(w.Spin->Value(), 3); // no extra step on release
    EXPECT_EQ(w.Ups, 3);

    // The down button; then held for a second with the real timer: one step at once, one
    // after 400 ms, then about every 100 ms (wide bounds: timers are late on a busy machine).
    TAdvTimerSpeedButton* down = w.Spin->Button()->DownButton();
    w.Mouse(WM_LBUTTONDOWN, x, down->Top() + 2);
    w.Mouse(WM_LBUTTONUP, x, down->Top() + 2);
    EXPECT_EQ(w.Spin->Value(), 2);
    // The mouse really stands on the button: moves the system reports while the button is
    // captured then keep it down.
    POINT screen = w.Spin->Button()->ClientToScreen(POINT{x, y});
    SetCursorPos(screen.x, screen.y);
    w.Mouse(WM_LBUTTONDOWN, x, y);
    PumpFor(1000);
    w.Mouse(WM_LBUTTONUP, x, y);
    const int steps = w.Spin->Value() - 2;
    EXPECT_GE(steps, 3);
    EXPECT_LE(steps, 12);
    PumpFor(250);
    EXPECT_EQ(w.Spin->Value() - 2, steps); // stopped on release
}

TEST(SpinEditWindow, LayoutSurvivesRecreateAndPaintsBothWays) {
    Watchdog dog(20000, "spin layout");
    TSpinWindow w;
    w.Spin->SetValue(42);
    w.Spin->SetEditAlign(eaRight);
    HWND h = w.Spin->Handle();
    EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & ES_RIGHT);
    EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & ES_MULTILINE);
    auto check = [&] {
        RECT client, text;
        GetClientRect(w.Spin->Handle(), &client);
        SendMessageW(w.Spin->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
        EXPECT_LE(text.right, client.right - 15);
        EXPECT_EQ(w.Spin->Button()->Left() + w.Spin->Button()->Width(), client.right);
        EXPECT_EQ(w.Spin->Button()->Height(), client.bottom);
        EXPECT_TRUE(IsChild(w.Spin->Handle(), w.Spin->Button()->Handle()));
        EXPECT_EQ(w.Spin->GetText(), L"42");
    };
    check();
    w.Spin->RecreateWnd();
    EXPECT_NE(w.Spin->Handle(), h);
    check();
    w.Spin->SetBounds(10, 10, 150, 30);
    check();
    w.Key(VK_UP);
    EXPECT_EQ(w.Spin->Value(), 43);

    // The least height follows the font.
    w.Spin->Font()->SetSize(20);
    EXPECT_GE(w.Spin->Height(), w.Spin->MinHeight());
    EXPECT_GT(w.Spin->MinHeight(), 30);

    // Themed while a theme is on (Wine has one), classic otherwise.
    TAdvTimerSpeedButton* up = w.Spin->Button()->UpButton();
    RedrawWindow(w.Spin->Button()->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(up->PaintedThemed(), ThemesActive());
    up->IsWinXP = false;
    RedrawWindow(w.Spin->Button()->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(up->PaintedThemed());
    w.Spin->SetEnabled(false);
    EXPECT_FALSE(up->Enabled());
    EXPECT_FALSE(w.Spin->Button()->DownButton()->Enabled());
}

TEST(SpinEditWindow, LabelBesideTheEdit) {
    Watchdog dog(20000, "spin label");
    TSpinWindow w;
    w.Spin->SetBounds(120, 40, 100, 21);
    w.Spin->SetLabelCaption(L"Page size");
    TLabel* label = w.Spin->EditLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Parent(), &w.Form);
    EXPECT_EQ(label->Left() + label->Width() + 4, 120);
    w.Spin->SetLabelPosition(lpTopLeft);
    EXPECT_EQ(label->Left(), 120);
    EXPECT_EQ(label->Top() + label->Height() + 4, 40);
    w.Spin->SetEnabled(false);
    EXPECT_FALSE(label->Enabled());
    w.Spin->SetLabelAlwaysEnabled(true);
    EXPECT_TRUE(label->Enabled());
}
