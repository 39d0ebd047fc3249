// The "Add Bookmark" dialog: its texts, and OK that closes only once the bookmark is written.
#include "../vcl/VclTestSupport.h"
#include "FSaveFav.h"
#include "TestHarness.h"
#include "TntStdCtrls.h"
#include "UAppSettings.h"
#include "UMessageTexts.h"
#include "URegSafe.h"
#include "UserAnswers.h"

#include <gtest/gtest.h>

using testing_support::ReadBytes;
using testing_support::TempDir;
using namespace vcltest;

namespace {

std::string Utf16File(const std::wstring& Text) {
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(Text.data()), Text.size() * 2);
}

// What OK gives with the dialog's current name: whether it may close.
bool PressOk(TSaveFavForm& Form, const std::wstring& Name) {
    Form.Edit1->SetText(Name);
    Form.SetModalResult(mrOk);
    bool canClose = false;
    Form.FormCloseQuery(canClose);
    return canClose;
}

} // namespace

TEST(SaveFavDialog, TranslatedTextsTheNameFocusedAndTheHeightFittedToTheButtons) {
    Watchdog w(20000);
    AddBookmarkDlg_Title = L"Lesezeichen hinzuf\u00fcgen";
    AddBookmarkDlg_Folder = L"&Ordner:";
    AddBookmarkDlg_Cancel = L"Abbrechen";
    TSaveFavForm form(nullptr);
    AddBookmarkDlg_Title.clear();
    AddBookmarkDlg_Folder.clear();
    AddBookmarkDlg_Cancel.clear();
    EXPECT_EQ(form.Caption(), L"Lesezeichen hinzuf\u00fcgen");
    EXPECT_EQ(form.Label1->Caption(), L"&Name:"); // no text given: the designed one
    EXPECT_EQ(form.Label3->Caption(), L"&Ordner:");
    EXPECT_EQ(form.OKBtn->Caption(), L"OK");
    EXPECT_EQ(form.CancelBtn->Caption(), L"Abbrechen");

    form.SetClientHeight(300);
    form.Show();
    PumpUntil([&] { return form.ClientHeight() != 300; }, 2000);
    EXPECT_EQ(form.ClientHeight(), form.OKBtn->Top() + form.OKBtn->Height() + form.Edit1->Top());
    EXPECT_TRUE(form.Edit1->Focused());
    form.Hide();
}

// A place saved on a larger screen, partly off this one: the dialog comes back whole on the
// screen, moved no further than that, and saves the place it took.
TEST(SaveFavDialog, ASavedPlacePartlyOffTheScreenComesBackWholeOnIt) {
    Watchdog w(20000);
    struct TSettings {
        std::wstring Key = L"Software\\VorlaneTests\\" + testing_support::UniqueName(L"SaveFavPos");
        TSettings() { InitAppSettings(L"\\" + Key, L"", L""); }
        ~TSettings() {
            FreeAppSettings();
            RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str());
        }
    } settings;
    const RECT work = Screen->WorkAreaRect();
    RegWriteInt(HKEY_CURRENT_USER, settings.Key, L"SaveFavForm_Left", work.right - 200); // 200 px show
    RegWriteInt(HKEY_CURRENT_USER, settings.Key, L"SaveFavForm_Top", work.top + 40);
    TSaveFavForm form(nullptr);
    form.Show();
    PumpFor(100);
    const RECT r = form.BoundsRect();
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.top, work.top + 40);
    form.SetModalResult(mrCancel);
    bool canClose = false;
    form.FormCloseQuery(canClose);
    EXPECT_EQ(RegReadInt(HKEY_CURRENT_USER, settings.Key, L"SaveFavForm_Left", 0), r.left);
    form.Hide();

    // At the screen's bottom edge, the height fitted after showing does not push it past it.
    form.SetClientHeight(40);
    RegWriteInt(HKEY_CURRENT_USER, settings.Key, L"SaveFavForm_Top", work.bottom - form.Height());
    form.Show();
    PumpUntil([&] { return form.ClientHeight() != 40; }, 2000);
    EXPECT_EQ(form.BoundsRect().bottom, work.bottom);
    form.Hide();
}

TEST(SaveFavDialog, OkClosesOnlyWhenTheBookmarkIsWritten) {
    TempDir dir;
    UserAnswers answers;
    TSaveFavForm form(nullptr);
    form.URLEdit->SetText(L"ms-xhelp:///?Id=T:System.String");
    form.FolderEdit->SetText(dir.File(L"Topics"));
    const std::wstring file = dir.File(L"Topics\\String Class.url");

    // The cleaned name in the folder made for it, the exact bytes.
    EXPECT_TRUE(PressOk(form, L"String Class?"));
    EXPECT_EQ(form.SavedFileName(), file);
    const std::string first = Utf16File(L"[InternetShortcut]\r\nURL=ms-xhelp:///?Id=T:System.String\r\n");
    EXPECT_EQ(ReadBytes(file), first);
    // The same name again: No keeps the dialog and the file, Yes replaces it.
    form.URLEdit->SetText(L"http://other/");
    EXPECT_FALSE(PressOk(form, L"String Class"));
    EXPECT_EQ(answers.Told.back(), MessageHeading() + L"|" + AddBookmarkDlg_Overwrite);
    EXPECT_EQ(ReadBytes(file), first);
    answers.Yes = true;
    EXPECT_TRUE(PressOk(form, L"String Class"));
    EXPECT_EQ(ReadBytes(file), Utf16File(L"[InternetShortcut]\r\nURL=http://other/\r\n"));
    // Cancel closes without a word.
    const size_t told = answers.Told.size();
    form.SetModalResult(mrCancel);
    bool canClose = false;
    form.FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(answers.Told.size(), told);
}
