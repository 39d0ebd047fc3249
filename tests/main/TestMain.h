// The test executables' main: a fault that no boundary stops ends the process at once with
// the fault's code, after lines on stderr saying what faulted, in which test, and where
// (the executable's addresses marked "exe:", for i686-w64-mingw32-addr2line -f -C -e <exe>).
// Without it Wine would start its debugger, whose crash dialog can wait without end
// (the test would hang until the runner's time-out).
#pragma once

#include <windows.h>

namespace testing_support {

// Writes to stderr where Thread stands: its instruction pointer and the return addresses
// found on its stack ("exe:" as above). What names the thread in the first line.
// Thread must not be the calling thread (it is suspended meanwhile).
void PrintThreadStack(HANDLE Thread, const char* What);

} // namespace testing_support
