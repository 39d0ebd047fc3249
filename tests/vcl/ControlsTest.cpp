#include "VclTestSupport.h"

#include "Menus.h"
#include "StdCtrls.h"
#include "Themes.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vcltest;

namespace {

class TPanelish : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TPanelish)
    using TCustomControl::TCustomControl;
};

class TPaintBoxish : public TGraphicControl {
public:
    VORLANE_CLASS_NAME(TPaintBoxish)
    using TGraphicControl::TGraphicControl;
    int Paints = 0;

protected:
    void Paint() override { ++Paints; }
};

// A control whose length query overstates what it really copies (allowed for windows).
class TOverstatingControl : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TOverstatingControl)
    using TCustomControl::TCustomControl;
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_GETTEXTLENGTH) {
            Message.Result = 10;
            return;
        }
        if (Message.Msg == WM_GETTEXT && Message.WParam >= 4) {
            auto* buf = reinterpret_cast<wchar_t*>(Message.LParam);
            wcscpy(buf, L"abc");
            Message.Result = 3;
            return;
        }
        TCustomControl::WndProc(Message);
    }
};

// A child that counts the notifications reflected to it.
class TReflectTarget : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TReflectTarget)
    using TCustomControl::TCustomControl;
    std::vector<UINT> Seen;
    void WndProc(TMessage& Message) override {
        if (Message.Msg >= CN_BASE && Message.Msg < CN_BASE + 0x400) {
            Seen.push_back(Message.Msg);
            Message.Result = 77;
            return;
        }
        TCustomControl::WndProc(Message);
    }
};

RECT Bounds(TControl* c) { return c->BoundsRect(); }

} // namespace

TEST(Controls, AlignmentFillsTopBottomLeftRightThenClient) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone); // client area = window area
    form.SetBounds(0, 0, 400, 300);
    auto* client = new TPanelish(&form);
    client->SetAlign(alClient);
    client->SetParent(&form);
    auto* right = new TPanelish(&form);
    right->SetWidth(50);
    right->SetAlign(alRight);
    right->SetParent(&form);
    auto* left = new TPanelish(&form);
    left->SetWidth(60);
    left->SetAlign(alLeft);
    left->SetParent(&form);
    auto* bottom = new TPanelish(&form);
    bottom->SetHeight(20);
    bottom->SetAlign(alBottom);
    bottom->SetParent(&form);
    auto* top = new TPanelish(&form);
    top->SetHeight(30);
    top->SetAlign(alTop);
    top->SetParent(&form);
    auto* top2 = new TPanelish(&form);
    top2->SetBounds(0, 100, 10, 15); // below the first top bar by position
    top2->SetAlign(alTop);
    top2->SetParent(&form);

    EXPECT_EQ(Bounds(top).top, 0);
    EXPECT_EQ(Bounds(top).right, 400);
    EXPECT_EQ(Bounds(top2).top, 30);
    EXPECT_EQ(Bounds(top2).bottom, 45);
    EXPECT_EQ(Bounds(bottom).top, 280);
    EXPECT_EQ(Bounds(left).top, 45);
    EXPECT_EQ(Bounds(left).bottom, 280);
    EXPECT_EQ(Bounds(left).right, 60);
    EXPECT_EQ(Bounds(right).left, 350);
    RECT c = Bounds(client);
    EXPECT_EQ(c.left, 60);
    EXPECT_EQ(c.top, 45);
    EXPECT_EQ(c.right, 350);
    EXPECT_EQ(c.bottom, 280);

    // Hiding a bar gives its room to the client; the window layout follows once made.
    top->Hide();
    EXPECT_EQ(Bounds(client).top, 15);
    {
        Watchdog w(10000);
        form.HandleNeeded();
        form.SetBounds(0, 0, 500, 300);
        EXPECT_EQ(Bounds(client).right, 450);
        RECT r;
        GetWindowRect(client->Handle(), &r);
        EXPECT_EQ(r.right - r.left, 390);
    }
}

