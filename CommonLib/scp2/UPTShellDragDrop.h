// OLE drag and drop of shell items, as the shell list does it: the data object that
// carries the dragged items both as a "Shell IDList Array" (CIDA) and as a CF_HDROP file
// list, its format list and enumerator, the drop source that follows the mouse button that
// started the drag, and the drop target that hands drops on the list to the shell's own
// drop target of the item (or folder) under the mouse.
#pragma once

#include "ComObj.h"
#include "UPTShellUtils.h"

#include <oleidl.h>

#include <vector>

// "Shell IDList Array", registered on first use.
UINT PTCFShellIDList();

// An ordered list of owned FORMATETC copies (each with its own copy of a target device).
class TPTFormatEtcList {
public:
    TPTFormatEtcList() = default;
    ~TPTFormatEtcList();
    TPTFormatEtcList(const TPTFormatEtcList&) = delete;
    TPTFormatEtcList& operator=(const TPTFormatEtcList&) = delete;

    // A format with no target device, DVASPECT_CONTENT, lindex -1 and TYMED_HGLOBAL.
    void Add(CLIPFORMAT Format);
    // A copy of Format (its target device copied too).
    void AddFormatEtc(const FORMATETC& Format);
    int Count() const { return static_cast<int>(FItems.size()); }
    const FORMATETC& Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
    // S_OK when a listed format has Format's clipboard format and shares a medium bit;
    // DV_E_TYMED when the clipboard format is listed without such a medium; DV_E_FORMATETC
    // when it is not listed or the aspect is not DVASPECT_CONTENT.
    HRESULT Query(const FORMATETC& Format) const;

private:
    std::vector<FORMATETC> FItems;
};

// A copy of a FORMATETC whose target device is a new block from the COM allocator (the
// receiver frees it with CoTaskMemFree).
FORMATETC PTCopyFormatEtc(const FORMATETC& Source);

// An enumerator over a format list; it keeps the list's owner alive.
class TPTFormatEtcList_IEnumFormatEtc final : public TComObject<IEnumFORMATETC> {
public:
    TPTFormatEtcList_IEnumFormatEtc(const TPTFormatEtcList* List, IUnknown* Owner, int Index = 0)
        : FList(List), FOwner(Owner), FIndex(Index) {}
    // Copies up to Count entries from the current place on; S_FALSE when fewer were left.
    STDMETHODIMP Next(ULONG Count, FORMATETC* Formats, ULONG* Fetched) override;
    // Moves on by Count; at the end with S_FALSE when fewer were left.
    STDMETHODIMP Skip(ULONG Count) override;
    STDMETHODIMP Reset() override;
    // A new enumerator over the same list at the same place.
    STDMETHODIMP Clone(IEnumFORMATETC** Enum) override;

private:
    const TPTFormatEtcList* FList;
    TComPtr<IUnknown> FOwner;
    int FIndex;
};

// The shell's CIDA: the item count, count + 1 offsets from the block's start (the parent
// folder's absolute PIDL first, an empty PIDL for nil, then each item), then the PIDLs.
// Null when the memory cannot be had.
HGLOBAL PTBuildIdListBlock(PCItemIDList ParentAbs, const std::vector<PCItemIDList>& Items);
// CF_HDROP: a DROPFILES header of 20 bytes (wide names), the names each ended by a zero
// character and one more zero. Null for no names or when the memory cannot be had.
HGLOBAL PTBuildFileListBlock(const std::vector<WideString>& Names);

// The data object of dragged shell list items.
class TDataObject_shlv : public TComObject<IDataObject> {
public:
    // The items of folder ParentAbs (relative PIDLs) and their parsing names. A block that
    // cannot be built is left out, and its format is not offered.
    TDataObject_shlv(PCItemIDList ParentAbs, const std::vector<PCItemIDList>& Items,
                     const std::vector<WideString>& ParsingNames);

    const TPTFormatEtcList& Formats() const { return FFormats; }
    HGLOBAL IdListBlock() const { return FIdListBlock.Get(); }
    HGLOBAL FileListBlock() const { return FFileListBlock.Get(); }

    // A fresh copy of the block of the format asked for (the receiver frees it).
    STDMETHODIMP GetData(FORMATETC* Format, STGMEDIUM* Medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* Format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* In, FORMATETC* Out) override;
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** Enum) override;

private:
    TGlobalMem FIdListBlock;
    TGlobalMem FFileListBlock;
    TPTFormatEtcList FFormats;
};

