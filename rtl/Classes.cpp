#include "Classes.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstring>

// ------------------------------------------------------------------ TPersistent

void TPersistent::Assign(TPersistent* Source) {
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) {
    std::wstring from = L"nil";
    if (Dest != this && Dest)
        from = ClassName();
    throw EConvertError(Format(L"Cannot assign a %s to a %s", {from, Dest ? Dest->ClassName() : L"nil"}));
}

// ------------------------------------------------------------------ TStream

void TStream::ReadBuffer(void* Buffer, int32_t Count) {
    if (Count != 0 && Read(Buffer, Count) != Count)
        throw EReadError(L"Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int32_t Count) {
    if (Count != 0 && Write(Buffer, Count) != Count)
        throw EWriteError(L"Stream write error");
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    const int32_t kBlock = 61440;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(Count, kBlock)) + 1);
    int64_t left = Count;
    while (left > 0) {
        int32_t n = static_cast<int32_t>(std::min<int64_t>(left, kBlock));
        Source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return Count;
}

int64_t TStream::Size() {
    int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::SetSize(int64_t) {}

// ------------------------------------------------------------------ THandleStream

int32_t THandleStream::Read(void* Buffer, int32_t Count) {
    DWORD got = 0;
    if (Count <= 0 || !ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &got, nullptr))
        return 0;
    return static_cast<int32_t>(got);
}

int32_t THandleStream::Write(const void* Buffer, int32_t Count) {
    DWORD put = 0;
    if (Count <= 0 || !WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), &put, nullptr))
        return 0;
    return static_cast<int32_t>(put);
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    LARGE_INTEGER dist, result;
    dist.QuadPart = Offset;
    if (!SetFilePointerEx(FHandle, dist, &result, static_cast<DWORD>(Origin)))
        return -1;
    return result.QuadPart;
}

void THandleStream::SetSize(int64_t NewSize) {
    Seek(NewSize, TSeekOrigin::soBeginning);
    Win32Check(SetEndOfFile(FHandle) != 0);
}

// ------------------------------------------------------------------ TFileStream