TEST(Controls, AnchorsFollowTheParentsClientSize) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 200, 100);
    auto* stretch = new TPanelish(&form);
    stretch->SetParent(&form);
    stretch->SetBounds(10, 10, 100, 20);
    stretch->SetAnchors(akLeft | akTop | akRight);
    auto* corner = new TPaintBoxish(&form);
    corner->SetParent(&form);
    corner->SetBounds(150, 70, 40, 20);
    corner->SetAnchors(akRight | akBottom);

    form.SetBounds(0, 0, 300, 150);
    EXPECT_EQ(stretch->Width(), 200);
    EXPECT_EQ(stretch->Left(), 10);
    EXPECT_EQ(corner->Left(), 250);
    EXPECT_EQ(corner->Top(), 120);
    form.SetBounds(0, 0, 200, 100); // and back, without drift
    EXPECT_EQ(stretch->Width(), 100);
    EXPECT_EQ(corner->Left(), 150);
}

TEST(Controls, FlipChildrenMirrorsPositionsAndAlignment) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 200, 100);
    auto* a = new TPaintBoxish(&form);
    a->SetParent(&form);
    a->SetBounds(10, 0, 30, 10);
    auto* side = new TPanelish(&form);
    side->SetWidth(40);
    side->SetAlign(alLeft);
    side->SetParent(&form);
    form.FlipChildren(false);
    EXPECT_EQ(a->Left(), 160);
    EXPECT_EQ(side->Align(), alRight);
    EXPECT_EQ(side->Left(), 160);
}

TEST(Controls, PointsOfAMirroredWindowCountFromItsRightEdge) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 200, 100);
    auto* panel = new TPanelish(&form);
    panel->SetParent(&form);
    panel->SetBounds(20, 10, 100, 50);
    auto* inside = new TPaintBoxish(&form);
    inside->SetParent(panel);
    inside->SetBounds(10, 5, 30, 10);
    HWND wnd = panel->Handle();
    SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYOUTRTL);
    RECT r{};
    GetWindowRect(wnd, &r);
    const POINT origin = panel->ClientToScreen(POINT{0, 0});
    EXPECT_NEAR(origin.x, r.right, 1);
    EXPECT_EQ(panel->ClientToScreen(POINT{30, 4}).x, origin.x - 30);
    // A control without a window sits in its parent's mirrored client area.
    const POINT corner = inside->ClientToScreen(POINT{0, 0});
    EXPECT_EQ(corner.x, origin.x - 10);
    EXPECT_EQ(corner.y, origin.y + 5);
    EXPECT_EQ(inside->ScreenToClient(corner).x, 0);
    EXPECT_EQ(panel->ScreenToClient(POINT{origin.x - 30, origin.y}).x, 30);
    // A menu dropped from it: the left corner, or right to left the right one.
    TPopupMenu menu(nullptr);
    EXPECT_EQ(menu.DropDownPoint(inside).x, corner.x - 30);
    menu.RightToLeftPopup = true;
    EXPECT_EQ(menu.DropDownPoint(inside, 4).x, corner.x);
    EXPECT_EQ(menu.DropDownPoint(inside, 4).y, corner.y + 14);
}

TEST(Controls, ParentFontColorAndShowHintReachChildrenUntilOverridden) {
    TForm form(nullptr);
    auto* panel = new TPanelish(&form);
    panel->SetParent(&form);
    auto* box = new TPaintBoxish(&form);
    box->SetParent(panel);
    box->SetParentColor(true);
    form.Font()->SetName(L"Tahoma");
    form.Font()->SetSize(12);
    EXPECT_EQ(box->Font()->Name(), L"Tahoma");
    EXPECT_EQ(box->Font()->Size(), 12);
    panel->SetColor(clRed);
    EXPECT_EQ(box->Color(), clRed);
    form.SetShowHint(true);
    EXPECT_TRUE(box->ShowHint());

    box->Font()->SetName(L"Arial"); // own font from now on
    EXPECT_FALSE(box->ParentFont());
    form.Font()->SetName(L"Courier New");
    EXPECT_EQ(box->Font()->Name(), L"Arial");
    EXPECT_EQ(panel->Font()->Name(), L"Courier New");
}

