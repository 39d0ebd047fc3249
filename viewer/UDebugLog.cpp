#include "UDebugLog.h"

#include "UDLogFile.h"
#include "USourceFormat.h"

#include <utility>

namespace {

TDebugLogSink* g_Sink = nullptr;
TDebugLogClock g_Clock;

SYSTEMTIME Now() {
    if (g_Clock)
        return g_Clock();
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t;
}

} // namespace

TDebugLogSink* SetDebugLogSink(TDebugLogSink* Sink) { return std::exchange(g_Sink, Sink); }

TDebugLogSink* DebugLogSink() { return g_Sink; }

TDebugLogClock SetDebugLogClock(TDebugLogClock Clock) { return std::exchange(g_Clock, std::move(Clock)); }

std::wstring DebugLogTimePrefix(const SYSTEMTIME& Time) {
    const int hundredths = Time.wMilliseconds / 10;
    return std::to_wstring(Time.wHour) + L":" + std::to_wstring(Time.wMinute) + L":" + std::to_wstring(Time.wSecond) +
           L"." + (hundredths < 10 ? L"0" : L"") + std::to_wstring(hundredths);
}

void DebugLog(std::wstring_view Line) { DebugLogEx(Line, false); }

void DebugLogEx(std::wstring_view Line, bool Force) {
    if (!g_Sink || !(Force || g_Sink->SinkShowing()))
        return;
    std::wstring line = Line.size() == 1 ? std::wstring(80, Line[0]) : CutLogLine(Line);
    // The memo takes text up to its first zero character; keep the rest of the line.
    for (wchar_t& c : line)
        if (c == L'\0')
            c = L' ';
    if (g_Sink->SinkTimeStamps() && !line.empty() && line[0] != L'=' && line[0] != L'-')
        line = DebugLogTimePrefix(Now()) + L" --  " + line;
    g_Sink->SinkAddLine(line);
}

void DebugLogSource(std::wstring_view Text, bool Force) {
    if (!(Force || DebugWindowShowing()))
        return;
    std::wstring text(Text);
    IndentHtmlTags(text);
    DebugLogEx(text, Force);
}

bool DebugWindowShowing() { return g_Sink && g_Sink->SinkShowing(); }
