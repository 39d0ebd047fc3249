// The download thread.
#include "UNetThread.h"

#include "Boundary.h"
#include "Handles.h"
#include "Forms.h"
#include "TntSystem.h"
#include "UDLogFile.h"

#include <algorithm>
#include <memory>
#include <mutex>

std::atomic<int> NetStatus{nsUnknown};
std::atomic<int> DownloadStatus{dsNone};
std::atomic<int> NetMode{0};
bool NetCheckConnectedState = true;

namespace {

// ---------------------------------------------------------------------------------
// WinINet, bound by name.

using TInternetGetConnectedState = BOOL(WINAPI*)(LPDWORD, DWORD);

struct TWinINet {
    TModuleHandle Module;
    TInternetGetConnectedState GetConnectedState = nullptr;
    TWinINetApi Api;
    bool Complete() const { return GetConnectedState && Api.Complete(); }
};

TWinINet g_Net;
std::once_flag g_BindOnce;

template <class F>
void Bind(F& Slot, const char* Name) {
    Slot = reinterpret_cast<F>(GetProcAddress(g_Net.Module.Get(), Name));
}

std::mutex g_TextLock;
std::wstring g_DownloadedText;
std::mutex g_ProbeLock;
std::vector<std::wstring> g_ProbeUrls{L"https://www.quorvex.com/"};
std::unique_ptr<TNetThread> g_NetThread;

void SetDownloadedText(const std::wstring& Text) {
    std::lock_guard<std::mutex> lock(g_TextLock);
    g_DownloadedText = Text;
}

// Writes Bytes as the whole new content of Name.
bool WriteWholeFile(const std::wstring& Name, const std::string& Bytes) {
    TFileHandle f(CreateFileW(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    size_t done = 0;
    while (done < Bytes.size()) {
        const DWORD part = static_cast<DWORD>(std::min<size_t>(Bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(f.Get(), Bytes.data() + done, part, &written, nullptr) || written != part) return false;
        done += written;
    }
    return FlushFileBuffers(f.Get()) != 0;
}

} // namespace

std::wstring DownloadedText() {
    std::lock_guard<std::mutex> lock(g_TextLock);
    return g_DownloadedText;
}

void SetNetProbeUrls(const std::vector<std::wstring>& Urls) {
    std::lock_guard<std::mutex> lock(g_ProbeLock);
    g_ProbeUrls = Urls;
}

std::vector<std::wstring> NetProbeUrls() {
    std::lock_guard<std::mutex> lock(g_ProbeLock);
    return g_ProbeUrls;
}

std::wstring NetTempFileName(const std::wstring& FileName) {
    const size_t sep = FileName.find_last_of(L"\\/:");
    if (sep == std::wstring::npos)
        return L"~~" + FileName;
    return FileName.substr(0, sep + 1) + L"~~" + FileName.substr(sep + 1);
}

void BindWinINet() {
    std::call_once(g_BindOnce, [] {
        g_Net.Module.Reset(LoadLibraryW(L"wininet.dll"));
        if (!g_Net.Module) return;
        Bind(g_Net.GetConnectedState, "InternetGetConnectedState");
        TWinINetApi& api = g_Net.Api;
        Bind(api.OpenW, "InternetOpenW");
        Bind(api.ConnectW, "InternetConnectW");
        Bind(api.OpenRequestW, "HttpOpenRequestW");
        Bind(api.SendRequestW, "HttpSendRequestW");
        Bind(api.QueryInfoW, "HttpQueryInfoW");
        Bind(api.SetOptionW, "InternetSetOptionW");
        Bind(api.ReadFile, "InternetReadFile");
        Bind(api.CloseHandle, "InternetCloseHandle");
        Bind(api.CrackUrlW, "InternetCrackUrlW");
        Bind(api.CombineUrlW, "InternetCombineUrlW");
    });
}

bool WinINetReady() {
    BindWinINet();
    if (!g_Net.Module) {
        DebugOut(L"Netthread> _WinINetDLLHandle handle = 0 (abort)");
        return false;
    }
    if (!g_Net.Complete()) {
        DebugOut(L"Netthread> funtion entry point not found (abort)");
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------

TNetThread::TNetThread(const std::wstring& AUrl, const std::wstring& AFileName, TNotifyEvent AOnDone)
    : Url(AUrl), FileName(AFileName), TempFileName(NetTempFileName(AFileName)), OnDone(std::move(AOnDone)) {}

void TNetThread::CancelRequest() {
    Terminate();
    FCancel.Cancel();
}

void TNetThread::Log(const std::wstring& Text) {
    Status = Text;
    Synchronize([Text] { DebugOut(L"Netthread>" + Text); });
}

void TNetThread::TestConnection() {
    NetStatus = nsTesting;
    bool connected = false;
    Log(L"Call InternetGetConnectedState()");
    DWORD flags = 0;
    const bool stateOk = !NetCheckConnectedState || (g_Net.GetConnectedState(&flags, 0) && (flags & 0x0F) != 0);
    if (stateOk) {
        for (const std::wstring& address : NetProbeUrls()) {
            if (Terminated()) break;
            Log(L"Testing: Call InternetOpenUrlA(" + address + L")");
            // Any HTTP answer means the machine is online.
            const THttpReply reply = HttpGetReply(g_Net.Api, AgentName, address, false, &FCancel);
            if (reply.Status > 0 && reply.Failure != THttpFailure::BadReply && reply.Failure != THttpFailure::Cancelled) {
                connected = true;
                break;
            }
        }
    }
    NetStatus = connected ? nsConnected : nsNotConnected;
    Log(connected ? L"NetStatus = Connected" : L"NetStatus = Not Connected");
}

// True when Url answers with status 200 and a sound head.
bool TNetThread::QueryStatus() {
    const THttpReply reply = HttpGetReply(g_Net.Api, AgentName, Url, false, &FCancel);
    if (reply.Ok() && reply.Status == 200) return true;
    Log(L"Status query: " + (reply.Ok() ? L"status " + std::to_wstring(reply.Status) : reply.Describe()));
    return false;
}

// The body goes to the temporary file beside the target first, which then replaces the
// target: the old file stays as it was unless a whole new one is in place.
bool TNetThread::Save(const std::string& Body) {
    if (!WriteWholeFile(TempFileName, Body)) {
        DeleteFileW(TempFileName.c_str());
        return false;
    }
    if (!MoveFileExW(TempFileName.c_str(), FileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(TempFileName.c_str());
        return false;
    }
    return true;
}

void TNetThread::Download() {
    DownloadStatus = dsRunning;
    SetDownloadedText(L"");
    DeleteFileW(TempFileName.c_str());
    THttpReply reply = HttpGetReply(g_Net.Api, AgentName, Url, true, &FCancel);
    if (reply.Ok() && reply.Status != 200) {
        reply.Failure = THttpFailure::Status;
        reply.Detail = L"not 200";
    } else if (reply.Ok() && reply.Body.empty()) {
        reply.Failure = THttpFailure::Incomplete;
        reply.Detail = L"empty body";
    }
    if (!reply.Ok()) {
        Log(L"Download: " + reply.Describe());
        DownloadStatus = dsFailed;
        return;
    }
    if (Terminated() || !Save(reply.Body)) {
        if (!Terminated()) Log(L"Download: the file could not be written");
        DownloadStatus = dsFailed;
        return;
    }
    SetDownloadedText(DefaultAnsiToWide(reply.Body));
    DownloadStatus = dsSucceeded;
}

void TNetThread::Execute() {
    Log(L"Start");
    Synchronize([this] { AgentName = Application ? Application->Title() : L"Vorlane"; });
    if (AgentName.empty())
        AgentName = L"Vorlane";
    if (NetStatus == nsUnknown)
        TestConnection();
    const bool connected = NetStatus == nsConnected;
    if (connected) {
        if (!Terminated() && QueryStatus())
            Download();
        if (DownloadStatus == dsSucceeded) {
            Log(L"Downloaded: " + Url);
            Log(L"Saved to file: " + FileName);
        } else {
            DownloadStatus = dsFailed;
            Log(L"Download failed");
        }
    }
    Log(L"End");
    if (OnDone && (NetMode == 99 || (connected && DownloadStatus == dsSucceeded)))
        Synchronize([this] { OnDone(this); });
}

bool StartNetThread(const std::wstring& Url, const std::wstring& FileName, TNotifyEvent OnDone, int Mode) {
    if (g_NetThread || !WinINetReady())
        return false;
    SetDownloadedText(L"");
    g_NetThread = std::make_unique<TNetThread>(Url, FileName, std::move(OnDone));
    NetMode = Mode;
    AddEndStep(&FreeNetThread); // a download still running at exit is stopped in time
    g_NetThread->Start();
    return true;
}

void FreeNetThread() {
    if (g_NetThread) {
        // The request ends at once (a stalled one too); waiting (serving the thread's
        // synchronised calls) is then short. Its members are in use until it has ended.
        g_NetThread->CancelRequest();
        g_NetThread->WaitFor();
        g_NetThread.reset();
    }
    NetStatus = nsUnknown;
    DownloadStatus = dsNone;
}

bool NetThreadExists() { return g_NetThread != nullptr; }
