// Background download of one small file over HTTP (WinINet bound by name at run time):
// an online test, the status query, the download into memory (at most the bounds of
// HttpLimits(): 256 MiB, no progress for 30 s, 60 s a request), then the file written on
// the worker beside its target and put in its place only when the body arrived whole.
#pragma once

#include "Threads.h"
#include "UHttpRequest.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// NetStatus: 0 unknown, 3 testing, 1 connected, 2 not connected.
enum : int { nsUnknown = 0, nsConnected = 1, nsNotConnected = 2, nsTesting = 3 };
// DownloadStatus: 0 none, 3 running, 1 failed, 2 succeeded.
enum : int { dsNone = 0, dsFailed = 1, dsSucceeded = 2, dsRunning = 3 };

// Written by the worker, read by the GUI thread.
extern std::atomic<int> NetStatus;
extern std::atomic<int> DownloadStatus;
extern std::atomic<int> NetMode; // 99: the callback runs whatever the outcome

// The text of the last successful download (its bytes widened from the ANSI code page).
std::wstring DownloadedText();

// The addresses the online test tries (the first that opens means connected). The
// default is the maker's home page.
void SetNetProbeUrls(const std::vector<std::wstring>& Urls);
std::vector<std::wstring> NetProbeUrls();
// Whether the online test first asks the system for a connection (on by default; the
// loopback tests switch it off because a machine without a network card says offline).
extern bool NetCheckConnectedState;

class TNetThread : public TThread {
public:
    VORLANE_CLASS_NAME(TNetThread)
    TNetThread(const std::wstring& AUrl, const std::wstring& AFileName, TNotifyEvent AOnDone);

    std::wstring AgentName;     // the application's title
    std::wstring Status;        // last log text
    std::wstring Url;
    std::wstring FileName;
    std::wstring TempFileName;  // "~~" + the file name, in the file's folder
    TNotifyEvent OnDone;

    // Ends the running request at once (its internet handles are closed) and every later
    // one; from any thread. The thread then ends without downloading.
    void CancelRequest();

protected:
    void Execute() override;

private:
    void Log(const std::wstring& Text);
    void TestConnection();
    bool QueryStatus();
    void Download();
    bool Save(const std::string& Body);
    THttpCancel FCancel;
};

// The temporary file of a download target: "~~" before the file name, same folder.
std::wstring NetTempFileName(const std::wstring& FileName);

// Loads wininet.dll and binds its functions (once; start-up calls it).
void BindWinINet();
// False (and logged) when the library or one of its functions is missing.
bool WinINetReady();

// Starts the download when no thread exists and WinINet is ready; true when started.
bool StartNetThread(const std::wstring& Url, const std::wstring& FileName, TNotifyEvent OnDone, int Mode);
// Ends the running request, frees the thread (waiting for its end, which follows at once)
// and resets the statuses to 0. The program's end steps (RunEndSteps) call it for a
// download that still runs.
void FreeNetThread();
bool NetThreadExists();
