#include "VclTestSupport.h"

#include "Boundary.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "Timers.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vcltest;

namespace {

class TMainTestForm : public TForm {
public:
    VORLANE_CLASS_NAME(TMainTestForm)
    explicit TMainTestForm(TComponent* AOwner) : TForm(AOwner) {
        SetCaption(L"Main \u0416");
        SetBounds(40, 40, 300, 200);
        Edit = new TTestEdit(this);
        Edit->SetName(L"Edit1");
        Edit->SetParent(this);
        Edit->SetBounds(8, 8, 120, 22);
    }
    TTestEdit* Edit;
};

// Keeps the application's main form and handlers as they were around one test.
struct AppState {
    TCustomForm* main = Application->MainForm();
    ~AppState() {
        Application->SetMainForm(main);
        Application->OnMessage = nullptr;
        Application->OnException = nullptr;
        Application->OnLog = nullptr;
        Application->OnIdle = nullptr;
    }
};

struct TFoundWindow {
    DWORD Thread;
    int Count = 0;
    HWND Last = nullptr;
};

BOOL CALLBACK CountDialogs(HWND wnd, LPARAM data) {
    auto* f = reinterpret_cast<TFoundWindow*>(data);
    wchar_t cls[32] = {};
    GetClassNameW(wnd, cls, 32);
    if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(wnd)) {
        ++f->Count;
        f->Last = wnd;
    }
    return TRUE;
}

} // namespace

TEST(Forms, ShowHideAndCloseActions) {
    Watchdog w(15000);
    AppState keep;
    TForm form(nullptr);
    std::vector<std::wstring> events;
    int queries = 0;
    form.OnShow = [&](TObject*) { events.push_back(L"show"); };
    form.OnHide = [&](TObject*) { events.push_back(L"hide"); };
    form.OnCloseQuery = [&](TObject*, bool& can) {
        events.push_back(L"query");
        can = ++queries > 1; // the first close is refused
    };
    form.OnClose = [&](TObject*, TCloseAction& a) { events.push_back(L"close"); };
    form.Show();
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), Application->Handle());
    form.Close();
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    form.Close();
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(form.Visible());
    std::vector<std::wstring> expected{L"show", L"query", L"query", L"close", L"hide"};
    EXPECT_EQ(events, expected);
}

TEST(Forms, CloseWithFreeReleasesTheFormLater) {
    Watchdog w(10000);
    AppState keep;
    auto* form = new TForm(Application);
    bool destroyed = false;
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    form->Show();
    int before = Screen->FormCount();
    form->Close();
    EXPECT_FALSE(destroyed); // still alive inside the handler that closed it
    PumpUntil([&] { return destroyed; }, 3000);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Screen->FormCount(), before - 1);
}

