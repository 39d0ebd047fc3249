#include "UUnicode.h"

#include "TestHarness.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// Answers the code-page dialog and the message boxes, and records what was asked.
class UnicodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        RetryCodePages.clear();
        AutoRetry = true;
        FPrevProblem = SetCodePageProblemHandler([this](const TCodePageProblem& p) {
            Problems.push_back(p);
            TCodePageDecision d = Decisions.empty() ? TCodePageDecision{} : Decisions.front();
            if (!Decisions.empty()) Decisions.erase(Decisions.begin());
            return d;
        });
        FPrevMessage = SetUserMessageHandler([this](int, const std::wstring& title, const std::wstring& text, int) {
            Messages.push_back(title + L"|" + text);
            return AnswerOk;
        });
    }
    void TearDown() override {
        SetCodePageProblemHandler(FPrevProblem);
        SetUserMessageHandler(FPrevMessage);
        RetryCodePages.clear();
    }

    std::vector<TCodePageProblem> Problems;
    std::vector<TCodePageDecision> Decisions;
    std::vector<std::wstring> Messages;
    bool AnswerOk = true;

private:
    TCodePageProblemHandler FPrevProblem;
    TUserMessageHandler FPrevMessage;
};

uint8_t Detect(const std::string& bytes, bool* hasBom = nullptr) {
    bool b = false;
    const uint8_t e = DetectEncoding(bytes, b);
    if (hasBom) *hasBom = b;
    return e;
}

std::string Utf16LE(const std::wstring& s) { return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2); }

} // namespace

TEST_F(UnicodeTest, EmptyInputIsAnEmptySuccess) {
    std::wstring w = L"x";
    std::string a = "x";
    int used = 0;
    EXPECT_EQ(Unicode_A2W_Convert(1252, "", 0, w), cvOk);
    EXPECT_TRUE(w.empty());
    EXPECT_EQ(Unicode_A2W_Convert(12345, "", 0, w), cvOk); // not even a bad code page is looked at
    EXPECT_EQ(Unicode_W2A_Convert(1252, L"", 0, true, used, a), cvOk);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(used, 1252);
    EXPECT_EQ(WideToUtf8(L"", a), cvOk);
    EXPECT_EQ(BufferToWide(-1, "", 0, w), cvOk);
    EXPECT_TRUE(w.empty());
    EXPECT_TRUE(Problems.empty());
    EXPECT_TRUE(Messages.empty());
}

TEST_F(UnicodeTest, NonStrictConversionPutsQuestionMarks) {
    std::string a;
    EXPECT_EQ(WideToAnsi(1252, L"a\x03A9" L"b\x00E9", false, a), cvOk);
    EXPECT_EQ(a, "a?b\xE9");
    // A real ESC in the text is kept, never taken for a problem.
    EXPECT_EQ(WideToAnsi(1252, L"\x1B" L"x\x03A9", false, a), cvOk);
    EXPECT_EQ(a, "\x1Bx?");
    EXPECT_EQ(WideToAnsi(1252, L"\x1B" L"x", true, a), cvOk);
    EXPECT_EQ(a, "\x1Bx");
    EXPECT_TRUE(Problems.empty());
}

TEST_F(UnicodeTest, StrictConversionAsksAndFollowsTheAnswer) {
    const std::wstring text = L"\x1B" L"A\x03A9" L"B\x03A3";
    std::string a = "old";
    int used = 0;

    // Cancel (the default answer).
    EXPECT_EQ(Unicode_W2A_Convert(1252, text.data(), 5, true, used, a), cvCancelled);
    EXPECT_TRUE(a.empty());
    ASSERT_EQ(Problems.size(), 1u);
    EXPECT_EQ(Problems[0].CodePage, 1252);
    EXPECT_EQ(Problems[0].Positions, (std::vector<int>{3, 5})); // not the ESC at 1
    EXPECT_EQ(Problems[0].Text, L"\x1B" L"A?B?");

    // Skip empties the output; Accept keeps it with '?'.
    Decisions = {{cpdSkip, 0, false}};
    EXPECT_EQ(Unicode_W2A_Convert(1252, text.data(), 5, true, used, a), cvLossy);
    EXPECT_TRUE(a.empty());
    Decisions = {{cpdAccept, 0, false}};
    EXPECT_EQ(Unicode_W2A_Convert(1252, text.data(), 5, true, used, a), cvOk);
    EXPECT_EQ(a, "\x1B" "A?B?");

    // Retry with Greek, not remembered.
    Decisions = {{cpdRetry, 1253, false}};
    EXPECT_EQ(Unicode_W2A_Convert(1252, text.data(), 5, true, used, a), cvOk);
    EXPECT_EQ(used, 1253);
    EXPECT_EQ(a, "\x1B" "A\xD9" "B\xD3");
    EXPECT_TRUE(RetryCodePages.empty());

    // Retry remembered: later failures try it without asking.
    Decisions = {{cpdRetry, 1253, true}};
    EXPECT_EQ(Unicode_W2A_Convert(-1, text.data(), 5, true, used, a), cvOk);
    EXPECT_EQ(RetryCodePages, (std::vector<int>{1253}));
    const size_t asked = Problems.size();
    EXPECT_EQ(Unicode_W2A_Convert(1252, text.data(), 5, true, used, a), cvOk);
    EXPECT_EQ(used, 1253);
    EXPECT_EQ(Problems.size(), asked);
    AutoRetry = false;
    EXPECT_EQ(Unicode_W2A_Convert(1252, text.data(), 5, true, used, a), cvCancelled);
    EXPECT_EQ(Problems.size(), asked + 1);
}

