#include "UH3HelpMode.h"

#include "SysUtils.h"
#include "TestHarness.h"
#include "UAuxFile.h"
#include "USuperFind.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

std::string Utf16LE(const std::wstring& S) {
    std::string r;
    for (wchar_t c : S) {
        r.push_back(static_cast<char>(c & 0xFF));
        r.push_back(static_cast<char>(c >> 8));
    }
    return r;
}

int g_Pauses = 0;

// Answers every message box and keeps the texts; the pauses between retries are counted, not
// made.
class HelpModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldDelay = HelpModeRetryDelayMs;
        oldLoadDelay = TSuperFind::RetryDelayMs;
        HelpModeRetryDelayMs = 0;
        oldPause = HelpModePause;
        HelpModePause = [](unsigned) { ++g_Pauses; };
        TSuperFind::RetryDelayMs = 0;
        oldHandler = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& Text, int) {
            messages.push_back(Text);
            return true;
        });
    }
    void TearDown() override {
        SetUserMessageHandler(oldHandler);
        HelpModeRetryDelayMs = oldDelay;
        HelpModePause = oldPause;
        TSuperFind::RetryDelayMs = oldLoadDelay;
    }

    // Holds File open without sharing, so nobody can read or replace it.
    HANDLE Lock(const std::wstring& File) {
        return CreateFileW(File.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    TempDir dir;
    std::vector<std::wstring> messages;
    TUserMessageHandler oldHandler;
    unsigned oldDelay = 0, oldLoadDelay = 0;
    void (*oldPause)(unsigned) = nullptr;
};

const char* const MachineCfg =
    "<?xml version=\"1.0\"?>\r\n<configuration><appSettings><add key=\"helpmode\" value=\"online\"/></appSettings></configuration>\r\n";

} // namespace

TEST_F(HelpModeTest, PerUserFileWinsOverTheMachineFile) {
    const std::wstring user = dir.File(L"user.cfg"), machine = dir.File(L"machine.cfg");
    EXPECT_EQ(ReadHelpMode(user, machine), L"");
    WriteBytes(machine, MachineCfg);
    EXPECT_EQ(ReadHelpMode(user, machine), L"online");
    WriteBytes(user, FreshHelpModeFile(L"offline"));
    EXPECT_EQ(ReadHelpMode(user, machine), L"offline");
    // A per-user file without the entry does not fall back to the machine file.
    WriteBytes(user, "<configuration><appSettings></appSettings></configuration>");
    EXPECT_EQ(ReadHelpMode(user, machine), L"");
    const std::wstring perUser = HelpModeUserFile();
    EXPECT_EQ(perUser.substr(perUser.size() - 37), L"\\Microsoft\\HelpLibrary\\HelpClient.cfg");
}

TEST_F(HelpModeTest, EntryRulesCaseAndOrder) {
    const std::wstring f = dir.File(L"a.cfg");
    WriteBytes(f, "<configuration><AppSettings><ADD KEY=\"HelpMode\" VALUE=\"offline\" /></AppSettings></configuration>");
    EXPECT_EQ(ReadHelpMode(f, L""), L"offline");
    // An entry before the settings tag does not count; the first one after it does.
    WriteBytes(f, "<configuration>\n<add key=\"helpmode\" value=\"early\"/>\n<appSettings>\n"
                  "<add key=\"other\" value=\"x\"/>\n<add key=\"helpmode\" value=\"online\"/>\n"
                  "<add key=\"helpmode\" value=\"later\"/>\n</appSettings></configuration>");
    EXPECT_EQ(ReadHelpMode(f, L""), L"online");
    WriteBytes(f, "<appSettings><add key=\"helpmode\"/></appSettings>");
    EXPECT_EQ(ReadHelpMode(f, L""), L"");
}

// The caption reads the mode at every activation: a file another program holds open (or
// one far too large) is told about once, and the mode last read from it stays meanwhile.
TEST_F(HelpModeTest, AnUnreadableFileKeepsTheLastModeAndIsToldOnce) {
    const std::wstring user = dir.File(L"user.cfg"), machine = dir.File(L"machine.cfg");
    WriteBytes(user, FreshHelpModeFile(L"offline"));
    WriteBytes(machine, MachineCfg);
    HANDLE h = Lock(dir.File(L"user.cfg"));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadHelpMode(user, machine), L""); // never read yet: no mode, not the machine's
    CloseHandle(h);
    EXPECT_EQ(ReadHelpMode(user, machine), L"offline");
    // Only the first read of a held file pauses between its tries: the start reads the mode
    // many times.
    h = Lock(user);
    g_Pauses = 0;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ReadHelpMode(user, machine), L"offline");
    EXPECT_EQ(g_Pauses, 2);
    CloseHandle(h);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(user), std::wstring::npos);

    const std::string huge = "<configuration><appSettings><add key=\"helpmode\" value=\"online\"/>" +
                             std::string(MaxConfigFileBytes, ' ') + "</appSettings></configuration>";
    EXPECT_EQ(ReadHelpMode(L"", machine), L"online"); // before it grows
    WriteBytes(machine, huge);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ReadHelpMode(L"", machine), L"online");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], FileTooLargeText(machine, MaxConfigFileBytes));
    EXPECT_EQ(ReadBytes(machine), huge);
}

