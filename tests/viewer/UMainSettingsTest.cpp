#include "UMainSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what is written, with the type it was written as.
struct TRecorder : TSettingsWriter {
    std::vector<std::wstring> Lines;
    void WriteString(const std::wstring& Key, const std::wstring& Value) override {
        Lines.push_back(Key + L" s " + Value);
    }
    void WriteBool(const std::wstring& Key, bool Value) override {
        Lines.push_back(Key + L" b " + (Value ? L"1" : L"0"));
    }
    void WriteInteger(const std::wstring& Key, int Value) override {
        Lines.push_back(Key + L" i " + std::to_wstring(Value));
    }
};

} // namespace

TEST(MainSettings, TheThirtyValuesGoOutInTheirOrderWithTheirTypesAndDefaults) {
    TRecorder r;
    WriteMainSettings(r, TMainSettings());
    const std::vector<std::wstring> expected = {
        L"lastCatalog s vs\\100\\en-us", L"SearchText s ", L"mnuOpenF1NewTab b 1", L"IndexPartialMode_FirstKey b 0",
        L"FullIndexMode b 0", L"LeftPanel.Width i 353", L"ShowDebug b 0", L"ShowTopicNav2 b 1",
        L"LastBrowserUsed i 0", L"TimeStampLog b 0", L"mnuQuickTOCLoad b 1", L"SelectedVoice i 0",
        L"SpeechRate i 0", L"SuppressErrors b 1", L"ShowAddressBar b 1", L"ShowBreadcrumbBar b 1",
        L"SpeechVolume i 100", L"SaveTabsOnShutdown b 0", L"FavDir s ", L"FindTextEdit s ",
        L"NavigateOnRight b 0", L"Zoom i 100", L"StayOnTop b 0", L"Color_Background4 i 9999",
        L"Color_Text4 i 9999", L"LangCode s ", L"WebLang i 0", L"WebDevice i 0", L"StyleName s ",
        L"FavView1 s "};
    EXPECT_EQ(r.Lines, expected);

    // Each value comes from its own field (a field written twice or not at all shows here).
    TMainSettings s;
    s.lastCatalog = L"a\\b\\c";
    s.SearchText = L"search";
    s.mnuOpenF1NewTab = false;
    s.IndexPartialMode_FirstKey = true;
    s.FullIndexMode = true;
    s.LeftPanelWidth = 201;
    s.ShowDebug = true;
    s.ShowTopicNav2 = false;
    s.LastBrowserUsed = 10;
    s.TimeStampLog = true;
    s.mnuQuickTOCLoad = false;
    s.SelectedVoice = 2;
    s.SpeechRate = -3;
    s.SuppressErrors = false;
    s.ShowAddressBar = false;
    s.ShowBreadcrumbBar = false;
    s.SpeechVolume = 40;
    s.SaveTabsOnShutdown = true;
    s.FavDir = L"C:\\fav";
    s.FindTextEdit = L"find";
    s.NavigateOnRight = true;
    s.Zoom = 125;
    s.StayOnTop = true;
    s.Color_Background4 = 0x102030;
    s.Color_Text4 = 0x405060;
    s.LangCode = L"de";
    s.WebLang = 5;
    s.WebDevice = 22;
    s.StyleName = L"Small";
    s.FavView1 = L"4";
    TRecorder all;
    WriteMainSettings(all, s);
    const std::vector<std::wstring> values = {
        L"lastCatalog s a\\b\\c", L"SearchText s search", L"mnuOpenF1NewTab b 0", L"IndexPartialMode_FirstKey b 1",
        L"FullIndexMode b 1", L"LeftPanel.Width i 201", L"ShowDebug b 1", L"ShowTopicNav2 b 0",
        L"LastBrowserUsed i 10", L"TimeStampLog b 1", L"mnuQuickTOCLoad b 0", L"SelectedVoice i 2",
        L"SpeechRate i -3", L"SuppressErrors b 0", L"ShowAddressBar b 0", L"ShowBreadcrumbBar b 0",
        L"SpeechVolume i 40", L"SaveTabsOnShutdown b 1", L"FavDir s C:\\fav", L"FindTextEdit s find",
        L"NavigateOnRight b 1", L"Zoom i 125", L"StayOnTop b 1", L"Color_Background4 i 1056816",
        L"Color_Text4 i 4214880", L"LangCode s de", L"WebLang i 5", L"WebDevice i 22", L"StyleName s Small",
        L"FavView1 s 4"};
    EXPECT_EQ(all.Lines, values);

    // A run that never loaded a catalog (the store's registry values unreadable) keeps the stored one.
    s.lastCatalog.clear();
    TRecorder none;
    WriteMainSettings(none, s);
    EXPECT_EQ(none.Lines, std::vector<std::wstring>(values.begin() + 1, values.end()));
}

TEST(MainSettings, StoredValuesAreCheckedBeforeTheyApply) {
    // The browser of the Open-with menu: rows 0 to 6 and the runtime's own viewer (10).
    for (int v : {0, 6, 10})
        EXPECT_EQ(LastBrowserFromSetting(v), v);
    for (int v : {-1, 7, 9, 11, 255})
        EXPECT_EQ(LastBrowserFromSetting(v), 0) << v;

    // The pane's width: within the window or the default.
    EXPECT_EQ(PaneWidthFromSetting(0, 353, 1000), 0); // a collapsed pane stays collapsed
    EXPECT_EQ(PaneWidthFromSetting(1000, 353, 1000), 1000);
    EXPECT_EQ(PaneWidthFromSetting(1001, 353, 1000), 353);
    EXPECT_EQ(PaneWidthFromSetting(-1, 353, 1000), 353);

    // Theme colours: 9999 and anything that is no colour keep the theme's own.
    TColor c = 0;
    EXPECT_FALSE(ThemeColorFromSetting(9999, c));
    EXPECT_FALSE(ThemeColorFromSetting(0x01000000, c));
    EXPECT_FALSE(ThemeColorFromSetting(-1, c));
    EXPECT_FALSE(ThemeColorFromSetting(static_cast<int>(clSystemColor | 200), c));
    ASSERT_TRUE(ThemeColorFromSetting(0x00291D18, c));
    EXPECT_EQ(c, 0x00291D18);
    ASSERT_TRUE(ThemeColorFromSetting(0, c)); // black is a colour
    EXPECT_EQ(c, 0);
    ASSERT_TRUE(ThemeColorFromSetting(clBtnFace, c)); // the Default theme's system colours
    EXPECT_EQ(c, clBtnFace);

    EXPECT_EQ(IndexDelayFromOption(-1), 300);
    EXPECT_EQ(IndexDelayFromOption(0), 0);
    EXPECT_EQ(IndexDelayFromOption(750), 750);
}

TEST(MainSettings, TabAddressesAreNumberedWithoutGapsAndEndWithAnEmptyOne) {
    using TValues = std::vector<std::pair<std::wstring, std::wstring>>;
    EXPECT_EQ(TabUrlValues({L"http://a/1", L"", L" http://c/3 "}),
              (TValues{{L"PageTab_URL1", L"http://a/1"}, {L"PageTab_URL2", L"http://c/3"}, {L"PageTab_URL3", L""}}));
    EXPECT_EQ(TabUrlValues({L" \t", L"x"}), (TValues{{L"PageTab_URL1", L"x"}, {L"PageTab_URL2", L""}}));
    EXPECT_EQ(TabUrlValues({}), (TValues{{L"PageTab_URL1", L""}}));
}
