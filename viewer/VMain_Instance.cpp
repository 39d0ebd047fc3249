// Single instance: the mutex, the hand-over of a help URL from a second copy, and opening
// a URL that came from the command line or from such a copy.
#include "VMain.h"

#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAgentLink.h"
#include "UAppSettings.h"
#include "UDebugLog.h"
#include "UH3_Code.h"
#include "UMainRules.h"
#include "UBrowsers.h"
#include "UShellExec.h"
#include "UTocData.h"
#include "UWebDataModule.h"
#include "WRegistry.h"

namespace {

// The URL a second copy stored, as stored: any length, quotes and '%' kept (the settings
// readers would expand environment references in it).
std::wstring ReadIPParam(const std::wstring& Key) {
    try {
        WRegistry::TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (!reg.OpenKeyReadOnly(Key) || !reg.ValueExists(L"IPParam"))
            return std::wstring();
        return reg.ReadString(L"IPParam");
    } catch (const Exception&) {
        return std::wstring();
    }
}

// The copy ends without showing a window.
void EndWithoutWindow() {
    Application->ShowMainForm = false;
    Application->Terminate();
}

struct TFindState {
    HWND Owner;
    HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND Wnd, LPARAM Param) {
    auto* state = reinterpret_cast<TFindState*>(Param);
    wchar_t name[64] = {};
    GetClassNameW(Wnd, name, 64);
    const std::wstring cls = name;
    if ((cls == L"TVMainForm" || cls == L"TVMainForm.UnicodeClass") && GetWindow(Wnd, GW_OWNER) == state->Owner) {
        state->Found = Wnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindOtherMainWindow(HWND OwnAppWindow) {
    if (OwnAppWindow)
        SetWindowTextW(OwnAppWindow, L"Instance 2: Vorlane");
    TFindState state{nullptr, nullptr};
    OtherAppWindow = FindWindowW(L"TApplication", L"Vorlane");
    if (OtherAppWindow) {
        state.Owner = OtherAppWindow;
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&state));
    }
    if (OwnAppWindow)
        SetWindowTextW(OwnAppWindow, L"Vorlane");
    return state.Found;
}

bool TVMainForm::CheckSingleInstance() {
    const TVMainEnvironment& env = VMainEnvironment();
    // 7. Is a copy running? Then this copy's mutex (not owned) keeps the name alive too.
    {
        TKernelHandle other(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, env.MutexName.c_str()));
        OtherInstanceRunning = other.Valid();
    }
    RunningMutex.Reset(CreateMutexW(nullptr, FALSE, env.MutexName.c_str()));
    // 8. A help URL on the command line.
    const std::vector<std::wstring> commandLine = CommandLine();
    const TStartUrl start =
        StartUrlOf(std::vector<std::wstring>(commandLine.begin() + 1, commandLine.end()), ReadHelpMode());
    if (start.Param.empty())
        return true;
    if (start.OpenInBrowser) {
        // The runtime shows its help online: the page goes to the web browser (an address
        // with control characters is refused there).
        if (BrowserAddressAllowed(start.Url))
            ShellExec(start.Url);
        EndWithoutWindow();
        return false;
    }
    if (OtherInstanceRunning) {
        if (HWND other = FindOtherMainWindow(Application->Handle())) {
            // Only a stored URL is handed over: without it the other copy would open the
            // one of an earlier hand-over, so this copy then opens the URL itself.
            if (RegWriteString(HKEY_CURRENT_USER, env.RegKey, L"IPParam", start.Url)) {
                SetForegroundWindow(other);
                PostMessageW(other, WM_VIEWER_HANDOVER, XX_OPENFILE, 0);
                EndWithoutWindow();
                return false;
            }
        }
    }
    PassedInUrl = start.Param;
    return true;
}

void TVMainForm::AmPostAppMsg(WPARAM Request) {
    DebugLog(L">> AmPostAppMsg(msg)");
    if (!FCreated)
        return;
    if (TCustomForm* main = Application->MainForm(); main && !main->Visible())
        main->Show();
    switch (Request) {
    case XX_CLOSE:
        // The normal close, so that the settings are saved.
        RequestClose();
        break;
    case XX_RESTORE:
        DebugLog(L">> XX_RESTORE");
        Application->Restore();
        SetForegroundWindow(Handle());
        break;
    case XX_OPENFILE: {
        Application->Restore();
        DebugLog(L">> XX_OPENFILE, SetActiveWindow(this.handle)");
        SetForegroundWindow(Handle());
        SetActiveWindow(Handle());
        const std::wstring url = ReadIPParam(VMainEnvironment().RegKey);
        DebugLog(L">> XX_OPENFILE, URL passed = " + url);
        if (url.empty())
            break;
        // One that comes during a wait (or before those that came then have opened) opens
        // after the wait, in the order they came; the value is read now, as the next copy
        // may write it again.
        if (UnderWaitOrDialog() || !FHandOvers.empty()) {
            FHandOvers.push_back(url);
            break;
        }
        OpenPassedInUrl(url);
        break;
    }
    default:
        break;
    }
}

void TVMainForm::OpenPassedInUrl(const std::wstring& Url) {
    DebugLogEx(L">> OpenPassedInUrl(), " + Url, true);
    std::wstring url = WithoutEmbeddedFlag(Url);
    // The command line and a second copy's registry value are anybody's: a tab is sent to help
    // and web addresses only (a file, a share or another scheme is refused, naming it).
    if (!BrowserAddressAllowed(url))
        return;
    // The topic in the loaded catalog's locale, when the agent has it there.
    if (!CurrentCatalog.empty() && g_H3Code) {
        const std::wstring switched = LocaleSwitchUrl(url, g_H3Code->Locale);
        if (!switched.empty()) {
            std::wstring reply;
            g_H3Code->HttpGet(switched, reply);
            TH3PageHeader head;
            ReadPageHeader(reply, head);
            if (!head.Id.empty()) {
                url = switched;
                DebugLog(L"  ~ Switch to using selected Catalog Locale: " + url);
            } else {
                DebugLog(L"  ~ Tested selected Catalog Locale but not found: " + switched);
            }
        }
    }
    // An F1 request's query into the search box.
    if (WebDataModule && WebDataModule->EchoF1QueryInSearchBox) {
        std::wstring method, query, text;
        GetUrlParam(url, L"method", method);
        GetUrlParam(url, L"query", query);
        DebugLog(L"... Passed URL: " + url);
        DebugLog(L"... Passed URL \\ Method: " + method);
        DebugLog(L"... Passed URL \\ query: " + query);
        if (F1SearchText(method, query, text)) {
            DebugLog(L"... Set Search Text: " + text);
            SearchEdit->SetText(text);
        }
    }
    RawGotoUrl(url, mmnuOpenF1NewTab->Checked());
}
