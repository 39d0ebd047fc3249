// Test support for everything that needs the stand-in help runtime: install it into a fresh
// folder, start its agent on a free port, wait for the port, read the request log, stop the
// agent by its process id, and fetch agent URLs the way the viewer does (WinINet).
// Header-only; link the CMake target `standin_support` (ws2_32, wininet) and depend on `standin`.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace standin_test {

using EnvList = std::vector<std::pair<std::wstring, std::wstring>>;

inline std::wstring Widen(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), w.data(), n);
    return w;
}

// Folder of the built stand-in files (programs, dll variants, store templates).
inline std::wstring DistDir() {
    std::wstring d = Widen(STANDIN_DIST_DIR);
    for (auto& c : d)
        if (c == L'/') c = L'\\';
    if (!d.empty() && d[0] == L'\\') d = L"Z:" + d;
    return d;
}

// A new, empty folder under the temporary folder, unique per process and call.
inline std::wstring MakeTempFolder(const std::wstring& tag) {
    static std::atomic<int> counter{0};
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring path = std::wstring(tmp) + L"standin-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

// The current environment with some variables replaced (a CREATE_UNICODE_ENVIRONMENT block).
inline std::wstring EnvironmentWith(const EnvList& changes) {
    std::vector<std::wstring> vars;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring v = p;
        bool replaced = false;
        for (auto& c : changes)
            if (v.size() > c.first.size() && v[c.first.size()] == L'=' &&
                CompareStringOrdinal(v.c_str(), (int)c.first.size(), c.first.c_str(), (int)c.first.size(), TRUE) == CSTR_EQUAL)
                replaced = true;
        if (!replaced) vars.push_back(v);
    }
    FreeEnvironmentStringsW(block);
    for (auto& c : changes)
        if (!c.second.empty()) vars.push_back(c.first + L"=" + c.second);
    std::wstring env;
    for (auto& v : vars) env += v + L'\0';
    env += L'\0';
    return env;
}

struct ProcessResult {
    bool started = false;
    DWORD exitCode = (DWORD)-1;
    std::string output;  // stdout and stderr
};

// Runs a command line to its end (or kills it after timeoutMs), capturing its output.
inline ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs, const EnvList& env = {}) {
    ProcessResult r;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return r;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    std::wstring block = EnvironmentWith(env);
    r.started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                               block.data(), nullptr, &si, &pi) != 0;
    CloseHandle(writeEnd);
    if (r.started) {
        DWORD start = GetTickCount();
        char buf[4096];
        for (;;) {
            DWORD avail = 0;
            while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
                DWORD n = 0;
                if (!ReadFile(readEnd, buf, sizeof buf, &n, nullptr) || n == 0) break;
                r.output.append(buf, n);
            }
            if (WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) break;
            if (GetTickCount() - start > timeoutMs) {
                TerminateProcess(pi.hProcess, 259);
                WaitForSingleObject(pi.hProcess, 5000);
                break;
            }
        }
        DWORD n = 0;
        while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0) r.output.append(buf, n);
        GetExitCodeProcess(pi.hProcess, &r.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(readEnd);
    return r;
}

struct WinsockInit {
    WinsockInit() {
        WSADATA w;
        WSAStartup(MAKEWORD(2, 2), &w);
    }
    ~WinsockInit() { WSACleanup(); }
};

inline int FreePort() {
    WinsockInit ws;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int port = 0;
    if (bind(s, (sockaddr*)&a, sizeof a) == 0) {
        int len = sizeof a;
        getsockname(s, (sockaddr*)&a, &len);
        port = ntohs(a.sin_port);
    }
    closesocket(s);
    return port;
}

struct Installation {
    std::wstring root;        // folder holding everything below
    std::wstring appRoot;     // root\AppRoot
    std::wstring localStore;  // root\HelpLibrary
    std::wstring userCfg;     // root\user\HelpClient.cfg (the per-user file the agent is told to use)
    bool ok = false;
    std::string output;
    // HelpLibAgent.exe, or the pre-release MSHelpListener.exe when only that is installed.
    std::wstring AgentPath() const {
        std::wstring agent = appRoot + L"\\HelpLibAgent.exe", listener = appRoot + L"\\MSHelpListener.exe";
        bool onlyListener = GetFileAttributesW(agent.c_str()) == INVALID_FILE_ATTRIBUTES &&
                            GetFileAttributesW(listener.c_str()) != INVALID_FILE_ATTRIBUTES;
        return onlyListener ? listener : agent;
    }
};

