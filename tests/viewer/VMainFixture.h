// The main window in this process against the stand-in help runtime: its sample store and
// its agent on a free port (started once per suite), the runtime's values read from a
// registry key of the test (AgentPort included), the window's settings under another key,
// a mutex name of its own and no command line. Start() makes the window as the program
// does, up to the end of its start-up message; agent URLs name the suite's agent.
#pragma once

#include "VMain.h"

#include "FDebug.h"
#include "TntStdCtrls.h"
#include "FakeBrowserView.h"
#include "UAgentLink.h"
#include "UAppSettings.h"
#include "UH3_Code.h"
#include "UWebDataModule.h"
#include "ViewerFormSupport.h"

#include "../vcl/VclTestSupport.h"
#include "TestHarness.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#ifndef STANDIN_DIST_DIR
#define STANDIN_DIST_DIR VORLANE_BINARY_DIR "/standin/dist"
#endif
#include "StandinAgentSuite.h"

class VMainFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Suite = std::make_unique<TStandinAgentSuite>();
        Suite->Start(L"vmain");
    }
    static void TearDownTestSuite() { Suite.reset(); }

    void SetUp() override {
        ASSERT_TRUE(Suite->Ready()) << Suite->Inst.output;
        Key = L"Software\\VorlaneTests\\" + testing_support::UniqueName(L"Main");
        RuntimeKey = Key + L"-runtime";
        SavedEnvironment = VMainEnvironment();
        // The tabs' browsers: doubles that fetch their pages from the agent.
        SavedFactory = BrowserViewFactory();
        BrowserViewFactory() = [](TComponent* Owner, TWinControl* Parent) -> TBrowserView* {
            auto* view = new browserfakes::FakeBrowserView(Owner);
            view->SetParent(Parent);
            return view;
        };
        TVMainEnvironment& env = VMainEnvironment();
        env.RegKey = L"\\" + Key;
        env.MutexName = testing_support::UniqueName(L"vorlaneRunningMutex");
        env.UseCommandLine = false;
        env.Params = {ProgramFile};
        env.SpeechFactory = [](HRESULT& Error) -> std::unique_ptr<TSpeechVoice> {
            Error = E_NOTIMPL;
            return nullptr;
        };
        // What would show in message boxes.
        env.ShowMessage = [this](const std::wstring& Text) { Messages.push_back(Text); };
        FreeAppSettings();
        Closing = false;
        // The online options live as long as the application: a catalog of an earlier test
        // may have set their locale.
        if (WebDataModule)
            WebDataModule->SetLangIndex(WebLocaleDefaultTag);
        LogStart = DebugForm ? LogText().size() : 0;
        // The runtime as the stand-in installed it, read from a key of this test.
        RegWriteString(HKEY_CURRENT_USER, RuntimeKey, L"LocalStore", Suite->Inst.localStore);
        RegWriteString(HKEY_CURRENT_USER, RuntimeKey, L"AppRoot", Suite->Inst.appRoot);
        RegWriteString(HKEY_CURRENT_USER, RuntimeKey, L"AgentPort", Suite->Env.PortText);
        TH3RegistryPlace place;
        place.Root = HKEY_CURRENT_USER;
        place.RuntimeKey = RuntimeKey;
        place.BetaKey = RuntimeKey + L"-beta";
        Paths = std::make_unique<TH3Paths>(place);
        SavedPaths = H3Paths;
        H3Paths = Paths.get();
    }

    void TearDown() override {
        H3Paths = SavedPaths;
        VMainEnvironment() = SavedEnvironment;
        BrowserViewFactory() = SavedFactory;
        RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, RuntimeKey.c_str());
    }

    // The window as the program makes it, up to the end of the start-up message; Before
    // runs between creation and that message.
    std::unique_ptr<TestForm<TVMainForm>> Start(const std::function<void(TVMainForm*)>& Before = nullptr) {
        auto form = std::make_unique<TestForm<TVMainForm>>();
        (*form)->FormCreate();
        if (g_H3Code) {
            delete g_H3Code;
            g_H3Code = new TH3Code(Paths.get(), &Suite->Env);
        }
        if (Before)
            Before(form->Form);
        (*form)->AmStartupMsg();
        return form;
    }

    void Seed(const std::wstring& Name, const std::wstring& Value) {
        RegWriteString(HKEY_CURRENT_USER, Key + L"\\main", Name, Value);
    }
    std::wstring Value(const std::wstring& Name, const std::wstring& Section = L"\\main") {
        std::wstring v;
        RegReadStringDef(HKEY_CURRENT_USER, Key + Section, Name, v, L"<missing>");
        return v;
    }

    // The agent's requests from Mark on, each as the query after "ms.help?" (whole target
    // when it has none).
    static size_t RequestMark() { return Suite->Agent.RequestLog().size(); }
    static std::vector<std::string> Requests(size_t Mark) {
        std::vector<std::string> out;
        const std::vector<std::string> log = Suite->Agent.RequestLog();
        for (size_t i = Mark; i < log.size(); ++i) {
            const size_t q = log[i].find("ms.help?");
            out.push_back(q == std::string::npos ? log[i] : log[i].substr(q + 8));
        }
        return out;
    }
    // The requests that hold Part.
    static std::vector<std::string> RequestsWith(size_t Mark, const std::string& Part) {
        std::vector<std::string> out;
        for (const std::string& r : Requests(Mark))
            if (r.find(Part) != std::string::npos)
                out.push_back(r);
        return out;
    }
    // The debug window's log (forced lines are kept while it is hidden) from this test on.
    std::wstring LogText() const {
        if (!DebugForm)
            return std::wstring();
        DebugForm->FlushLog();
        const std::wstring text = DebugForm->Memo1->GetText();
        return text.size() >= LogStart ? text.substr(LogStart) : text;
    }

    static inline const wchar_t* const ProgramFile = L"C:\\Program Files\\Vorlane\\Vorlane.exe";
    static inline std::unique_ptr<TStandinAgentSuite> Suite;
    std::wstring Key, RuntimeKey;
    size_t LogStart = 0;
    std::vector<std::wstring> Messages; // what the window told the user
    TVMainEnvironment SavedEnvironment;
    TBrowserViewFactory SavedFactory;
    std::unique_ptr<TH3Paths> Paths;
    TH3Paths* SavedPaths = nullptr;
};
