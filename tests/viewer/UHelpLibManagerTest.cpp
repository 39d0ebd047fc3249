// The Help Library Manager's command line, the Filters page's buttons, the manager-window
// finder and the start itself through a system double.
#include "../vcl/VclTestSupport.h"
#include "UH3_Code.h"
#include "UHelpLibManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vcltest::Watchdog;

TEST(HlmCommandLine, DefaultsQuotingAndTheLocaleCode) {
    THlmFields empty{L"", L"  ", L""};
    EXPECT_EQ(HlmCommandLine(empty), L"/product VS /version 100 /locale en-us");
    // the defaults are written back into the fields
    EXPECT_EQ(empty.Product, L"VS");
    EXPECT_EQ(empty.Version, L"100");
    EXPECT_EQ(empty.Locale, L"en-us");

    THlmFields typed{L"  My Product ", L"2010", L"de-de German - Germany"};
    EXPECT_EQ(HlmCommandLine(typed), L"/product \"My Product\" /version 2010 /locale de-de");
    // fields that were not empty stay as typed
    EXPECT_EQ(typed.Product, L"  My Product ");
    EXPECT_EQ(typed.Locale, L"de-de German - Germany");

    THlmFields quoted{L"\"My Product\"", L"1 0", L" fr-fr"};
    EXPECT_EQ(HlmCommandLine(quoted), L"/product \"My Product\" /version \"1 0\" /locale fr-fr");

    EXPECT_EQ(LocaleCodeOf(L"de-de German - Germany"), L"de-de");
    EXPECT_EQ(LocaleCodeOf(L"  ja-jp"), L"ja-jp");
    EXPECT_EQ(std::wstring(CatalogLocaleRows[6]).substr(0, 6), L"ja-jp ");
    EXPECT_EQ(std::wstring(CatalogLocaleRows[5]).substr(0, 6), L"it-it ");
}

TEST(HlmCommandLine, CatalogButtons) {
    const THlmFields fields{L"VS", L"100", L"en-us English"};
    EXPECT_TRUE(CatalogButtonState(fields, false, L"").RunEnabled);
    EXPECT_FALSE(CatalogButtonState(fields, false, L"").ImportEnabled);
    EXPECT_TRUE(CatalogButtonState(fields, true, L"vs\\100\\de-de").ImportEnabled);
    // the book's own catalog: nothing to import (case does not matter)
    EXPECT_FALSE(CatalogButtonState(fields, true, L"vs\\100\\EN-US").ImportEnabled);
    const THlmFields partial{L"VS", L" ", L"en-us"};
    EXPECT_FALSE(CatalogButtonState(partial, true, L"vs\\100\\de-de").RunEnabled);
    EXPECT_FALSE(CatalogButtonState(partial, true, L"vs\\100\\de-de").ImportEnabled);
}

TEST(HlmWindow, OwnerOfAnImeWindowWithTheManagersTitle) {
    HWND a = reinterpret_cast<HWND>(0x10), b = reinterpret_cast<HWND>(0x20), c = reinterpret_cast<HWND>(0x30);
    std::vector<TTopLevelWindow> list = {
        {a, L"IME", a, L"Help Library Manager - x"},          // the manager
        {b, L"Button", b, L"Help Library Manager"},          // not an IME window
        {c, L"IME", c, L"The Help Library Manager"},         // does not begin with 'H'
    };
    EXPECT_EQ(FindManagerWindow(list), a);
    list.erase(list.begin());
    EXPECT_EQ(FindManagerWindow(list), nullptr);
    list.push_back({c, L"IME", nullptr, L"Help Library Manager"}); // no owner
    list.push_back({a, L"IME", b, L"Help Library Manager - Settings"});
    EXPECT_EQ(FindManagerWindow(list), b);
}

