#include "../../vcl/VclTestSupport.h"

#include "SysUtils.h"
#include "TntForms.h"
#include "TntSystem.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace vcltest;

namespace {

class TTntMainForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TTntMainForm)
    explicit TTntMainForm(TComponent* AOwner) : TTntForm(AOwner) {
        SetCaption(L"\u0412\u044c\u044e\u0435\u0440");
        SetBounds(30, 30, 320, 200);
        Edit = new vcltest::TTestEdit(this);
        Edit->SetParent(this);
        Edit->SetBounds(8, 8, 150, 22);
    }
    vcltest::TTestEdit* Edit;
};

// A menu that knows the hints of two items.
class TFakeMenu : public TMenuBase {
public:
    using TMenuBase::TMenuBase;
    HMENU Bar = CreateMenu();
    HMENU Sub = CreatePopupMenu();
    TFakeMenu(TComponent* o, int) : TMenuBase(o) {
        AppendMenuW(Sub, MF_STRING, 101, L"Open");
        AppendMenuW(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Sub), L"File");
    }
    HMENU GetHandle() override { return Bar; }
    bool FindItemHint(UINT key, bool byHandle, std::wstring& hint) override {
        if (!byHandle && key == 101) {
            hint = L"Open|Opens a \u0416 file";
            return true;
        }
        if (byHandle && key == static_cast<UINT>(reinterpret_cast<UINT_PTR>(Sub))) {
            hint = L"File commands";
            return true;
        }
        return false;
    }
};

struct FakeProfile {
    std::map<std::wstring, std::wstring> values;
    std::vector<std::wstring> writes;
    std::vector<UINT> broadcastFlags;
    bool failWrites = false;
    TTntProfileAccess Access() {
        TTntProfileAccess p;
        p.Read = [this](const WideString&, const WideString& key) {
            auto it = values.find(key);
            return it == values.end() ? WideString() : it->second;
        };
        p.Write = [this](const WideString&, const WideString& key, const WideString& value) {
            writes.push_back(key + L"=" + value);
            if (failWrites) {
                SetLastError(ERROR_ACCESS_DENIED);
                return false;
            }
            values[key] = value;
            return true;
        };
        p.Broadcast = [this](const WideString&, UINT flags, UINT) { broadcastFlags.push_back(flags); };
        return p;
    }
};

struct Restore {
    std::wstring font = DefFontData.Name;
    THintWindowClass hint = Application->HintWindowClass;
    ~Restore() {
        DefFontData.Name = font;
        Application->HintWindowClass = hint;
        Application->OnLog = nullptr;
        Application->OnMessage = nullptr;
    }
};

} // namespace

TEST(TntForms, WideCharacterReachesTheEditAndOnMessageSeesItFirst) {
    Watchdog w(15000);
    TCustomForm* oldMain = Application->MainForm();
    Restore keep;
    auto* form = new TTntMainForm(nullptr);
    Application->SetMainForm(form);
    std::vector<int> order;
    Application->OnMessage = [&](MSG& msg, bool&) {
        if (msg.message == WM_CHAR && msg.wParam == 0x0416 && msg.hwnd == form->Edit->Handle())
            order.push_back(1);
    };
    form->Edit->OnKeyPress = [&](TObject*, wchar_t& key) {
        if (key == 0x0416)
            order.push_back(2);
    };
    form->OnShow = [&](TObject*) {
        PostMessageW(form->Edit->Handle(), WM_CHAR, 0x0416, 1);
        PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    };
    Application->Run();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(form->Edit->GetText(), L"\u0416");
    EXPECT_EQ(form->GetText(), L"\u0412\u044c\u044e\u0435\u0440");
    Application->SetMainForm(oldMain);
    delete form;
}

TEST(TntForms, ApplicationTitleAndHintAreWide) {
    Watchdog w(10000);
    std::wstring old = TntApplication->Title();
    TntApplication->SetTitle(L"\u0412\u044c\u044e\u0435\u0440 title");
    EXPECT_EQ(FindWindowW(L"TApplication", L"\u0412\u044c\u044e\u0435\u0440 title"), Application->Handle());
    EXPECT_EQ(TntApplication->Title(), L"\u0412\u044c\u044e\u0435\u0440 title");
    TntApplication->SetHint(L"\u4e2d hint");
    EXPECT_EQ(Application->Hint(), L"\u4e2d hint");
    TntApplication->SetTitle(old);
}