TEST_F(UnicodeTest, AnsiToWideFailureIsReported) {
    std::wstring w;
    EXPECT_EQ(AnsiToWide(1252, "caf\xE9", w), cvOk);
    EXPECT_EQ(w, L"caf\x00E9");
    SetConversionSource(L"C:\\x.txt");
    EXPECT_EQ(AnsiToWide(12345, "abc", w), cvLossy);
    EXPECT_TRUE(w.empty());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find(L"Error converting ANSI to Unicode|"), std::wstring::npos);
    EXPECT_NE(Messages[0].find(L"ERROR_INVALID_PARAMETER"), std::wstring::npos);
    EXPECT_NE(Messages[0].find(L"file: C:\\x.txt"), std::wstring::npos);
    AnswerOk = false;
    EXPECT_EQ(AnsiToWide(12345, "abc", w), cvCancelled);
    EXPECT_EQ(AnsiCharToWide(1252, '\x80'), L'\x20AC');
    EXPECT_EQ(AnsiCharToWide(1253, '\xD9'), L'\x03A9');
}

TEST_F(UnicodeTest, UrlEncodeNonAscii) {
    EXPECT_EQ(UrlEncodeNonAscii(L"  a b/c\x00E9?x=1&y  "), L"a b/c%C3%A9?x=1&y");
    EXPECT_EQ(UrlEncodeNonAscii(L"\x20AC"), L"%E2%82%AC");
    EXPECT_EQ(UrlEncodeNonAscii(L"x\xD83D\xDE00y"), L"x%F0%9F%98%80y"); // one character, four bytes
    EXPECT_EQ(UrlEncodeNonAscii(L"\xD83D" L"a"), L"%EF%BF%BDa");        // a lone half
    EXPECT_EQ(UrlEncodeNonAscii(L""), L"");
}

TEST_F(UnicodeTest, DetectEncoding) {
    bool bom = false;
    EXPECT_EQ(Detect("\xFF\xFE" "a\0", &bom), encUtf16LE);
    EXPECT_TRUE(bom);
    EXPECT_EQ(Detect("\xFE\xFF", &bom), encUtf16BE);
    EXPECT_EQ(Detect("\xEF\xBB\xBF", &bom), encUtf8);
    EXPECT_TRUE(bom);

    std::string le = Utf16LE(std::wstring(100, L'a'));
    EXPECT_EQ(Detect(le, &bom), encUtf16LE);
    EXPECT_FALSE(bom);
    std::string be = le;
    SwapByteOrder(be);
    EXPECT_EQ(Detect(be), encUtf16BE);
    EXPECT_EQ(Detect(std::string("a\0b\0c\0", 6)), encAnsi);
    EXPECT_EQ(Detect("abc"), encAnsi);
    EXPECT_EQ(Detect("caf\xC3\xA9!"), encUtf8);
    EXPECT_EQ(Detect("\xC3\xA9\xC3\xA9"), encAnsi); // four bytes or fewer
    EXPECT_EQ(Detect(""), encAnsi);

    // Long texts: the multi-byte sequence or the fault may sit anywhere.
    std::string text(1000, 'x');
    EXPECT_EQ(Detect(text), encAnsi);
    for (size_t at : {0u, 7u, 8u, 500u, 997u}) {
        std::string t = text;
        t.replace(at, 3, "\xE2\x82\xAC");
        EXPECT_EQ(Detect(t), encUtf8) << at;
        t[at + 2] = 'x'; // cut short
        EXPECT_EQ(Detect(t), encAnsi) << at;
    }
    std::string cut = text + "\xE2\x82";
    EXPECT_EQ(Detect(cut), encAnsi);
    std::string stray = text + "\xC3\xA9" + "\xA9";
    EXPECT_EQ(Detect(stray), encAnsi);
    EXPECT_TRUE(IsUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsUtf8("\xF8\x88\x80\x80\x80"));
    EXPECT_FALSE(IsUtf8("plain"));

    EXPECT_EQ(GetEncoding("\xEF\xBB\xBFxy", reqUtf16LE, bom), encUtf8);
    EXPECT_TRUE(bom);
    EXPECT_EQ(GetEncoding("xy", reqUtf16LE, bom), encUtf16LE);
    EXPECT_FALSE(bom);
    EXPECT_EQ(GetEncoding("xy", reqAnsi, bom), encAnsi);
    EXPECT_EQ(GetEncoding("xy", reqUtf8, bom), encUtf8);
    EXPECT_EQ(GetEncoding("xy", reqUtf16BE, bom), encUtf16BE);
    EXPECT_EQ(BomEncoding("\xFE\xFFxx"), encUtf16BE);
    EXPECT_EQ(BomEncoding("xx"), encAnsi);
}

