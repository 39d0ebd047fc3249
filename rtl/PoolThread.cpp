#include "PoolThread.h"

#include "Boundary.h"

#include <windows.h>

#include <memory>

namespace {

DWORD WINAPI PoolEntry(void* Context) {
    std::unique_ptr<std::function<void()>> job(static_cast<std::function<void()>*>(Context));
    return Guarded(L"pool thread", DWORD(1), [&job] {
        (*job)();
        return DWORD(0);
    });
}

} // namespace

bool RunOnPoolThread(std::function<void()> Job) noexcept {
    std::unique_ptr<std::function<void()>> job;
    try {
        job = std::make_unique<std::function<void()>>(std::move(Job));
    } catch (...) {
        return false;
    }
    if (!QueueUserWorkItem(&PoolEntry, job.get(), WT_EXECUTELONGFUNCTION))
        return false;
    job.release(); // PoolEntry owns it now
    return true;
}