TEST(TntForms, MenuSelectionPutsTheLongHintIntoTheApplicationHint) {
    Watchdog w(10000);
    TTntMainForm form(nullptr);
    auto* menu = new TFakeMenu(&form, 0);
    form.SetMenu(menu);
    HWND wnd = form.Handle();
    EXPECT_EQ(GetMenu(wnd), menu->Bar);
    SendMessageW(wnd, WM_MENUSELECT, MAKEWPARAM(101, MF_STRING), reinterpret_cast<LPARAM>(menu->Sub));
    EXPECT_EQ(TntApplication->Hint(), L"Opens a \u0416 file");
    SendMessageW(wnd, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP), reinterpret_cast<LPARAM>(menu->Bar));
    EXPECT_EQ(TntApplication->Hint(), L"File commands");
    SendMessageW(wnd, WM_MENUSELECT, MAKEWPARAM(55, MF_STRING), reinterpret_cast<LPARAM>(menu->Sub));
    EXPECT_EQ(TntApplication->Hint(), L"");
    TntApplication->SetHint(L"x");
    SendMessageW(wnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0); // menu closed
    EXPECT_EQ(TntApplication->Hint(), L"");
}

TEST(TntForms, StartUpFillsMissingDialogFontSubstitutes) {
    Restore keep;
    FakeProfile profile;
    InitTntEnvironment(profile.Access());
    bool hasTahoma = false;
    for (const auto& f : Screen->Fonts())
        hasTahoma = hasTahoma || SameText(f, L"Tahoma");
    std::wstring dlg2 = hasTahoma ? L"Tahoma" : L"MS Sans Serif";
    EXPECT_EQ(profile.writes, (std::vector<std::wstring>{L"MS Shell Dlg=MS Sans Serif", L"MS Shell Dlg 2=" + dlg2}));
    ASSERT_EQ(profile.broadcastFlags.size(), 2u);
    for (UINT flags : profile.broadcastFlags)
        EXPECT_TRUE(flags & SMTO_ABORTIFHUNG); // a hung window does not hold up start-up
    EXPECT_EQ(DefFontData.Name, dlg2);
    EXPECT_EQ(Application->HintWindowClass, &MakeHintWindow<TTntHintWindow>);
    EXPECT_EQ(TntSystemUpdatesInstalled(), tsuAll);
}

TEST(TntForms, StartUpKeepsExistingSubstitutes) {
    Restore keep;
    FakeProfile profile;
    profile.values[L"MS Shell Dlg"] = L"Arial";
    profile.values[L"MS Shell Dlg 2"] = L"A face name that is much longer than thirty-one characters";
    InitTntEnvironment(profile.Access());
    EXPECT_TRUE(profile.writes.empty());
    EXPECT_TRUE(profile.broadcastFlags.empty());
    EXPECT_EQ(DefFontData.Name, L"A face name that is much longer");
    EXPECT_EQ(DefFontData.Name.size(), 31u);
}

TEST(TntForms, AFailedProfileWriteIsLoggedAndStartUpGoesOn) {
    Restore keep;
    std::vector<std::wstring> log;
    Application->OnLog = [&](const std::wstring& line) { log.push_back(line); };
    Application->HintWindowClass = &MakeHintWindow<THintWindow>;
    FakeProfile profile;
    profile.failWrites = true;
    profile.values[L"MS Shell Dlg"] = L"Arial";
    EXPECT_NO_THROW(InitTntEnvironment(profile.Access()));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(L"MS Shell Dlg 2"), std::wstring::npos);
    EXPECT_TRUE(profile.broadcastFlags.empty()); // nothing changed, nothing announced
    EXPECT_FALSE(DefFontData.Name.empty());
    EXPECT_EQ(Application->HintWindowClass, &MakeHintWindow<TTntHintWindow>);
}