TEST_F(UnicodeTest, BufferToWideInAllEncodings) {
    const std::wstring text = L"\xFEFFh\x00E9\x20AC\xD83D\xDE00";
    const std::wstring body = text.substr(1);
    std::wstring w;
    struct Case {
        std::string bytes;
        uint8_t enc;
    };
    std::string le = Utf16LE(body);
    std::string be = le;
    SwapByteOrder(be);
    const std::string u8 = "h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    const std::vector<Case> withMark = {{"\xFF\xFE" + le, encUtf16LE}, {"\xFE\xFF" + be, encUtf16BE},
                                        {"\xEF\xBB\xBF" + u8, encUtf8}};
    for (const Case& c : withMark) {
        EXPECT_EQ(BufferToWide(-1, c.bytes, 0, w), cvOk);
        EXPECT_EQ(w, body);
        EXPECT_EQ(BufferToWide(-1, c.bytes, c.enc, w), cvOk);
        EXPECT_EQ(w, body);
    }
    // A given encoding without a mark: the first character is text, not skipped.
    EXPECT_EQ(BufferToWide(-1, le, encUtf16LE, w), cvOk);
    EXPECT_EQ(w, body);
    EXPECT_EQ(BufferToWide(-1, be, encUtf16BE, w), cvOk);
    EXPECT_EQ(w, body);
    EXPECT_EQ(BufferToWide(-1, u8, encUtf8, w), cvOk);
    EXPECT_EQ(w, body);
    EXPECT_EQ(BufferToWide(-1, u8, 0, w), cvOk);
    EXPECT_EQ(w, body);
    EXPECT_EQ(BufferToWide(1252, "h\xE9\x80", encAnsi, w), cvOk);
    EXPECT_EQ(w, L"h\x00E9\x20AC");
    EXPECT_EQ(BufferToWide(1252, "\xFF\xFEx", encAnsi, w), cvOk); // ANSI keeps every byte
    EXPECT_EQ(w, L"\x00FF\x00FEx");
    EXPECT_EQ(BufferToWide(-1, std::string("\xFF\xFE" "a\0b", 5), 0, w), cvOk); // odd last byte
    EXPECT_EQ(w, L"a");
    EXPECT_EQ(ConversionSource, L"Source is String Buffer");
}

