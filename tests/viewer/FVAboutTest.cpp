#include "FVAbout.h"
#include "FDebug.h"
#include "FSaveFav.h"
#include "FTranslate.h"
#include "FWideMsgBox.h"
#include "PickEngine.h"

#include "../vcl/VclTestSupport.h"
#include "TestHarness.h"
#include "TntComCtrls.h"
#include "TntDialogs.h"
#include "TntStdCtrls.h"
#include "UAppSettings.h"
#include "UShellExec.h"
#include "UShotTimer.h"
#include "UWebUpdates.h"
#include "SpeechFakes.h"
#include "ViewerFormSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace vcltest;
namespace ts = testing_support;

namespace {

// The update check over a scratch key whose stored list names Version; no download.
struct StoredUpdateList {
    explicit StoredUpdateList(const std::wstring& Version) {
        TWebUpdateRec rec;
        rec.Enabled = false;
        rec.RegKey = L"\\Software\\VorlaneTests\\" + ts::UniqueName(L"update");
        Key = rec.RegKey.substr(1);
        RegWriteString(HKEY_CURRENT_USER, rec.RegKey, L"LastDLFile",
                       L"Vorlane_Version=" + Version + L"\r\nVorlane_RSS=\r\n");
        CreateWebUpdates(rec);
        WebUpdates->ExeVersion = L"1.2.0.0";
    }
    ~StoredUpdateList() {
        FreeWebUpdates();
        RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str());
    }
    std::wstring Key;
};

using AboutBox = TestForm<TAboutForm>;

// Where each shown control of a window stands, children after their parent, with the width of
// the parent's client area.
struct TPlace {
    std::wstring Name;
    RECT Rect;
    int ParentWidth;
};

std::vector<TPlace> Places(TWinControl* Parent) {
    std::vector<TPlace> places;
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* c = Parent->Controls(i);
        if (!c->Visible())
            continue;
        places.push_back({c->Name(), c->BoundsRect(), Parent->ClientWidth()});
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            const std::vector<TPlace> inner = Places(w);
            places.insert(places.end(), inner.begin(), inner.end());
        }
    }
    return places;
}

// The controls of Shown that do not stand where the mirror image of Designed (or, with
// Mirrored false, Designed itself) puts them.
std::wstring PlaceFaults(const std::vector<TPlace>& Designed, const std::vector<TPlace>& Shown, bool Mirrored = true) {
    if (Designed.size() != Shown.size())
        return L"other controls shown";
    std::wstring faults;
    for (size_t i = 0; i < Designed.size(); ++i) {
        RECT want = Designed[i].Rect;
        if (Mirrored)
            want = {Designed[i].ParentWidth - want.right, want.top, Designed[i].ParentWidth - want.left, want.bottom};
        if (!EqualRect(&want, &Shown[i].Rect) || Designed[i].ParentWidth != Shown[i].ParentWidth)
            faults += Shown[i].Name + L" at " + std::to_wstring(Shown[i].Rect.left) + L".." +
                      std::to_wstring(Shown[i].Rect.right) + L" in " + std::to_wstring(Shown[i].ParentWidth) +
                      L" (" + std::to_wstring(want.left) + L".." + std::to_wstring(want.right) + L" in " +
                      std::to_wstring(Designed[i].ParentWidth) + L"); ";
    }
    return faults;
}

struct RightToLeftReading {
    RightToLeftReading() { Application->SetBiDiMode(bdRightToLeft); }
    ~RightToLeftReading() { Application->SetBiDiMode(bdLeftToRight); }
};

// The places in the wide message box with the icon, a title and OK and Cancel, and whether its
// text stands in the right half of its field.
std::vector<TPlace> WideMsgBoxPlaces(bool& TextAtRight) {
    std::vector<TPlace> places;
    std::function<void(TObject*)> look = [&](TObject*) {
        TWMsgBoxForm* box = ActiveWideMsgBox();
        if (!box || !box->HandleAllocated() || !IsWindowVisible(box->Handle())) {
            SetShotTimer(30, look);
            return;
        }
        places = Places(box);
        const HWND field = box->TntRichEdit1->Handle();
        UpdateWindow(field);
        RECT client{};
        GetClientRect(field, &client);
        const HDC dc = GetDC(field);
        const COLORREF paper = GetPixel(dc, client.right / 2, client.bottom - 3);
        int left = client.right, right = -1;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < client.right; ++x)
                if (GetPixel(dc, x, y) != paper) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        ReleaseDC(field, dc);
        TextAtRight = right >= 0 && left + right > client.right;
        box->SetModalResult(mrCancel);
    };
    SetShotTimer(30, look);
    WideMsgBoxOKCancel(1, L"Title", L"Text");
    return places;
}

} // namespace

TEST(AboutBox, AnnouncesOnlyANewerVersion) {
    Watchdog w(20000);
    {
        AboutBox box; // no update check at all
        EXPECT_FALSE(box->NewVerLabel->Visible());
    }
    {
        StoredUpdateList list(L"1.2.0.0");
        AboutBox box;
        EXPECT_FALSE(box->NewVerLabel->Visible());
    }
    {
        StoredUpdateList list(L"1.10.0.0");
        AboutBox box;
        EXPECT_TRUE(box->NewVerLabel->Visible());
        EXPECT_EQ(box->NewVerLabel->Caption(), L"Version 1.10.0.0 is now available");
    }
}

