// The download thread.
#include "UNetThread.h"

#include "Boundary.h"
#include "Forms.h"
#include "TntSystem.h"
#include "UDLogFile.h"

#include <wininet.h>

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
using TInternetOpenA = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using TInternetOpenW = HINTERNET(WINAPI*)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
using TInternetOpenUrlA = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
using TInternetOpenUrlW = HINTERNET(WINAPI*)(HINTERNET, LPCWSTR, LPCWSTR, DWORD, DWORD, DWORD_PTR);
using TInternetQueryOptionA = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD);
using THttpQueryInfoA = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
using TInternetCloseHandle = BOOL(WINAPI*)(HINTERNET);
using TInternetReadFile = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);

struct TWinINet {
    HMODULE Module = nullptr;
    TInternetGetConnectedState GetConnectedState = nullptr;
    TInternetOpenA OpenA = nullptr;
    TInternetOpenW OpenW = nullptr;
    TInternetOpenUrlA OpenUrlA = nullptr;
    TInternetOpenUrlW OpenUrlW = nullptr;
    TInternetQueryOptionA QueryOptionA = nullptr;
    THttpQueryInfoA HttpQueryInfoA = nullptr;
    TInternetCloseHandle CloseHandle = nullptr;
    TInternetReadFile ReadFile = nullptr;
    bool Complete() const {
        return GetConnectedState && OpenA && OpenW && OpenUrlA && OpenUrlW && QueryOptionA && HttpQueryInfoA &&
               CloseHandle && ReadFile;
    }
    ~TWinINet() {
        if (Module)
            FreeLibrary(Module);
    }
};

TWinINet g_Net;
std::once_flag g_BindOnce;

template <class F>
void Bind(F& Slot, const char* Name) {
    Slot = reinterpret_cast<F>(GetProcAddress(g_Net.Module, Name));
}

// An Internet handle closed with the bound function.
class TNetHandle {
public:
    explicit TNetHandle(HINTERNET H = nullptr) : FHandle(H) {}
    ~TNetHandle() { Reset(); }
    TNetHandle(const TNetHandle&) = delete;
    TNetHandle& operator=(const TNetHandle&) = delete;
    HINTERNET Get() const { return FHandle; }
    void Reset(HINTERNET H = nullptr) {
        if (FHandle && g_Net.CloseHandle)
            g_Net.CloseHandle(FHandle);
        FHandle = H;
    }

private:
    HINTERNET FHandle;
};

constexpr DWORD UrlFlags = 0x84400200; // reload, no cache write, keep connection, no UI
constexpr size_t FlushLimit = 60000;
constexpr DWORD ChunkSize = 8000;

std::mutex g_TextLock;
std::wstring g_DownloadedText;
std::mutex g_ProbeLock;
std::vector<std::wstring> g_ProbeUrls{L"https://www.quorvex.com/"};
std::unique_ptr<TNetThread> g_NetThread;

void SetDownloadedText(const std::wstring& Text) {
    std::lock_guard<std::mutex> lock(g_TextLock);
    g_DownloadedText = Text;
}

