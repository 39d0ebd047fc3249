// What the table-of-contents and breadcrumb models ask of the help agent: request URLs
// built under the active catalog, their replies, and the active catalog's version and
// locale. The program answers through its product triple; tests answer with replies of
// their own.
#pragma once

#include <string>
#include <vector>

class TH3Code;

class TAgentLink {
public:
    virtual ~TAgentLink() = default;
    // The agent URL of the request given as name, value, name, value ...
    virtual std::wstring MakeAgentUrl(const std::vector<std::wstring>& Params) = 0;
    // The reply text of Url; empty when there is no answer.
    virtual std::wstring HttpGet(const std::wstring& Url) = 0;
    // The reply texts of several URLs, in their order; the link may ask for them at once.
    virtual std::vector<std::wstring> HttpGetAll(const std::vector<std::wstring>& Urls);
    // ProductVersion and Locale of the active catalog.
    virtual std::wstring CatalogVersion() = 0;
    virtual std::wstring CatalogLocale() = 0;
};

// The link over a product triple (not owned). A null triple answers nothing.
class TH3CodeLink : public TAgentLink {
public:
    explicit TH3CodeLink(TH3Code* ACode) : Code(ACode) {}
    std::wstring MakeAgentUrl(const std::vector<std::wstring>& Params) override;
    std::wstring HttpGet(const std::wstring& Url) override;
    std::vector<std::wstring> HttpGetAll(const std::vector<std::wstring>& Urls) override;
    std::wstring CatalogVersion() override;
    std::wstring CatalogLocale() override;
    TH3Code* Code;
};

// The program's product triple: created and freed by the main window, null before and after.
extern TH3Code* g_H3Code;
// The link over g_H3Code (as it is at the time of each request).
TAgentLink& ProgramAgentLink();

// ---------------------------------------------------------------------------------
// Trace lines of the help library client, handed to the program's debug log routine
// once the main window installs it. Until then nothing is logged and Showing is false.
// The sink is used on the GUI thread only: a line logged on another thread is handed to
// the GUI thread, and H3TraceShowing is false there.
struct TH3TraceSink {
    virtual ~TH3TraceSink() = default;
    // The debug window is showing (lines not forced are kept only then).
    virtual bool Showing() = 0;
    virtual void Log(const std::wstring& Line, bool Force) = 0;
};
// Installs the sink (not owned; null removes it); returns the previous one.
TH3TraceSink* SetH3TraceSink(TH3TraceSink* Sink);
bool H3TraceShowing();
void H3TraceLog(const std::wstring& Line, bool Force = false);
