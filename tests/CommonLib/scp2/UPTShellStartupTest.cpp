#include "../../vcl/VclTestSupport.h"

#include "UPTHintWindow.h"
#include "UPTShellStartup.h"
#include "UPTShellUtils.h"
#include "UPTUnicode.h"

#include <gtest/gtest.h>

TEST(UPTShellStartupTest, StartUpStateOfTheTestProgram) {
    ASSERT_TRUE(PTShellStarted());
    const TPTShellSettings& s = PTShellSettings();
    EXPECT_HRESULT_SUCCEEDED(s.ComResult);
    EXPECT_HRESULT_SUCCEEDED(s.OleResult);
    EXPECT_NE(s.CFShellIDList, 0u);
    EXPECT_EQ(s.CFShellIDList, RegisterClipboardFormatW(L"Shell IDList Array"));
    EXPECT_EQ(s.CFFileContents, RegisterClipboardFormatW(L"FileContents"));
    EXPECT_GT(s.HoverTime, 0u);
    EXPECT_NE(GetShellMalloc(), nullptr);
    EXPECT_NE(ShellVersion().MS, 0u);
    // OLE works on this thread: the OLE clipboard answers.
    IDataObject* data = nullptr;
    EXPECT_HRESULT_SUCCEEDED(OleGetClipboard(&data));
    if (data)
        data->Release();
    EXPECT_EQ(Application->HintWindowClass, &MakeHintWindow<TPTHintWindow>);
}

TEST(UPTShellStartupTest, HintWindowShowsCarriedText) {
    vcltest::Watchdog watchdog(20000, "hint window");
    const std::wstring word = L"\u041F\u0440\u0438\u0432\u0435\u0442";
    std::string carrier = UTF7CarrierEncode(word);
    const std::wstring hint(carrier.begin(), carrier.end());

    TPTHintWindow* hw = new TPTHintWindow(Application);
    RECT carried = hw->CalcHintRect(400, hint, nullptr);
    RECT plain = hw->CalcHintRect(400, word, nullptr);
    EXPECT_EQ(carried.right, plain.right) << "measured as the word, not as the carrier";
    EXPECT_EQ(carried.bottom, plain.bottom);
    hw->ActivateHint(RECT{10, 10, 10 + carried.right, 10 + carried.bottom}, hint);
    EXPECT_EQ(hw->ShownText(), word);
    vcltest::PumpFor(50);
    hw->SetCaption(L"ASCII hint");
    EXPECT_EQ(hw->ShownText(), L"ASCII hint");
    delete hw;
}
