#include "UPTShellDragDrop.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD MouseButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
constexpr DWORD DragScrollIntervalMs = 100;

DVTARGETDEVICE* CopyTargetDevice(const DVTARGETDEVICE* Source) {
    if (!Source || Source->tdSize < sizeof(DVTARGETDEVICE) - sizeof(BYTE))
        return nullptr;
    auto* copy = static_cast<DVTARGETDEVICE*>(CoTaskMemAlloc(Source->tdSize));
    if (copy)
        std::memcpy(copy, Source, Source->tdSize);
    return copy;
}

// A new moveable block with the bytes of Source.
HGLOBAL CopyBlock(HGLOBAL Source) {
    const SIZE_T size = GlobalSize(Source);
    TGlobalMem copy(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy)
        return nullptr;
    const void* from = GlobalLock(Source);
    void* to = GlobalLock(copy.Get());
    if (!from || !to) {
        if (from)
            GlobalUnlock(Source);
        if (to)
            GlobalUnlock(copy.Get());
        return nullptr;
    }
    std::memcpy(to, from, size);
    GlobalUnlock(copy.Get());
    GlobalUnlock(Source);
    return copy.Release();
}

// A zero-filled moveable block of Size bytes, filled by Fill while locked.
template <class F>
HGLOBAL MakeBlock(SIZE_T Size, F&& Fill) {
    TGlobalMem block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, Size));
    if (!block)
        return nullptr;
    auto* bytes = static_cast<BYTE*>(GlobalLock(block.Get()));
    if (!bytes)
        return nullptr;
    Fill(bytes);
    GlobalUnlock(block.Get());
    return block.Release();
}

} // namespace

UINT PTCFShellIDList() {
    static const UINT format = RegisterClipboardFormatW(CFSTR_SHELLIDLIST);
    return format;
}

// ---------------------------------------------------------------------------------
// Format list

FORMATETC PTCopyFormatEtc(const FORMATETC& Source) {
    FORMATETC copy = Source;
    copy.ptd = CopyTargetDevice(Source.ptd);
    return copy;
}

TPTFormatEtcList::~TPTFormatEtcList() {
    for (FORMATETC& f : FItems)
        CoTaskMemFree(f.ptd);
}

