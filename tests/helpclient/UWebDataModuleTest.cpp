#include "UWebDataModule.h"

#include "SysUtils.h"
#include "TestHarness.h"
#include "TntClasses.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

class WebDataModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldHandler = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& Text, int) {
            messages.push_back(Text);
            return true;
        });
        web.ProgramPath = dir.File(L"Vorlane.exe");
        web.OnRefreshPage = [this](int Code) { refreshes.push_back(Code); };
    }
    void TearDown() override { SetUserMessageHandler(oldHandler); }

    int ItemOfTag(TWebMenu* Menu, int Tag) {
        for (int i = 0; i < Menu->Count(); ++i)
            if (Menu->Tag(i) == Tag) return i;
        return -1;
    }
    std::wstring Online(const std::wstring& Url) {
        std::wstring out = L"unchanged";
        web.GetOnlineUrl(Url, out);
        return out;
    }

    TempDir dir;
    TWebDataModule web{nullptr};
    std::vector<std::wstring> messages;
    std::vector<int> refreshes;
    TUserMessageHandler oldHandler;
};

const std::string OptionsIni =
    "[OPTIONS]\r\n"
    "ShowTocMode=n\r\n"
    "F1Minimize=Y\r\n"
    "EchoF1QueryInSearchBox=1\r\n"
    "IndexDelayMs=500\r\n"
    "\r\n"
    "[style]\r\n"
    "&Dark=body{color:white}\r\n"
    "One=x\r\n"
    "Plain= ;font-size:9pt; \r\n";

} // namespace

TEST_F(WebDataModuleTest, MenusHoldStylesAndLocalesWithDefaultsChecked) {
    web.BuildMenus();
    TWebMenu* m = web.webPopupMenu;
    ASSERT_EQ(m->Count(), 8 + 1 + 14);
    EXPECT_EQ(m->Caption(0), L"classic\tClassic Library View");
    EXPECT_EQ(m->Tag(7), 27);
    EXPECT_EQ(m->Caption(8), L"-");
    EXPECT_EQ(m->Tag(8), 0);
    EXPECT_EQ(m->Caption(ItemOfTag(m, 13)), L"zh-cn\tChinese (People's Republic of China)");
    EXPECT_EQ(m->Caption(ItemOfTag(m, 14)), L"zh-tw\tChinese (Taiwan)");
    EXPECT_TRUE(m->Checked(ItemOfTag(m, 21)));
    EXPECT_TRUE(m->Checked(ItemOfTag(m, 4)));
    EXPECT_EQ(web.GetLocaleCode(), L"en-us");
    EXPECT_EQ(web.GetStyleCode(), L"lightweight");
    // No options file: the defaults and an empty style menu.
    EXPECT_TRUE(web.ShowTocMode);
    EXPECT_EQ(web.IndexDelayMs, -1);
    EXPECT_EQ(web.StylePopupMenu->Count(), 0);
}

TEST_F(WebDataModuleTest, ChoosingLocaleAndStyleItems) {
    web.BuildMenus();
    TWebMenu* m = web.webPopupMenu;
    m->Click(ItemOfTag(m, 3));
    EXPECT_EQ(web.LangTag, 3);
    EXPECT_TRUE(m->Checked(ItemOfTag(m, 3)));
    EXPECT_FALSE(m->Checked(ItemOfTag(m, 4)));
    EXPECT_TRUE(m->Checked(ItemOfTag(m, 21))); // the other radio group is untouched
    m->Click(ItemOfTag(m, 26));
    EXPECT_EQ(web.GetStyleCode(), L"printer");
    web.mnuMsdnLangClick(8); // the separator
    EXPECT_EQ(refreshes, (std::vector<int>{2, 3}));

    web.SetLangIndex(15);
    web.SetStyleIndex(19);
    EXPECT_EQ(web.LangTag, 3);
    EXPECT_EQ(web.StyleTag, 26);
    web.SetStyleIndex(22);
    EXPECT_EQ(web.GetStyleCode(), L"loband");
    EXPECT_TRUE(m->Checked(ItemOfTag(m, 22)));

    EXPECT_EQ(TWebDataModule::LocaleIndexOf(L"vs\\100\\DE-de"), 3);
    EXPECT_EQ(TWebDataModule::LocaleIndexOf(L"xx-yy"), 4);
}

TEST_F(WebDataModuleTest, OptionsFileSwitchesAndStyles) {
    WriteBytes(dir.File(L"Vorlane.ini"), OptionsIni);
    web.BuildMenus();
    EXPECT_FALSE(web.ShowTocMode);
    EXPECT_TRUE(web.F1Minimize);
    EXPECT_TRUE(web.EchoF1QueryInSearchBox);
    EXPECT_EQ(web.IndexDelayMs, 500);
    EXPECT_EQ(web.NavFontSize, -1);

    TWebMenu* s = web.StylePopupMenu;
    ASSERT_EQ(s->Count(), 3);
    EXPECT_EQ(s->Caption(0), L"&Dark");
    EXPECT_EQ(s->Tag(2), 2);
    EXPECT_TRUE(s->Checked(0));
    ASSERT_EQ(web.StyleValues->Count(), 3);
    EXPECT_EQ(web.StyleValues->Strings(1), L""); // one character counts as empty
    EXPECT_EQ(web.StyleValues->Strings(2), L";font-size:9pt;");

    web.SelectStyleByName(L"Dark");
    EXPECT_EQ(web.StyleName, L"Dark");
    EXPECT_EQ(web.StyleText, L";body{color:white};");
    s->Click(1);
    EXPECT_EQ(web.StyleName, L"One");
    EXPECT_EQ(web.StyleText, L"");
    EXPECT_TRUE(s->Checked(1));
    EXPECT_FALSE(s->Checked(0));
    web.SelectStyleByName(L"P&lain");
    EXPECT_EQ(web.StyleText, L";font-size:9pt;");
    EXPECT_EQ(refreshes, (std::vector<int>{1, 1, 1}));

    // Bad numbers give the defaults.
    WriteBytes(dir.File(L"Vorlane.ini"), "[OPTIONS]\r\nIndexDelayMs=abc\r\nNavFontSize=12\r\n");
    web.ReadOptions();
    EXPECT_EQ(web.IndexDelayMs, -1);
    EXPECT_EQ(web.NavFontSize, 12);
    EXPECT_TRUE(web.ShowTocMode);
    EXPECT_EQ(s->Count(), 0);
}

