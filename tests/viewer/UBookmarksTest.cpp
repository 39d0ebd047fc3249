// Bookmark files, names, folders and the saved view style.
#include "TestHarness.h"
#include "UAuxFile.h"
#include "UBookmarks.h"
#include "ULangFile.h"
#include "UMessageTexts.h"
#include "UUtilsW.h"
#include "UserAnswers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(BookmarkFile, WritesTwoUtf16LinesAndReadsOtherProgramsFiles) {
    TempDir dir;
    const std::wstring url = L"ms-xhelp:///?Id=caf\u00e9&product=VS";
    ASSERT_TRUE(WriteUrlFile(dir.File(L"a.url"), url));
    const std::wstring text = L"[InternetShortcut]\r\nURL=" + url + L"\r\n";
    EXPECT_EQ(ReadBytes(dir.File(L"a.url")),
              "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
    std::wstring back;
    EXPECT_TRUE(ReadUrlFile(dir.File(L"a.url"), back));
    EXPECT_EQ(back, url);
    // ANSI with more keys and sections, in another case; UTF-8 with its mark
    WriteBytes(dir.File(L"ie.URL"), "[DEFAULT]\r\nBASEURL=http://b/\r\n[internetshortcut]\r\nurl=http://x/\xe9\r\nIconIndex=1\r\n");
    EXPECT_TRUE(ReadUrlFile(dir.File(L"ie.URL"), back));
    EXPECT_EQ(back, L"http://x/\u00e9");
    WriteBytes(dir.File(L"u8.url"), "\xEF\xBB\xBF[InternetShortcut]\nURL=http://y/\xC3\xA9\n");
    EXPECT_TRUE(ReadUrlFile(dir.File(L"u8.url"), back));
    EXPECT_EQ(back, L"http://y/\u00e9");
    WriteBytes(dir.File(L"empty.url"), "[InternetShortcut]\r\nIconIndex=1\r\n");
    EXPECT_FALSE(ReadUrlFile(dir.File(L"empty.url"), back));
    EXPECT_FALSE(ReadUrlFile(dir.File(L"missing.url"), back));
}

// A bookmark or language file far beyond any real one is not read (it crashed or froze the
// window): the user is told which file, and the file stays as it is.
TEST(OversizedFiles, AreToldAboutAndLeftAlone) {
    TempDir dir;
    std::vector<std::wstring> shown;
    auto previous = SetUserMessageHandler([&](int, const std::wstring&, const std::wstring& text, int) {
        shown.push_back(text);
        return true;
    });
    const std::string head = "[InternetShortcut]\r\nURL=http://x/";
    for (const int64_t size : {MaxBookmarkFileBytes, MaxBookmarkFileBytes + 1, int64_t{20} << 20}) {
        const std::wstring file = dir.File(L"big" + std::to_wstring(size) + L".url");
        const std::string bytes = head + std::string(static_cast<size_t>(size) - head.size(), 'a');
        WriteBytes(file, bytes);
        std::wstring url;
        const size_t before = shown.size();
        EXPECT_EQ(ReadUrlFile(file, url), size <= MaxBookmarkFileBytes) << size;
        EXPECT_EQ(shown.size(), before + (size <= MaxBookmarkFileBytes ? 0 : 1)) << size;
        if (size > MaxBookmarkFileBytes) {
            EXPECT_EQ(url, L"");
            EXPECT_EQ(shown.back(), FileTooLargeText(file, MaxBookmarkFileBytes));
            EXPECT_EQ(ReadBytes(file).size(), bytes.size());
        }
    }
    const std::wstring lang = dir.File(L"vorlane.lang.xx");
    WriteBytes(lang, "[Translator]\r\nName=x\r\n[main]\r\nKey=Value\r\n" +
                         std::string(static_cast<size_t>(MaxLanguageFileBytes), ';'));
    TLangFile file;
    EXPECT_FALSE(file.Load(lang));
    EXPECT_EQ(shown.back(), FileTooLargeText(lang, MaxLanguageFileBytes));
    EXPECT_EQ(ReadLangFileInfo(lang).Name, L"");
    SetUserMessageHandler(previous);
}

TEST(BookmarkFile, ListItemsOpenWithoutTheEmbeddedFlagAgentAddressesAreStoredPortFree) {
    TempDir dir;
    ASSERT_TRUE(WriteUrlFile(dir.File(L"Topic.URL"), L"ms-xhelp:///?Id=1&embedded=true&x=2&embedded=true"));
    EXPECT_EQ(BookmarkItemUrl(dir.Path() + L"\\", L"Topic.URL"), L"ms-xhelp:///?Id=1&x=2&embedded=true");
    WriteBytes(dir.File(L"notes.txt"), "[InternetShortcut]\r\nURL=http://x/\r\n");
    EXPECT_EQ(BookmarkItemUrl(dir.Path(), L"notes.txt"), L"");
    EXPECT_EQ(BookmarkAddress(L"http://127.0.0.1:47873/help/1-4242/ms.help?method=page&id=X"),
              L"ms-xhelp:///?method=page&id=X");
    EXPECT_EQ(BookmarkAddress(L"http://example.com/a?b"), L"http://example.com/a?b");
}