TEST_F(UnicodeTest, WideToBufferBytes) {
    std::string b;
    EXPECT_EQ(WideToBuffer(-1, L"A\x20AC", encUtf16LE, false, b), cvOk);
    EXPECT_EQ(b, std::string("\xFF\xFE" "A\0\xAC\x20", 6));
    EXPECT_EQ(WideToBuffer(-1, L"A\x20AC", encUtf16BE, false, b), cvOk);
    EXPECT_EQ(b, std::string("\xFE\xFF\0A\x20\xAC", 6));
    EXPECT_EQ(WideToBuffer(-1, L"A\x20AC", encUtf16BE, true, b), cvOk);
    EXPECT_EQ(b, std::string("\0A\x20\xAC", 4));
    EXPECT_EQ(WideToBuffer(-1, L"A\x20AC", encUtf8, false, b), cvOk);
    EXPECT_EQ(b, "\xEF\xBB\xBF" "A\xE2\x82\xAC");
    EXPECT_EQ(WideToBuffer(-1, L"A\x20AC", encUtf8, true, b), cvOk);
    EXPECT_EQ(b, "A\xE2\x82\xAC");
    EXPECT_EQ(ConversionSource, L"Source is WideString");
    EXPECT_EQ(WideToBuffer(1252, L"A\x20AC", encAnsi, false, b, L"file.txt"), cvOk);
    EXPECT_EQ(b, "A\x80");
    EXPECT_EQ(ConversionSource, L"file.txt");
    EXPECT_EQ(WideToBuffer(1252, L"A\x03A9", encAnsi, false, b), cvCancelled); // strict by default
    EXPECT_EQ(Problems.size(), 1u);

    std::wstring w = L"\x0102";
    SwapByteOrder(w);
    EXPECT_EQ(w, L"\x0201");
    std::string odd = "abc";
    SwapByteOrder(odd);
    EXPECT_EQ(odd, "bac");
}

TEST_F(UnicodeTest, BufferToAnsi) {
    std::string bytes = "\xEF\xBB\xBF" "caf\xC3\xA9";
    int cp = 1252;
    EXPECT_EQ(BufferToAnsi(cp, bytes, L"src", reqDetect), cvOk);
    EXPECT_EQ(bytes, "caf\xE9");
    bytes = Utf16LE(L"\x03A9");
    cp = 1252;
    Decisions = {{cpdRetry, 1253, false}};
    EXPECT_EQ(BufferToAnsi(cp, bytes, L"src", reqUtf16LE), cvOk);
    EXPECT_EQ(cp, 1253);
    EXPECT_EQ(bytes, "\xD9");
    bytes = "plain";
    EXPECT_EQ(BufferToAnsi(cp, bytes, L"src", reqDetect), cvOk);
    EXPECT_EQ(bytes, "plain");
}

TEST_F(UnicodeTest, WriteTextFileConvertsAndReplacesSafely) {
    TempDir dir;
    const std::wstring file = dir.File(L"sub\\deeper\\t.txt"); // missing folders are made
    const std::string le = "\xFF\xFE" + Utf16LE(L"h\x00E9");
    EXPECT_EQ(WriteTextFile(-1, file, le, encUtf8, true), cvOk);
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF" "h\xC3\xA9");
    EXPECT_EQ(WriteTextFile(-1, file, le, encUtf8, false), cvOk);
    EXPECT_EQ(ReadBytes(file), "h\xC3\xA9");
    EXPECT_EQ(WriteTextFile(-1, file, le, encUtf16LE, false), cvOk); // same encoding: mark dropped
    EXPECT_EQ(ReadBytes(file), Utf16LE(L"h\x00E9"));
    EXPECT_EQ(WriteTextFile(-1, file, "h\xC3\xA9", encUtf16BE, true, L"", reqUtf8), cvOk);
    EXPECT_EQ(ReadBytes(file), std::string("\xFE\xFF\0h\0\xE9", 6));
    EXPECT_EQ(WriteTextFile(1252, file, "\xEF\xBB\xBF" "h\xC3\xA9", encAnsi, true), cvOk);
    EXPECT_EQ(ReadBytes(file), "h\xE9");

    // Read-only: written, and the attribute is gone.
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(WriteTextFile(1252, file, "new", encAnsi, false), cvOk);
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    // A failed conversion writes nothing: the file keeps its text.
    EXPECT_EQ(WriteTextFile(1252, file, "\xEF\xBB\xBF\xCE\xA9", encAnsi, false), cvCancelled);
    EXPECT_EQ(ReadBytes(file), "new");

    // A failed replace leaves the old file whole and no temporary file behind.
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    AnswerOk = false;
    EXPECT_EQ(WriteTextFile(1252, file, "newer", encAnsi, false), cvCancelled);
    CloseHandle(h);
    EXPECT_EQ(ReadBytes(file), "new");
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].substr(0, 19), L"Error Writing File|");
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW(dir.File(L"sub\\deeper\\*").c_str(), &fd);
    int files = 0;
    if (f != INVALID_HANDLE_VALUE) {
        do files += !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (FindNextFileW(f, &fd));
        FindClose(f);
    }
    EXPECT_EQ(files, 1);

    // A target that cannot be written at all.
    Messages.clear();
    AnswerOk = true;
    EXPECT_EQ(WriteTextFile(1252, dir.Path(), "x", encAnsi, false), cvLossy);
    EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(UnicodeTest, OnlyReplacementsWhoseWriterEndedAreRemoved) {
    TempDir dir;
    wchar_t own[16];
    swprintf(own, 16, L"%lx", static_cast<unsigned long>(GetCurrentProcessId()));
    const std::wstring ended = L"7ffffffc"; // no process has this id
    const std::vector<std::wstring> kept = {
        L"a.url",
        L"b.url.~" + std::wstring(own) + L"_1.tmp", // this process may still be writing it
        L"c.txt.~" + ended + L"_0.tmp",             // another kind of file
        L"d.url.tmp",
        L"e.url.~zz_0.tmp",
        L"f.url.~" + ended + L".tmp",
    };
    for (const std::wstring& name : kept) WriteBytes(dir.File(name), "x");
    WriteBytes(dir.File(L"a.url.~" + ended + L"_0.tmp"), "half");
    WriteBytes(dir.File(L"G.URL.~" + ended + L"_1f.tmp"), "half");

    EXPECT_EQ(RemoveAbandonedReplacements(dir.Path() + L"\\", L".url"), 2);
    for (const std::wstring& name : kept) EXPECT_TRUE(testing_support::FileExistsW(dir.File(name))) << name.c_str();
    EXPECT_FALSE(testing_support::FileExistsW(dir.File(L"a.url.~" + ended + L"_0.tmp")));
    EXPECT_EQ(RemoveAbandonedReplacements(dir.Path(), L".url"), 0);
    EXPECT_EQ(RemoveAbandonedReplacements(dir.File(L"missing"), L".url"), 0);
}

