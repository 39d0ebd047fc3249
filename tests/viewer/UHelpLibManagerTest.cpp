// The Help Library Manager's command line, the Filters page's buttons, the manager-window
// finder and the start itself through a system double.
#include "UH3_Code.h"
#include "UHelpLibManager.h"

#include "../vcl/VclTestSupport.h"
#include "UShotTimer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(HlmCommandLine, DefaultsQuotingLocaleCodeAndButtons) {
    THlmFields empty{L"", L"  ", L""};
    EXPECT_EQ(HlmCommandLine(empty).Line, L"/product VS /version 100 /locale en-us");
    EXPECT_EQ(empty.Product + empty.Version + empty.Locale, L"VS100en-us"); // written back
    THlmFields typed{L"  My Product ", L"1 0", L"de-de German - Germany"};
    EXPECT_EQ(HlmCommandLine(typed).Line, L"/product \"My Product\" /version \"1 0\" /locale de-de");
    EXPECT_EQ(typed.Product, L"  My Product "); // typed fields stay as they are
    // A value's own quotes stay in the value: they cannot end the argument and add switches.
    THlmFields quoted{L"VS \"\" /silent /operation uninstall /x", L"100", L" fr-fr"};
    EXPECT_EQ(HlmCommandLine(quoted).Line,
              L"/product \"VS \\\"\\\" /silent /operation uninstall /x\" /version 100 /locale fr-fr");
    EXPECT_EQ(LocaleCodeOf(CatalogLocaleRows[6]), L"ja-jp");

    const THlmFields fields{L"VS", L"100", L"en-us English"};
    EXPECT_FALSE(CatalogButtonState(fields, false, L"").ImportEnabled);
    EXPECT_TRUE(CatalogButtonState(fields, true, L"vs\\100\\de-de").ImportEnabled);
    EXPECT_FALSE(CatalogButtonState(fields, true, L"vs\\100\\EN-US").ImportEnabled); // the book's own catalog
    EXPECT_FALSE(CatalogButtonState({L"VS", L" ", L"en-us"}, true, L"x").RunEnabled);
}

// The rule alone; the real windows (the stand-in manager's) are found end to end.
TEST(HlmCommandLine, ManagerWindowIsTheOwnerOfAnImeWindowWithItsTitle) {
    HWND a = reinterpret_cast<HWND>(0x10), b = reinterpret_cast<HWND>(0x20);
    std::vector<TTopLevelWindow> list = {
        {a, L"Button", a, L"Help Library Manager"},     // not an IME window
        {a, L"IME", a, L"The Help Library Manager"},    // does not begin with 'H'
        {a, L"IME", nullptr, L"Help Library Manager"},  // no owner
    };
    EXPECT_EQ(FindManagerWindow(list), nullptr);
    list.push_back({a, L"IME", b, L"Help Library Manager - Settings"});
    EXPECT_EQ(FindManagerWindow(list), b);
}

// ---------------------------------------------------------------------------------
// Starting the manager

namespace {

class FakeHlm : public THlmSystem {
public:
    bool ManagerRunning() override {
        const bool r = !Running.empty() && Running.front();
        if (!Running.empty()) Running.erase(Running.begin());
        return r;
    }
    HWND ManagerWindow() override { return Window; }
    void BringToFront(HWND Wnd) override { Fronted.push_back(Wnd); }
    bool IsUserAdmin() override { return Admin; }
    bool FileExists(const std::wstring& F) override { return F == Existing; }
    bool Execute(SHELLEXECUTEINFOW& Info, DWORD& Error) override {
        Verb = Info.lpVerb ? Info.lpVerb : L"", Params = Info.lpParameters, Dir = Info.lpDirectory, ++Executed;
        Error = Starts ? 0 : ERROR_FILE_NOT_FOUND;
        Handle = Info.hProcess = Starts ? CreateEventW(nullptr, FALSE, FALSE, nullptr) : nullptr; // the "process"
        return Starts;
    }
    void Wait(DWORD Ms) override { Waited += Ms; }
    void Message(const std::wstring& Text) override { Messages.push_back(Text); }
    void Log(const std::wstring& Line) override { Logged = Line; }