TEST(Controls, BorderStyleAndCtl3DGiveTheWindowItsBorder) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.HandleNeeded();
    auto* c = new TPanelish(&form);
    c->SetParent(&form);
    c->SetBounds(0, 0, 50, 20);
    auto border = [&] {
        const LONG style = GetWindowLongW(c->Handle(), GWL_STYLE), ex = GetWindowLongW(c->Handle(), GWL_EXSTYLE);
        return std::pair<bool, bool>{(style & WS_BORDER) != 0, (ex & WS_EX_CLIENTEDGE) != 0};
    };
    EXPECT_EQ(border(), (std::pair<bool, bool>{false, false})); // bsNone by default
    c->SetBorderStyle(bsSingle);
    const bool themed = ThemesActive();
    EXPECT_EQ(border(), (std::pair<bool, bool>{!themed, themed}));
    EXPECT_EQ(c->ClientWidth(), themed ? 46 : 48);
    c->SetCtl3D(false);
    EXPECT_EQ(border(), (std::pair<bool, bool>{true, false}));
    c->SetBorderStyle(bsNone);
    EXPECT_EQ(border(), (std::pair<bool, bool>{false, false}));
    // A form's frame is its own; bsSingle still gives it a caption.
    form.SetBorderStyle(bsSingle);
    EXPECT_NE(GetWindowLongW(form.Handle(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(GetWindowLongW(form.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
}

TEST(Controls, TextSetBeforeTheWindowShowsAfterwardsAndSurvivesRecreate) {
    Watchdog w(10000);
    TForm form(nullptr);
    auto* edit = new TTestEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(5, 5, 100, 20);
    edit->SetHint(L"edit hint");
    edit->SetText(L"\u0416uk \u00e9t\u00e9");
    EXPECT_FALSE(edit->HandleAllocated());
    HWND wnd = edit->Handle();
    EXPECT_TRUE(form.HandleAllocated());
    wchar_t buf[64] = {};
    GetWindowTextW(wnd, buf, 64);
    EXPECT_STREQ(buf, L"\u0416uk \u00e9t\u00e9");
    EXPECT_TRUE(IsWindowUnicode(wnd));

    SetWindowTextW(wnd, L"typed \u4e2d"); // as if the user typed
    form.RecreateWnd();
    EXPECT_TRUE(edit->HandleAllocated());
    EXPECT_NE(edit->Handle(), wnd);
    EXPECT_EQ(edit->GetText(), L"typed \u4e2d");
    EXPECT_EQ(edit->Hint(), L"edit hint");
    EXPECT_EQ(FindControl(edit->Handle()), edit);
    EXPECT_EQ(FindControl(wnd), nullptr); // the old window's handle names no control
}

namespace {

// A button that paints as soon as its window is made (as a button does when its text is set
// then), noting the font its window holds at each paint.
class TEagerButton : public TButton {
public:
    VORLANE_CLASS_NAME(TEagerButton)
    using TButton::TButton;
    std::vector<HFONT> PaintFonts;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override {
        TButton::CreateWindowHandle(Params);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_PAINT)
            PaintFonts.push_back(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
        TButton::WndProc(Message);
    }
};

} // namespace

TEST(Controls, ARecreatedWindowPaintsInItsControlsFontFromItsFirstPaint) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBounds(100, 100, 200, 150);
    auto* button = new TEagerButton(&form);
    button->SetParent(&form);
    button->SetCaption(L"Go");
    form.Show();
    button->RecreateWnd(); // made again in a parent that shows: it paints at once
    ASSERT_FALSE(button->PaintFonts.empty());
    for (HFONT font : button->PaintFonts)
        EXPECT_EQ(font, button->Font()->Handle());
    form.Hide();
}

TEST(Controls, SameTextAgainSendsNothing) {
    Watchdog w(10000);
    TForm form(nullptr);
    auto* edit = new TTestEdit(&form);
    edit->SetParent(&form);
    edit->HandleNeeded();
    int setText = 0, changed = 0;
    TWndMethod previous = edit->WindowProc;
    edit->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_SETTEXT) ++setText;
        if (m.Msg == CM_TEXTCHANGED) ++changed;
        previous(m);
    };
    edit->SetText(L"one");
    edit->SetText(L"one");
    EXPECT_EQ(setText, 1);
    EXPECT_EQ(changed, 1);
    edit->WindowProc = previous;
}

TEST(Controls, TextIsCutToWhatTheWindowCopied) {
    Watchdog w(10000);
    TForm form(nullptr);
    auto* c = new TOverstatingControl(&form);
    c->SetParent(&form);
    c->HandleNeeded();
    std::wstring text = c->GetText();
    EXPECT_EQ(text, L"abc");
    EXPECT_EQ(text.find(L'\0'), std::wstring::npos);
}

TEST(Controls, NotificationsAreReflectedToTheChildConcerned) {
    Watchdog w(10000);
    TForm form(nullptr);
    auto* child = new TReflectTarget(&form);
    child->SetParent(&form);
    HWND parent = form.Handle();
    HWND wnd = child->Handle();
    EXPECT_EQ(SendMessageW(parent, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(wnd)), 77);
    NMHDR hdr{wnd, 0, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(SendMessageW(parent, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr)), 77);
    HDC dc = GetDC(wnd);
    EXPECT_EQ(SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd)), 77);
    ReleaseDC(wnd, dc);
    ASSERT_EQ(child->Seen.size(), 3u);
    EXPECT_EQ(child->Seen[0], CN_COMMAND);
    EXPECT_EQ(child->Seen[1], CN_NOTIFY);
    EXPECT_EQ(child->Seen[2], CN_CTLCOLORSTATIC);
    // A menu command (no control) is not reflected.
    SendMessageW(parent, WM_COMMAND, 5, 0);
    EXPECT_EQ(child->Seen.size(), 3u);
}

