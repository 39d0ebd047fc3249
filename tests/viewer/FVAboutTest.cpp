#include "FVAbout.h"
#include "FDebug.h"
#include "FSaveFav.h"
#include "FTranslate.h"
#include "PickEngine.h"

#include "../vcl/VclTestSupport.h"
#include "TestHarness.h"
#include "TntStdCtrls.h"
#include "UAppSettings.h"
#include "UShellExec.h"
#include "UShotTimer.h"
#include "UWebUpdates.h"
#include "SpeechFakes.h"
#include "ViewerFormSupport.h"

#include <gtest/gtest.h>

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