void TPTFormatEtcList::Add(CLIPFORMAT Format) {
    FItems.push_back(FORMATETC{Format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
}

void TPTFormatEtcList::AddFormatEtc(const FORMATETC& Format) {
    FItems.reserve(FItems.size() + 1);
    FItems.push_back(PTCopyFormatEtc(Format));
}

HRESULT TPTFormatEtcList::Query(const FORMATETC& Format) const {
    if (Format.dwAspect != DVASPECT_CONTENT)
        return DV_E_FORMATETC;
    HRESULT result = DV_E_FORMATETC;
    for (const FORMATETC& f : FItems)
        if (f.cfFormat == Format.cfFormat) {
            if (f.tymed & Format.tymed)
                return S_OK;
            result = DV_E_TYMED;
        }
    return result;
}

STDMETHODIMP TPTFormatEtcList_IEnumFormatEtc::Next(ULONG Count, FORMATETC* Formats, ULONG* Fetched) {
    return GuardedCom(L"TPTFormatEtcList_IEnumFormatEtc.Next", [&]() -> HRESULT {
        if (Fetched)
            *Fetched = 0;
        if (!Formats || (Count > 1 && !Fetched))
            return Formats ? E_INVALIDARG : E_POINTER;
        ULONG n = 0;
        while (n < Count && FIndex < FList->Count())
            Formats[n++] = PTCopyFormatEtc(FList->Items(FIndex++));
        if (Fetched)
            *Fetched = n;
        return n == Count ? S_OK : S_FALSE;
    });
}

STDMETHODIMP TPTFormatEtcList_IEnumFormatEtc::Skip(ULONG Count) {
    return GuardedCom(L"TPTFormatEtcList_IEnumFormatEtc.Skip", [&]() -> HRESULT {
        const ULONG left = static_cast<ULONG>(FList->Count() - FIndex);
        if (Count > left) {
            FIndex = FList->Count();
            return S_FALSE;
        }
        FIndex += static_cast<int>(Count);
        return S_OK;
    });
}

STDMETHODIMP TPTFormatEtcList_IEnumFormatEtc::Reset() {
    FIndex = 0;
    return S_OK;
}

STDMETHODIMP TPTFormatEtcList_IEnumFormatEtc::Clone(IEnumFORMATETC** Enum) {
    return GuardedCom(L"TPTFormatEtcList_IEnumFormatEtc.Clone", [&]() -> HRESULT {
        if (!ClearOut(Enum))
            return E_POINTER;
        *Enum = MakeComObject<TPTFormatEtcList_IEnumFormatEtc>(FList, FOwner.Get(), FIndex).Detach();
        return S_OK;
    });
}

// ---------------------------------------------------------------------------------
// Blocks

HGLOBAL PTBuildIdListBlock(PCItemIDList ParentAbs, const std::vector<PCItemIDList>& Items) {
    static const USHORT EmptyPidl = 0;
    std::vector<PCItemIDList> pidls;
    pidls.reserve(Items.size() + 1);
    pidls.push_back(ParentAbs ? ParentAbs : reinterpret_cast<PCItemIDList>(&EmptyPidl));
    pidls.insert(pidls.end(), Items.begin(), Items.end());
    for (PCItemIDList& p : pidls)
        if (!p)
            p = reinterpret_cast<PCItemIDList>(&EmptyPidl);
    const SIZE_T header = sizeof(UINT) * (pidls.size() + 1);
    SIZE_T size = header;
    for (PCItemIDList p : pidls)
        size += static_cast<SIZE_T>(PidlSize(p));
    return MakeBlock(size, [&](BYTE* bytes) {
        auto* cida = reinterpret_cast<UINT*>(bytes);
        cida[0] = static_cast<UINT>(Items.size());
        SIZE_T offset = header;
        for (size_t i = 0; i < pidls.size(); ++i) {
            cida[i + 1] = static_cast<UINT>(offset);
            const int n = PidlSize(pidls[i]);
            std::memcpy(bytes + offset, pidls[i], static_cast<size_t>(n));
            offset += static_cast<SIZE_T>(n);
        }
    });
}

HGLOBAL PTBuildFileListBlock(const std::vector<WideString>& Names) {
    if (Names.empty())
        return nullptr;
    SIZE_T text = 0;
    for (const WideString& n : Names)
        text += (n.size() + 1) * sizeof(wchar_t);
    return MakeBlock(text + sizeof(DROPFILES) + sizeof(wchar_t), [&](BYTE* bytes) {
        auto* header = reinterpret_cast<DROPFILES*>(bytes);
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        auto* to = reinterpret_cast<wchar_t*>(bytes + sizeof(DROPFILES));
        for (const WideString& n : Names) {
            std::copy(n.begin(), n.end(), to);
            to += n.size() + 1; // the zero is already there
        }
    });
}

// ---------------------------------------------------------------------------------
// Data object

TDataObject_shlv::TDataObject_shlv(PCItemIDList ParentAbs, const std::vector<PCItemIDList>& Items,
                                   const std::vector<WideString>& ParsingNames) {
    if (!Items.empty())
        FIdListBlock.Reset(PTBuildIdListBlock(ParentAbs, Items));
    FFileListBlock.Reset(PTBuildFileListBlock(ParsingNames));
    if (FIdListBlock)
        FFormats.Add(static_cast<CLIPFORMAT>(PTCFShellIDList()));
    if (FFileListBlock)
        FFormats.Add(CF_HDROP);
}

STDMETHODIMP TDataObject_shlv::QueryGetData(FORMATETC* Format) {
    return GuardedCom(L"TDataObject_shlv.QueryGetData", [&]() -> HRESULT {
        return Format ? FFormats.Query(*Format) : E_INVALIDARG;
    });
}

STDMETHODIMP TDataObject_shlv::GetData(FORMATETC* Format, STGMEDIUM* Medium) {
    return GuardedCom(L"TDataObject_shlv.GetData", [&]() -> HRESULT {
        if (!Format || !Medium)
            return E_INVALIDARG;
        *Medium = STGMEDIUM{};
        const HRESULT query = FFormats.Query(*Format);
        if (FAILED(query))
            return query;
        HGLOBAL source = nullptr;
        if (Format->cfFormat == PTCFShellIDList())
            source = FIdListBlock.Get();
        else if (Format->cfFormat == CF_HDROP)
            source = FFileListBlock.Get();
        if (!source)
            return DV_E_FORMATETC;
        HGLOBAL copy = CopyBlock(source);
        if (!copy)
            return E_OUTOFMEMORY;
        Medium->tymed = TYMED_HGLOBAL;
        Medium->hGlobal = copy;
        Medium->pUnkForRelease = nullptr;
        return S_OK;
    });
}

STDMETHODIMP TDataObject_shlv::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* Out) {
    if (Out)
        Out->ptd = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TDataObject_shlv::EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) {
    return GuardedCom(L"TDataObject_shlv.EnumFormatEtc", [&]() -> HRESULT {
        if (!ClearOut(Enum))
            return E_POINTER;
        if (Direction != DATADIR_GET)
            return E_NOTIMPL;
        *Enum = MakeComObject<TPTFormatEtcList_IEnumFormatEtc>(&FFormats, static_cast<IDataObject*>(this)).Detach();
        return S_OK;
    });
}

STDMETHODIMP TDataObject_shlv::EnumDAdvise(IEnumSTATDATA** Enum) {
    ClearOut(Enum);
    return OLE_E_ADVISENOTSUPPORTED;
}

// ---------------------------------------------------------------------------------
// Drop source

STDMETHODIMP TDropSource_shlvtv::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) {
    const DWORD buttons = KeyState & MouseButtons;
    if (EscapePressed || (buttons & ~FButton) != 0)
        return DRAGDROP_S_CANCEL;
    return (buttons & FButton) ? S_OK : DRAGDROP_S_DROP;
}