TEST(Forms, ApplicationWindowIsFoundByClassAndTitleAndOwnsTheMainForm) {
    Watchdog w(10000);
    AppState keep;
    std::wstring old = Application->Title();
    Application->SetTitle(L"Vorlane test \u0416 app");
    TMainTestForm* main = nullptr;
    Application->SetMainForm(nullptr);
    Application->CreateForm(main);
    EXPECT_EQ(Application->MainForm(), main);
    EXPECT_TRUE(main->HandleAllocated()); // the main form's window is made at once
    HWND found = FindWindowW(L"TApplication", L"Vorlane test \u0416 app");
    EXPECT_EQ(found, Application->Handle());
    EXPECT_EQ(GetWindow(main->Handle(), GW_OWNER), found);
    EXPECT_TRUE(GetWindowLongW(main->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(IsWindowVisible(found));
    EXPECT_EQ(Application->FindComponent(L""), nullptr);
    EXPECT_EQ(main->FindComponent(L"edit1"), main->Edit);
    Application->SetTitle(old);
    delete main;
}

TEST(Forms, RunEndsWhenTheMainFormClosesAndOnMessageSeesWideCharsFirst) {
    Watchdog w(15000);
    AppState keep;
    auto* main = new TMainTestForm(nullptr);
    Application->SetMainForm(main);
    std::vector<UINT> order;
    Application->OnMessage = [&](MSG& msg, bool& handled) {
        if (msg.message == WM_CHAR && msg.wParam == 0x0416)
            order.push_back(1);
        if (msg.message == WM_APP + 1) {
            handled = true; // never reaches the form
            order.push_back(2);
        }
    };
    main->SetMessageHandler(WM_APP + 1, [&](TMessage&) { order.push_back(99); });
    main->SetMessageHandler(0x4B4, [&](TMessage& m) {
        order.push_back(3);
        PostMessageW(main->Edit->Handle(), WM_CHAR, 0x0416, 1);
        PostMessageW(main->Handle(), WM_APP + 1, 0, 0);
        PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
    });
    main->OnShow = [&](TObject*) { PostMessageW(main->Handle(), 0x4B4, 0, 0); };
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    std::vector<UINT> expected{3, 1, 2};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(main->Edit->GetText(), L"\u0416");
    main->BeforeDestruction();
    delete main;
}

TEST(Forms, ShowModalEndsWithTheResultOfEnterOrEscape) {
    Watchdog w(15000);
    AppState keep;
    TForm owner(nullptr);
    owner.Show();
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
        TForm dialog(nullptr);
        dialog.SetBorderStyle(bsDialog);
        dialog.SetPosition(poScreenCenter);
        auto* edit = new TTestEdit(&dialog);
        edit->SetParent(&dialog);
        auto* ok = new TTestButton(&dialog);
        ok->SetParent(&dialog);
        ok->Default = true;
        ok->Result = mrOk;
        auto* cancel = new TTestButton(&dialog);
        cancel->SetParent(&dialog);
        cancel->Cancel = true;
        cancel->Result = mrCancel;
        bool ownerDisabled = false;
        dialog.OnShow = [&](TObject*) {
            PostMessageW(edit->Handle(), WM_KEYDOWN, key, 1);
        };
        dialog.OnCloseQuery = [&](TObject*, bool&) { ownerDisabled = !IsWindowEnabled(owner.Handle()); };
        TModalResult r = dialog.ShowModal();
        EXPECT_EQ(r, key == VK_RETURN ? mrOk : mrCancel);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
        EXPECT_FALSE(dialog.Visible());
        EXPECT_FALSE(dialog.FormState() & fsModal);
    }
    TForm shown(nullptr);
    shown.Show();
    EXPECT_THROW(shown.ShowModal(), EInvalidOperation);
}

// A form centred on another comes out centred on it where the screen has room, else as near
// as the screen allows, whole on it (a wide dialog of a window at the screen's edge).
TEST(Forms, AFormCentredOnAnotherStaysOnTheScreen) {
    Watchdog w(10000);
    const RECT work = Screen->WorkAreaRect();
    TForm owner(nullptr);
    for (int width : {200, 520}) {
        owner.SetBounds(work.right - 400, work.bottom - 150, 400, 150);
        TForm dialog(&owner);
        dialog.SetPosition(poOwnerFormCenter);
        dialog.SetBounds(0, 0, width, 200);
        dialog.Show();
        const RECT r = dialog.BoundsRect();
        EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom)
            << width << ": (" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
        if (width == 200) // room enough across: centred that way
            EXPECT_EQ(r.left, work.right - 400 + (400 - 200) / 2);
        dialog.Hide();
    }
}

