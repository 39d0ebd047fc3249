// The agent link of the models and the client's trace sink.
#include "UAgentLink.h"

#include "UH3_Agent.h"
#include "UH3_Code.h"
#include "Threads.h"

TH3Code* g_H3Code = nullptr;

std::wstring TH3CodeLink::MakeAgentUrl(const std::vector<std::wstring>& Params) {
    std::wstring url;
    if (Code) Code->MakeAgentUrl(Params, url);
    return url;
}

std::wstring TH3CodeLink::HttpGet(const std::wstring& Url) {
    std::wstring text;
    if (Code && !Url.empty()) Code->HttpGet(Url, text);
    return text;
}

std::vector<std::wstring> TAgentLink::HttpGetAll(const std::vector<std::wstring>& Urls) {
    std::vector<std::wstring> texts;
    for (const std::wstring& url : Urls) texts.push_back(HttpGet(url));
    return texts;
}

std::vector<std::wstring> TH3CodeLink::HttpGetAll(const std::vector<std::wstring>& Urls) {
    if (!Code) return std::vector<std::wstring>(Urls.size());
    return HttpGetTexts(Urls);
}

std::wstring TH3CodeLink::CatalogVersion() { return Code ? Code->ProductVersion : std::wstring(); }

std::wstring TH3CodeLink::CatalogLocale() { return Code ? Code->Locale : std::wstring(); }

namespace {

// Follows g_H3Code, which the main window sets after the models exist.
class TProgramLink : public TH3CodeLink {
public:
    TProgramLink() : TH3CodeLink(nullptr) {}
    std::wstring MakeAgentUrl(const std::vector<std::wstring>& Params) override {
        Code = g_H3Code;
        return TH3CodeLink::MakeAgentUrl(Params);
    }
    std::wstring HttpGet(const std::wstring& Url) override {
        Code = g_H3Code;
        return TH3CodeLink::HttpGet(Url);
    }
    std::vector<std::wstring> HttpGetAll(const std::vector<std::wstring>& Urls) override {
        Code = g_H3Code;
        return TH3CodeLink::HttpGetAll(Urls);
    }
    std::wstring CatalogVersion() override {
        Code = g_H3Code;
        return TH3CodeLink::CatalogVersion();
    }
    std::wstring CatalogLocale() override {
        Code = g_H3Code;
        return TH3CodeLink::CatalogLocale();
    }
};

TH3TraceSink* TraceSink = nullptr;

} // namespace

TAgentLink& ProgramAgentLink() {
    static TProgramLink link;
    return link;
}

TH3TraceSink* SetH3TraceSink(TH3TraceSink* Sink) {
    TH3TraceSink* old = TraceSink;
    TraceSink = Sink;
    return old;
}

bool H3TraceShowing() { return GetCurrentThreadId() == MainThreadID && TraceSink && TraceSink->Showing(); }

void H3TraceLog(const std::wstring& Line, bool Force) {
    if (GetCurrentThreadId() != MainThreadID) {
        // The sink writes to the GUI: a worker's line goes there through the GUI thread.
        TThread::Queue(nullptr, [Line, Force] { H3TraceLog(Line, Force); });
        return;
    }
    if (TraceSink && (Force || TraceSink->Showing())) TraceSink->Log(Line, Force);
}