bool WriteWholeFile(const std::wstring& Name, const std::string& Bytes, bool Append, int64_t Offset,
                    DWORD& Written) {
    Written = 0;
    HANDLE f = CreateFileW(Name.c_str(), GENERIC_WRITE, 0, nullptr, Append ? OPEN_EXISTING : CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    if (Append) {
        LARGE_INTEGER pos;
        pos.QuadPart = Offset;
        ok = SetFilePointerEx(f, pos, nullptr, FILE_BEGIN) != 0;
    }
    if (ok && !Bytes.empty())
        ok = WriteFile(f, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr) &&
             Written == Bytes.size();
    CloseHandle(f);
    return ok;
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
        g_Net.Module = LoadLibraryW(L"wininet.dll");
        if (!g_Net.Module)
            return;
        Bind(g_Net.GetConnectedState, "InternetGetConnectedState");
        Bind(g_Net.OpenA, "InternetOpenA");
        Bind(g_Net.OpenW, "InternetOpenW");
        Bind(g_Net.OpenUrlA, "InternetOpenUrlA");
        Bind(g_Net.OpenUrlW, "InternetOpenUrlW");
        Bind(g_Net.QueryOptionA, "InternetQueryOptionA");
        Bind(g_Net.HttpQueryInfoA, "HttpQueryInfoA");
        Bind(g_Net.CloseHandle, "InternetCloseHandle");
        Bind(g_Net.ReadFile, "InternetReadFile");
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
        Log(L"Call InternetOpenA()");
        TNetHandle session(g_Net.OpenW(AgentName.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        if (session.Get()) {
            for (const std::wstring& address : NetProbeUrls()) {
                if (Terminated())
                    break;
                Log(L"Testing: Call InternetOpenUrlA(" + address + L")");
                TNetHandle url(g_Net.OpenUrlW(session.Get(), address.c_str(), nullptr, 0, UrlFlags, 0));
                if (url.Get()) {
                    connected = true;
                    break;
                }
            }
        }
    }
    NetStatus = connected ? nsConnected : nsNotConnected;
    Log(connected ? L"NetStatus = Connected" : L"NetStatus = Not Connected");
}

int TNetThread::QueryStatus(int& HttpStatus) {
    int result = 0;
    HttpStatus = -1;
    TNetHandle session(g_Net.OpenW(AgentName.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.Get())
        return result;
    result = 1;
    TNetHandle url;
    for (int attempt = 0; attempt < 5 && !url.Get() && !Terminated(); ++attempt) {
        if (attempt > 0)
            Sleep(100);
        url.Reset(g_Net.OpenUrlW(session.Get(), Url.c_str(), nullptr, 0, UrlFlags, 0));
    }
    if (!url.Get())
        return result;
    result = 2;
    std::string buffer(10240, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!g_Net.HttpQueryInfoA(url.Get(), HTTP_QUERY_STATUS_CODE, buffer.data(), &size, nullptr))
        return result;
    buffer.resize(size < buffer.size() ? size : buffer.size());
    HttpStatus = -1;
    if (!buffer.empty() && buffer.size() < 10 && buffer.find_first_not_of("0123456789") == std::string::npos)
        HttpStatus = std::stoi(buffer);
    result = 3;
    std::string urlText(10240, '\0');
    size = static_cast<DWORD>(urlText.size());
    if (g_Net.QueryOptionA(url.Get(), INTERNET_OPTION_URL, urlText.data(), &size))
        result = 4;
    return result;
}

void TNetThread::Flush() {
    DWORD written = 0;
    const bool ok = WriteWholeFile(TempFileName, Buffer, FBytesWritten > 0, FBytesWritten, written);
    FBytesWritten += written;
    FlushOk = ok && written == Buffer.size();
}

void TNetThread::Download() {
    DownloadStatus = dsRunning;
    Buffer.clear();
    FAll.clear();
    SetDownloadedText(L"");
    FBytesWritten = 0;
    Synchronize([this] { DeleteFileW(TempFileName.c_str()); });

    TNetHandle session(g_Net.OpenW(AgentName.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    TNetHandle url(session.Get() ? g_Net.OpenUrlW(session.Get(), Url.c_str(), nullptr, 0, UrlFlags, 0) : nullptr);
    if (!url.Get()) {
        DownloadStatus = dsFailed;
        return;
    }
    std::string chunk(ChunkSize, '\0');
    for (;;) {
        if (Terminated()) {
            DownloadStatus = dsFailed;
            return;
        }
        DWORD read = 0;
        if (!g_Net.ReadFile(url.Get(), chunk.data(), ChunkSize, &read)) {
            DownloadStatus = dsFailed;
            return;
        }
        if (read == 0)
            break;
        Buffer.append(chunk.data(), read);
        FAll.append(chunk.data(), read);
        if (Buffer.size() > FlushLimit) {
            Synchronize([this] { Flush(); });
            if (!FlushOk) {
                DownloadStatus = dsFailed;
                return;
            }
            Buffer.clear();
        }
    }
    bool saved = false;
    if (FBytesWritten > 0) {
        Synchronize([this, &saved] {
            Flush();
            if (!FlushOk)
                return;
            if (GetFileAttributesW(FileName.c_str()) != INVALID_FILE_ATTRIBUTES)
                DeleteFileW(FileName.c_str());
            saved = MoveFileW(TempFileName.c_str(), FileName.c_str()) != 0;
        });
    } else {
        Synchronize([this, &saved] {
            DWORD written = 0;
            saved = WriteWholeFile(FileName, Buffer, false, 0, written);
        });
    }
    if (!saved) {
        DownloadStatus = dsFailed;
        return;
    }
    SetDownloadedText(DefaultAnsiToWide(FAll));
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
        int httpStatus = -1;
        int reached = 0;
        try {
            reached = QueryStatus(httpStatus);
        } catch (...) {
            // the query ends with what it reached
        }
        if (reached < 3 || httpStatus != 200)
            DownloadStatus = dsFailed;
        else
            Download();
        if (DownloadStatus == dsSucceeded) {
            Log(L"Downloaded: " + Url);
            Log(L"Saved to file: " + FileName);
        } else {
            DownloadStatus = dsFailed;
            Log(L"Download failed");
        }
    }
    Buffer.clear();
    FAll.clear();
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
    g_NetThread->Start();
    return true;
}

void FreeNetThread() {
    if (g_NetThread) {
        g_NetThread->Terminate();
        // Wait (serving its synchronised calls) before the object goes: its members are
        // in use until the thread has ended.
        g_NetThread->WaitFor();
        g_NetThread.reset();
    }
    NetStatus = nsUnknown;
    DownloadStatus = dsNone;
}

bool NetThreadExists() { return g_NetThread != nullptr; }