TEST(Controls, WindowlessControlsGetMouseAndPaintThroughTheirParent) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(100, 100, 200, 150);
    auto* box = new TPaintBoxish(&form);
    box->SetParent(&form);
    box->SetBounds(50, 40, 60, 30);
    int clicks = 0;
    POINT down{-1, -1};
    box->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) { down = POINT{x, y}; };
    box->OnClick = [&](TObject*) { ++clicks; };
    int formClicks = 0;
    form.OnClick = [&](TObject*) { ++formClicks; };
    form.Show();
    SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(55, 45));
    SendMessageW(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(55, 45));
    EXPECT_EQ(down.x, 5);
    EXPECT_EQ(down.y, 5);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(formClicks, 0);
    SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(formClicks, 1);

    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    EXPECT_GE(box->Paints, 1);
    form.Hide();
}

TEST(Controls, TabMovesFocusInTabOrderWithEnterAndExitEvents) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBounds(50, 50, 300, 200);
    auto* a = new TTestEdit(&form);
    a->SetParent(&form);
    a->SetBounds(10, 10, 80, 20);
    auto* b = new TTestEdit(&form);
    b->SetParent(&form);
    b->SetBounds(10, 40, 80, 20);
    auto* c = new TTestEdit(&form);
    c->SetParent(&form);
    c->SetBounds(10, 70, 80, 20);
    c->SetTabOrder(0); // c, a, b
    std::vector<std::wstring> events;
    for (auto* e : {a, b, c}) {
        e->OnEnter = [&events, e, a, b](TObject*) { events.push_back(std::wstring(L"enter ") + (e == a ? L"a" : e == b ? L"b" : L"c")); };
        e->OnExit = [&events, e, a, b](TObject*) { events.push_back(std::wstring(L"exit ") + (e == a ? L"a" : e == b ? L"b" : L"c")); };
    }
    form.Show();
    PumpFor(50);
    c->SetFocus();
    PumpUntil([&] { return form.ActiveControl() == c; }, 2000);
    ASSERT_EQ(form.ActiveControl(), c);
    events.clear();
    // Tab as the message loop sees it: the control does not want it, the form moves on.
    PostMessageW(c->Handle(), WM_KEYDOWN, VK_TAB, 1);
    PumpUntil([&] { return form.ActiveControl() == a; }, 2000);
    EXPECT_EQ(form.ActiveControl(), a);
    EXPECT_EQ(GetFocus(), a->Handle());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], L"exit c");
    EXPECT_EQ(events[1], L"enter a");
    b->SetEnabled(false); // skipped
    PostMessageW(a->Handle(), WM_KEYDOWN, VK_TAB, 1);
    PumpUntil([&] { return form.ActiveControl() == c; }, 2000);
    EXPECT_EQ(form.ActiveControl(), c);
    form.Hide();
}

TEST(Controls, KeyPreviewLetsTheFormTakeKeysFirst) {
    Watchdog w(10000);
    TForm form(nullptr);
    auto* edit = new TTestEdit(&form);
    edit->SetParent(&form);
    std::vector<std::wstring> order;
    form.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        order.push_back(L"form");
        if (key == VK_F5)
            key = 0;
    };
    edit->OnKeyDown = [&](TObject*, WORD&, TShiftState) { order.push_back(L"edit"); };
    form.KeyPreview = true;
    SendMessageW(edit->Handle(), WM_KEYDOWN, 'A', 1);
    SendMessageW(edit->Handle(), WM_KEYDOWN, VK_F5, 1);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0], L"form");
    EXPECT_EQ(order[1], L"edit");
    EXPECT_EQ(order[2], L"form");
}

