#include "USuperFind.h"

#include "TestHarness.h"
#include "UUnicode.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

class SuperFindTest : public ::testing::Test {
protected:
    void SetUp() override {
        FPrev = SetUserMessageHandler([this](int, const std::wstring& title, const std::wstring& text, int) {
            Messages.push_back(title + L"|" + text);
            return AnswerOk;
        });
        FPrevDelay = TSuperFind::RetryDelayMs;
        TSuperFind::RetryDelayMs = 100;
    }
    void TearDown() override {
        SetUserMessageHandler(FPrev);
        TSuperFind::RetryDelayMs = FPrevDelay;
    }

    std::vector<std::wstring> Messages;
    bool AnswerOk = true;
    TempDir Dir;

private:
    TUserMessageHandler FPrev;
    unsigned FPrevDelay = 0;
};

std::string Utf16LE(const std::wstring& s) { return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2); }
std::string Utf16BE(const std::wstring& s) {
    std::string b = Utf16LE(s);
    SwapByteOrder(b);
    return b;
}

// A summer date, so that a conversion through local time would shift it by the
// daylight-saving hour.
FILETIME OldTime() {
    SYSTEMTIME st{2019, 7, 1, 1, 12, 34, 56, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

void SetWriteTime(const std::wstring& path, const FILETIME& ft) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

uint64_t WriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return 0;
    return (static_cast<uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
}

uint64_t Ticks(const FILETIME& ft) { return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

} // namespace

TEST_F(SuperFindTest, RoundTripKeepsEncodingMarkAndTime) {
    const std::wstring before = L"<add key=\"helpmode\" value=\"online\" /> caf\x00E9 \x20AC";
    const std::wstring after = L"<add key=\"helpmode\" value=\"offline\" /> caf\x00E9 \x20AC";
    struct Case {
        const char* name;
        std::string (*bytes)(const std::wstring&);
        uint8_t encoding;
        bool bom;
    };
    const std::vector<Case> cases = {
        {"utf16le+bom", [](const std::wstring& s) { return "\xFF\xFE" + Utf16LE(s); }, encUtf16LE, true},
        {"utf16be+bom", [](const std::wstring& s) { return "\xFE\xFF" + Utf16BE(s); }, encUtf16BE, true},
        {"utf8+bom", [](const std::wstring& s) { std::string u; WideToUtf8(s, u); return "\xEF\xBB\xBF" + u; },
         encUtf8, true},
        {"utf8", [](const std::wstring& s) { std::string u; WideToUtf8(s, u); return u; }, encUtf8, false},
        {"utf16le", [](const std::wstring& s) { return Utf16LE(s + std::wstring(100, L' ')); }, encUtf16LE, false},
        {"ansi", [](const std::wstring& s) { std::string a; WideToAnsi(1252, s, false, a); return a; }, encAnsi, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring file = Dir.File(L"HelpClient.cfg");
        WriteBytes(file, c.bytes(before));
        SetWriteTime(file, OldTime());

        TSuperFind sf(file);
        ASSERT_TRUE(sf.IsOK());
        EXPECT_EQ(sf.FileEncoding, c.encoding);
        EXPECT_EQ(sf.HasBOM, c.bom);
        std::wstring text = sf.GetText();
        if (c.encoding == encUtf16LE && !c.bom) text.resize(before.size());
        EXPECT_EQ(text, before);

        std::wstring edited = after;
        if (c.encoding == encUtf16LE && !c.bom) edited += std::wstring(100, L' ');
        ASSERT_TRUE(sf.SetText(edited));
        ASSERT_TRUE(sf.SaveToFile());
        EXPECT_EQ(ReadBytes(file), c.bytes(after));
        EXPECT_EQ(WriteTime(file), Ticks(OldTime()));
        EXPECT_FALSE(testing_support::FileExistsW(Dir.File(L"HelpClient.$$$")));
    }
    EXPECT_TRUE(Messages.empty());
}

TEST_F(SuperFindTest, SavingOverAReadOnlyFileKeepsItReadOnly) {
    const std::wstring file = Dir.File(L"ro.xml");
    WriteBytes(file, "\xEF\xBB\xBF<a/>");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    TSuperFind sf(file);
    ASSERT_TRUE(sf.IsOK());
    ASSERT_TRUE(sf.SetText(L"<b/>"));
    EXPECT_TRUE(sf.SaveToFile());
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF<b/>");
    EXPECT_NE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    // Writing to another file leaves the loaded one alone.
    const std::wstring copy = Dir.File(L"copy.xml");
    EXPECT_TRUE(sf.SaveToFile(copy));
    EXPECT_EQ(ReadBytes(copy), "\xEF\xBB\xBF<b/>");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SuperFindTest, LockedFiles) {
    const std::wstring file = Dir.File(L"locked.txt");
    WriteBytes(file, "abc");

    // Locked for the first two attempts (at 0 and 300 ms), free for the third (600 ms).
    TSuperFind::RetryDelayMs = 300;
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::thread release([h] {
        Sleep(450);
        CloseHandle(h);
    });
    const DWORD t0 = GetTickCount();
    TSuperFind sf(file);
    const DWORD took = GetTickCount() - t0;
    release.join();
    EXPECT_TRUE(sf.IsOK());
    EXPECT_EQ(sf.GetText(), L"abc");
    EXPECT_GE(took, 550u);
    EXPECT_TRUE(Messages.empty());
    TSuperFind::RetryDelayMs = 50;

    // Locked throughout: a read error, Data empty, and nothing is ever saved.
    h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    TSuperFind locked(file);
    CloseHandle(h);
    EXPECT_EQ(locked.Status, 1);
    EXPECT_TRUE(locked.Data.empty());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], L"File Read Error|Error Reading " + file + L". File in use or memory allocate error?");
    EXPECT_FALSE(locked.SaveToFile());
    EXPECT_EQ(ReadBytes(file), "abc");

    // A failed replace keeps the old file whole.
    TSuperFind sf2(file);
    ASSERT_TRUE(sf2.SetText(L"changed"));
    h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    AnswerOk = false;
    EXPECT_FALSE(sf2.SaveToFile());
    CloseHandle(h);
    EXPECT_EQ(sf2.Status, 2);
    EXPECT_EQ(ReadBytes(file), "abc");
    EXPECT_FALSE(testing_support::FileExistsW(Dir.File(L"locked.$$$")));
}

TEST_F(SuperFindTest, MissingAndEmptyFiles) {
    TSuperFind missing(Dir.File(L"nope.txt"));
    EXPECT_EQ(missing.Status, 1);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], L"File not found|File not found: " + Dir.File(L"nope.txt"));
    AnswerOk = false;
    TSuperFind cancelled(Dir.File(L"nope.txt"));
    EXPECT_EQ(cancelled.Status, 2);

    const std::wstring empty = Dir.File(L"empty.txt");
    WriteBytes(empty, "");
    TSuperFind e(empty);
    EXPECT_TRUE(e.IsOK());
    EXPECT_EQ(e.GetText(), L"");
    EXPECT_EQ(Messages.size(), 2u);
}