// Installs the stand-in into a new temporary folder. Without writeRegistry nothing in the
// registry changes (--registry none); extra arguments go to StandinSetup.exe as they are.
inline Installation InstallStandin(const std::wstring& tag, const std::vector<std::wstring>& extraArgs = {},
                                   bool writeRegistry = false) {
    Installation inst;
    inst.root = MakeTempFolder(tag);
    inst.appRoot = inst.root + L"\\AppRoot";
    inst.localStore = inst.root + L"\\HelpLibrary";
    inst.userCfg = inst.root + L"\\user\\HelpClient.cfg";
    std::wstring cmd = L"\"" + DistDir() + L"\\StandinSetup.exe\" --approot \"" + inst.appRoot + L"\" --localstore \"" +
                       inst.localStore + L"\" --user-cfg \"" + inst.userCfg + L"\"";
    if (!writeRegistry) cmd += L" --registry none";
    bool portGiven = false;
    for (auto& a : extraArgs) {
        cmd += L" \"" + a + L"\"";
        portGiven = portGiven || a == L"--port" || a == L"--port-dword";
    }
    // An installation in the registry names a free port of its own, so that an agent started
    // from it never meets the agent of another run on this machine at the default port.
    if (writeRegistry && !portGiven) cmd += L" --port " + std::to_wstring(FreePort());
    ProcessResult r = RunProcess(cmd, 60000);
    inst.output = r.output;
    inst.ok = r.started && r.exitCode == 0;
    return inst;
}

