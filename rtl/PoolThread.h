// Work that must run on a thread of its own without anyone waiting for that thread (a
// request given up, a standing worker) goes to the system's thread pool. A detached
// std::thread is not used for it: under Wine the posix-thread runtime's start of a detached
// thread races with the ending of an earlier one, and a starting thread has been seen to
// call a freed start routine (the process then dies).
#pragma once

#include <functional>

// Runs Job on a pool thread, marked as long-running so that the pool adds a thread rather
// than queue behind a blocked one. Job runs inside the exception boundary. False when the
// pool would not take it (Job is then not run).
bool RunOnPoolThread(std::function<void()> Job) noexcept;
