#include "UConfigDat.h"

#include "TestHarness.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

using testing_support::FileExistsW;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

struct MessageCatcher {
    std::vector<std::wstring> Texts;
    TUserMessageHandler Previous;
    MessageCatcher() {
        Previous = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& t, int) {
            Texts.push_back(t);
            return true;
        });
    }
    ~MessageCatcher() { SetUserMessageHandler(Previous); }
};

} // namespace

TEST(ConfigDat, DefaultsWithoutAFileAndNoInstallLeavesFilesAlone) {
    TempDir dir;
    WriteBytes(dir.File(L"settings_new.ini"), "[Main]\r\nVersion=9\r\n");
    TConfigDat cfg(dir.Path(), false);
    EXPECT_TRUE(cfg.SettingsFile.empty());
    EXPECT_TRUE(cfg.XPThemes);
    EXPECT_EQ(cfg.CharSet, -999);
    EXPECT_EQ(cfg.MOTW, L"<!-- saved from url=(0014)about:internet -->");
    EXPECT_EQ(cfg.HtmlHelpFileTypes->Count(), 0);
    EXPECT_TRUE(FileExistsW(dir.File(L"settings_new.ini")));
    EXPECT_FALSE(FileExistsW(dir.File(L"Settings.ini")));
}

TEST(ConfigDat, ReadsTheFirstExistingFileAndItsSections) {
    TempDir dir;
    WriteBytes(dir.File(L"Settings.ini"), "[Main]\r\nCharSet=5\r\n");
    WriteBytes(dir.File(L"Config.dat"),
               "[main]\r\nXPThemes=no\r\nFindReplaceAutoDropDown=YES\r\nCharSet=12x\r\nCodePage=+1252\r\n"
               "HtmlHelpFileTypes=.HTM|.Txt||.css\r\nMOTW=  <!-- m -->  \r\nDataDir= d:\\data \r\n"
               "FileListIcons=0\r\nAutoCodePage=1\r\n"
               "[HTMLHelp]\r\nTOCEscapeExcludeList=abc\r\n[MSHelp2]\r\nTOCEscapeExcludeList=xyz\r\n");
    TConfigDat cfg(dir.Path() + L"\\", false);
    EXPECT_EQ(cfg.SettingsFile, dir.File(L"Config.dat"));
    EXPECT_FALSE(cfg.XPThemes);
    EXPECT_TRUE(cfg.FindReplaceAutoDropDown);
    EXPECT_EQ(cfg.CharSet, -999); // not an integer
    EXPECT_EQ(cfg.CodePage, 1252);
    ASSERT_EQ(cfg.HtmlHelpFileTypes->Count(), 3);
    EXPECT_EQ(cfg.HtmlHelpFileTypes->Strings(1), L".txt");
    EXPECT_EQ(cfg.MOTW, L"<!-- m -->");
    EXPECT_EQ(cfg.DataDir, L"d:\\data");
    EXPECT_FALSE(cfg.FileListIcons);
    EXPECT_TRUE(cfg.AutoCodePage);
    EXPECT_TRUE(cfg.TitleBarIcons); // missing: default
    EXPECT_EQ(cfg.HtmlHelpTocEscapeExcludeList, L"abc");
    EXPECT_EQ(cfg.MSHelp2TocEscapeExcludeList, L"xyz");
    EXPECT_EQ(cfg.ExeFolder, dir.Path());
}

TEST(ConfigDat, BooleanWords) {
    EXPECT_TRUE(ConfigBool(L"True", false));
    EXPECT_TRUE(ConfigBool(L"y", false));
    EXPECT_FALSE(ConfigBool(L"on", true));
    EXPECT_TRUE(ConfigBool(L"", true));
}

TEST(ConfigDat, InstallReplacesAnOlderSettingsFileAndKeepsABackup) {
    TempDir dir;
    MessageCatcher msgs;
    WriteBytes(dir.File(L"Config.ini"), "[Main]\r\nVersion=5\r\n");
    WriteBytes(dir.File(L"Settings.ini"), "[Main]\r\nVersion=5\r\n");
    WriteBytes(dir.File(L"Settings.ini.000"), "taken");
    WriteBytes(dir.File(L"settings_new.ini"), "[Main]\r\nVersion=6\r\n");
    TConfigDat cfg(dir.Path(), true);
    EXPECT_FALSE(FileExistsW(dir.File(L"settings_new.ini")));
    EXPECT_EQ(testing_support::ReadBytes(dir.File(L"Settings.ini")), "[Main]\r\nVersion=6\r\n");
    EXPECT_EQ(testing_support::ReadBytes(dir.File(L"Settings.ini.001")), "[Main]\r\nVersion=5\r\n");
    ASSERT_EQ(msgs.Texts.size(), 1u);
    EXPECT_NE(msgs.Texts[0].find(L"\"Settings.ini.001\""), std::wstring::npos);
}

TEST(ConfigDat, InstallComparesTheVersionOfTheFileItReplaces) {
    TempDir dir;
    MessageCatcher msgs;
    // Config.ini is old, but the Settings.ini about to be replaced is as new as the shipped file.
    WriteBytes(dir.File(L"Config.ini"), "[Main]\r\nVersion=1\r\n");
    WriteBytes(dir.File(L"Settings.ini"), "[Main]\r\nVersion=6\r\nMine=1\r\n");
    WriteBytes(dir.File(L"settings_new.ini"), "[Main]\r\nVersion=6\r\n");
    TConfigDat cfg(dir.Path(), true);
    EXPECT_FALSE(FileExistsW(dir.File(L"settings_new.ini")));
    EXPECT_EQ(testing_support::ReadBytes(dir.File(L"Settings.ini")), "[Main]\r\nVersion=6\r\nMine=1\r\n");
    EXPECT_FALSE(FileExistsW(dir.File(L"Settings.ini.000")));
    EXPECT_TRUE(msgs.Texts.empty());
}

TEST(ConfigDat, InstallWithoutASettingsFileRenamesTheShippedOne) {
    TempDir dir;
    WriteBytes(dir.File(L"settings_new.ini"), "[Main]\r\nVersion=2\r\nCharSet=3\r\n");
    TConfigDat cfg(dir.Path(), true);
    EXPECT_FALSE(FileExistsW(dir.File(L"settings_new.ini")));
    EXPECT_TRUE(FileExistsW(dir.File(L"Settings.ini")));
    EXPECT_EQ(cfg.CharSet, 3);
}
