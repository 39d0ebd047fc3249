#include "UTrayBalloon.h"

#include "UShellExec.h"

#include <gtest/gtest.h>

#include <vector>

TEST(TrayBalloon, TextsAreCutSafelyIntoTheFixedBuffers) {
    wchar_t buf[4];
    CopyToFixedBuffer(buf, 4, L"abcdef");
    EXPECT_STREQ(buf, L"abc");
    CopyToFixedBuffer(buf, 4, L"ab\xD83D\xDE00"); // a surrogate pair is not split
    EXPECT_STREQ(buf, L"ab");
    CopyToFixedBuffer(buf, 4, L"");
    EXPECT_STREQ(buf, L"");

    ShowTrayBalloon(std::wstring(100, L't'), std::wstring(300, L'x'), std::wstring(200, L'h'));
    ASSERT_NE(TrayBalloon(), nullptr);
    const NOTIFYICONDATAW& d = TrayBalloon()->IconData();
    EXPECT_EQ(wcslen(d.szInfo), 255u);
    EXPECT_EQ(wcslen(d.szInfoTitle), 63u);
    EXPECT_EQ(wcslen(d.szTip), 127u);
    EXPECT_EQ(d.uCallbackMessage, TTrayBalloonTip::CallbackMessage);
    FreeTrayBalloon();
    EXPECT_EQ(TrayBalloon(), nullptr);
}

TEST(TrayBalloon, ClickOpensTheUrlOnlyWhenOneIsSet) {
    std::vector<std::wstring> opened;
    auto previous = SetShellExecuteFunc([&](HWND, const std::wstring&, const std::wstring& File, const std::wstring&,
                                            int) -> intptr_t {
        opened.push_back(File);
        return 42;
    });
    ShowTrayBalloon(L"T", L"Text", L"Tip");
    TTrayBalloonTip* b = TrayBalloon();
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->Window(), nullptr);
    SendMessageW(b->Window(), TTrayBalloonTip::CallbackMessage, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(opened.empty());
    b->SetUrl(L"https://example.invalid/news");
    SendMessageW(b->Window(), TTrayBalloonTip::CallbackMessage, 0, WM_MOUSEMOVE);
    SendMessageW(b->Window(), TTrayBalloonTip::CallbackMessage, 0, NIN_BALLOONUSERCLICK);
    SendMessageW(b->Window(), TTrayBalloonTip::CallbackMessage, 0, WM_RBUTTONDOWN);
    EXPECT_EQ(opened.size(), 2u);
    FreeTrayBalloon();
    SetShellExecuteFunc(previous);
}
