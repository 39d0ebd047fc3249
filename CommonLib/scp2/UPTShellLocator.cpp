#include "UPTShellLocator.h"

#include "Forms.h"

#include <cstring>
#include <string>
#include <vector>

PItemIDList TPTShellLocator::GetPidl() {
    if (FKind == lkPidl)
        return FPidl.Get();
    if (FKind != lkSpecialFolder)
        return nullptr;
    if (!FPidl) {
        HWND owner = Application && Application->HandleAllocated() ? Application->Handle() : nullptr;
        SpecialFolderPidl(owner, FSpecialFolder, FPidl);
    }
    return FPidl.Get();
}

WideString TPTShellLocator::GetPath() { return PidlToPath(GetPidl()); }

void TPTShellLocator::SetPidl(PCItemIDList Pidl) {
    const bool wasSpecial = FKind != lkPidl;
    FKind = lkPidl;
    bool changed;
    if (FPidl)
        changed = wasSpecial || ComparePidls(FPidl.Get(), Pidl) != 0; // a failed compare is a change too
    else
        changed = wasSpecial || !IsEmptyPidl(Pidl);
    // Copied before the old one goes: Pidl may be the one this locator holds.
    TPTPidl copy;
    if (PidlSize(Pidl) > 2)
        copy.Reset(CopyPidl(Pidl));
    FPidl = std::move(copy);
    FSpecialFolder = 0;
    if (changed)
        Changed();
}

HRESULT TPTShellLocator::SetPath(const WideString& Path) {
    if (Path.empty()) {
        SetPidl(nullptr); // no path: the desktop (the shell would parse '' as some other folder)
        return S_OK;
    }
    TPTPidl pidl;
    const HRESULT hr = PathToPidl(Path, pidl);
    SetPidl(SUCCEEDED(hr) ? pidl.Get() : nullptr);
    return hr;
}

void TPTShellLocator::Assign(TPersistent* Source) {
    if (!Source) {
        FPidl.Reset();
        FKind = lkPidl;
        FSpecialFolder = 0;
        Changed();
        return;
    }
    if (auto* other = dynamic_cast<TPTShellLocator*>(Source)) {
        if (IsSame(other))
            return;
        TPTPidl copy;
        if (other->FKind == lkPidl && other->FPidl)
            copy.Reset(CopyPidl(other->FPidl.Get()));
        FPidl = std::move(copy);
        FKind = other->FKind;
        FSpecialFolder = other->FKind == lkSpecialFolder ? other->FSpecialFolder : 0;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

bool TPTShellLocator::IsSame(TPTShellLocator* Other) {
    if (!Other || Other->FKind != FKind)
        return false;
    if (Other == this)
        return true;
    if (FKind == lkSpecialFolder)
        return FSpecialFolder == Other->FSpecialFolder;
    return ComparePidls(FPidl.Get(), Other->FPidl.Get()) == 0;
}

void TPTShellLocator::Changed() {
    if (OnChange) {
        TNotifyEvent handler = OnChange; // the handler may replace the event
        handler(this);
    }
}

bool TPTShellLocator::HasData() { return FKind == lkSpecialFolder || GetPidl() != nullptr; }

void TPTShellLocator::WriteData(TStream* Stream) {
    Stream->WriteBuffer(&FKind, 1);
    if (FKind == lkSpecialFolder) {
        Stream->WriteBuffer(&FSpecialFolder, 1);
        return;
    }
    const uint32_t size = static_cast<uint32_t>(PidlSize(FPidl.Get()));
    const uint8_t sizeBytes[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
    Stream->WriteBuffer(sizeBytes, 4);
    if (size)
        Stream->WriteBuffer(FPidl.Get(), static_cast<int32_t>(size));
}

void TPTShellLocator::ReadData(TStream* Stream) {
    uint8_t kind = 0;
    Stream->ReadBuffer(&kind, 1);
    if (kind == lkSpecialFolder) {
        uint8_t index = 0;
        Stream->ReadBuffer(&index, 1);
        FPidl.Reset();
        FKind = lkSpecialFolder;
        FSpecialFolder = index;
        Changed();
        return;
    }
    if (kind != lkPidl)
        throw EReadError(L"Shell locator data: unknown kind " + std::to_wstring(kind));
    uint8_t sizeBytes[4] = {};
    Stream->ReadBuffer(sizeBytes, 4);
    const uint32_t size = sizeBytes[0] | (sizeBytes[1] << 8) | (sizeBytes[2] << 16) | (uint32_t(sizeBytes[3]) << 24);
    const int64_t left = Stream->Size() - Stream->Position();
    if (static_cast<int64_t>(size) > left)
        throw EReadError(L"Shell locator data: the PIDL (" + std::to_wstring(size) +
                         L" bytes) runs past the end of the stream");
    TPTPidl pidl;
    if (size != 0) {
        std::vector<uint8_t> bytes(size);
        Stream->ReadBuffer(bytes.data(), static_cast<int32_t>(size));
        if (!IsWellFormedPidl(bytes.data(), size))
            throw EReadError(L"Shell locator data: the PIDL is not terminated within its size");
        if (size > 2) {
            pidl.Reset(static_cast<PItemIDList>(ShellAlloc(size)));
            std::memcpy(pidl.Get(), bytes.data(), size);
        }
    }
    FPidl = std::move(pidl);
    FKind = lkPidl;
    FSpecialFolder = 0;
    Changed();
}