TEST_F(SuperFindTest, ConvertToAnsiAndRequests) {
    const std::wstring file = Dir.File(L"u8.txt");
    WriteBytes(file, "caf\xC3\xA9");
    TSuperFind sf(file, reqDetect, 1252, true);
    ASSERT_TRUE(sf.IsOK());
    EXPECT_EQ(sf.FileEncoding, encUtf8);
    EXPECT_EQ(sf.DataEncoding, encAnsi);
    EXPECT_EQ(sf.Data, "caf\xE9");
    EXPECT_EQ(sf.GetText(), L"caf\x00E9");

    // A request says how to read a file without mark.
    WriteBytes(file, std::string("h\0i\0", 4));
    TSuperFind le(file, reqUtf16LE, -1, false);
    EXPECT_EQ(le.FileEncoding, encUtf16LE);
    EXPECT_EQ(le.GetText(), L"hi");
}

TEST_F(SuperFindTest, PathsBeyondMaxPath) {
    std::wstring folder = L"\\\\?\\" + Dir.Path();
    std::wstring plain = Dir.Path();
    while (plain.size() < 300) {
        folder += L"\\abcdefghijklmnopqrstuvwxyz0123456789";
        plain += L"\\abcdefghijklmnopqrstuvwxyz0123456789";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    const std::wstring file = plain + L"\\long.txt";
    {
        std::string u8;
        WideToUtf8(L"\x00E9t\x00E9", u8);
        EXPECT_EQ(WriteTextFile(-1, file, "\xEF\xBB\xBF" + u8, encUtf8, true), cvOk);
        TSuperFind sf(file);
        ASSERT_TRUE(sf.IsOK());
        EXPECT_EQ(sf.GetText(), L"\x00E9t\x00E9");
        ASSERT_TRUE(sf.SetText(L"hiver"));
        EXPECT_TRUE(sf.SaveToFile());
        TSuperFind again(file);
        EXPECT_EQ(again.GetText(), L"hiver");
    }
    DeleteFileW((L"\\\\?\\" + file).c_str());
    while (folder.size() > 4 + Dir.Path().size()) {
        RemoveDirectoryW(folder.c_str());
        folder.resize(folder.find_last_of(L'\\'));
    }
}
