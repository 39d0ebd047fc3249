// Requests to the help runtime's agent: a blocking HTTP GET returning wide text, the TCP
// probe of the agent's port, and the searches for the agent process.
#pragma once

#include "System.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TH3Paths;

// What a request to the agent takes from the program's state: the user agent (the
// application's title, "Vorlane" when it has none) and the agent program's name (to find the
// agent again after a failed request). Only the GUI thread reads that state: a request that
// runs on a worker is given the caller taken on the GUI thread when the request was made.
struct TAgentCaller {
    std::wstring UserAgent = L"Vorlane";
    std::wstring AgentExe = L"HelpLibAgent.exe";
};
// On the GUI thread the state as it is now; on another thread the caller that the GUI thread
// took last (the defaults before it took one).
TAgentCaller AgentCaller();

// The body of Url decoded to wide text (by byte-order mark, else by content); empty on
// any failure, which is logged: no connection (a refused one is tried 5 times, 100 ms
// apart), no progress for 30 s, longer than 60 s in all, more than 5 redirects, a status
// of 400 or above, a body cut short of its Content-Length or larger than 256 MiB (the
// bounds of HttpLimits()).
void HttpGetText(const std::wstring& Url, std::wstring& Text);
void HttpGetText(const std::wstring& Url, std::wstring& Text, const TAgentCaller& Caller);
// The texts of several URLs, asked for at once on a few workers (each as HttpGetText); in the
// order of Urls. On the GUI thread one wait covers them all; a cancel gives all empty.
std::vector<std::wstring> HttpGetTexts(const std::vector<std::wstring>& Urls);

// HttpGetText that hands out the text as the bytes arrive: Piece gets each further piece,
// on the thread that runs the request, while the bytes so far are UTF-8 (or ASCII) as the
// whole reply will be read. True when the pieces made up the whole reply as HttpGetText
// gives it (Text is then left empty); false when they stopped short of it (another
// encoding, a failed or cut request): Text is then HttpGetText's answer, and the pieces
// handed out are to be dropped. Most is the most characters the whole text can have (its
// bytes' Content-Length), 0 when the reply does not say.
using THttpTextPiece = std::function<void(std::wstring_view Piece, size_t Most)>;
bool HttpGetTextStreamed(const std::wstring& Url, std::wstring& Text, const THttpTextPiece& Piece);
bool HttpGetTextStreamed(const std::wstring& Url, std::wstring& Text, const THttpTextPiece& Piece,
                         const TAgentCaller& Caller);

// True when the agent's port accepts a connection. The port is the one agent URLs name
// (Paths.AgentUrlPort(); an empty one is HTTP's 80). A port that is not a number from 1
// to 65535 counts as not listening and is logged. A port that does not accept (the full
// backlog of a hung agent) holds the probe for its time-out: on the GUI thread the probe
// runs inside the wait that keeps the window answering, and a cancelled wait is "not
// listening".
bool IsHelpAgentListening();
bool IsHelpAgentListening(const TH3Paths& Paths);
// A TCP connection to 127.0.0.1:Port / Host:Port is accepted within a second. Out-of-range
// ports give false.
bool PortTCP_IsOpen(int Port);
bool PortTCP_IsOpenOn(int Port, const std::string& Host);

// True when the agent program named by the runtime paths (HelpLibAgent.exe, or
// MSHelpListener.exe with the pre-release runtime) runs.
bool IsHelpLibAgentRunning();
bool IsHelpLibAgentRunning(const TH3Paths& Paths);
// The id of the first process whose executable name equals ExeName (A-Z folded); false
// and Pid 0 when none runs.
bool FindProcessId(const std::wstring& ExeName, DWORD& Pid);