// The shell tree's data object: the one dragged node, in the same two forms.
class TDataObject_shtv final : public TDataObject_shlv {
public:
    TDataObject_shtv(PCItemIDList ParentAbs, PCItemIDList Node, const WideString& ParsingName)
        : TDataObject_shlv(ParentAbs, {Node}, {ParsingName}) {}
};

// The drop source of a drag begun with one mouse button (MK_LBUTTON, MK_RBUTTON or
// MK_MBUTTON): the drag drops when that button is released and is cancelled by Esc or by
// pressing another button.
class TDropSource_shlvtv final : public TComObject<IDropSource> {
public:
    explicit TDropSource_shlvtv(DWORD Button) : FButton(Button) {}
    DWORD Button() const { return FButton; }
    STDMETHODIMP QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
    STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    DWORD FButton;
};

// What the drop target asks of the control it serves.
class TPTDropTargetHost {
public:
    // The item at a client point that takes drops (one that carries data); null for the
    // shown folder.
    virtual const void* DropItemAt(POINT ClientPoint) = 0;
    // The shell's drop target of that item (null: of the shown folder); empty when none.
    virtual TComPtr<IDropTarget> DropTargetFor(const void* Item) = 0;
    virtual POINT DropScreenToClient(POINT ScreenPoint) = 0;
    virtual RECT DropClientRect() = 0;
    // Scrolls by DX columns and DY rows (each -1, 0 or 1).
    virtual void DropScroll(int DX, int DY) = 0;
    // The control's events (OnOleDrag while dragging over it, OnOleDrop for the drop);
    // they may change the effect and the result.
    virtual void DropEvent(bool IsDrop, IDataObject* Data, DWORD KeyState, POINT Point, DWORD& Effect,
                           HRESULT& Result) = 0;
    // An hourglass around the handing over of a drop.
    virtual void DropBusy(bool On) = 0;
    // A drop was handed over successfully (the list refreshes).
    virtual void DropDone() = 0;
    // The mouse is over Item (from DropItemAt) at a client point during a drag.
    virtual void DropHover(POINT ClientPoint, const void* Item) {}

protected:
    ~TPTDropTargetHost() = default;
};

// The direction to scroll while dragging at a client point: within 26 pixels of the left
// or right edge, or 20 of the top or bottom edge.
POINT PTDragScrollDirection(const RECT& Client, POINT Point);

// The control's registered drop target; it forwards every call to the shell's drop target
// of the item (or folder) under the mouse.
class TPTShellDropTarget final : public TComObject<IDropTarget> {
public:
    explicit TPTShellDropTarget(TPTDropTargetHost* Host) : FHost(Host) {}
    // The control goes: later calls find no target.
    void Detach();
    // Ticks of the clock that limits scrolling to every 100 ms (tests set their own).
    DWORD(WINAPI* Clock)() = &GetTickCount;

    STDMETHODIMP DragEnter(IDataObject* Data, DWORD KeyState, POINTL Point, DWORD* Effect) override;
    STDMETHODIMP DragOver(DWORD KeyState, POINTL Point, DWORD* Effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* Data, DWORD KeyState, POINTL Point, DWORD* Effect) override;

private:
    void LeaveTarget();
    TPTDropTargetHost* FHost;
    TComPtr<IDataObject> FData;
    TComPtr<IDropTarget> FTarget;
    const void* FTargetItem = nullptr;
    DWORD FLastScroll = 0;
    bool FScrolled = false;
};

// A control's registration as an OLE drop target (RegisterDragDrop), with its drop target
// made on first use.
class TPTDropRegistration {
public:
    explicit TPTDropRegistration(TPTDropTargetHost* Host) : FHost(Host) {}
    // Registers Window while Wanted, revokes it when no longer.
    void Update(HWND Window, bool Wanted);
    // Window goes: its registration goes with it (the next window registers afresh).
    void Revoke(HWND Window) { Update(Window, false); }
    // The control goes: calls still under way find no host.
    void Detach();
    TPTShellDropTarget* Target() const { return FTarget.Get(); }

private:
    TPTDropTargetHost* FHost;
    TComPtr<TPTShellDropTarget> FTarget;
    bool FRegistered = false;
};

// Runs an OLE drag of Data begun with the mouse button Button (MK_LBUTTON, MK_RBUTTON or
// MK_MBUTTON) through the drop source of that button; Effect gets what the drop did.
HRESULT PTDoShellDrag(IDataObject* Data, DWORD Button, DWORD AllowedEffects, DWORD& Effect);