    std::vector<bool> Running; // the answers of ManagerRunning, one per call; then false
    HWND Window = nullptr;
    bool Admin = true, Starts = true;
    std::wstring Existing = L"C:\\Help\\HelpLibManager.exe", Verb, Params, Dir, Logged;
    HANDLE Handle = nullptr;
    int Executed = 0;
    DWORD Waited = 0;
    std::vector<HWND> Fronted;
    std::vector<std::wstring> Messages;
};

class HlmRun : public ::testing::Test {
protected:
    HlmRun() : Paths(TH3RegistryPlace{nullptr}) {
        Paths.AppRoot = L"C:\\Help";
        Paths.HelpLibManagerPath = L"C:\\Help\\HelpLibManager.exe";
    }
    THlmResult Run(bool AskElevation = true) {
        return RunHelpLibraryManager(AskElevation, Fields, Paths, nullptr, Process, System);
    }
    TH3Paths Paths;
    THlmFields Fields{L"VS", L"100", L"de-de German - Germany"};
    TKernelHandle Process;
    FakeHlm System;
};

} // namespace

TEST_F(HlmRun, StartsWithTheFieldsCommandLineElevatedOnlyForNonAdministrators) {
    EXPECT_EQ(Run(), THlmResult::Started);
    EXPECT_EQ(System.Params, L"/product VS /version 100 /locale de-de");
    EXPECT_EQ(System.Dir, L"C:\\Help");
    EXPECT_EQ(System.Logged, L"# Run: C:\\Help\\HelpLibManager.exe, /product VS /version 100 /locale de-de");
    EXPECT_EQ(System.Verb + L"|" + std::to_wstring(System.Waited), L"|1000");
    EXPECT_EQ(Process.Get(), System.Handle);
    System.Admin = false;
    Run();
    EXPECT_EQ(System.Verb, L"runas");
    Run(false);
    EXPECT_EQ(System.Verb, L"");
    EXPECT_TRUE(System.Messages.empty());
}

TEST_F(HlmRun, ARunningManagerIsBroughtUpOrWaitedFor) {
    System.Window = reinterpret_cast<HWND>(0x1234);
    System.Running = {true, true};
    EXPECT_EQ(Run(), THlmResult::AlreadyRunning);
    EXPECT_EQ(System.Fronted, std::vector<HWND>{System.Window});
    System.Running = {true, false}; // it ended while the user read the message
    EXPECT_EQ(Run(), THlmResult::Started);
    System.Window = nullptr; // silent mode: no window, the user is told to wait
    System.Running = {true, true};
    EXPECT_EQ(Run(), THlmResult::AlreadyRunning);
    EXPECT_EQ(System.Executed, 1);
    EXPECT_EQ(System.Fronted.size(), 1u);
    ASSERT_EQ(System.Messages.size(), 3u);
    EXPECT_EQ(System.Messages[0], L"Help Library Manager is already running. Please close the current HLM window "
                                  L"before running a new command.");
    EXPECT_EQ(System.Messages[2], L"Help Library Manager is already running. Wait for the current activity to "
                                  L"complete (no UI available in silent mode).");
}

TEST_F(HlmRun, MissingRuntimeProgramAndFailedStart) {
    Paths.AppRoot.clear();
    EXPECT_EQ(Run(), THlmResult::NoRuntime);
    EXPECT_EQ(System.Messages.back(), L"VS 2010 Help runtime could not be found on this PC.");
    Paths.AppRoot = L"C:\\Help";
    System.Existing.clear();
    EXPECT_EQ(Run(), THlmResult::NoProgram);
    EXPECT_EQ(System.Messages.back(), L"Could not find EXE: C:\\Help\\HelpLibManager.exe");
    System.Existing = Paths.HelpLibManagerPath;
    System.Starts = false;
    EXPECT_EQ(Run(), THlmResult::Failed);
    EXPECT_EQ(System.Messages.back().rfind(L"Error runing EXE: C:\\Help\\HelpLibManager.exe\r\r", 0), 0u);
    EXPECT_FALSE(Process.Valid());
    // A catalog with a line break in its name is not handed over at all.
    System.Starts = true;
    Fields.Product = L"VS\r\n/silent";
    EXPECT_EQ(Run(), THlmResult::Refused);
    EXPECT_NE(System.Messages.back().find(L"VS\\x0D\\x0A/silent"), std::wstring::npos);
    EXPECT_FALSE(Process.Valid());
}

TEST(HlmSystem, TellsTheUserInTheProgramsMessageDialog) {
    vcltest::Watchdog w(20000);
    std::wstring shown;
    SetShotTimer(300, [&shown](TObject*) {
        HWND box = GetActiveWindow();
        wchar_t name[64] = {};
        GetClassNameW(box, name, 64);
        shown = name;
        PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    DefaultHlmSystem().Message(L"Help Library Manager is already running.");
    EXPECT_EQ(shown.rfind(L"TTntMessageForm", 0), 0u) << shown;
}
