// Bookmark files, names, folders and the saved view style.
#include "TestHarness.h"
#include "UBookmarks.h"
#include "UUtilsW.h"
#include "UMessageTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::FileExistsW;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

std::string Utf16(const std::wstring& Text) {
    std::string s("\xFF\xFE", 2);
    s.append(reinterpret_cast<const char*>(Text.data()), Text.size() * 2);
    return s;
}

// Answers the program's questions and records what it was told.
class Answers {
public:
    Answers() {
        FOld = SetUserMessageHandler([this](int, const std::wstring& Title, const std::wstring& Text, int Buttons) {
            Told.push_back(Title + L"|" + Text);
            return Buttons == mbYesNo ? Yes : true;
        });
    }
    ~Answers() { SetUserMessageHandler(FOld); }
    bool Yes = false;
    std::vector<std::wstring> Told;

private:
    TUserMessageHandler FOld;
};

} // namespace

TEST(BookmarkFile, WritesExactlyTwoUtf16LinesAndReadsThemBack) {
    TempDir dir;
    const std::wstring file = dir.File(L"a.url");
    const std::wstring url = L"ms-xhelp:///?Id=caf\u00e9&product=VS";
    ASSERT_TRUE(WriteUrlFile(file, url));
    EXPECT_EQ(ReadBytes(file), Utf16(L"[InternetShortcut]\r\nURL=" + url + L"\r\n"));
    std::wstring back;
    ASSERT_TRUE(ReadUrlFile(file, back));
    EXPECT_EQ(back, url);
    // nothing of the temporary file is left in the folder
    WIN32_FIND_DATAW fd;
    int files = 0;
    HANDLE h = FindFirstFileW(dir.File(L"*").c_str(), &fd);
    do files += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    while (FindNextFileW(h, &fd));
    FindClose(h);
    EXPECT_EQ(files, 1);
}

TEST(BookmarkFile, ReadsFilesOfOtherPrograms) {
    TempDir dir;
    std::wstring url;
    // ANSI with more keys and sections, another case
    WriteBytes(dir.File(L"ie.URL"), "[DEFAULT]\r\nBASEURL=http://base/\r\n[internetshortcut]\r\nurl=http://x/\xe9?a=1\r\n"
                                    "IDList=\r\nIconIndex=1\r\n");
    ASSERT_TRUE(ReadUrlFile(dir.File(L"ie.URL"), url));
    EXPECT_EQ(url, L"http://x/\u00e9?a=1");
    // UTF-8 with its mark
    WriteBytes(dir.File(L"u8.url"), "\xEF\xBB\xBF[InternetShortcut]\nURL=http://x/\xC3\xA9\n");
    ASSERT_TRUE(ReadUrlFile(dir.File(L"u8.url"), url));
    EXPECT_EQ(url, L"http://x/\u00e9");
    // no address, no file
    WriteBytes(dir.File(L"empty.url"), "[InternetShortcut]\r\nIconIndex=1\r\n");
    EXPECT_FALSE(ReadUrlFile(dir.File(L"empty.url"), url));
    EXPECT_FALSE(ReadUrlFile(dir.File(L"missing.url"), url));
    EXPECT_TRUE(url.empty());
}

TEST(BookmarkFile, ListItemsOpenTheirAddressWithoutTheEmbeddedFlag) {
    TempDir dir;
    ASSERT_TRUE(WriteUrlFile(dir.File(L"Topic.URL"), L"ms-xhelp:///?Id=1&embedded=true&x=2&embedded=true"));
    EXPECT_EQ(BookmarkItemUrl(dir.Path() + L"\\", L"Topic.URL"), L"ms-xhelp:///?Id=1&x=2&embedded=true");
    WriteBytes(dir.File(L"notes.txt"), "[InternetShortcut]\r\nURL=http://x/\r\n");
    EXPECT_EQ(BookmarkItemUrl(dir.Path(), L"notes.txt"), L"");
    EXPECT_EQ(BookmarkItemUrl(dir.Path(), L"gone.url"), L"");
}

TEST(BookmarkFile, AgentAddressesAreStoredInTheirPortFreeForm) {
    EXPECT_EQ(BookmarkAddress(L"http://127.0.0.1:47873/help/1-4242/ms.help?method=page&id=X"),
              L"ms-xhelp:///?method=page&id=X");
    EXPECT_EQ(BookmarkAddress(L"http://example.com/a?b"), L"http://example.com/a?b");
}

TEST(BookmarkSave, NamesAreCleanedAndEmptyOnesRefused) {
    EXPECT_EQ(CleanBookmarkName(L"a/b:c?d*e|f<g>h\"i\\j"), L"abcdefghij");
    EXPECT_EQ(CleanBookmarkName(L"Caf\u00e9 (2)"), L"Caf\u00e9 (2)");

    TempDir dir;
    Answers answers;
    std::wstring file;
    EXPECT_EQ(SaveBookmarkFile(L"How to: use /? ", dir.Path(), L"http://x/", file), TBookmarkSave::Saved);
    EXPECT_EQ(file, dir.File(L"How to use  .url"));
    EXPECT_TRUE(FileExistsW(file));
    for (const wchar_t* name : {L"?:/", L"", L"   "}) {
        EXPECT_EQ(SaveBookmarkFile(name, dir.Path(), L"http://x/", file), TBookmarkSave::EmptyName) << name;
    }
    EXPECT_FALSE(FileExistsW(dir.File(L".url")));
    EXPECT_FALSE(FileExistsW(dir.File(L"   .url")));
    EXPECT_EQ(answers.Told.size(), 3u);
}

