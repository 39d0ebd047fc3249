// Deferred freeing of PIDLs: FreePidl (UPTShellUtils.h) queues a PIDL here and the
// application's idle steps free the queue in bounded batches, so that dropping a large
// list never stalls the interface.
#pragma once

#include "AppEvnts.h"
#include "UPTShellUtils.h"

#include <vector>

class TShellMemFreeOnIdle : public TApplicationEvents {
public:
    VORLANE_CLASS_NAME(TShellMemFreeOnIdle)
    // Frees are checked against the clock after every FreesPerClockCheck; a step ends once
    // StepBudgetMs have passed.
    static constexpr int FreesPerClockCheck = 500;
    static constexpr DWORD StepBudgetMs = 250;

    explicit TShellMemFreeOnIdle(TComponent* AOwner);
    // Frees everything still queued.
    ~TShellMemFreeOnIdle() override;

    void Add(PItemIDList Pidl) { FList.push_back(Pidl); }
    int PendingCount() const { return static_cast<int>(FList.size()); }
    // One idle step: frees from the end of the queue; Done is false when the budget ran
    // out with PIDLs left (the application then idles again soon).
    void FreeStep(bool& Done);

private:
    std::vector<PItemIDList> FList;
};

// The deferred-free object (nullptr until the first deferred free).
TShellMemFreeOnIdle* ShellMemFreeOnIdle();
// Frees the queue and the object; later FreePidl calls free at once until
// EndShellMemFreeShutdown (the pack's shut-down and start-up call these).
void BeginShellMemFreeShutdown();
void EndShellMemFreeShutdown();
