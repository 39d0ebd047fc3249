#include "UMainRules.h"

#include "UMessageTexts.h"

#include <gtest/gtest.h>

TEST(MainRules, TheHelpUrlIsTheFirstParameterThatIsNoDebugSwitch) {
    EXPECT_EQ(CommandLineUrl({}), L"");
    EXPECT_EQ(CommandLineUrl({L"/debug"}), L"");
    EXPECT_EQ(CommandLineUrl({L"/DEBUG", L"-Debug", L"ms-xhelp:///?Id=x"}), L"ms-xhelp:///?Id=x");
    EXPECT_EQ(CommandLineUrl({L"http://a/", L"/debug"}), L"http://a/");
    EXPECT_EQ(CommandLineUrl({L"/debugger"}), L"/debugger"); // only the switch itself is skipped

    // Creation keeps the parameter as given and hands over or opens it without the flag.
    TStartUrl s = StartUrlOf({L"-debug", L"ms-xhelp:///?method=f1&query=x&embedded=true&embedded=true"}, L"offline");
    EXPECT_EQ(s.Param, L"ms-xhelp:///?method=f1&query=x&embedded=true&embedded=true");
    EXPECT_EQ(s.Url, L"ms-xhelp:///?method=f1&query=x&embedded=true");
    EXPECT_FALSE(s.OpenInBrowser);
    EXPECT_EQ(WithoutEmbeddedFlag(L"a&Embedded=TRUE"), L"a&Embedded=TRUE");
    // Only the exact parameter goes: a longer value is not cut into a tail glued on the one before.
    EXPECT_EQ(WithoutEmbeddedFlag(L"?id=a&embedded=truex&b=1"), L"?id=a&embedded=truex&b=1");
    EXPECT_EQ(WithoutEmbeddedFlag(L"?id=a&embedded=truex&embedded=true#f"), L"?id=a&embedded=truex#f");

    // "http:" goes to the web browser only while the runtime is online.
    EXPECT_TRUE(StartUrlOf({L"HTTP://msdn.example/x&embedded=true"}, L"online").OpenInBrowser);
    EXPECT_EQ(StartUrlOf({L"HTTP://msdn.example/x&embedded=true"}, L"online").Url, L"HTTP://msdn.example/x");
    EXPECT_FALSE(StartUrlOf({L"http://127.0.0.1:47873/help/1/ms.help?id=x"}, L"offline").OpenInBrowser);
    EXPECT_FALSE(StartUrlOf({L"http://a/"}, L"Online").OpenInBrowser); // the mode is compared exactly
    EXPECT_FALSE(StartUrlOf({L"https://a/"}, L"online").OpenInBrowser);
    EXPECT_FALSE(StartUrlOf({L"/debug"}, L"online").OpenInBrowser);
    EXPECT_TRUE(StartUrlOf({L"/debug"}, L"online").Param.empty());
}

TEST(MainRules, CaptionNamesTheModeAndTheCatalog) {
    EXPECT_EQ(MainCaption(L"Vorlane 1.2.3.4", L"online", L"  VS\\100\\en-US "),
              L"Vorlane 1.2.3.4 - Online Mode, Catalog: VS\\100\\en-US");
    EXPECT_EQ(MainCaption(L"Vorlane 1.2.3.4", L"offline", L"x"), L"Vorlane 1.2.3.4 - Offline Mode, Catalog: x");
    // No readable mode file gives the offline caption.
    EXPECT_EQ(MainCaption(L"V", L"", L""), L"V - Offline Mode, Catalog: ");
    const std::wstring saved = WinTitle_OnlineMode;
    WinTitle_OnlineMode = L"En ligne";
    EXPECT_EQ(MainCaption(L"V", L"online", L"c"), L"V - En ligne, Catalog: c");
    WinTitle_OnlineMode = saved;
}

TEST(MainRules, F1QueriesEchoTheirLastNamePart) {
    std::wstring t;
    ASSERT_TRUE(F1SearchText(L"f1", L"System.Windows.Forms.Button", t));
    EXPECT_EQ(t, L"Button");
    // The last escape follows the last dot: the text after that escape.
    ASSERT_TRUE(F1SearchText(L"F1", L"System.Collections%3ctype%3eList", t));
    EXPECT_EQ(t, L"List");
    ASSERT_TRUE(F1SearchText(L"F1", L"keyword", t));
    EXPECT_EQ(t, L"keyword");
    ASSERT_TRUE(F1SearchText(L"f1", L"Name.", t)); // nothing after the last dot
    EXPECT_EQ(t, L"");
    ASSERT_TRUE(F1SearchText(L"f1", L"a%2", t)); // an escape cut short
    EXPECT_EQ(t, L"");
    EXPECT_FALSE(F1SearchText(L"keywords", L"a.b", t));
    EXPECT_FALSE(F1SearchText(L"F1 ", L"a.b", t));
    EXPECT_FALSE(F1SearchText(L"f1", L"", t));
}

TEST(MainRules, APassedUrlSwitchesToTheLoadedCatalogsLocale) {
    const std::wstring url = L"http://127.0.0.1:47873/help/1/ms.help?product=VS&productVersion=100&locale=DE-de&id=x";
    EXPECT_EQ(LocaleSwitchUrl(url, L"en-US"),
              L"http://127.0.0.1:47873/help/1/ms.help?product=VS&productVersion=100&locale=en-US&id=x");
    EXPECT_EQ(LocaleSwitchUrl(url, L"de-DE"), L""); // the same locale, case folded
    EXPECT_EQ(LocaleSwitchUrl(url, L""), L"");
    EXPECT_EQ(LocaleSwitchUrl(L"ms-xhelp:///?Id=x", L"en-us"), L"");
    EXPECT_EQ(LocaleSwitchUrl(L"ms-xhelp:///?locale=&Id=x", L"en-us"), L"");
    // The locale key's own value is the one replaced, also when the same text comes earlier.
    EXPECT_EQ(LocaleSwitchUrl(L"?topiclocale=fr-fr&locale=fr-FR&x=1", L"en-us"), L"?topiclocale=fr-fr&locale=en-us&x=1");
}