// A window is fitted into the work area of the monitor it is on, not the primary one's: one
// saved on a larger second monitor comes back there as it was. (Wine shows one monitor: the
// rule is tried on monitors described here.)
TEST(Forms, AWindowIsFittedIntoTheWorkAreaOfTheMonitorItIsOn) {
    TMonitor primary, second;
    primary.Primary = true;
    primary.BoundsRect = {0, 0, 1024, 768};
    primary.WorkareaRect = {0, 0, 1024, 728};
    second.BoundsRect = {1024, -200, 2944, 1000};
    second.WorkareaRect = {1024, -200, 2944, 960};
    const std::vector<TMonitor> both{primary, second};
    const RECT none{-1, -1, -1, -1};
    const auto fitted = [&](RECT Bounds, const std::vector<TMonitor>& Monitors) {
        const RECT r = FitRectInArea(Bounds, MonitorWorkArea(Bounds, Monitors, none));
        return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    // 1600 x 1000 on the second monitor: wider than the primary, whole on its own.
    EXPECT_EQ(fitted({1100, -150, 2700, 850}, both), (std::vector<LONG>{1100, -150, 2700, 850}));
    // Taller than the second's work area, and a little over the primary: into the second's.
    EXPECT_EQ(fitted({1000, -150, 2600, 1300}, both), (std::vector<LONG>{1000 + 24, -200, 2600 + 24, 960}));
    // Mostly on the primary: the primary's.
    EXPECT_EQ(fitted({-10, 0, 1300, 700}, both), (std::vector<LONG>{0, 0, 1024, 700}));
    // On no monitor: the nearest one's.
    EXPECT_EQ(fitted({3000, 100, 5000, 300}, both), (std::vector<LONG>{1024, 100, 2944, 300}));
    // No monitor listed: the area given.
    EXPECT_EQ(MonitorWorkArea({0, 0, 10, 10}, {}, none).left, -1);
}

TEST(Forms, AnExceptionInAnEventIsLoggedAndTheProgramGoesOn) {
    Watchdog w(15000);
    AppState keep;
    std::vector<std::wstring> log, reported;
    Application->OnLog = [&](const std::wstring& line) { log.push_back(line); };
    Application->OnException = [&](TObject*, const std::wstring&, const std::wstring& cls, const std::wstring& msg) {
        reported.push_back(cls + L": " + msg);
    };
    TForm form(nullptr);
    int after = 0;
    form.SetMessageHandler(WM_APP + 7, [](TMessage&) { throw EConvertError(L"bad \u0416 value"); });
    form.SetMessageHandler(WM_APP + 8, [&](TMessage&) { ++after; });
    PostMessageW(form.Handle(), WM_APP + 7, 0, 0);
    PostMessageW(form.Handle(), WM_APP + 8, 0, 0);
    PumpUntil([&] { return after == 1; }, 3000);
    EXPECT_EQ(after, 1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(L"Exception Caught - EConvertError: bad \u0416 value"), std::wstring::npos);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], L"EConvertError: bad \u0416 value");
}

TEST(Forms, OnlyOneErrorBoxIsShownWhileErrorsKeepComing) {
    Watchdog w(20000);
    AppState keep;
    std::vector<std::wstring> log;
    Application->OnLog = [&](const std::wstring& line) { log.push_back(line); };
    TTimer failing(nullptr);
    failing.SetInterval(30);
    int fails = 0;
    int mostBoxes = 0;
    failing.OnTimer = [&](TObject*) {
        ++fails;
        TFoundWindow f{GetCurrentThreadId()};
        EnumThreadWindows(GetCurrentThreadId(), CountDialogs, reinterpret_cast<LPARAM>(&f));
        mostBoxes = std::max(mostBoxes, f.Count);
        if (fails >= 6 && f.Last) {
            failing.SetEnabled(false);
            PostMessageW(f.Last, WM_COMMAND, IDOK, 0);
            return;
        }
        throw Exception(L"timer failed");
    };
    PumpUntil([&] { return !failing.Enabled(); }, 10000);
    EXPECT_FALSE(failing.Enabled());
    EXPECT_EQ(mostBoxes, 1);
    EXPECT_GE(log.size(), 5u); // every failure is logged, only the first one shown
}

TEST(Forms, ScreenKnowsFormsCursorAndFonts) {
    TForm a(nullptr), b(nullptr);
    int n = Screen->FormCount();
    bool foundA = false, foundB = false;
    for (int i = 0; i < n; ++i) {
        foundA = foundA || Screen->Forms(i) == &a;
        foundB = foundB || Screen->Forms(i) == &b;
    }
    EXPECT_TRUE(foundA && foundB);
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(Screen->Cursors(crHourGlass), LoadCursorW(nullptr, IDC_WAIT));
    Screen->SetCursor(crDefault);
    const auto& fonts = Screen->Fonts();
    ASSERT_FALSE(fonts.empty());
    for (size_t i = 1; i < fonts.size(); ++i)
        EXPECT_LT(CompareText(fonts[i - 1], fonts[i]), 0);
    EXPECT_GE(Screen->MonitorCount(), 1);
    EXPECT_GT(Screen->Width(), 0);
}

