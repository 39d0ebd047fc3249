#include "UUtilsW.h"

#include "TestHarness.h"
#include "ULanguage.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

int FilesIn(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    int n = 0;
    if (h == INVALID_HANDLE_VALUE) return 0;
    do n += !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return n;
}

} // namespace

TEST(UtilsW, FolderWritableProbeLeavesUsersFilesAlone) {
    TempDir dir;
    // A file of the name older versions used for their probe survives, byte for byte.
    const std::wstring users = dir.File(L"$_Temp_$.$$$");
    WriteBytes(users, "user data");
    bool deleted = false;
    EXPECT_TRUE(IsFolderWritable(dir.Path(), deleted));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(ReadBytes(users), "user data");
    EXPECT_EQ(FilesIn(dir.Path()), 1);

    EXPECT_TRUE(IsFolderWritable(dir.Path() + L"\\"));
    EXPECT_TRUE(IsFolderWritable(dir.File(L"no-such-file.txt"))); // its folder is meant
    EXPECT_EQ(FilesIn(dir.Path()), 1);
    EXPECT_FALSE(IsFolderWritable(dir.File(L"missing\\deeper\\x")));
    EXPECT_FALSE(IsFolderWritable(L""));
    EXPECT_TRUE(IsFolderWritable(dir.Path().substr(0, 1))); // a drive letter
}

TEST(UtilsW, Folders) {
    const std::wstring windows = GetWindowsFolderW();
    EXPECT_FALSE(windows.empty());
    EXPECT_NE(windows.back(), L'\\');
    const std::wstring temp = GetTempFolderChecked();
    EXPECT_FALSE(temp.empty());
    EXPECT_NE(temp.back(), L'\\');
    std::wstring docs;
    EXPECT_TRUE(GetSpecialFolderW(5, docs));
    EXPECT_EQ(ShellFolderPath(5 | 0x8000), docs); // the flag bits are masked off
    EXPECT_FALSE(ProgramFolder().empty());
    EXPECT_EQ(ProgramFileName(), L"base_tests.exe");
}

TEST(UtilsW, AdminAndLanguage) {
    EXPECT_TRUE(IsUserAdmin()); // the user is an administrator under Wine
    EXPECT_EQ(LanguageCharsetOf(18, 1), 129);
    EXPECT_EQ(LanguageCharsetOf(18, 2), 130);
    EXPECT_EQ(LanguageCharsetOf(18, 3), 1);
    EXPECT_EQ(LanguageCharsetOf(25, 1), 204);
    EXPECT_EQ(LanguageCharsetOf(7, 1), 1); // German
    EXPECT_GT(LanguageCharset(), 0);

    EXPECT_EQ(IndexOfCodePage(37), 0);
    EXPECT_EQ(IndexOfCodePage(65001), CodePageTableCount - 1);
    EXPECT_EQ(IndexOfCodePage(1), -1);
    int marked = 0;
    for (int i = 0; i < CodePageTableCount; ++i) {
        marked += CodePageTable[i].Marked;
        if (i > 0) {
            EXPECT_LT(CodePageTable[i - 1].CodePage, CodePageTable[i].CodePage);
        }
    }
    EXPECT_EQ(marked, 15);
}

TEST(UtilsW, Arrays) {
    TIntArray ints;
    EXPECT_EQ(IntArrayAdd(ints, 5), 0);
    EXPECT_EQ(IntArrayAddUnique(ints, 7), 1);
    EXPECT_EQ(IntArrayAddUnique(ints, 5), 0);
    EXPECT_EQ(IntArrayIndexOf(ints, 9), -1);
    TWideStrArray strs;
    EXPECT_EQ(StrArrayAddUnique(strs, L"Caf\x00E9", true), 0);
    EXPECT_EQ(StrArrayAddUnique(strs, L"caf\x00C9", true), 1);
    EXPECT_EQ(StrArrayAddUniqueText(strs, L"CAF\x00C9"), 0); // the locale folds accented letters
    EXPECT_EQ(StrArrayIndexOf(strs, L"Caf", false), -1);
    EXPECT_EQ(strs.size(), 2u);
}
