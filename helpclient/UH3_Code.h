// The help runtime as the program sees it: where the runtime lives and how new it is
// (TH3Paths), and the active catalog with the agent's URL grammar (TH3Code).
#pragma once

#include "Classes.h"
#include "System.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Agents of dll version 1.0.x.y with x up to this release take no process id in their URLs.
constexpr int32_t OldAgentReleaseLimit = 30128;
// The port the agent listens on when the registry names none.
inline const wchar_t* const DefaultAgentPort = L"47873";
// The catalog the Help Library Manager is started for when a caller has none.
inline const wchar_t* const DefaultHlmCatalog = L"vs\\100\\en-us";

// Where the runtime's registry values are read: a root key and the two key paths
// (relative to the root; a leading '\' is allowed). The runtime itself uses the defaults;
// tests point the paths at a scratch key. A null Root reads nothing.
struct TH3RegistryPlace {
    HKEY Root = HKEY_LOCAL_MACHINE;
    std::wstring RuntimeKey = L"\\SOFTWARE\\Microsoft\\Help\\v1.0";
    std::wstring BetaKey = L"\\SOFTWARE\\Microsoft\\Help3";
};

// The installed help runtime's folders, programs and version flags, read once.
class TH3Paths : public TObject {
public:
    VORLANE_CLASS_NAME(TH3Paths)
    // Reads the runtime's own registry place.
    TH3Paths();
    // Reads Place (nothing when Place.Root is null). A missing runtime leaves every field empty.
    explicit TH3Paths(const TH3RegistryPlace& Place);

    std::wstring LocalStore;          // no trailing '\'
    std::wstring AppRoot;             // no trailing '\'
    std::wstring HelpLibManagerPath;
    std::wstring AgentPath;           // HelpLibAgent.exe, or MSHelpListener.exe with the pre-release key
    std::wstring HelpDllPath;
    std::wstring HlpViewerPath;       // empty with the pre-release key
    bool HlpViewerExists = false;
    std::string HelpDllVersion;       // "major.minor.release.build"; empty when the dll is missing
    uint16_t HelpDllMajor = 0, HelpDllMinor = 0, HelpDllRelease = 0, HelpDllBuild = 0;
    bool IsHelp3Beta = false;         // found only under the pre-release key
    bool HasNewAgent = false;         // dll 1.0.30306.1 or later
    bool CanEmbedHlpViewer = false;   // HlpViewer.exe exists and dll 1.0.40219.1 or later

    // Sets the four version parts, their text and the two version flags (construction
    // uses it with the dll's file version).
    void SetHelpDllVersion(uint16_t Major, uint16_t Minor, uint16_t Release, uint16_t Build);

    // "AgentPort" of the runtime key, trimmed; "47873" when empty or absent. Read anew each time.
    void GetAgentPort(std::wstring& Port) const;
    // "ListenerPort" of the pre-release key, trimmed; empty when absent.
    void GetListenerPort(std::wstring& Port) const;
    // The port that agent URLs name and the probe tests: the listener port with the
    // pre-release runtime, else the agent port. Empty means the URL names no port.
    std::wstring AgentUrlPort() const;
    // The file name of the agent program ("HelpLibAgent.exe" when no runtime was found).
    std::wstring AgentExeName() const;
    // True when agent URLs carry the agent's process id: not for dll major 10, nor for
    // 1.0.x.y with x <= OldAgentReleaseLimit.
    bool AgentTakesProcessId() const;

    // The runtime's help mode ("online"/"offline") from HelpClient.cfg; defined with the
    // help-mode configuration file.
    void GetHelpMode(std::wstring& Mode) const;
    // False (after telling the user) when the per-user file could not be written.
    bool SetHelpMode(const std::wstring& Mode) const;

    const TH3RegistryPlace& Place() const { return FPlace; }
    // One value of Key: the 64-bit view first when running under WOW64, then the normal view.
    std::wstring ReadValue(const std::wstring& Key, const std::wstring& Name) const;

private:
    void Read();
    TH3RegistryPlace FPlace;
};

// The one runtime-paths object of the run; null until InitH3Paths.
extern TH3Paths* H3Paths;
// Start-up: reads the runtime's paths once (nothing when already read). Exit: frees them.
void InitH3Paths();
void FreeH3Paths();
// H3Paths, or an empty object while it has not been read.
const TH3Paths& CurrentH3Paths();