TEST(Forms, HintTextsAndTheHintWindow) {
    Watchdog w(10000);
    EXPECT_EQ(GetShortHint(L"Open|Opens a file"), L"Open");
    EXPECT_EQ(GetLongHint(L"Open|Opens a file"), L"Opens a file");
    EXPECT_EQ(GetShortHint(L"Plain"), L"Plain");
    EXPECT_EQ(GetLongHint(L"Plain"), L"Plain");

    TForm form(nullptr);
    form.SetBounds(100, 100, 300, 200);
    form.SetHint(L"Form short\r\n(second line)|Form long");
    form.SetShowHint(true);
    auto* edit = new TTestEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 100, 20);
    EXPECT_EQ(GetHint(edit), L"Form short\r\n(second line)|Form long");
    form.Show();
    POINT p = edit->ClientToScreen(POINT{5, 5});
    Application->ActivateHint(p);
    THintWindow* hint = Application->HintWindow();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->IsShowing());
    EXPECT_EQ(hint->GetText(), L"Form short\r\n(second line)");
    // Every line fits, with the 2 pixels the text keeps from the edges above and below.
    RECT text{0, 0, 1000, 0};
    HDC dc = GetDC(hint->Handle());
    HGDIOBJ old = SelectObject(dc, hint->Font()->Handle());
    DrawTextW(dc, hint->GetText().c_str(), -1, &text, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(hint->Handle(), dc);
    RECT client{};
    GetClientRect(hint->Handle(), &client);
    EXPECT_GE(client.bottom, text.bottom + 4);
    EXPECT_GE(client.right, text.right + 4);
    Application->CancelHint();
    EXPECT_FALSE(hint->IsShowing());
    form.Hide();
}

namespace {
bool g_HintOverMenu = false;
// While the menu is open: whether a hint shows over it; then the menu is closed.
void CALLBACK LookAndCloseMenu(HWND, UINT, UINT_PTR, DWORD) {
    g_HintOverMenu = Application->HintWindow() && Application->HintWindow()->IsShowing();
    TPopupList::CloseOpenMenu();
}
} // namespace

// A hint shown or due goes when a mouse button goes down, a menu or a drop-down list opens
// or the pointer leaves the program's windows; it does not come up over them.
TEST(Forms, HintsGoWithButtonsMenusListsAndThePointer) {
    Watchdog w(20000);
    // The real pointer starts off the form; hover puts it where the hint is due and lets the
    // system's own move there come first, so that no later move of the system's (after the
    // click) starts the edit's hint again.
    SetCursorPos(0, 0);
    TForm form(nullptr);
    form.SetBounds(100, 100, 300, 200);
    auto* edit = new TTestEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 100, 20);
    edit->SetHint(L"Edit hint");
    edit->SetShowHint(true);
    auto* combo = new TComboBox(&form);
    combo->SetParent(&form);
    combo->SetBounds(10, 40, 100, 21);
    combo->AddItem(L"one");
    combo->SetHint(L"Combo hint");
    combo->SetShowHint(true);
    TPopupMenu* menu = new TPopupMenu(&form);
    auto* item = new TMenuItem(&form);
    item->SetCaption(L"Item");
    menu->Items()->Add(item);
    form.Show();
    const int pause = Application->HintPause;
    Application->HintPause = 30;
    auto showing = [] { return Application->HintWindow() && Application->HintWindow()->IsShowing(); };
    // The hint is due: the pointer is at X, 5 of C (its own window, not a child's).
    auto hover = [&](TWinControl* C, int X = 5) {
        const POINT on = C->ClientToScreen({X, 5});
        SetCursorPos(on.x, on.y);
        PumpFor(20); // the system's own move there comes first
        SendMessageW(C->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(X, 5));
        TMessage m{WM_MOUSEMOVE, 0, MAKELPARAM(X, 5), 0};
        Application->HintMouseMessage(C, m);
    };
    hover(edit);
    PumpUntil(showing, 2000);
    ASSERT_TRUE(showing());
    // The pointer leaves the window.
    SendMessageW(edit->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(showing());
    // A button pressed while the hint is due.
    Application->CancelHint();
    hover(edit);
    PostMessageW(edit->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(edit->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpFor(150);
    EXPECT_FALSE(showing()) << "after a click";
    // A menu opened while the hint is due.
    hover(edit);
    g_HintOverMenu = true;
    UINT_PTR look = SetTimer(nullptr, 0, 200, LookAndCloseMenu);
    menu->Popup(300, 300);
    KillTimer(nullptr, look);
    EXPECT_FALSE(g_HintOverMenu) << "over the menu";
    // The list of a combo box dropped down while its hint shows.
    hover(combo, combo->Width() - 5); // on its button
    PumpUntil(showing, 2000);
    ASSERT_TRUE(showing());
    combo->SetDroppedDown(true);
    EXPECT_FALSE(showing()) << "over the list";
    PumpFor(150);
    EXPECT_FALSE(showing()) << "over the list, later";
    combo->SetDroppedDown(false);
    Application->HintPause = pause;
    Application->CancelHint();
    form.Hide();
}

namespace {

// A menu bar that outlives the forms it is shown on.
class TBarMenu : public TMenuBase {
public:
    using TMenuBase::TMenuBase;
    HMENU Bar = nullptr;
    HMENU GetHandle() override {
        if (!Bar) {
            Bar = CreateMenu();
            AppendMenuW(Bar, MF_STRING, 100, L"&File");
        }
        return Bar;
    }
    ~TBarMenu() override {
        if (Bar && IsMenu(Bar))
            DestroyMenu(Bar);
    }
};

class TBoxPanel : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TBoxPanel)
    using TCustomControl::TCustomControl;
};

} // namespace