inline void DeleteFolderTree(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring n = fd.cFileName;
            if (n == L"." || n == L"..") continue;
            std::wstring p = path + L"\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteFolderTree(p);
            else DeleteFileW(p.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

inline void RemoveInstallation(const Installation& inst) {
    if (!inst.root.empty()) DeleteFolderTree(inst.root);
}

inline bool PortOpen(int port) {
    WinsockInit ws;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((u_short)port);
    bool open = connect(s, (sockaddr*)&a, sizeof a) == 0;
    closesocket(s);
    return open;
}

// An agent process of an installation. By default it is told its port, store and log by
// environment (nothing read from the registry); pass useRegistry to let it read AgentPort
// and LocalStore from HKLM like the real agent.
class AgentProcess {
public:
    AgentProcess() = default;
    AgentProcess(const AgentProcess&) = delete;
    AgentProcess& operator=(const AgentProcess&) = delete;
    ~AgentProcess() { Stop(); }

    bool Start(const Installation& inst, int port, const EnvList& extraEnv = {}, bool useRegistry = false) {
        Stop();
        port_ = port;
        static std::atomic<int> counter{0};
        logPath_ = inst.root + L"\\requests-" + std::to_wstring(++counter) + L".log";
        EnvList env = {{L"STANDIN_AGENT_LOG", logPath_}, {L"STANDIN_USER_CFG", inst.userCfg}};
        if (!useRegistry) {
            env.push_back({L"STANDIN_AGENT_PORT", std::to_wstring(port)});
            env.push_back({L"STANDIN_LOCALSTORE", inst.localStore});
        }
        for (auto& e : extraEnv) env.push_back(e);
        std::wstring block = EnvironmentWith(env);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOWMINNOACTIVE;
        PROCESS_INFORMATION pi{};
        std::wstring cmd = L"\"" + inst.AgentPath() + L"\"";
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE,
                            CREATE_UNICODE_ENVIRONMENT | CREATE_DEFAULT_ERROR_MODE | CREATE_SUSPENDED, block.data(),
                            nullptr, &si, &pi))
            return false;
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        job_ = EndWithThisProcess(process_);
        ResumeThread(pi.hThread);
        CloseHandle(pi.hThread);
        return true;
    }

    // True once the port accepts connections; false when the process ended or time ran out.
    bool WaitForPort(DWORD timeoutMs = 15000) const {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            if (PortOpen(port_)) return true;
            if (!Running()) return false;
            Sleep(10);
        }
        return false;
    }

    bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    // Waits for the process to end by itself; its exit code, or -1 on time-out.
    long WaitExit(DWORD timeoutMs) const {
        if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return (long)code;
    }
    // Ends the agent (this process only, by its handle).
    void Stop() {
        if (!process_) return;
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
        process_ = nullptr;
        if (job_) CloseHandle(job_);
        job_ = nullptr;
    }

    DWORD Pid() const { return pid_; }
    int Port() const { return port_; }
    const std::wstring& LogPath() const { return logPath_; }
    // The agent base URL up to "ms.help?", with or without the process-id suffix.
    std::wstring Base(bool withPid, const std::wstring& session = L"1") const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/help/" + session +
               (withPid ? L"-" + std::to_wstring(pid_) : L"") + L"/ms.help?";
    }
    // Raw request targets received so far, one per request.
    std::vector<std::string> RequestLog() const {
        std::vector<std::string> lines;
        HANDLE h = CreateFileW(logPath_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return lines;
        std::string all;
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) all.append(buf, n);
        CloseHandle(h);
        size_t start = 0;
        for (size_t p; (p = all.find('\n', start)) != std::string::npos; start = p + 1) {
            std::string line = all.substr(start, p - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

private:
    // A job that ends the process with the last handle to it, so also when this process is
    // ended from outside or by a watchdog: an agent left running would hold this process's
    // output pipe open (Wine hands it down), and a test runner reading it would wait until
    // its own time-out. The agent's own children stay outside the job.
    static HANDLE EndWithThisProcess(HANDLE process) {
        HANDLE job = CreateJobObjectW(nullptr, nullptr);
        if (!job) return nullptr;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
        if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
            !AssignProcessToJobObject(job, process)) {
            CloseHandle(job);
            return nullptr;
        }
        return job;
    }

    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
    DWORD pid_ = 0;
    int port_ = 0;
    std::wstring logPath_;
};

struct HttpResult {
    bool ok = false;
    DWORD status = 0;
    std::string body;
};

// GET through WinINet with the viewer's flags (one session and connection per request).
inline HttpResult HttpGet(const std::wstring& url) {
    HttpResult r;
    HINTERNET net = InternetOpenW(L"StandinTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!net) return r;
    HINTERNET h = InternetOpenUrlW(net, url.c_str(), nullptr, 0, 0x84400200, 0);
    if (h) {
        DWORD len = sizeof r.status;
        HttpQueryInfoW(h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &r.status, &len, nullptr);
        char buf[65536];
        DWORD n = 0;
        r.ok = true;
        while (InternetReadFile(h, buf, sizeof buf, &n) && n > 0) r.body.append(buf, n);
        InternetCloseHandle(h);
    }
    InternetCloseHandle(net);
    return r;
}

// Sends raw bytes to 127.0.0.1:port and returns everything the server answers.
// halfClose shuts the sending side after the bytes; pauseMs waits before sending the rest
// (after the first `split` bytes) to play a slow client.
inline std::string RawRequest(int port, const std::string& bytes, bool halfClose = true, size_t split = 0,
                              DWORD pauseMs = 0, DWORD timeoutMs = 10000) {
    WinsockInit ws;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((u_short)port);
    std::string answer;
    if (connect(s, (sockaddr*)&a, sizeof a) == 0) {
        DWORD t = timeoutMs;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&t, sizeof t);
        size_t first = split ? split : bytes.size();
        send(s, bytes.data(), (int)first, 0);
        if (first < bytes.size()) {
            Sleep(pauseMs);
            send(s, bytes.data() + first, (int)(bytes.size() - first), 0);
        }
        if (halfClose) shutdown(s, SD_SEND);
        char buf[8192];
        int n;
        while ((n = recv(s, buf, sizeof buf, 0)) > 0) answer.append(buf, n);
    }
    closesocket(s);
    return answer;
}

}  // namespace standin_test
