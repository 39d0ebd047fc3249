#include "UPTShellMemFree.h"

namespace {
TShellMemFreeOnIdle* g_MemFree = nullptr;
bool g_ShuttingDown = false;
} // namespace

TShellMemFreeOnIdle::TShellMemFreeOnIdle(TComponent* AOwner) : TApplicationEvents(AOwner) {
    OnIdle = [this](TObject*, bool& Done) { FreeStep(Done); };
}

TShellMemFreeOnIdle::~TShellMemFreeOnIdle() {
    for (PItemIDList pidl : FList)
        ShellFree(pidl);
    FList.clear();
    if (g_MemFree == this)
        g_MemFree = nullptr;
}

void TShellMemFreeOnIdle::FreeStep(bool& Done) {
    Done = true;
    if (FList.empty())
        return;
    const DWORD start = GetTickCount();
    int sinceCheck = 0;
    while (!FList.empty()) {
        ShellFree(FList.back());
        FList.pop_back();
        if (++sinceCheck == FreesPerClockCheck) {
            sinceCheck = 0;
            if (GetTickCount() - start > StepBudgetMs) {
                Done = FList.empty();
                return;
            }
        }
    }
}

TShellMemFreeOnIdle* ShellMemFreeOnIdle() { return g_MemFree; }

void FreePidl(PItemIDList Pidl) {
    if (!Pidl)
        return;
    // Nothing would ever drain the queue without an application, or after shut-down.
    if (g_ShuttingDown || !Application) {
        ShellFree(Pidl);
        return;
    }
    if (!g_MemFree)
        g_MemFree = new TShellMemFreeOnIdle(Application); // owned by the application
    g_MemFree->Add(Pidl);
}

void BeginShellMemFreeShutdown() {
    g_ShuttingDown = true;
    delete g_MemFree; // leaves its owner; the destructor clears g_MemFree
}

void EndShellMemFreeShutdown() { g_ShuttingDown = false; }