TEST(Forms, TheMenuBarSurvivesANewWindowAndTheFormsEnd) {
    Watchdog w(10000);
    TBarMenu menu(nullptr);
    {
        TForm form(nullptr);
        form.SetMenu(&menu);
        HWND first = form.Handle();
        ASSERT_EQ(GetMenu(first), menu.Bar);
        form.SetBorderStyle(bsSingle); // a new window
        ASSERT_NE(form.Handle(), first);
        EXPECT_TRUE(IsMenu(menu.Bar));
        EXPECT_EQ(GetMenu(form.Handle()), menu.Bar);
    }
    EXPECT_TRUE(IsMenu(menu.Bar)); // the menu is not the window's to destroy
}

TEST(Forms, NoActiveControlPointsIntoFreedControls) {
    Watchdog w(10000);
    TForm other(nullptr);
    TCustomForm* activeBefore = Screen->ActiveForm();
    {
        TForm form(nullptr);
        // A container that owns its controls (as a frame does), and a control inside it.
        auto* box = new TBoxPanel(nullptr);
        box->SetParent(&form);
        auto* edit = new TTestEdit(box);
        edit->SetParent(box);
        form.SetFocusedControl(edit); // what WM_SETFOCUS does
        ASSERT_EQ(Screen->ActiveControl(), edit);
        delete box; // frees the edit it owns
        EXPECT_EQ(form.ActiveControl(), nullptr);
        EXPECT_EQ(Screen->ActiveControl(), nullptr);

        auto* edit2 = new TTestEdit(&form);
        edit2->SetParent(&form);
        form.SetFocusedControl(edit2);
        Screen->SetActiveForm(&other); // another form came to the front without focusing a control
    }
    EXPECT_EQ(Screen->ActiveControl(), nullptr);
    Screen->SetActiveForm(activeBefore);
}

