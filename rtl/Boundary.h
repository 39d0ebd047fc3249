// The exception boundary. Code that runs under a Windows frame (window procedures,
// hooks, timer callbacks, COM methods, thread entries) must not let a C++ exception
// escape: i686 unwinding cannot cross those frames and the process would end.
// Such code runs its body through Guarded(), which hands any escaping exception to
// the installed handler (the application's exception handler once it exists).
// Guarded() also stops processor faults in its body (a read of freed memory, a division
// by zero): they are reported like exceptions, as EAccessViolation or EExternalException.
#pragma once

#include <exception>
#include <functional>
#include <string>

class Exception;

// Receives every exception stopped at a boundary: where it was stopped, the class
// name ("Exception" subclasses by name, "std::exception" or "unknown") and its message.
using TBoundaryHandler = std::function<void(const wchar_t* where, const std::wstring& className,
                                            const std::wstring& message)>;

// Installs the handler; returns the previous one. The default writes a line to the
// debugger output and to stderr.
TBoundaryHandler SetBoundaryHandler(TBoundaryHandler handler);

// Reports the exception currently being handled (call only inside a catch block).
void ReportCurrentException(const wchar_t* where) noexcept;

// Runs Body(Context) under a handler of processor faults: a fault in it is reported (as
// above) and Body is left where it faulted; false then. The frames left that way run no
// destructors: what they held stays held (a leak, where the fault would have ended the
// process). A stack overflow is not stopped. Body must let no exception escape.
bool RunTrappingFaults(const wchar_t* Where, void (*Body)(void*), void* Context) noexcept;

// Thread state kept in lists linked through stack frames must be put back after a fault as it
// was when the body began: Save gives the state, Restore puts it back. The units that keep
// such state register once at start-up (at most four).
void RegisterFaultRestore(void* (*Save)(), void (*Restore)(void*)) noexcept;

// Runs fn; any exception or fault is reported and the fallback is returned instead.
template <class F, class R>
R Guarded(const wchar_t* where, R fallback, F&& fn) noexcept {
    struct TCall {
        const wchar_t* Where;
        F& Fn;
        R Result;
    } call{where, fn, fallback};
    RunTrappingFaults(where, [](void* context) {
        TCall& c = *static_cast<TCall*>(context);
        try {
            c.Result = c.Fn();
        } catch (...) {
            ReportCurrentException(c.Where);
        }
    }, &call);
    return call.Result;
}

// For a callback the system makes while our own call into it is running on the same
// thread (EM_STREAMIN, enumerations): runs fn; an escaping exception is kept in Error (the
// first one only) and the fallback goes back to the system. The caller raises Error again
// once the system call has returned.
template <class F, class R>
R Captured(std::exception_ptr& Error, R fallback, F&& fn) noexcept {
    try {
        return fn();
    } catch (...) {
        if (!Error)
            Error = std::current_exception();
        return fallback;
    }
}

// Runs fn; returns false when an exception or a fault was stopped.
template <class F>
bool Guarded(const wchar_t* where, F&& fn) noexcept {
    return Guarded(where, false, [&] {
        fn();
        return true;
    });
}