// ---------------------------------------------------------------------------------
// Drop target

POINT PTDragScrollDirection(const RECT& Client, POINT Point) {
    POINT d{0, 0};
    if (Point.x < Client.left + 26)
        d.x = -1;
    else if (Point.x >= Client.right - 26)
        d.x = 1;
    if (Point.y < Client.top + 20)
        d.y = -1;
    else if (Point.y >= Client.bottom - 20)
        d.y = 1;
    return d;
}

void TPTShellDropTarget::Detach() {
    LeaveTarget();
    FData.Reset();
    FHost = nullptr;
}

void TPTShellDropTarget::LeaveTarget() {
    if (FTarget)
        FTarget->DragLeave();
    FTarget.Reset();
    FTargetItem = nullptr;
}

STDMETHODIMP TPTShellDropTarget::DragEnter(IDataObject* Data, DWORD KeyState, POINTL Point, DWORD* Effect) {
    return GuardedCom(L"TPTShellDropTarget.DragEnter", [&]() -> HRESULT {
        if (!Effect)
            return E_INVALIDARG;
        LeaveTarget();
        FData = TComPtr<IDataObject>(Data);
        FScrolled = false;
        HRESULT result = E_FAIL;
        const POINT screen{Point.x, Point.y};
        if (FHost && Data) {
            FTargetItem = FHost->DropItemAt(FHost->DropScreenToClient(screen));
            FTarget = FHost->DropTargetFor(FTargetItem);
        }
        if (FTarget)
            result = FTarget->DragEnter(Data, KeyState, Point, Effect);
        else
            *Effect = DROPEFFECT_NONE;
        if (FHost)
            FHost->DropEvent(false, Data, KeyState, screen, *Effect, result);
        return result;
    });
}