TEST(Forms, AFormReleasedWhileModalEndsItsLoopFirst) {
    Watchdog w(15000);
    AppState keep;
    TForm owner(nullptr);
    owner.Show();
    auto* dialog = new TForm(Application);
    bool destroyed = false;
    dialog->OnDestroy = [&](TObject*) { destroyed = true; };
    dialog->SetMessageHandler(WM_APP + 20, [&](TMessage&) { dialog->Release(); });
    dialog->OnShow = [&](TObject*) { PostMessageW(dialog->Handle(), WM_APP + 20, 0, 0); };
    TModalResult r = dialog->ShowModal();
    EXPECT_EQ(r, mrCancel);
    EXPECT_FALSE(destroyed); // still whole while ShowModal returns
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    PumpUntil([&] { return destroyed; }, 3000);
    EXPECT_TRUE(destroyed);

    // The owner frees the modal form while it is up: the loop ends and nothing is touched.
    auto* owned = new TForm(Application);
    bool ownedGone = false;
    owned->OnDestroy = [&](TObject*) { ownedGone = true; };
    owned->SetMessageHandler(WM_APP + 21, [&](TMessage&) {
        owned->BeforeDestruction();
        delete owned;
    });
    owned->OnShow = [&](TObject*) { PostMessageW(owned->Handle(), WM_APP + 21, 0, 0); };
    EXPECT_EQ(owned->ShowModal(), mrCancel);
    EXPECT_TRUE(ownedGone);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    owner.Hide();
}

TEST(Forms, NestedLoopsCountProcessMessagesAndModalFormsWhileTheyRun) {
    Watchdog w(15000);
    AppState keep;
    TForm owner(nullptr);
    std::vector<int> seen;
    TForm dialog(nullptr);
    owner.SetMessageHandler(WM_APP + 30, [&](TMessage&) { seen.push_back(Application->NestedLoops()); });
    dialog.SetMessageHandler(WM_APP + 31, [&](TMessage&) {
        seen.push_back(Application->NestedLoops());
        PostMessageW(owner.Handle(), WM_APP + 30, 0, 0);
        Application->ProcessMessages(); // inside the modal loop: two
        dialog.SetModalResult(mrOk);
    });
    dialog.OnShow = [&](TObject*) { PostMessageW(dialog.Handle(), WM_APP + 31, 0, 0); };
    EXPECT_EQ(Application->NestedLoops(), 0);
    PostMessageW(owner.Handle(), WM_APP + 30, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(Application->NestedLoops(), 0);
}

TEST(Forms, AFreedApplicationObjectHearsOfNoMoreExceptions) {
    TBoundaryHandler programs = SetBoundaryHandler(nullptr);
    std::vector<std::wstring> seen;
    {
        TApplication second(nullptr);
        second.OnLog = [&](const std::wstring& line) { seen.push_back(line); };
        second.OnException = [](TObject*, const std::wstring&, const std::wstring&, const std::wstring&) {};
        Guarded(L"while alive", [] { throw Exception(L"one"); });
    }
    Guarded(L"afterwards", [] { throw Exception(L"two"); });
    SetBoundaryHandler(programs);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find(L"one"), std::wstring::npos);
}

// ------------------------------------------------------------------ message filters

namespace {

// A panel that takes F6 for the windows inside it, its own or not (an ActiveX control's
// inner window is not ours), before they see it.
class TTranslatingPanel : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TTranslatingPanel)
    using TCustomControl::TCustomControl;
    std::vector<HWND> Seen;
    bool PreTranslateMessage(MSG& Msg) override {
        if (Msg.message != WM_KEYDOWN)
            return false;
        Seen.push_back(Msg.hwnd);
        return Msg.wParam == VK_F6;
    }
};

// Removes the filter when the test ends, however it ends.
struct TFilterScope {
    int Id;
    explicit TFilterScope(TMessageFilter f) : Id(Application->AddMessageFilter(std::move(f))) {}
    ~TFilterScope() { Application->RemoveMessageFilter(Id); }
};

} // namespace