// Windows gives each top-level window an IME window it owns; Wine has one per thread with
// no owner, so there the manager's window is never found (the caller then says "wait").
TEST(HlmWindow, RealEnumerationSeesOnlyImeWindows) {
    Watchdog w(20000);
    HWND owner = CreateWindowExW(0, L"STATIC", L"Help Library Manager - test", WS_POPUP, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    const std::vector<TTopLevelWindow> list = ListImeWindows();
    for (const TTopLevelWindow& w : list) {
        EXPECT_EQ(w.ClassName, L"IME");
        EXPECT_LE(w.OwnerTitle.size(), 400u);
        if (w.Owner == owner) {
            EXPECT_EQ(w.OwnerTitle, L"Help Library Manager - test");
        }
    }
    const HWND found = FindManagerWindow(list);
    EXPECT_TRUE(found == nullptr || found == owner);
    DestroyWindow(owner);
}

// ---------------------------------------------------------------------------------
// Starting the manager

namespace {

class FakeHlm : public THlmSystem {
public:
    bool ManagerRunning() override {
        const bool r = RunningAnswers.empty() ? false : RunningAnswers.front();
        if (!RunningAnswers.empty()) RunningAnswers.erase(RunningAnswers.begin());
        return r;
    }
    HWND ManagerWindow() override { return Window; }
    void BringToFront(HWND Wnd) override { Fronted.push_back(Wnd); }
    bool IsUserAdmin() override { return Admin; }
    bool FileExists(const std::wstring& F) override { return F == Existing; }
    bool Execute(SHELLEXECUTEINFOW& Info, DWORD& Error) override {
        Verb = Info.lpVerb ? Info.lpVerb : L"";
        File = Info.lpFile;
        Params = Info.lpParameters;
        Dir = Info.lpDirectory;
        Mask = Info.fMask;
        Owner = Info.hwnd;
        ++Executed;
        if (!Starts) {
            Error = ERROR_FILE_NOT_FOUND;
            return false;
        }
        Info.hProcess = CreateEventW(nullptr, FALSE, FALSE, nullptr); // stands for the process
        Handle = Info.hProcess;
        return true;
    }
    void Wait(DWORD Ms) override { Waited += Ms; }
    void Message(const std::wstring& Text) override { Messages.push_back(Text); }
    void Log(const std::wstring& Line) override { Logged.push_back(Line); }

    std::vector<bool> RunningAnswers; // one answer per ManagerRunning call; then false
    HWND Window = nullptr;
    bool Admin = true, Starts = true;
    std::wstring Existing = L"C:\\Help\\HelpLibManager.exe";
    std::wstring Verb, File, Params, Dir;
    ULONG Mask = 0;
    HWND Owner = nullptr;
    HANDLE Handle = nullptr;
    int Executed = 0;
    DWORD Waited = 0;
    std::vector<HWND> Fronted;
    std::vector<std::wstring> Messages, Logged;
};

class HlmRun : public ::testing::Test {
protected:
    HlmRun() : Paths(TH3RegistryPlace{nullptr}) {
        Paths.AppRoot = L"C:\\Help";
        Paths.HelpLibManagerPath = L"C:\\Help\\HelpLibManager.exe";
    }
    THlmResult Run(bool AskElevation = true) {
        return RunHelpLibraryManager(AskElevation, Fields, Paths, reinterpret_cast<HWND>(0x77), Process, System);
    }
    TH3Paths Paths;
    THlmFields Fields{L"VS", L"100", L"de-de German - Germany"};
    TKernelHandle Process;
    FakeHlm System;
};

const std::wstring CloseFirst =
    L"Help Library Manager is already running. Please close the current HLM window before running a new command.";
const std::wstring WaitFirst = L"Help Library Manager is already running. Wait for the current activity to complete "
                               L"(no UI available in silent mode).";

} // namespace

TEST_F(HlmRun, StartsWithTheFieldsCommandLine) {
    EXPECT_EQ(Run(), THlmResult::Started);
    EXPECT_EQ(System.File, L"C:\\Help\\HelpLibManager.exe");
    EXPECT_EQ(System.Params, L"/product VS /version 100 /locale de-de");
    EXPECT_EQ(System.Dir, L"C:\\Help");
    EXPECT_EQ(System.Verb, L""); // an administrator needs no elevation
    EXPECT_EQ(System.Mask, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI));
    EXPECT_EQ(System.Owner, reinterpret_cast<HWND>(0x77));
    EXPECT_EQ(System.Waited, 1000u);
    EXPECT_EQ(Process.Get(), System.Handle);
    EXPECT_EQ(System.Logged,
              std::vector<std::wstring>{L"# Run: C:\\Help\\HelpLibManager.exe, /product VS /version 100 /locale de-de"});
    EXPECT_TRUE(System.Messages.empty());
}

TEST_F(HlmRun, ElevationOnlyForAUserWhoIsNoAdministrator) {
    System.Admin = false;
    Run();
    EXPECT_EQ(System.Verb, L"runas");
    Run(false);
    EXPECT_EQ(System.Verb, L"");
}

TEST_F(HlmRun, ARunningManagerIsBroughtUpInstead) {
    HWND wnd = reinterpret_cast<HWND>(0x1234);
    System.Window = wnd;
    System.RunningAnswers = {true, true};
    EXPECT_EQ(Run(), THlmResult::AlreadyRunning);
    EXPECT_EQ(System.Messages, std::vector<std::wstring>{CloseFirst});
    EXPECT_EQ(System.Fronted, std::vector<HWND>{wnd});
    EXPECT_EQ(System.Executed, 0);

    // without a window (silent mode) the user is told to wait
    System = FakeHlm();
    System.RunningAnswers = {true, true};
    EXPECT_EQ(Run(), THlmResult::AlreadyRunning);
    EXPECT_EQ(System.Messages, std::vector<std::wstring>{WaitFirst});
    EXPECT_EQ(System.Executed, 0);
}

TEST_F(HlmRun, AManagerThatEndedMeanwhileLetsTheNewOneStart) {
    System.Window = reinterpret_cast<HWND>(0x1234);
    System.RunningAnswers = {true, false};
    EXPECT_EQ(Run(), THlmResult::Started);
    EXPECT_TRUE(System.Fronted.empty());
    EXPECT_EQ(System.Executed, 1);
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
    EXPECT_GT(System.Messages.back().size(), 48u); // the system's text follows
    EXPECT_FALSE(Process.Valid());
    EXPECT_EQ(System.Waited, 0u);
}
