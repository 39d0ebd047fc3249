// Browser table and OpenUrlInBrowser (the shell call is recorded, nothing opens).
#include "UBrowsers.h"

#include "TestHarness.h"
#include "UShellExec.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TCall {
    std::wstring File, Params;
};

// A browser registered under the ProgID of one table row (removed afterwards).
struct TFakeBrowser {
    std::wstring ClassKey;
    explicit TFakeBrowser(const std::wstring& progId, const std::wstring& command) : ClassKey(progId) {
        HKEY k = nullptr;
        const std::wstring path = ClassKey + L"\\shell\\open\\command";
        RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
        RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * 2));
        RegCloseKey(k);
    }
    ~TFakeBrowser() { RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey.c_str()); }
};

} // namespace

TEST(Browsers, OpensInTheChosenBrowserOnlyWhenInstalled) {
    testing_support::TempDir dir;
    const std::wstring exe = dir.File(L"safari fake.exe");
    testing_support::WriteBytes(exe, "MZ");
    TFakeBrowser safari(L"SafariHTML", L"  \"" + exe + L"\" -url \"%1\"");

    std::vector<TCall> calls;
    auto previous = SetShellExecuteFunc([&](HWND, const std::wstring&, const std::wstring& f, const std::wstring& p,
                                            int) -> intptr_t {
        calls.push_back({f, p});
        return 42;
    });

    EXPECT_TRUE(OpenUrlInBrowser(L"http://example.invalid/\"q\"", 5));
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(exe, calls[0].File);
    EXPECT_EQ(L"http://example.invalid/q", calls[0].Params);
    EXPECT_TRUE(BrowserTable[5].Exists) << BrowserTable[5].Command << "/" << BrowserTable[5].ExePath;
    EXPECT_FALSE(BrowserTable[5].IsDefault);
    EXPECT_EQ(L"Safari", BrowserTable[5].Name);

    // Not installed, the default row and unknown numbers: the default browser.
    for (int row : {6, 0, 99, -1}) {
        EXPECT_TRUE(OpenUrlInBrowser(L"http://example.invalid/a", row));
        EXPECT_EQ(L"http://example.invalid/a", calls.back().File) << row;
        EXPECT_EQ(L"", calls.back().Params) << row;
    }
    EXPECT_FALSE(BrowserTable[6].Exists);
    EXPECT_EQ(L"NetscapeMarkup", BrowserTable[6].ProgID);
    EXPECT_TRUE(BrowserTable[0].IsDefault);
    EXPECT_TRUE(OpenUrlInBrowser(L"ms-xhelp:///?Id=a b", 5));
    EXPECT_EQ(L"\"ms-xhelp:///?Id=a b\"", calls.back().Params); // one argument

    // Anything but a web or help address would be run or opened by the shell itself: it
    // never reaches the shell, and the user is told which address was refused.
    std::vector<std::wstring> shown;
    auto previousMessage = SetUserMessageHandler([&](int, const std::wstring&, const std::wstring& text, int) {
        shown.push_back(text);
        return true;
    });
    const size_t made = calls.size();
    for (const std::wstring& url : {std::wstring(L"C:\\t.bat"), std::wstring(L"javascript:alert(1)"),
                                    std::wstring(L" JavaScript:x"), std::wstring(L"vbscript:msgbox"),
                                    std::wstring(L"file:///C:/t.bat"), std::wstring(L"\\\\server\\share\\x.exe"),
                                    std::wstring(L"//server/share"), std::wstring(L"http:\\\\server\\share"),
                                    std::wstring(L"mk:@MSITStore:C:\\x.chm::/a.htm"), std::wstring(L"about:blank"),
                                    std::wstring(L"calc"), std::wstring(L"http://x/\r\nC:\\t.bat"), std::wstring(L"")}) {
        for (int row : {0, 5}) EXPECT_FALSE(OpenUrlInBrowser(url, row)) << url;
        ASSERT_FALSE(shown.empty());
        EXPECT_NE(shown.back().find(VisibleText(url)), std::wstring::npos) << shown.back();
    }
    EXPECT_EQ(made, calls.size());
    EXPECT_TRUE(IsBrowserAddress(L"HTTPS://example.invalid/"));
    EXPECT_TRUE(IsBrowserAddress(L"http://127.0.0.1:47873/help/1-4242/ms.help?method=page&id=X"));
    EXPECT_TRUE(IsBrowserAddress(L"ms-xhelp:///?Id=javascript:x"));
    SetUserMessageHandler(previousMessage);
    SetShellExecuteFunc(previous);
}
