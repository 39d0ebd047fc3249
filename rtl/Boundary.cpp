#include "Boundary.h"

#include "SysUtils.h"
#include "System.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <mutex>

#include <windows.h>
#include <intrin.h>

namespace {
std::mutex g_HandlerLock;

void DefaultHandler(const wchar_t* where, const std::wstring& className, const std::wstring& message) {
    std::wstring line = std::wstring(where ? where : L"?") + L" > Exception Caught - " + className + L": " +
                        message + L"\n";
    OutputDebugStringW(line.c_str());
    std::string narrow = WideToUtf8(line);
    fputs(narrow.c_str(), stderr);
    fflush(stderr);
}

TBoundaryHandler& Handler() {
    static TBoundaryHandler handler = DefaultHandler;
    return handler;
}

void Report(const wchar_t* where, const std::wstring& className, const std::wstring& message) noexcept {
    try {
        TBoundaryHandler handler;
        {
            std::lock_guard<std::mutex> lock(g_HandlerLock);
            handler = Handler();
        }
        handler(where, className, message);
    } catch (...) {
        // The handler itself failed: nothing more can be done safely here.
        OutputDebugStringW(L"exception handler failed\n");
    }
}
} // namespace

TBoundaryHandler SetBoundaryHandler(TBoundaryHandler handler) {
    std::lock_guard<std::mutex> lock(g_HandlerLock);
    TBoundaryHandler old = Handler();
    Handler() = handler ? std::move(handler) : TBoundaryHandler(DefaultHandler);
    return old;
}

void ReportCurrentException(const wchar_t* where) noexcept {
    std::wstring cls = L"unknown";
    std::wstring msg;
    try {
        try {
            throw;
        } catch (const Exception& e) {
            cls = e.ClassName();
            msg = e.Message();
        } catch (const std::exception& e) {
            cls = L"std::exception";
            msg = Utf8ToWide(e.what());
        } catch (...) {
        }
    } catch (...) {
    }
    Report(where, cls, msg);
}

// ------------------------------------------------------------------ processor faults

namespace {

struct TFaultRestore {
    void* (*Save)();
    void (*Restore)(void*);
};
constexpr int MaxFaultRestores = 4;
TFaultRestore g_FaultRestores[MaxFaultRestores] = {};
int g_FaultRestoreCount = 0;

// The faults of a wrong pointer or of wrong arithmetic. A stack overflow is not among them:
// the stack's guard page is used up, and the next overflow would end the process anyway.
bool IsProcessorFault(DWORD Code) {
    switch (Code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
        return true;
    default:
        return false;
    }
}

void DescribeFault(const EXCEPTION_RECORD& Fault, std::wstring& ClassName, std::wstring& Message) {
    wchar_t text[160];
    const unsigned at = static_cast<unsigned>(reinterpret_cast<uintptr_t>(Fault.ExceptionAddress));
    if (Fault.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && Fault.NumberParameters >= 2) {
        ClassName = L"EAccessViolation";
        const ULONG_PTR kind = Fault.ExceptionInformation[0];
        swprintf(text, 160, L"Access violation at address %08X. %ls of address %08X", at,
                 kind == 0 ? L"Read" : kind == 8 ? L"Execution" : L"Write",
                 static_cast<unsigned>(Fault.ExceptionInformation[1]));
    } else {
        ClassName = L"EExternalException";
        swprintf(text, 160, L"External exception %08X at address %08X", static_cast<unsigned>(Fault.ExceptionCode),
                 at);
    }
    Message = text;
}

} // namespace

void RegisterFaultRestore(void* (*Save)(), void (*Restore)(void*)) noexcept {
    if (g_FaultRestoreCount < MaxFaultRestores)
        g_FaultRestores[g_FaultRestoreCount++] = {Save, Restore};
}

#if defined(__i386__)
namespace {

// A handler in the thread's chain of frame handlers (fs:[0]); the system calls the innermost
// first, with the address of this record. The record has the layout of the C runtime's own
// frames, with no scope entered (trylevel -1), so that longjmp unwinds through it cleanly.
struct TFaultFrame {
    TFaultFrame* Next;
    EXCEPTION_DISPOSITION(__cdecl* Handler)(EXCEPTION_RECORD*, void*, CONTEXT*, void*);
    void* ScopeTable;
    int TryLevel;
    jmp_buf Resume;
    EXCEPTION_RECORD Fault;
};

TFaultFrame* InnermostFrame() { return reinterpret_cast<TFaultFrame*>(__readfsdword(0)); }
void SetInnermostFrame(TFaultFrame* Frame) { __writefsdword(0, reinterpret_cast<DWORD>(Frame)); }

EXCEPTION_DISPOSITION __cdecl OnFault(EXCEPTION_RECORD* Record, void* Establisher, CONTEXT*, void*) {
    if ((Record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) ||
        !IsProcessorFault(Record->ExceptionCode))
        return ExceptionContinueSearch;
    auto* frame = static_cast<TFaultFrame*>(Establisher);
    frame->Fault = *Record;
    // Unwinds the frame handlers inside this one, then resumes where the body was started.
    longjmp(frame->Resume, 1);
}

} // namespace

bool RunTrappingFaults(const wchar_t* Where, void (*Body)(void*), void* Context) noexcept {
    void* saved[MaxFaultRestores] = {};
    const int restores = g_FaultRestoreCount;
    for (int i = 0; i < restores; ++i)
        saved[i] = g_FaultRestores[i].Save();
    TFaultFrame frame{};
    frame.Next = InnermostFrame();
    frame.Handler = OnFault;
    frame.TryLevel = -1;
    SetInnermostFrame(&frame);
    if (setjmp(frame.Resume) == 0) {
        Body(Context);
        SetInnermostFrame(frame.Next);
        return true;
    }
    SetInnermostFrame(frame.Next);
    for (int i = 0; i < restores; ++i)
        g_FaultRestores[i].Restore(saved[i]);
    std::wstring className, message;
    try {
        DescribeFault(frame.Fault, className, message);
    } catch (...) {
    }
    Report(Where, className, message);
    return false;
}
#else
bool RunTrappingFaults(const wchar_t*, void (*Body)(void*), void* Context) noexcept {
    Body(Context);
    return true;
}
#endif