TEST(BookmarkSave, OverwriteIsAskedAndNoKeepsTheOldFile) {
    TempDir dir;
    Answers answers;
    std::wstring file;
    const std::wstring folder = dir.File(L"new\\deeper");
    ASSERT_EQ(SaveBookmarkFile(L"Page", folder, L"http://old/", file), TBookmarkSave::Saved); // folders made
    const std::string old = ReadBytes(file);
    EXPECT_EQ(SaveBookmarkFile(L"Page", folder + L"\\", L"http://new/", file), TBookmarkSave::NotReplaced);
    EXPECT_EQ(answers.Told, std::vector<std::wstring>{ProgramFileName() + L"|" + AddBookmarkDlg_Overwrite});
    EXPECT_EQ(ReadBytes(file), old);
    answers.Yes = true;
    EXPECT_EQ(SaveBookmarkFile(L"Page", folder, L"http://new/", file), TBookmarkSave::Saved);
    std::wstring url;
    ReadUrlFile(file, url);
    EXPECT_EQ(url, L"http://new/");
}

TEST(BookmarkSave, AFailedWriteKeepsTheOldBookmark) {
    TempDir dir;
    Answers answers;
    answers.Yes = true;
    std::wstring file;
    ASSERT_EQ(SaveBookmarkFile(L"Locked", dir.Path(), L"http://old/", file), TBookmarkSave::Saved);
    const std::string old = ReadBytes(file);
    {
        // another program holds the file open without sharing it
        HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(SaveBookmarkFile(L"Locked", dir.Path(), L"http://new/", file), TBookmarkSave::WriteFailed);
        CloseHandle(h);
    }
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_EQ(answers.Told.back(), L"Error writing to file|Error writing to file " + file);

    // a read-only bookmark is not replaced either
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(SaveBookmarkFile(L"Locked", dir.Path(), L"http://new/", file), TBookmarkSave::WriteFailed);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(file), old);
    // a folder that cannot be made (a file stands in its way)
    WriteBytes(dir.File(L"blocker"), "x");
    EXPECT_EQ(SaveBookmarkFile(L"A", dir.File(L"blocker\\sub"), L"http://new/", file), TBookmarkSave::WriteFailed);
}

TEST(BookmarkFolders, NewFoldersAreNumbered) {
    TempDir dir;
    std::wstring made;
    ASSERT_TRUE(CreateNewBookmarkFolder(dir.Path() + L"\\", made));
    EXPECT_EQ(made, dir.File(L"New Folder"));
    ASSERT_TRUE(CreateNewBookmarkFolder(dir.Path(), made));
    EXPECT_EQ(made, dir.File(L"New Folder (2)"));
    WriteBytes(dir.File(L"New Folder (3)"), "a file takes the name too");
    EXPECT_EQ(NewFolderPath(dir.Path()), dir.File(L"New Folder (4)"));
}

TEST(BookmarkFolders, DefaultStartAndSpecialFolders) {
    EXPECT_EQ(DefaultBookmarkFolder(L"C:\\Docs\\", L"C:\\Temp"), L"C:\\Docs\\My Help Viewer Bookmarks");
    EXPECT_EQ(DefaultBookmarkFolder(L"", L"C:\\Temp\\"), L"C:\\Temp\\My Help Viewer Bookmarks");
    EXPECT_NE(DefaultBookmarkFolder().find(L"\\My Help Viewer Bookmarks"), std::wstring::npos);

    TempDir dir;
    const std::wstring def = dir.File(L"Docs\\My Help Viewer Bookmarks");
    EXPECT_EQ(StartBookmarkFolder(dir.File(L"gone"), def), def);
    EXPECT_EQ(GetFileAttributesW(def.c_str()) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(StartBookmarkFolder(dir.Path(), def), dir.Path());
    EXPECT_EQ(StartBookmarkFolder(L"", def), def);

    CreateDirectoryW(dir.File(L"Public").c_str(), nullptr);
    EXPECT_EQ(SpecialBookmarkFolder(dir.File(L"Docs"), L""), dir.File(L"Docs\\"));
    EXPECT_EQ(SpecialBookmarkFolder(L"", dir.File(L"Public\\Favorites")), dir.File(L"Public\\"));
    EXPECT_EQ(SpecialBookmarkFolder(dir.File(L"missing"), dir.File(L"Public\\Favorites")), L"");
    EXPECT_EQ(SpecialBookmarkFolder(L"", L""), L"");
}

TEST(BookmarkFolders, ViewStyleSetting) {
    TFavViewStyle style = fvIcon;
    EXPECT_FALSE(FavViewStyleFromSetting(L"", style));
    EXPECT_EQ(style, fvIcon);
    const std::vector<std::pair<std::wstring, TFavViewStyle>> rows = {
        {L"1", fvIcon}, {L"2", fvSmallIcon}, {L"3", fvList}, {L"4", fvReport}, {L"5", fvThumbnail},
        {L"0", fvList}, {L"6", fvList},      {L"12", fvList}, {L"x", fvList}};
    for (const auto& [value, expected] : rows) {
        ASSERT_TRUE(FavViewStyleFromSetting(value, style)) << value;
        EXPECT_EQ(style, expected) << value;
    }
    EXPECT_EQ(FavViewStyleSetting(fvReport), L"4");
    EXPECT_EQ(FavViewStyleSetting(0), L"3");
    EXPECT_EQ(FavViewStyleSetting(9), L"3");
}