namespace {
HANDLE OpenForMode(const std::wstring& FileName, uint16_t Mode) {
    if (Mode == fmCreate)
        return CreateFileW(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    static const DWORD access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD share[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    unsigned a = Mode & 3u, s = (Mode & 0xF0u) >> 4;
    if (a > 2 || s > 4)
        return INVALID_HANDLE_VALUE;
    return CreateFileW(FileName.c_str(), access[a], share[s], nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
} // namespace

TFileStream::TFileStream(const std::wstring& FileName, uint16_t Mode)
    : THandleStream(OpenForMode(FileName, Mode)), FFileName(FileName) {
    if (FHandle == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        std::wstring reason = SysErrorMessage(err);
        if (Mode == fmCreate)
            throw EFCreateError(Format(L"Cannot create file \"%s\". %s", {FileName, reason}));
        throw EFOpenError(Format(L"Cannot open file \"%s\". %s", {FileName, reason}));
    }
}

TFileStream::TFileStream(const std::wstring& FileName, HANDLE AHandle) : THandleStream(AHandle), FFileName(FileName) {}

TFileStream::~TFileStream() {
    if (FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr)
        CloseHandle(FHandle);
}

void TFileStream::Flush() {
    if (!FlushFileBuffers(FHandle))
        throw EWriteError(L"Stream write error");
}

// ------------------------------------------------------------------ TMemoryStream

int32_t TMemoryStream::Read(void* Buffer, int32_t Count) {
    if (Count <= 0 || FPosition < 0 || FPosition >= Size())
        return 0;
    int64_t n = std::min<int64_t>(Count, Size() - FPosition);
    memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
    if (Count <= 0 || FPosition < 0)
        return 0;
    int64_t end = FPosition + Count;
    if (end > Size()) {
        if (static_cast<size_t>(end) > FData.capacity())
            FData.reserve(std::max<size_t>(static_cast<size_t>(end), FData.capacity() + FData.capacity() / 2));
        FData.resize(static_cast<size_t>(end));
    }
    memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    switch (Origin) {
    case TSeekOrigin::soBeginning:
        FPosition = Offset;
        break;
    case TSeekOrigin::soCurrent:
        FPosition += Offset;
        break;
    case TSeekOrigin::soEnd:
        FPosition = Size() + Offset;
        break;
    }
    return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize) {
    FData.resize(static_cast<size_t>(std::max<int64_t>(0, NewSize)));
    if (FPosition > NewSize)
        FPosition = NewSize;
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
    Stream->SetPosition(0);
    int64_t n = Stream->Size();
    FData.resize(static_cast<size_t>(n));
    if (n)
        Stream->ReadBuffer(FData.data(), static_cast<int32_t>(n));
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::wstring& FileName) {
    TFileStream s(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&s);
}

void TMemoryStream::SaveToStream(TStream* Stream) {
    if (!FData.empty())
        Stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TMemoryStream::SaveToFile(const std::wstring& FileName) {
    TFileStream s(FileName, fmCreate);
    SaveToStream(&s);
}

// ------------------------------------------------------------------ TComponent

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Tell everyone who asked that this component goes away (once each, however often
    // they asked). The owned components may link new watchers while they go: those hear too.
    auto notifyAll = [this] {
        while (!FFreeNotifies.empty()) {
            TComponent* other = FFreeNotifies.back();
            RemoveNotification(other);
            other->RemoveNotification(this);
            other->Notification(this, TOperation::opRemove);
        }
    };
    notifyAll();
    DestroyComponents();
    notifyAll();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::SetName(const std::wstring& NewName) {
    if (NewName == FName)
        return;
    if (!NewName.empty()) {
        bool valid = (NewName[0] == L'_' || iswalpha(NewName[0]));
        for (wchar_t c : NewName)
            valid = valid && (c == L'_' || iswalnum(c));
        if (!valid)
            throw EComponentError(Format(L"'%s' is not a valid component name", {NewName}));
        if (FOwner) {
            TComponent* other = FOwner->FindComponent(NewName);
            if (other && other != this)
                throw EComponentError(Format(L"A component named %s already exists", {NewName}));
        }
    }
    FName = NewName;
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount())
        throw EListError(Format(L"List index out of bounds (%d)", {Index}));
    return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner)
        return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::wstring& AName) const {
    if (AName.empty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, AName))
            return c;
    return nullptr;
}

void TComponent::Loaded() { FComponentState &= ~static_cast<uint32_t>(csLoading); }

// One link joins two components both ways: whichever goes first tells the other. Each
// request adds one entry on both sides and each removal takes one away, so a pair linked
// for two reasons (a form and its main menu watch each other; one image list serves two
// properties) stays linked until both reasons are gone.
void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this)
        return;
    FFreeNotifies.push_back(AComponent);
    AComponent->FFreeNotifies.push_back(this);
    FComponentState |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this)
        return;
    auto mine = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
    auto& theirs = AComponent->FFreeNotifies;
    auto other = std::find(theirs.begin(), theirs.end(), this);
    if (mine == FFreeNotifies.end() || other == theirs.end())
        return;
    FFreeNotifies.erase(mine);
    theirs.erase(other);
}

// Drops every entry for AComponent from this side only.
void TComponent::RemoveNotification(TComponent* AComponent) {
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent), FFreeNotifies.end());
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->FOwner == this)
        return;
    if (AComponent->FOwner)
        AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->FOwner != this)
        return;
    Notification(AComponent, TOperation::opRemove);
    Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
    auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (it != FComponents.end())
        FComponents.erase(it);
    AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    // Last created goes first.
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        Remove(c);
        delete c;
    }
}

void TComponent::Destroying() {
    if (FComponentState & csDestroying)
        return;
    FComponentState |= csDestroying;
    for (TComponent* c : FComponents)
        c->Destroying();
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    // A component that leaves (freed, or only taken from its owner) is forgotten on both
    // sides: its list must not keep this component once this one may be freed.
    if (Operation == TOperation::opRemove && AComponent && AComponent != this) {
        RemoveNotification(AComponent);
        AComponent->RemoveNotification(this);
    }
    // Owned components hear about everything their owner hears.
    for (size_t i = FComponents.size(); i-- > 0;)
        if (i < FComponents.size())
            FComponents[i]->Notification(AComponent, Operation);
}

void TComponent::SetComponentStateFlag(uint32_t flag, bool on) {
    if (on)
        FComponentState |= flag;
    else
        FComponentState &= ~flag;
}