TEST_F(HelpModeTest, FreshFileHasExactlySixLinesInANewFolder) {
    const std::wstring f = dir.Path() + L"\\Microsoft\\HelpLibrary\\HelpClient.cfg";
    ASSERT_TRUE(WriteHelpMode(f, L"offline"));
    EXPECT_EQ(ReadBytes(f), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
                            "<configuration>\r\n"
                            "<appSettings>\r\n"
                            "   <add key=\"helpmode\" value=\"offline\" />\r\n"
                            "</appSettings>\r\n"
                            "</configuration>\r\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(ReadHelpMode(f, L""), L"offline");
}

TEST_F(HelpModeTest, EditKeepsEveryOtherByteAndTheEncoding) {
    const std::wstring f = dir.File(L"HelpClient.cfg");
    const std::wstring head = L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<configuration>\n\t<appSettings>\r\n    ";
    const std::wstring tail = L"\r\n    <add key=\"x\" value=\"\u00E9\u4E2D\"/>\n  </appSettings>\r\n</configuration>";
    WriteBytes(f, "\xFF\xFE" + Utf16LE(head + L"<add  value=\"online\" key=\"HelpMode\" extra=\"1\"/>" + tail));
    ASSERT_TRUE(WriteHelpMode(f, L"offline"));
    EXPECT_EQ(ReadBytes(f), "\xFF\xFE" + Utf16LE(head + L"<add key=\"helpmode\" value=\"offline\" />" + tail));

    // A UTF-8 file without a mark stays one.
    const std::string u8head = "<configuration>\n<appSettings>\n<!-- caf\xC3\xA9 -->";
    WriteBytes(f, u8head + "<add key=\"helpmode\" value=\"offline\"/>\n</appSettings></configuration>");
    ASSERT_TRUE(WriteHelpMode(f, L"online"));
    EXPECT_EQ(ReadBytes(f), u8head + "<add key=\"helpmode\" value=\"online\" />\n</appSettings></configuration>");

    // So does an 8-bit file in the ANSI code page.
    const std::string ansi = "<appSettings><!-- caf\xE9 --><add key=\"helpmode\" value=\"online\"/>";
    WriteBytes(f, ansi + "</appSettings>");
    ASSERT_TRUE(WriteHelpMode(f, L"offline"));
    EXPECT_EQ(ReadBytes(f), "<appSettings><!-- caf\xE9 --><add key=\"helpmode\" value=\"offline\" /></appSettings>");
    EXPECT_TRUE(messages.empty());
}

TEST_F(HelpModeTest, FailuresAreReportedNotSwallowed) {
    // No entry to change: the file stays as it was.
    const std::wstring f = dir.File(L"HelpClient.cfg");
    const std::string noEntry = "<configuration><appSettings></appSettings></configuration>";
    WriteBytes(f, noEntry);
    EXPECT_FALSE(WriteHelpMode(f, L"offline"));
    EXPECT_EQ(ReadBytes(f), noEntry);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), L"Could not save cfg file: " + f);

    // An entry that would not read back as written (its quotes would close a stray one).
    messages.clear();
    const std::string stray = "<?xml encoding=\"utf-8><appSettings><add key='helpmode' value=online></appSettings>";
    WriteBytes(f, stray);
    EXPECT_FALSE(WriteHelpMode(f, L"offline"));
    EXPECT_EQ(ReadBytes(f), stray);
    EXPECT_EQ(messages.size(), 1u);

    // A folder that cannot be made (a file is in its way).
    messages.clear();
    WriteBytes(dir.File(L"blocker"), "x");
    const std::wstring blocked = dir.File(L"blocker") + L"\\sub\\HelpClient.cfg";
    EXPECT_FALSE(WriteHelpMode(blocked, L"offline"));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), L"Could not save cfg file: " + blocked);

    // A file nobody may open.
    messages.clear();
    WriteBytes(f, FreshHelpModeFile(L"online"));
    HANDLE h = Lock(f);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteHelpMode(f, L"offline"));
    CloseHandle(h);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), L"Could not save cfg file: " + f);
    EXPECT_EQ(ReadHelpMode(f, L""), L"online");
}
