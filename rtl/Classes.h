// Object, persistent, stream and component classes of the runtime layer.
#pragma once

#include "System.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Root of the class tree: a virtual destructor and the class name used in logs.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
    virtual const wchar_t* ClassName() const noexcept { return L"TObject"; }
};

// Adds ClassName() to a class derived from TObject.
#define VORLANE_CLASS_NAME(Name) \
    const wchar_t* ClassName() const noexcept override { return L## #Name; }

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Objects that can copy their state from another object of a compatible class.
class TPersistent : public TObject {
public:
    VORLANE_CLASS_NAME(TPersistent)
    // Copies Source into this object; the default asks Source to AssignTo(this) and
    // raises EConvertError "Cannot assign a %s to a %s" when neither knows how.
    virtual void Assign(TPersistent* Source);

protected:
    virtual void AssignTo(TPersistent* Dest);
};

// ---------------------------------------------------------------------------------
// Streams

enum class TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// File open modes (low two bits: access; bits 4-6: sharing); fmCreate creates or truncates.
constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
public:
    VORLANE_CLASS_NAME(TStream)
    // Reads/writes up to Count bytes; returns the number moved.
    virtual int32_t Read(void* Buffer, int32_t Count) = 0;
    virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

    // Whole reads and writes: EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* Buffer, int32_t Count);
    void WriteBuffer(const void* Buffer, int32_t Count);
    // Copies Count bytes from Source (all of it from its start when Count is 0).
    int64_t CopyFrom(TStream* Source, int64_t Count);

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t value) { Seek(value, TSeekOrigin::soBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t NewSize);
};

// A stream over an operating-system handle (not owned).
class THandleStream : public TStream {
public:
    VORLANE_CLASS_NAME(THandleStream)
    explicit THandleStream(HANDLE AHandle) : FHandle(AHandle) {}
    int32_t Read(void* Buffer, int32_t Count) override;
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(int64_t NewSize) override;
    HANDLE Handle() const { return FHandle; }

protected:
    HANDLE FHandle;
};

// A file stream with a wide file name. Raises EFCreateError 'Cannot create file "%s". %s'
// or EFOpenError 'Cannot open file "%s". %s' (the system's reason last).
class TFileStream : public THandleStream {
public:
    VORLANE_CLASS_NAME(TFileStream)
    TFileStream(const std::wstring& FileName, uint16_t Mode);
    ~TFileStream() override;
    const std::wstring& FileName() const { return FFileName; }
    // Flushes written data to the disk (raises EWriteError on failure).
    void Flush();

protected:
    // For subclasses that open the handle themselves.
    TFileStream(const std::wstring& FileName, HANDLE AHandle);

private:
    std::wstring FFileName;
};

// A growable block of memory.
class TMemoryStream : public TStream {
public:
    VORLANE_CLASS_NAME(TMemoryStream)
    int32_t Read(void* Buffer, int32_t Count) override;
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t NewSize) override;
    void Clear();
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const std::wstring& FileName);
    void SaveToStream(TStream* Stream);
    void SaveToFile(const std::wstring& FileName);
    uint8_t* Memory() { return FData.data(); }
    const std::vector<uint8_t>& Data() const { return FData; }

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

// ---------------------------------------------------------------------------------
// Components: objects with an owner that frees them.

enum TComponentStateFlag : uint32_t {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
    csFreeNotification = 1u << 5,
};
enum class TOperation { opInsert, opRemove };

// A component is owned by its Owner (or by whoever created it when Owner is null) and
// frees the components it owns, in reverse order of creation, when it is destroyed.
// Create components with `new TX(owner)`; an owned component may also be deleted early,
// which removes it from its owner.
class TComponent : public TPersistent {
public:
    VORLANE_CLASS_NAME(TComponent)
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const std::wstring& Name() const { return FName; }
    // Names are unique among one owner's components (case ignored); an invalid or
    // duplicate name raises EComponentError.
    virtual void SetName(const std::wstring& NewName);
    intptr_t Tag = 0;

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const;
    int ComponentIndex() const;
    // The owned component with this name (case ignored), or null.
    TComponent* FindComponent(const std::wstring& AName) const;

    uint32_t ComponentState() const { return FComponentState; }
    bool IsDestroying() const { return (FComponentState & csDestroying) != 0; }
    void Loaded();

    // Asks AComponent to tell this component when it is freed (Notification opRemove).
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    // Frees the owned components now (reverse order).
    void DestroyComponents();
    // Marks this component and its owned components as being destroyed.
    void Destroying();

protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    void SetComponentStateFlag(uint32_t flag, bool on);

private:
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    void RemoveNotification(TComponent* AComponent);

    TComponent* FOwner = nullptr;
    std::wstring FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    uint32_t FComponentState = 0;
};

// Points Field (a reference Client keeps to another component) at Value and moves Client's
// free notification from the old component to the new one; false when Field already is Value.
template <class T>
bool ReplaceComponentRef(TComponent* Client, T*& Field, T* Value) {
    if (Field == Value)
        return false;
    if (Field)
        Field->RemoveFreeNotification(Client);
    Field = Value;
    if (Field)
        Field->FreeNotification(Client);
    return true;
}

// Owning pointer for objects that have no component owner.
template <class T>
using TOwned = std::unique_ptr<T>;