// The filters come first (a wait's filter holds back the input before the program's own
// handling of it), then OnMessage.
TEST(MessageFilters, RunInOrderBeforeOnMessageAndOneThatAnswersTrueEatsTheKey) {
    Watchdog w(15000);
    AppState keep;
    TMainTestForm form(nullptr);
    form.Show();
    std::vector<std::wstring> trace;
    form.Edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { trace.push_back(L"key " + IntToStr(key)); };
    Application->OnMessage = [&](MSG& m, bool&) {
        if (m.message == WM_KEYDOWN)
            trace.push_back(L"onmessage");
    };
    int secondId = 0;
    TFilterScope first([&](MSG& m) {
        if (m.message != WM_KEYDOWN)
            return false;
        trace.push_back(L"first");
        if (m.wParam == VK_F3) // takes the filter after it away while running
            Application->RemoveMessageFilter(secondId);
        return m.wParam == VK_F2;
    });
    TFilterScope second([&](MSG& m) {
        if (m.message == WM_KEYDOWN)
            trace.push_back(L"second");
        return false;
    });
    secondId = second.Id;
    PostMessageW(form.Edit->Handle(), WM_KEYDOWN, VK_F2, 1);
    PostMessageW(form.Edit->Handle(), WM_KEYDOWN, VK_F4, 1);
    PostMessageW(form.Edit->Handle(), WM_KEYDOWN, VK_F3, 1);
    PostMessageW(form.Edit->Handle(), WM_KEYDOWN, VK_F4, 1);
    PumpUntil([&] { return trace.size() >= 11; }, 3000);
    std::vector<std::wstring> expected{
        L"first",                                                  // F2: eaten by the first filter
        L"first", L"second", L"onmessage", L"key " + IntToStr(VK_F4), // F4 passes both
        L"first", L"onmessage", L"key " + IntToStr(VK_F3),            // F3: the second is gone
        L"first", L"onmessage", L"key " + IntToStr(VK_F4)};
    EXPECT_EQ(trace, expected);
    EXPECT_THROW(Application->AddMessageFilter(nullptr), EInvalidOperation);
}

TEST(MessageFilters, AParentTranslatesKeysForItsChildrenAndForeignWindowsInside) {
    Watchdog w(15000);
    AppState keep;
    TForm form(nullptr);
    form.SetBounds(40, 40, 300, 200);
    auto* panel = new TTranslatingPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 200, 150);
    auto* edit = new TTestEdit(&form);
    edit->SetParent(panel);
    edit->SetBounds(4, 4, 100, 22);
    std::vector<WORD> keys;
    edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { keys.push_back(key); };
    form.Show();
    // A window that is not one of ours, like the inner window of an embedded control.
    HWND foreign = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 4, 40, 100, 22, panel->Handle(),
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(foreign, nullptr);
    PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F6, 1);
    PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F7, 1);
    PostMessageW(foreign, WM_KEYDOWN, VK_F6, 1);
    PumpUntil([&] { return panel->Seen.size() >= 3; }, 3000);
    PumpFor(30);
    std::vector<HWND> seen{edit->Handle(), edit->Handle(), foreign};
    EXPECT_EQ(panel->Seen, seen);
    EXPECT_EQ(keys, std::vector<WORD>{VK_F7}); // F6 never reached the edit
    DestroyWindow(foreign);
}

TEST(MessageFilters, RunInsideShowModal) {
    Watchdog w(15000);
    AppState keep;
    TForm dialog(nullptr);
    auto* edit = new TTestEdit(&dialog);
    edit->SetParent(&dialog);
    dialog.OnShow = [&](TObject*) { PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F9, 1); };
    bool editSawIt = false;
    edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { editSawIt |= key == VK_F9; };
    TFilterScope filter([&](MSG& m) {
        if (m.message == WM_KEYDOWN && m.wParam == VK_F9 && m.hwnd == edit->Handle()) {
            dialog.SetModalResult(mrRetry);
            return true;
        }
        return false;
    });
    EXPECT_EQ(dialog.ShowModal(), mrRetry);
    EXPECT_FALSE(editSawIt);
}

namespace {
void CALLBACK NeverRun(HWND, UINT, UINT_PTR, DWORD) { ADD_FAILURE() << "the filter should have eaten the timer"; }
} // namespace

TEST(MessageFilters, SeeTheMessagesOfThePopupMenuLoop) {
    Watchdog w(15000, "menu filter");
    AppState keep;
    TComponent owner(nullptr);
    auto* popup = new TPopupMenu(&owner);
    auto* item = new TMenuItem(&owner);
    item->SetCaption(L"Item");
    popup->Items()->Add(item);
    bool inMenu = false, seenInMenu = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, NeverRun);
    TFilterScope filter([&](MSG& m) {
        if (m.message == WM_TIMER && m.wParam == timer) {
            seenInMenu = inMenu;
            EndMenu();
            return true;
        }
        return false;
    });
    inMenu = true;
    popup->Popup(100, 100);
    inMenu = false;
    KillTimer(nullptr, timer);
    EXPECT_TRUE(seenInMenu);
}