TEST(AboutBox, TakesTranslatedTextsAndOpensTheHomePage) {
    Watchdog w(20000);
    Aboutbox_Title = L"\u00dcber Vorlane";
    Aboutbox_CheckWeb = L"Im Web nach Updates suchen";
    std::vector<std::wstring> opened;
    auto previous = SetShellExecuteFunc([&](HWND, const std::wstring&, const std::wstring& File, const std::wstring&, int) {
        opened.push_back(File);
        return intptr_t(42);
    });
    {
        AboutBox box;
        EXPECT_EQ(box->Caption(), L"\u00dcber Vorlane");
        EXPECT_EQ(box->HeaderLabel->Caption(), L"Vorlane by Quorvex");
        EXPECT_EQ(box->CheckForUpdateLink->Caption(), L"Im Web nach Updates suchen");
        box->HomePageLinkClick();
    }
    SetShellExecuteFunc(previous);
    Aboutbox_Title.clear();
    Aboutbox_CheckWeb.clear();
    EXPECT_EQ(opened, std::vector<std::wstring>{AboutHomePageUrl});
}

TEST(AboutBox, EscClosesTheModalBox) {
    Watchdog w(20000);
    // Esc reaches the box once it is up.
    SetShotTimer(300, [](TObject*) {
        HWND box = GetActiveWindow();
        PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    ShowAboutBox(nullptr);
    SUCCEED();
}

TEST(SmallDialogs, NoControlLeavesTheWindowOrOverlapsAnotherAtAnyFontSize) {
    Watchdog w(30000);
    ts::TempDir dir;
    ts::WriteBytes(dir.File(L"vorlane.lang.de"), "[Translator]\r\nName=Someone with a long name\r\n");
    for (int factor : {1, 2}) {
        LargerFonts fonts(factor);
        {
            AboutBox box;
            box->VersionLabel->SetCaption(L"10.20.300.4000");
            box->Show(); // the links take the box's font
            EXPECT_EQ(LayoutFaults(box.Form), L"") << "About box, font x" << factor;
        }
        {
            std::shared_ptr<speechtest::TVoiceRecord> record = std::make_shared<speechtest::TVoiceRecord>();
            speechtest::TFakeVoice* voice = nullptr;
            TSpeechAPI speech(TSpeechLog{}, speechtest::FakeFactory(voice, record));
            TSpeechSettings settings;
            TformPickEngine picker(nullptr, speech, settings);
            EXPECT_EQ(LayoutFaults(&picker), L"") << "voice picker, font x" << factor;
            picker.BeforeDestruction();
        }
        {
            TTranslateForm picker(nullptr, dir.Path(), L"de");
            EXPECT_EQ(LayoutFaults(&picker), L"") << "language picker, font x" << factor;
            picker.BeforeDestruction();
        }
        {
            TestForm<TSaveFavForm> bookmark;
            EXPECT_EQ(LayoutFaults(bookmark.Form), L"") << "bookmark dialog, font x" << factor;
        }
        {
            // The debug window fits a 640 x 480 screen, its frame included.
            TestForm<TDebugForm> debug;
            EXPECT_EQ(LayoutFaults(debug.Form), L"") << "debug window, font x" << factor;
            EXPECT_LE(debug->Width(), 640);
            EXPECT_LE(debug->Height(), 480);
        }
    }
}

// Right to left every dialog is the mirror image of its left-to-right self (OK and Cancel
// swapped in place, texts and links at the right edge), and a window that stays open through
// the change comes back exactly.
TEST(SmallDialogs, RightToLeftEachIsTheMirrorImageOfItsLeftToRightSelf) {
    Watchdog w(60000);
    ts::TempDir dir;
    std::shared_ptr<speechtest::TVoiceRecord> record = std::make_shared<speechtest::TVoiceRecord>();
    speechtest::TFakeVoice* voice = nullptr;
    TSpeechAPI speech(TSpeechLog{}, speechtest::FakeFactory(voice, record));
    TSpeechSettings settings;
    bool textAtRight = false; // the message box's text
    auto dialogs = [&] {
        std::vector<std::vector<TPlace>> places;
        {
            AboutBox box;
            box->Show();
            places.push_back(Places(box.Form));
        }
        {
            TformPickEngine picker(nullptr, speech, settings);
            places.push_back(Places(&picker));
            picker.BeforeDestruction();
        }
        {
            TTranslateForm picker(nullptr, dir.Path(), L"");
            places.push_back(Places(&picker));
            picker.BeforeDestruction();
        }
        {
            TestForm<TSaveFavForm> bookmark;
            places.push_back(Places(bookmark.Form));
        }
        {
            std::unique_ptr<TTntMessageForm> message(WideCreateMessageDialog(L"Search from start?", mtConfirmation,
                                                                             {mbYes, mbNo}));
            places.push_back(Places(message.get()));
            message->BeforeDestruction();
        }
        places.push_back(WideMsgBoxPlaces(textAtRight));
        return places;
    };
    const std::vector<std::vector<TPlace>> designed = dialogs();
    EXPECT_FALSE(textAtRight);
    TestForm<TDebugForm> debug;
    const std::vector<TPlace> debugDesigned = Places(debug.Form);
    {
        RightToLeftReading reading;
        const std::vector<std::vector<TPlace>> shown = dialogs();
        const char* names[] = {"About box", "voice picker", "language picker", "bookmark dialog", "message dialog",
                               "message box"};
        for (size_t i = 0; i < shown.size(); ++i)
            EXPECT_EQ(PlaceFaults(designed[i], shown[i]), L"") << names[i];
        EXPECT_EQ(PlaceFaults(debugDesigned, Places(debug.Form)), L"") << "debug window";
        EXPECT_TRUE(textAtRight);
    }
    EXPECT_EQ(PlaceFaults(debugDesigned, Places(debug.Form), false), L"") << "debug window, left to right again";
}