TEST(Controls, ReplaceableWindowProcSeesMessagesBeforeTheClass) {
    TForm form(nullptr);
    auto* box = new TPaintBoxish(&form);
    box->SetParent(&form);
    std::vector<UINT> seen;
    TWndMethod previous = box->WindowProc;
    box->WindowProc = [&](TMessage& m) {
        seen.push_back(m.Msg);
        if (m.Msg == CM_HINTSHOW) {
            m.Result = 5; // swallowed here
            return;
        }
        previous(m);
    };
    EXPECT_EQ(box->Perform(CM_HINTSHOW), 5);
    box->SetText(L"x");
    EXPECT_EQ(box->Perform(WM_GETTEXTLENGTH), 1);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], CM_HINTSHOW);
    box->WindowProc = previous;
}

namespace {
// Fails its first paint; records the device context of every paint.
class TFailingPaintControl : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TFailingPaintControl)
    using TCustomControl::TCustomControl;
    std::vector<HDC> Dcs;

protected:
    void Paint() override {
        Dcs.push_back(Canvas()->Handle());
        if (Dcs.size() == 1)
            throw Exception(L"paint failed");
    }
};
} // namespace

TEST(Controls, AFailingPaintIsReportedAndGivesItsDeviceContextBack) {
    Watchdog w(10000);
    std::vector<std::wstring> reported;
    Application->OnException = [&](TObject*, const std::wstring&, const std::wstring&, const std::wstring& msg) {
        reported.push_back(msg);
    };
    TForm form(nullptr);
    form.SetBounds(60, 60, 200, 150);
    auto* c = new TFailingPaintControl(&form);
    c->SetParent(&form);
    c->SetBounds(10, 10, 80, 40);
    form.Show();
    for (int i = 0; i < 3; ++i)
        RedrawWindow(c->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Application->OnException = nullptr;
    ASSERT_GE(c->Dcs.size(), 3u);
    EXPECT_EQ(reported.size(), 1u);
    // A context that was never given back would not be handed out again.
    EXPECT_EQ(c->Dcs[1], c->Dcs[0]);
    EXPECT_EQ(c->Dcs[2], c->Dcs[0]);
    RECT r;
    EXPECT_FALSE(GetUpdateRect(c->Handle(), &r, FALSE));
    form.Hide();
}

TEST(Controls, MouseEnterAndLeaveComeFromTheSystemWithoutIdle) {
    Watchdog w(15000, "mouse tracking");
    TForm form(nullptr);
    form.SetBounds(100, 100, 300, 200);
    form.SetBorderStyle(bsNone);
    auto* panel = new TPanelish(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 150, 200);
    auto* box = new TPaintBoxish(&form);
    box->SetParent(panel);
    box->SetBounds(10, 10, 50, 50);
    std::vector<std::wstring> trace;
    auto watch = [&](TControl* c, const wchar_t* name) {
        c->OnMouseEnter = [&trace, name](TObject*) { trace.push_back(std::wstring(L"enter ") + name); };
        c->OnMouseLeave = [&trace, name](TObject*) { trace.push_back(std::wstring(L"leave ") + name); };
    };
    watch(&form, L"form");
    watch(panel, L"panel");
    watch(box, L"box");
    form.Show();
    SetCursorPos(0, 0);
    PumpFor(50);
    trace.clear();
    // Only messages are handled below (ProcessMessages never runs the idle work).
    auto moveTo = [&](int x, int y, size_t events) {
        SetCursorPos(x, y);
        POINT p{x, y};
        HWND target = WindowFromPoint(p);
        ScreenToClient(target, &p);
        PostMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        return PumpUntil([&] { return trace.size() >= events; }, 3000);
    };
    EXPECT_TRUE(moveTo(130, 130, 1));  // on the windowless box inside the panel
    EXPECT_TRUE(moveTo(200, 130, 2));  // on the panel beside it
    EXPECT_TRUE(moveTo(350, 150, 4));  // on the form
    // Away from every window of ours: only the system's WM_MOUSELEAVE can tell.
    SetCursorPos(600, 500);
    EXPECT_TRUE(PumpUntil([&] { return trace.size() >= 6; }, 3000));
    std::vector<std::wstring> expected{L"enter box",   L"leave box",  L"enter panel",
                                       L"leave panel", L"enter form", L"leave form"};
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(Application->MouseControl(), nullptr);
    // A move handled after the pointer went on (a busy moment, a fast move out of the window):
    // the system reports no leave then, yet the control is left. Twice: the first leave must
    // not keep the second from coming.
    for (int i = 0; i < 2; ++i) {
        trace.clear();
        PostMessageW(panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 30));
        EXPECT_TRUE(PumpUntil([&] { return trace.size() >= 2; }, 3000)) << i;
        EXPECT_EQ(trace, (std::vector<std::wstring>{L"enter panel", L"leave panel"})) << i;
        EXPECT_EQ(Application->MouseControl(), nullptr);
    }
    trace.clear();
    // The same moves feed the hint logic.
    panel->SetHint(L"Panel tip");
    panel->SetShowHint(true);
    int pause = Application->HintPause;
    Application->HintPause = 20;
    EXPECT_TRUE(moveTo(200, 130, 1));
    EXPECT_TRUE(PumpUntil([] { return Application->HintWindow() && Application->HintWindow()->IsShowing(); }, 3000));
    Application->CancelHint();
    Application->HintPause = pause;
    form.Hide();
}