TEST_F(UnicodeTest, CodePageNames) {
    EXPECT_EQ(CodePageDisplayName(1252), L"(1252) ANSI - Western Europe/Latin I (Windows)");
    EXPECT_EQ(CodePageDisplayName(932), L"(932) ANSI - Japanese (Shift-JIS) (MaxCharSize = 2)");
    EXPECT_EQ(CodePageDisplayName(99999), L"(99999) Unknown (MaxCharSize = 0)");
    EXPECT_EQ(CodePageDisplayName(-1), L"");
    EXPECT_EQ(GetMaxCharSize(65001), 4);
    EXPECT_EQ(InstalledCodePages.size(), 15u);
    EXPECT_EQ(InstalledCodePages.front(), 874);
    EXPECT_EQ(CurrentCodePage, AnsiCodePage);
    EXPECT_EQ(AnsiCodePage, static_cast<int>(GetACP()));
}

namespace {
class FakeBar : public TProgressTarget {
public:
    int Max() const override { return FMax; }
    int Position() const override { return FPos; }
    void SetRange(int, int Max) override { FMax = Max; }
    void SetPosition(int Value) override {
        FPos = Value;
        ++Sets;
    }
    int FMax = 0, FPos = -1, Sets = 0;
};
} // namespace

TEST_F(UnicodeTest, ProgressIn64Bits) {
    FakeBar bar;
    std::vector<std::string> taskbar;
    TaskbarProgress = [&](int state, uint64_t done, uint64_t total) {
        taskbar.push_back(std::to_string(state) + ":" + std::to_string(done) + "/" + std::to_string(total));
    };
    const int64_t total = 6000000000LL; // beyond 32 bits
    ProgressInit(&bar, true, total);
    EXPECT_EQ(bar.FMax, 100);
    EXPECT_EQ(bar.FPos, 0);
    ProgressStep(&bar, 3000000000LL);
    EXPECT_EQ(bar.FPos, 50);
    const int sets = bar.Sets;
    ProgressStep(&bar, 3000000001LL); // same position: not set again
    EXPECT_EQ(bar.Sets, sets);
    ProgressStep(&bar, total);
    EXPECT_EQ(bar.FPos, 100);
    ProgressStep(&bar, total * 2); // past the end: ignored
    EXPECT_EQ(bar.FPos, 100);
    EXPECT_EQ(taskbar, (std::vector<std::string>{"2:0/100", "2:50/100", "2:100/100"}));
    ProgressInit(&bar, true, 0); // counts as 1, resets the taskbar
    ProgressStep(&bar, 1);
    EXPECT_EQ(bar.FPos, 100);
    EXPECT_EQ(taskbar[3], "0:0/0");
    TaskbarProgress = nullptr;
}
