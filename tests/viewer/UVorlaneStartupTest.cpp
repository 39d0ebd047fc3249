#include "UVorlaneStartup.h"

#include "Forms.h"
#include "TestHarness.h"
#include "TntControls.h"
#include "TntSystem.h"
#include "UDLogFile.h"
#include "UPTShellStartup.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace ts = testing_support;

namespace {

// A scratch runtime key below HKEY_CURRENT_USER, removed afterwards.
class ScratchRuntimeKey : public ::testing::Test {
protected:
    void SetUp() override {
        Key = L"Software\\VorlaneTests\\" + ts::UniqueName(L"runtime");
        Place.Root = HKEY_CURRENT_USER;
        Place.RuntimeKey = L"\\" + Key;
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str()); }

    void Put(DWORD Type, const void* Data, DWORD Size) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(k, L"HelpViewerProgID", 0, Type, static_cast<const BYTE*>(Data), Size);
        RegCloseKey(k);
    }
    void PutText(const std::wstring& Text, DWORD Type = REG_SZ) {
        Put(Type, Text.c_str(), static_cast<DWORD>((Text.size() + 1) * sizeof(wchar_t)));
    }
    // The stored value: its type and bytes.
    std::pair<DWORD, std::vector<BYTE>> Stored() {
        DWORD type = 0, size = 0;
        std::vector<BYTE> data;
        if (RegGetValueW(HKEY_CURRENT_USER, Key.c_str(), L"HelpViewerProgID", RRF_RT_ANY | RRF_NOEXPAND, &type,
                         nullptr, &size) == ERROR_SUCCESS) {
            data.resize(size);
            RegGetValueW(HKEY_CURRENT_USER, Key.c_str(), L"HelpViewerProgID", RRF_RT_ANY | RRF_NOEXPAND, &type,
                         data.data(), &size);
            data.resize(size);
        }
        return {type, data};
    }
    bool Emptied() {
        auto [type, data] = Stored();
        return type == REG_SZ && data.size() == sizeof(wchar_t) && data[0] == 0 && data[1] == 0;
    }

    std::wstring Key;
    TH3RegistryPlace Place;
};

std::vector<BYTE> Bytes(const void* P, size_t N) {
    auto* b = static_cast<const BYTE*>(P);
    return std::vector<BYTE>(b, b + N);
}

} // namespace

TEST_F(ScratchRuntimeKey, UninstallEmptiesOnlyATextValueNamingThisProgram) {
    for (const std::wstring& ours : {std::wstring(L"C:\\Tools\\VorLane.exe"), std::wstring(L"vorlane"),
                                     std::wstring(200000, L'x') + L"\\VORLANE.EXE"}) {
        PutText(ours);
        EXPECT_TRUE(UninstallViewerRegistration(Place));
        EXPECT_TRUE(Emptied());
    }
    PutText(L"%ProgramFiles%\\Quorvex\\Vorlane.exe", REG_EXPAND_SZ);
    EXPECT_TRUE(UninstallViewerRegistration(Place));
    EXPECT_TRUE(Emptied());

    // Another program's value, and values of other types, stay as they are.
    PutText(L"C:\\Program Files\\Microsoft Help Viewer\\v1.0\\HlpViewer.exe");
    auto before = Stored();
    EXPECT_FALSE(UninstallViewerRegistration(Place));
    EXPECT_EQ(Stored(), before);
    const wchar_t name[] = L"vorlane";
    for (DWORD type : {DWORD(REG_BINARY), DWORD(REG_MULTI_SZ)}) {
        Put(type, name, sizeof(name));
        EXPECT_FALSE(UninstallViewerRegistration(Place));
        EXPECT_EQ(Stored(), std::make_pair(type, Bytes(name, sizeof(name))));
    }
    const DWORD number = 7;
    Put(REG_DWORD, &number, sizeof(number));
    EXPECT_FALSE(UninstallViewerRegistration(Place));
    EXPECT_EQ(Stored().first, DWORD(REG_DWORD));
    // Text without its terminating zero, of an odd length, is read safely.
    Put(REG_SZ, name, 15);
    EXPECT_TRUE(UninstallViewerRegistration(Place));
    EXPECT_TRUE(Emptied());
}

