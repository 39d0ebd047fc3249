// The language picker over a folder of language files.
#include "../vcl/VclTestSupport.h"
#include "FTranslate.h"
#include "TestHarness.h"
#include "TntComCtrls.h"
#include "TntStdCtrls.h"
#include "ULocaleInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::Utf16Bytes;
using testing_support::WriteBytes;
using namespace vcltest;

namespace {

class LanguagePicker : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(Dir.File(L"vorlane.lang.de"),
                   Utf16Bytes(L"[main]\r\nmmnuPage=Seite\r\n[Translator]\r\nName=J\u00f6rg\r\nWebSite=http://j/\r\n"));
        WriteBytes(Dir.File(L"vorlane.lang.tlh"), "[Translator]\r\nLanguage=Klingon\r\nWebSite=http://k/\r\n");
        WriteBytes(Dir.File(L"vorlane.lang.ar"), "[main]\r\nmmnuPage=x\r\n[Translator]\r\nName=Test\r\n");
        WriteBytes(Dir.File(L"vorlane.lang.a b"), "[main]\r\n");  // no usable code
        WriteBytes(Dir.File(L"vorlane.other"), "[main]\r\n");
    }
    void TearDown() override { g_LocaleInfo[FindLanguageCode("ar")].DisplayName.clear(); }
    // The file rows as "language|code|file|translator", sorted (the file system's order).
    static std::vector<std::wstring> FileRows(const std::vector<TLangRow>& Rows) {
        std::vector<std::wstring> out;
        for (size_t i = 1; i < Rows.size(); ++i)
            out.push_back(Rows[i].Language + L"|" + Rows[i].Code + L"|" + Rows[i].FileName + L"|" +
                          Rows[i].Translator);
        std::sort(out.begin(), out.end());
        return out;
    }
    TempDir Dir;
};

} // namespace

TEST_F(LanguagePicker, RowsAreWindowsThenTheFilesWithTheirNames) {
    g_LocaleInfo[FindLanguageCode("ar")].DisplayName = L"\u0627\u0644\u0639\u0631\u0628\u064a\u0629";
    const std::vector<TLangRow> rows = ListLanguageRows(Dir.Path());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_TRUE(rows[0].Windows);
    EXPECT_EQ(rows[0].Language, L"Windows");
    EXPECT_EQ(rows[0].Code, L"en");
    EXPECT_EQ(rows[0].FileName, L"vorlane.lang.en");
    // the table's translated name, else its description, else the file's own name; the
    // translator's name and web site, either alone without a separator
    EXPECT_EQ(FileRows(rows), (std::vector<std::wstring>{L"German|de|vorlane.lang.de|J\u00f6rg, http://j/",
                                                         L"Klingon|tlh|vorlane.lang.tlh|http://k/",
                                                         L"\u0627\u0644\u0639\u0631\u0628\u064a\u0629|ar|vorlane.lang.ar|Test"}));
    // the current code's row, else "Windows"; "en" is a file row only when there is a file
    auto rowOf = [&](const wchar_t* Code) { return rows[CurrentLanguageRow(rows, Code)].Code; };
    EXPECT_EQ(rowOf(L"tlh"), L"tlh");
    EXPECT_EQ(CurrentLanguageRow(rows, L"en"), 0);
    EXPECT_EQ(CurrentLanguageRow(rows, L"DE"), 0);
    EXPECT_EQ(CurrentLanguageRow(rows, L""), 0);
}

TEST_F(LanguagePicker, SelectionOkDoubleClickAndTheLink) {
    Watchdog w(20000);
    FTranslate_Title = L"Sprache";
    FTranslate_Col_Translator = L"\u00dcbersetzer";
    FTranslate_OK = L"Jawohl";
    TTranslateForm form(nullptr, Dir.Path(), L"de");
    FTranslate_Title.clear();
    FTranslate_Col_Translator.clear();
    FTranslate_OK.clear();
    EXPECT_EQ(form.Caption(), L"Sprache");
    EXPECT_EQ(form.ListView1->Columns()->Items(3)->Caption(), L"\u00dcbersetzer");
    EXPECT_EQ(form.OKBtn->Caption(), L"Jawohl");
    EXPECT_EQ(form.CancelBtn->Caption(), L"Cancel");
    form.Show();
    ASSERT_EQ(form.ListView1->Items()->Count(), 4);
    EXPECT_TRUE(form.ListView1->Focused()); // the arrow keys move through the rows

    std::wstring code;
    ASSERT_TRUE(form.SelectedCode(code));
    EXPECT_EQ(code, L"de");
    EXPECT_EQ(form.ListView1->ItemFocused(), form.ListView1->Selected());
    EXPECT_TRUE(form.OKBtn->Enabled());
    // no row: no OK
    form.ListView1->SetSelected(nullptr);
    PumpFor(20);
    EXPECT_FALSE(form.OKBtn->Enabled());
    EXPECT_FALSE(form.SelectedCode(code));
    form.ListView1DblClick();
    EXPECT_EQ(form.ModalResult(), mrNone);
    // "Windows" stores the empty code; a double-click on a row is OK
    form.ListView1->SetItemIndex(0);
    PumpFor(20);
    EXPECT_TRUE(form.OKBtn->Enabled());
    ASSERT_TRUE(form.SelectedCode(code));
    EXPECT_EQ(code, L"");
    RECT r{LVIR_BOUNDS};
    SendMessageW(form.ListView1->Handle(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 4, r.top + 2);
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageW(form.ListView1->Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    PumpUntil([&] { return form.ModalResult() == mrOk; }, 2000);
    EXPECT_EQ(form.ModalResult(), mrOk);
    ASSERT_TRUE(form.SelectedCode(code));
    EXPECT_EQ(code, form.Rows()[2].Code);

    std::vector<std::wstring> opened;
    form.OpenUrl = [&](const std::wstring& Url) { opened.push_back(Url); };
    form.WebLinkLabelClick();
    EXPECT_EQ(opened, std::vector<std::wstring>{TranslateWebPageUrl});
    form.Hide();
}

namespace {

// Answers the modal picker once it shows: picks the row of Pick, then OK or Cancel.
std::wstring Pick;
TModalResult Answer;
void CALLBACK AnswerPicker(HWND, UINT, UINT_PTR Id, DWORD) {
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto* f = dynamic_cast<TTranslateForm*>(Screen->Forms(i)); f && f->Visible()) {
            KillTimer(nullptr, Id);
            const auto& rows = f->Rows();
            for (size_t r = 0; r < rows.size(); ++r)
                if (rows[r].Code == Pick)
                    f->ListView1->SetItemIndex(static_cast<int>(r));
            f->SetModalResult(Answer);
        }
}

} // namespace

TEST_F(LanguagePicker, OkChangesTheCodeCancelKeepsIt) {
    Watchdog w(20000);
    std::wstring code = L"tlh";
    Pick = L"ar";
    Answer = mrCancel;
    SetTimer(nullptr, 0, 20, AnswerPicker);
    EXPECT_FALSE(ShowLanguagePicker(nullptr, code, Dir.Path()));
    EXPECT_EQ(code, L"tlh");
    Answer = mrOk;
    SetTimer(nullptr, 0, 20, AnswerPicker);
    EXPECT_TRUE(ShowLanguagePicker(nullptr, code, Dir.Path()));
    EXPECT_EQ(code, L"ar");
    Pick = L"en"; // the "Windows" row
    SetTimer(nullptr, 0, 20, AnswerPicker);
    EXPECT_TRUE(ShowLanguagePicker(nullptr, code, Dir.Path()));
    EXPECT_EQ(code, L"");
}
