// The tests' main (see TestMain.h).
#include "TestMain.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace testing_support {

// The thread that runs the tests.
DWORD MainThread() {
    static const DWORD id = GetCurrentThreadId();
    return id;
}

namespace {

// The executable's code as loaded, and where its file places it (the addresses printed).
struct TCode {
    uintptr_t Start = 0, End = 0;
    uintptr_t Loaded = 0, Linked = 0;
};

TCode ExeCode() {
    TCode code;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(GetModuleHandleW(nullptr));
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return code;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(dos) + dos->e_lfanew);
    code.Loaded = reinterpret_cast<uintptr_t>(dos);
    code.Linked = nt->OptionalHeader.ImageBase;
    code.Start = code.Loaded + nt->OptionalHeader.BaseOfCode;
    code.End = code.Start + nt->OptionalHeader.SizeOfCode;
    return code;
}

// The instruction pointer and up to 24 words of the stack from Esp that point into the
// executable's code (return addresses, mostly), as the addresses the executable's file
// gives them ("exe:" before them; others as they are).
void PrintStack(uintptr_t Eip, uintptr_t Esp) {
    const TCode code = ExeCode();
    auto at = [&](uintptr_t a) {
        if (a >= code.Start && a < code.End) fprintf(stderr, " exe:%08x", static_cast<unsigned>(a - code.Loaded + code.Linked));
        else fprintf(stderr, " %08x", static_cast<unsigned>(a));
    };
    fprintf(stderr, "  at");
    at(Eip);
    fprintf(stderr, "\n  stack:");
    MEMORY_BASIC_INFORMATION mem{};
    int shown = 0;
    for (uintptr_t p = Esp; shown < 24 && p < Esp + 64 * 1024; p += sizeof(uintptr_t)) {
        if ((p & 0xFFF) == 0 || p == Esp) {
            if (!VirtualQuery(reinterpret_cast<void*>(p), &mem, sizeof(mem)) || mem.State != MEM_COMMIT ||
                (mem.Protect & (PAGE_NOACCESS | PAGE_GUARD)))
                break;
        }
        const uintptr_t word = *reinterpret_cast<const uintptr_t*>(p);
        if (word >= code.Start && word < code.End) {
            at(word);
            ++shown;
        }
    }
    fprintf(stderr, "\n");
}

std::string CurrentTestName() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    return test ? std::string(test->test_suite_name()) + "." + test->name() : std::string("(no test)");
}

LONG WINAPI EndOnUnhandledFault(EXCEPTION_POINTERS* Fault) {
    const EXCEPTION_RECORD& r = *Fault->ExceptionRecord;
    fprintf(stderr, "\nCRASH: exception %08lx", static_cast<unsigned long>(r.ExceptionCode));
    if (r.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r.NumberParameters >= 2) {
        const ULONG_PTR kind = r.ExceptionInformation[0];
        fprintf(stderr, " (%s of %08x)", kind == 0 ? "read" : kind == 8 ? "execution" : "write",
                static_cast<unsigned>(r.ExceptionInformation[1]));
    }
    fprintf(stderr, " on thread %04lx (main thread %s) in %s\n", GetCurrentThreadId(),
            GetCurrentThreadId() == MainThread() ? "it is" : "not", CurrentTestName().c_str());
#if defined(__i386__)
    PrintStack(Fault->ContextRecord->Eip, Fault->ContextRecord->Esp);
#endif
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(r.ExceptionCode));
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void PrintThreadStack(HANDLE Thread, const char* What) {
    fprintf(stderr, "%s:\n", What);
#if defined(__i386__)
    if (SuspendThread(Thread) != static_cast<DWORD>(-1)) {
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        if (GetThreadContext(Thread, &context)) PrintStack(context.Eip, context.Esp);
        ResumeThread(Thread);
    }
#endif
    fflush(stderr);
}

} // namespace testing_support

int main(int argc, char** argv) {
    testing_support::MainThread();
    SetUnhandledExceptionFilter(testing_support::EndOnUnhandledFault);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