STDMETHODIMP TPTShellDropTarget::DragOver(DWORD KeyState, POINTL Point, DWORD* Effect) {
    return GuardedCom(L"TPTShellDropTarget.DragOver", [&]() -> HRESULT {
        if (!Effect)
            return E_INVALIDARG;
        if (!FHost || !FData) {
            *Effect = DROPEFFECT_NONE;
            return E_FAIL;
        }
        const POINT screen{Point.x, Point.y};
        const POINT client = FHost->DropScreenToClient(screen);
        const POINT scroll = PTDragScrollDirection(FHost->DropClientRect(), client);
        if (scroll.x || scroll.y) {
            const DWORD now = Clock();
            if (!FScrolled || now - FLastScroll >= DragScrollIntervalMs) {
                FHost->DropScroll(scroll.x, scroll.y);
                FLastScroll = now;
                FScrolled = true;
            }
        }
        const void* item = FHost->DropItemAt(client);
        FHost->DropHover(client, item);
        const DWORD allowed = *Effect;
        HRESULT result = E_FAIL;
        if (item != FTargetItem || !FTarget) {
            LeaveTarget();
            FTarget = FHost->DropTargetFor(item);
            FTargetItem = item;
            if (FTarget)
                result = FTarget->DragEnter(FData.Get(), KeyState, Point, Effect);
            *Effect = allowed;
        }
        if (FTarget)
            result = FTarget->DragOver(KeyState, Point, Effect);
        else
            *Effect = DROPEFFECT_NONE;
        FHost->DropEvent(false, FData.Get(), KeyState, screen, *Effect, result);
        return result;
    });
}

STDMETHODIMP TPTShellDropTarget::DragLeave() {
    return GuardedCom(L"TPTShellDropTarget.DragLeave", [&]() -> HRESULT {
        LeaveTarget();
        FData.Reset();
        return S_OK;
    });
}

STDMETHODIMP TPTShellDropTarget::Drop(IDataObject* Data, DWORD KeyState, POINTL Point, DWORD* Effect) {
    return GuardedCom(L"TPTShellDropTarget.Drop", [&]() -> HRESULT {
        if (!Effect)
            return E_INVALIDARG;
        // The target that took the drag so far lets it go; the one under the mouse now takes
        // the drop afresh.
        LeaveTarget();
        FData.Reset();
        const POINT screen{Point.x, Point.y};
        TComPtr<IDropTarget> target;
        if (FHost && Data)
            target = FHost->DropTargetFor(FHost->DropItemAt(FHost->DropScreenToClient(screen)));
        HRESULT result = E_FAIL;
        if (!target) {
            *Effect = DROPEFFECT_NONE;
        } else {
            const DWORD allowed = *Effect;
            FHost->DropBusy(true);
            struct TBusy {
                TPTDropTargetHost* Host;
                ~TBusy() { Host->DropBusy(false); }
            } busy{FHost};
            DWORD enterEffect = allowed;
            target->DragEnter(Data, KeyState, Point, &enterEffect);
            result = target->Drop(Data, KeyState, Point, Effect);
        }
        if (FHost)
            FHost->DropEvent(true, Data, KeyState, screen, *Effect, result);
        if (target && SUCCEEDED(result) && FHost) {
            target.Reset();
            FHost->DropDone();
        }
        return result;
    });
}

// ---------------------------------------------------------------------------------

void TPTDropRegistration::Update(HWND Window, bool Wanted) {
    if (Wanted && !FRegistered && Window) {
        if (!FTarget)
            FTarget = MakeComObject<TPTShellDropTarget>(FHost);
        FRegistered = SUCCEEDED(RegisterDragDrop(Window, FTarget.Get()));
    } else if (!Wanted && FRegistered) {
        RevokeDragDrop(Window);
        FRegistered = false;
    }
}

void TPTDropRegistration::Detach() {
    if (FTarget)
        FTarget->Detach();
}

HRESULT PTDoShellDrag(IDataObject* Data, DWORD Button, DWORD AllowedEffects, DWORD& Effect) {
    TComPtr<TDropSource_shlvtv> source = MakeComObject<TDropSource_shlvtv>(Button);
    Effect = DROPEFFECT_NONE;
    return DoDragDrop(Data, source.Get(), AllowedEffects, &Effect);
}