TEST_F(WebDataModuleTest, OverrideFileIsReadInsteadOfTheIni) {
    WriteBytes(dir.File(L"Vorlane.ini"), OptionsIni);
    WriteBytes(dir.File(L"Vorlane.ini_override"), "[OPTIONS]\r\nNavFontSize=14\r\n");
    web.BuildMenus();
    EXPECT_EQ(web.OptionsFileName(), dir.File(L"Vorlane.ini_override"));
    EXPECT_EQ(web.NavFontSize, 14);
    EXPECT_EQ(web.IndexDelayMs, -1);
    EXPECT_TRUE(web.ShowTocMode);
    EXPECT_EQ(web.StylePopupMenu->Count(), 0);
}

TEST_F(WebDataModuleTest, OnlineAddressOfAgentUrls) {
    web.BuildMenus();
    const std::wstring agent = L"http://127.0.0.1:47873/help/1-4242/ms.help?product=VS&productVersion=100&locale=en-US";
    const std::wstring base = OnlineLibraryBase;
    struct Row {
        int Lang, Style;
        std::wstring Query, Expected;
    } rows[] = {
        {4, 21, L"&method=page&id=abc&topicversion=100&topiclocale=en-US", L"en-us/library/abc(v=vs.100,d=lightweight).aspx"},
        {4, 21, L"&method=page&id=abc&topicversion=0", L"en-us/library/abc(d=lightweight).aspx"},
        {4, 21, L"&method=page&id=abc", L"en-us/library/abc(d=lightweight).aspx"},
        {4, 21, L"&id=b:xyz1&topicversion=VS.90", L"en-us/library/xyz1(v=VS.90,d=lightweight).aspx"},
        {4, 21, L"&id=b:x&topicversion=100", L"en-us/library/b:x(v=vs.100,d=lightweight).aspx"},
        {3, 22, L"&id=abc&topicversion=100", L"de-de/library/abc(v=vs.100,d=loband).aspx"},
        {13, 27, L"&id=abc&topicversion=100", L"zh-cn/library/abc(v=vs.100,d=robot).aspx"},
        {1, 20, L"&id=abc&topicversion=100", L"ar-sa/library/abc(v=vs.100,d=classic).aspx"},
    };
    for (const auto& r : rows) {
        web.SetLangIndex(r.Lang);
        web.SetStyleIndex(r.Style);
        EXPECT_EQ(Online(agent + r.Query), base + r.Expected) << r.Query;
    }
    web.LibraryBase = L"http://127.0.0.1:9/";
    EXPECT_EQ(Online(agent + L"&id=abc"), L"http://127.0.0.1:9/ar-sa/library/abc(d=classic).aspx");
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(Online(agent + L"&method=search&query=x"), L"unchanged");
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"No MSDN Id= found in current URL"}));
}

TEST_F(WebDataModuleTest, LibraryUrlsAreTakenApart) {
    web.BuildMenus();
    TOnlineUrlInfo info;
    web.ParseOnlineUrl(L"http://MSDN.microsoft.com/de-DE/library/system.string(v=VS.100,d=printer).aspx#Remarks", info);
    EXPECT_TRUE(info.IsLibraryUrl);
    EXPECT_EQ(info.Locale, L"de-de");
    EXPECT_EQ(info.Id, L"system.string");
    EXPECT_EQ(info.ParamText, L"(v=VS.100,d=printer)");
    EXPECT_EQ(info.Version, L"VS.100");
    EXPECT_EQ(info.Style, L"printer");

    web.ParseOnlineUrl(L"http://msdn.microsoft.com/library/ms123( LoBand , VS.90 ).aspx", info);
    EXPECT_EQ(info.Locale, L"en-us");
    EXPECT_EQ(info.Id, L"ms123");
    EXPECT_EQ(info.Style, L"LoBand");
    EXPECT_EQ(info.Version, L"VS.90");

    web.ParseOnlineUrl(L"http://msdn.microsoft.com/en-us/library/ms123.aspx", info);
    EXPECT_EQ(info.Id, L"ms123");
    EXPECT_TRUE(info.ParamText.empty());

    web.ParseOnlineUrl(L"http://example.com/en-us/library/ms123.aspx", info);
    EXPECT_FALSE(info.IsLibraryUrl);
    EXPECT_TRUE(info.Id.empty() && info.Locale.empty());

    // A library address becomes the address in the chosen locale and style.
    EXPECT_EQ(Online(L"http://msdn.microsoft.com/de-de/library/system.string(v=VS.100,d=printer).aspx"),
              std::wstring(OnlineLibraryBase) + L"en-us/library/system.string(v=VS.100,d=lightweight).aspx");
}

