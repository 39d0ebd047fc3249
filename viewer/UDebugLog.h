// The debug log routine: every part of the viewer writes its trace lines here, and they
// reach the debug window's log only while that window shows, or when the caller forces
// them. The routine sees the window through a sink that the window installs while it
// exists, so that an unforced line while the window is hidden costs one test, and nothing
// is logged before the window exists or after it has gone.
//
// GUI thread only: the sink writes into the window's controls.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

// What the routine needs of the debug window.
class TDebugLogSink {
public:
    virtual ~TDebugLogSink() = default;
    // The window is showing on the screen.
    virtual bool SinkShowing() = 0;
    // Its "Time Stamp Log" box is checked.
    virtual bool SinkTimeStamps() = 0;
    // Adds one line at the end of the log memo (repainted at once when the memo shows).
    virtual void SinkAddLine(const std::wstring& Line) = 0;
};

// Installs the window's sink (null removes it); returns the previous one.
TDebugLogSink* SetDebugLogSink(TDebugLogSink* Sink);
TDebugLogSink* DebugLogSink();

// DebugLogEx without Force.
void DebugLog(std::wstring_view Line);
// Writes Line when a sink exists and (Force or the window shows). A line of exactly one
// character becomes 80 of it (the log's rules are "=" and "-"); with time stamps on, a
// line that is not empty and does not start with '=' or '-' gets the time of day in front
// ("9:5:3.07 --  "). Zero characters in the line become blanks; a line longer than
// MaxLogLineChars is cut there with a mark (CutLogLine).
void DebugLogEx(std::wstring_view Line, bool Force);
// Only when the window shows or Force: Text with its block tags laid out one per line
// (the source formatter's mode 5), then DebugLogEx with the same Force.
void DebugLogSource(std::wstring_view Text, bool Force);
// True while the window shows; false when there is none. Callers ask before they build
// costly lines.
bool DebugWindowShowing();

// The clock of the time prefix (local time by default); an empty clock restores it.
using TDebugLogClock = std::function<SYSTEMTIME()>;
TDebugLogClock SetDebugLogClock(TDebugLogClock Clock);
// "h:m:s.cc": hours, minutes and seconds without leading zeros, hundredths as two digits.
std::wstring DebugLogTimePrefix(const SYSTEMTIME& Time);