TEST(BookmarkSave, NamesAreCleanedAndEmptyOnesRefused) {
    TempDir dir;
    UserAnswers answers;
    std::wstring file;
    EXPECT_EQ(SaveBookmarkFile(L"How to: use \"a/b\\c*|<>?", dir.Path(), L"http://x/", file), TBookmarkSave::Saved);
    EXPECT_EQ(file, dir.File(L"How to use abc.url"));
    // A page title with control characters (a tab, a line break) is saved without them.
    EXPECT_EQ(SaveBookmarkFile(L"Line\tone\r\ntwo\x01", dir.Path(), L"http://x/", file), TBookmarkSave::Saved);
    EXPECT_EQ(file, dir.File(L"Lineonetwo.url"));
    for (const wchar_t* name : {L"?:/", L"", L"   "})
        EXPECT_EQ(SaveBookmarkFile(name, dir.Path(), L"http://x/", file), TBookmarkSave::EmptyName) << name;
    EXPECT_FALSE(FileExistsW(dir.File(L".url")));
    EXPECT_EQ(answers.Told.size(), 3u);
}

TEST(BookmarkSave, OverwriteIsAskedAndAFailedWriteKeepsTheOldFile) {
    TempDir dir;
    UserAnswers answers;
    std::wstring file;
    const std::wstring folder = dir.File(L"new\\deeper");
    ASSERT_EQ(SaveBookmarkFile(L"Page", folder, L"http://old/", file), TBookmarkSave::Saved); // folders made
    const std::string old = ReadBytes(file);
    EXPECT_EQ(SaveBookmarkFile(L"Page", folder + L"\\", L"http://new/", file), TBookmarkSave::NotReplaced);
    EXPECT_EQ(answers.Told, std::vector<std::wstring>{MessageHeading() + L"|" + AddBookmarkDlg_Overwrite});
    answers.Yes = true;
    // another program holds the file open without sharing it
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(SaveBookmarkFile(L"Page", folder, L"http://new/", file), TBookmarkSave::WriteFailed);
    CloseHandle(h);
    EXPECT_EQ(answers.Told.back(), L"Error writing to file|Error writing to file " + file);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY); // a read-only one is not replaced either
    EXPECT_EQ(SaveBookmarkFile(L"Page", folder, L"http://new/", file), TBookmarkSave::WriteFailed);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_EQ(SaveBookmarkFile(L"Page", folder, L"http://new/", file), TBookmarkSave::Saved);
    EXPECT_NE(ReadBytes(file), old);
    WriteBytes(dir.File(L"blocker"), "x"); // a folder that cannot be made
    EXPECT_EQ(SaveBookmarkFile(L"A", dir.File(L"blocker\\sub"), L"http://new/", file), TBookmarkSave::WriteFailed);
}

TEST(BookmarkFolders, DefaultStartNewAndSpecialFolders) {
    EXPECT_EQ(DefaultBookmarkFolder(L"C:\\Docs\\", L"C:\\Temp"), L"C:\\Docs\\My Help Viewer Bookmarks");
    EXPECT_EQ(DefaultBookmarkFolder(L"", L"C:\\Temp\\"), L"C:\\Temp\\My Help Viewer Bookmarks");
    TempDir dir;
    const std::wstring def = dir.File(L"Docs\\My Help Viewer Bookmarks");
    EXPECT_EQ(StartBookmarkFolder(dir.File(L"gone"), def), def);
    EXPECT_NE(GetFileAttributesW(def.c_str()), INVALID_FILE_ATTRIBUTES); // made
    EXPECT_EQ(StartBookmarkFolder(dir.Path(), def), dir.Path());

    std::wstring made;
    ASSERT_TRUE(CreateNewBookmarkFolder(dir.Path() + L"\\", made));
    EXPECT_EQ(made, dir.File(L"New Folder"));
    ASSERT_TRUE(CreateNewBookmarkFolder(dir.Path(), made));
    EXPECT_EQ(made, dir.File(L"New Folder (2)"));
    WriteBytes(dir.File(L"New Folder (3)"), "a file takes the name too");
    EXPECT_EQ(NewFolderPath(dir.Path()), dir.File(L"New Folder (4)"));

    EXPECT_EQ(SpecialBookmarkFolder(dir.File(L"Docs"), L""), dir.File(L"Docs\\"));
    EXPECT_EQ(SpecialBookmarkFolder(L"", dir.File(L"Docs\\Favorites")), dir.File(L"Docs\\")); // its parent
    EXPECT_EQ(SpecialBookmarkFolder(dir.File(L"missing"), dir.File(L"Docs\\Favorites")), L"");
}

TEST(BookmarkFolders, ViewStyleSetting) {
    TFavViewStyle style = fvIcon;
    EXPECT_FALSE(FavViewStyleFromSetting(L"", style)); // the list keeps its style
    for (const auto& [value, expected] : std::vector<std::pair<std::wstring, TFavViewStyle>>{
             {L"1", fvIcon}, {L"5", fvThumbnail}, {L"4", fvReport}, {L"0", fvList}, {L"12", fvList}, {L"x", fvList}}) {
        EXPECT_TRUE(FavViewStyleFromSetting(value, style));
        EXPECT_EQ(style, expected) << value;
    }
    EXPECT_EQ(FavViewStyleSetting(fvSmallIcon), L"2");
    EXPECT_EQ(FavViewStyleSetting(0), L"3");
}