// ---------------------------------------------------------------------------------
// The running system's part of the agent base: port, session and agent process. The
// default asks the registry, the terminal services and the process list (and starts the
// agent when none runs); tests replace it.
class TAgentEnvironment {
public:
    virtual ~TAgentEnvironment() = default;
    // Paths.AgentUrlPort(), read anew for every address. A port other than the one the kept
    // session and agent process were found with drops both.
    virtual std::wstring Port(const TH3Paths& Paths);
    // The terminal-services session id of this process; 1 when it cannot be queried. Kept
    // while the port stays.
    virtual uint32_t SessionId();
    static uint32_t QuerySessionId();
    // The running agent's process id; when none runs the agent is started (minimised, not
    // activated) and the new process's id is returned; 0 when that fails. The id found is
    // kept while that process runs and the port stays (no search of the process list per
    // request), until ForgetAgentProcessId.
    virtual uint32_t AgentProcessId(const TH3Paths& Paths);
};
// Forgets the kept session and agent process id (a request to the agent failed); returns
// the process id (0: none).
uint32_t ForgetAgentProcessId();
// The agent process kept for URLs (of program ExeName) still runs.
bool KeptAgentRuns(const std::wstring& ExeName);
TAgentEnvironment& DefaultAgentEnvironment();

// ---------------------------------------------------------------------------------
// The active catalog and the agent URL builder.
class TH3Code : public TObject {
public:
    VORLANE_CLASS_NAME(TH3Code)
    // Uses CurrentH3Paths() and the default agent environment.
    TH3Code();
    // Uses the given paths and environment (null: the defaults); neither is owned.
    TH3Code(const TH3Paths* Paths, TAgentEnvironment* Environment);

    std::wstring Product = L"VS";
    std::wstring ProductVersion = L"100";
    std::wstring Locale;                  // empty: the agent's default

    // Product, version and locale from "product\version\locale" (each trimmed; missing ones empty).
    void SetCatalogName(const std::wstring& Name);
    void GetCatalogName(std::wstring& Name) const;
    // "/product p /version v /locale l" for HelpLibManager.exe, each value one argument
    // (empty when one holds control characters); an empty catalog name stands for
    // DefaultHlmCatalog.
    static void GetHlmCommandLine(const std::wstring& CatalogName, std::wstring& Params);
    // "product=..&productVersion=..[&locale=..]", each value escaped as EscapeValue does
    // and non-ASCII characters as UTF-8 escapes.
    void GetProductQuery(std::wstring& Query) const;
    // "http://127.0.0.1[:port]/help/session[-pid]/ms.help?" (may start the agent).
    void GetAgentBaseUrl(std::wstring& Url) const;
    void GetAgentQueryUrl(std::wstring& Url) const;
    // The escaping of one name or value of a request: '+' becomes "%2B", '&' "%26" unless a
    // character reference starts there ("&amp;", "&#233;" go as they are), '#' "%23",
    // brackets "%5B" and "%5D", blanks '+'; a text that then starts with "%253C" (or
    // "%253E", any case) has each of them turned into '<' (or '>'). Control characters are
    // percent-escaped. Non-ASCII characters are encoded by the request builder.
    static void EscapeValue(const std::wstring& Value, std::wstring& Escaped);
    // A request URL from name, value, name, value ...: each escaped, joined as
    // "&name=value", non-ASCII characters as the %-escapes of their UTF-8 bytes.
    void MakeAgentUrl(const std::vector<std::wstring>& Params, std::wstring& Url) const;
    // Re-bases an agent URL (or an ms-xhelp / ms.help URL) onto the current agent base and
    // sets the embedded flag: mode 0 removes it, 1 sets "true", 2 sets "false", 3 leaves it.
    // True when Url changed. The agent base is worked out only for such URLs.
    bool FixAgentUrl(std::wstring& Url, int EmbeddedMode) const;
    // "ms-xhelp:///?" + the query of an agent URL; false (Url only trimmed) for other URLs.
    static bool AgentUrlToMsXHelp(std::wstring& Url);
    // The reply text of Url (empty on any failure).
    void HttpGet(const std::wstring& Url, std::wstring& Text) const;

    const TH3Paths& Paths() const;

private:
    const TH3Paths* FPaths = nullptr;
    TAgentEnvironment* FEnvironment = nullptr;
};

// Url without its first "&embedded=true" parameter; "&embedded=truex" is another parameter
// and stays.
std::wstring WithoutEmbeddedTrue(const std::wstring& Url);
// True when Url contains "127.0.0.1", starts with "ms-xhelp:" or contains "&topicversion=".
bool IsHelpUrl(const std::wstring& Url);
// The (still escaped) value of the query key Name; the key compare folds only A-Z.
void GetUrlParam(const std::wstring& Url, const std::wstring& Name, std::wstring& Value);