TEST_F(ScratchRuntimeKey, UninstallCreatesNothing) {
    EXPECT_FALSE(UninstallViewerRegistration(Place)); // no key
    HKEY k = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
    PutText(L"");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, Key.c_str(), L"HelpViewerProgID");
    EXPECT_FALSE(UninstallViewerRegistration(Place)); // key without the value
    EXPECT_TRUE(Stored().second.empty());
    Place.Root = nullptr;
    EXPECT_FALSE(UninstallViewerRegistration(Place));
}

TEST(VorlaneStartup, StepsRunInOrderAndShutDownInReverse) {
    std::vector<std::wstring> trace;
    auto module = [&](const wchar_t* Name) {
        return TModuleStartup{Name, [&trace, Name] { trace.push_back(std::wstring(L"start ") + Name); },
                              [&trace, Name] { trace.push_back(std::wstring(L"stop ") + Name); }};
    };
    TVorlaneRun run;
    run.Modules = {module(L"A"), {L"B", [&] { trace.push_back(L"start B"); }, nullptr}, module(L"C")};
    run.RuntimePlace.Root = nullptr;
    run.CreateForms = [&] { trace.push_back(L"forms"); };
    run.RunLoop = [&] { trace.push_back(L"loop"); };
    run.EndWorkers = [&] { trace.push_back(L"end workers"); };
    run.FreeForms = [&] { trace.push_back(L"free forms"); };

    run.Params = {L"http://127.0.0.1/x"};
    EXPECT_EQ(RunVorlane(run), 0);
    EXPECT_EQ(trace, (std::vector<std::wstring>{L"start A", L"start B", L"start C", L"forms", L"loop",
                                                 L"end workers", L"free forms", L"stop C", L"stop A"}));

    // "/uninstall" anywhere, in any case: the modules start and stop, nothing else runs.
    trace.clear();
    run.Params = {L"first", L"/UnInstall"};
    EXPECT_EQ(RunVorlane(run), 0);
    EXPECT_EQ(trace, (std::vector<std::wstring>{L"start A", L"start B", L"start C", L"stop C", L"stop A"}));

    // Forms that fail to be made are still freed, before the modules stop.
    trace.clear();
    run.Params.clear();
    run.CreateForms = [&] { throw std::runtime_error("no window"); };
    EXPECT_THROW(RunVorlane(run), std::runtime_error);
    EXPECT_EQ(trace, (std::vector<std::wstring>{L"start A", L"start B", L"start C", L"end workers", L"free forms",
                                                 L"stop C", L"stop A"}));

    // A module that fails to start: the ones before it stop again.
    trace.clear();
    run.Modules[2].Start = [] { throw std::runtime_error("no module"); };
    EXPECT_THROW(RunVorlane(run), std::runtime_error);
    EXPECT_EQ(trace, (std::vector<std::wstring>{L"start A", L"start B", L"stop A"}));
}

TEST(VorlaneStartup, TheProgramsModulesLeaveTheUnicodeLayerLast) {
    const THintWindowClass hintBefore = Application->HintWindowClass;
    const bool shellBefore = PTShellStarted();
    {
        TModuleScope modules(VorlaneModules());
        EXPECT_NE(H3Paths, nullptr);
        EXPECT_NE(GlobalLog(), nullptr);
        EXPECT_TRUE(PTShellStarted());
        EXPECT_EQ(TntSystemUpdatesInstalled(), tsuAll);
        // The shell pack sets a hint window of its own; the Unicode one started after it wins.
        EXPECT_EQ(Application->HintWindowClass, &MakeHintWindow<TTntHintWindow>);
        EXPECT_FALSE(DefFontData.Name.empty());
    }
    EXPECT_EQ(H3Paths, nullptr);
    EXPECT_EQ(PTShellStarted(), shellBefore);
    EXPECT_EQ(TntSystemUpdatesInstalled(), 0);
    Application->HintWindowClass = hintBefore;
}