namespace {

// Has no Hint of its own: gives one per half of itself.
class THalvesHint : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int Asked = 0;
    void WndProc(TMessage& Message) override {
        if (Message.Msg == CM_HINTSHOW) {
            auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
            ++Asked;
            bool left = info->CursorPos.x < 50;
            info->HintStr = left ? L"left" : L"right";
            info->CursorRect = left ? RECT{0, 0, 50, 40} : RECT{50, 0, 100, 40};
            Message.Result = 0;
            return;
        }
        TCustomControl::WndProc(Message);
    }
};

} // namespace

TEST(Forms, HintsForPartsOfAControl) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBounds(100, 100, 300, 200);
    auto* c = new THalvesHint(&form);
    c->SetParent(&form);
    c->SetBounds(10, 10, 100, 40);
    c->SetShowHint(true);
    form.Show();
    int pause = Application->HintPause;
    Application->HintPause = 0;
    auto move = [&](int x) {
        TMessage m{WM_MOUSEMOVE, 0, MAKELPARAM(x, 10), 0};
        Application->HintMouseMessage(c, m);
        PumpFor(60);
    };
    auto shown = [] {
        return Application->HintWindow() && Application->HintWindow()->IsShowing()
                   ? Application->HintWindow()->GetText()
                   : std::wstring();
    };
    move(10);
    EXPECT_EQ(shown(), L"left");
    move(30); // the same part: the hint stays
    EXPECT_EQ(c->Asked, 1);
    move(70);
    EXPECT_EQ(shown(), L"right");
    EXPECT_EQ(c->Asked, 2);
    Application->CancelHint();
    Application->HintPause = pause;
    form.Hide();
}

namespace {
// A frame made in code, as the program's frames are: its parts are its own components.
class TTestFrame : public TFrame {
public:
    VORLANE_CLASS_NAME(TTestFrame)
    TTestFrame(TComponent* AOwner, int* Freed) : TFrame(AOwner), FFreed(Freed) {
        Edit = new TTestEdit(this);
        Edit->SetName(L"UrlEdit");
        Edit->SetParent(this);
        Edit->SetAlign(alTop);
    }
    ~TTestFrame() override { ++*FFreed; }
    TTestEdit* Edit;

private:
    int* FFreed;
};
} // namespace

TEST(Forms, FramesMadeAtRunTimeLiveInTheirParentAndGoWithTheirOwner) {
    Watchdog dog(20000);
    int freed = 0;
    {
        TForm form(nullptr);
        form.SetBounds(0, 0, 400, 300);
        form.SetColor(clTeal);
        auto* before = new TTestEdit(&form);
        before->SetParent(&form);
        before->SetAlign(alTop);
        auto* first = new TTestFrame(&form, &freed);
        first->SetName(L"BrowserFrame1");
        first->SetParent(&form);
        first->SetAlign(alClient);
        auto* second = new TTestFrame(&form, &freed);
        EXPECT_THROW(second->SetName(L"browserframe1"), EComponentError); // one owner, one name
        second->SetName(L"BrowserFrame2");
        second->SetParent(first);
        form.Show();

        EXPECT_EQ(first->Color(), clTeal); // the parent's colour
        EXPECT_TRUE(GetWindowLongW(first->Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
        EXPECT_EQ(first->Edit->Owner(), first);
        EXPECT_EQ(first->ClientWidth(), form.ClientWidth());
        EXPECT_EQ(first->Edit->Width(), first->ClientWidth());
        // Tab goes from the form's edit into the frame's.
        EXPECT_EQ(form.FindNextControl(before, true, true, false), first->Edit);

        delete second; // a frame freed on its own leaves its parent and owner
        EXPECT_EQ(freed, 1);
        EXPECT_EQ(form.FindComponent(L"BrowserFrame2"), nullptr);
        EXPECT_EQ(first->ControlCount(), 1);
    }
    EXPECT_EQ(freed, 2);
}