namespace {

COLORREF BitmapPixel(TBitmap* b, int x, int y) {
    const uint8_t* p = b->ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

// A windowless control that fills itself with one colour.
class TColourBlock : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    COLORREF Fill = RGB(0, 0, 0);

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(static_cast<TColor>(Fill));
        Canvas()->FillRect(ClientRect());
    }
};

// Paints the parent's background, then a marker in its top-left pixel.
class TSeeThrough : public TCustomControl {
public:
    explicit TSeeThrough(TComponent* AOwner) : TCustomControl(AOwner) { SetOffscreenPaint(true); }
    int Paints = 0;

protected:
    void Paint() override {
        ++Paints;
        PaintParentBackground(this, Canvas()->Handle());
        Canvas()->SetPixel(0, 0, RGB(9, 9, 9));
    }
};

} // namespace

TEST(Controls, OffscreenPaintAndTheParentsBackground) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBounds(60, 60, 300, 200);
    form.SetColor(RGB(200, 10, 10));
    auto* block = new TColourBlock(&form);
    block->SetParent(&form);
    block->SetBounds(40, 30, 20, 10);
    block->Fill = RGB(10, 200, 10);
    auto* see = new TSeeThrough(&form);
    see->SetParent(&form);
    see->SetBounds(30, 20, 100, 50);
    form.Show();

    TBitmap* b = see->PaintOffscreen();
    ASSERT_EQ(b->Width(), 100);
    EXPECT_EQ(BitmapPixel(b, 0, 0), RGB(9, 9, 9));
    EXPECT_EQ(BitmapPixel(b, 5, 5), RGB(200, 10, 10));   // the form's colour
    EXPECT_EQ(BitmapPixel(b, 10, 10), RGB(10, 200, 10)); // the sibling, moved by the position
    EXPECT_EQ(BitmapPixel(b, 29, 19), RGB(10, 200, 10));
    EXPECT_EQ(BitmapPixel(b, 30, 20), RGB(200, 10, 10));

    // A border moves the client area: the background still lines up with it.
    see->SetBounds(29, 19, 102, 52);
    SetWindowLongW(see->Handle(), GWL_EXSTYLE, WS_EX_STATICEDGE);
    SetWindowPos(see->Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    b = see->PaintOffscreen();
    ASSERT_EQ(b->Width(), 100);
    EXPECT_EQ(BitmapPixel(b, 10, 10), RGB(10, 200, 10));
    EXPECT_EQ(BitmapPixel(b, 30, 20), RGB(200, 10, 10));

    // The window shows the off-screen picture; erasing is left out.
    int before = see->Paints;
    RedrawWindow(see->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_GT(see->Paints, before);
    HDC dc = GetDC(see->Handle());
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(10, 200, 10));
    EXPECT_EQ(see->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
    ReleaseDC(see->Handle(), dc);
    form.Hide();
}
