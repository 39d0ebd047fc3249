#include "UPTShellUtils.h"

#include "SysUtils.h"
#include "TntSystem.h"
#include "TntWindows.h"
#include "UPTUnicode.h"

#include <lm.h>

#include <cstring>
#include <vector>

namespace {

// Interfaces held for the process. Never destroyed by static destruction: PIDLs may still
// be freed by objects the application frees at exit; the pack's shut-down releases them.
TComPtr<IMalloc>& ShellMallocRef() {
    static auto* malloc = new TComPtr<IMalloc>;
    return *malloc;
}
TComPtr<IShellFolder>& DesktopStandIn() {
    static auto* folder = new TComPtr<IShellFolder>;
    return *folder;
}
int g_DriveUpdateCount = 0;
bool g_OverlaysInstalled = false;

// The terminator alone: the desktop's PIDL where a call needs a real one for nil.
const USHORT EmptyPidlBytes = 0;
PCItemIDList EmptyPidl() { return reinterpret_cast<PCItemIDList>(&EmptyPidlBytes); }

USHORT ItemSize(const BYTE* P) {
    USHORT cb;
    std::memcpy(&cb, P, sizeof(cb)); // items are not aligned
    return cb;
}

const BYTE* Bytes(PCItemIDList Pidl) { return reinterpret_cast<const BYTE*>(Pidl); }

// Address of item Index (or of the terminator when Index = count).
const BYTE* ItemAt(PCItemIDList Pidl, int Index) {
    const BYTE* p = Bytes(Pidl);
    for (int i = 0; i < Index; ++i)
        p += ItemSize(p);
    return p;
}

// A new PIDL of Count items starting at P.
PItemIDList CopyItems(const BYTE* P, int Count) {
    size_t size = 0;
    for (int i = 0; i < Count; ++i)
        size += ItemSize(P + size);
    auto* result = static_cast<BYTE*>(ShellAlloc(size + 2));
    std::memcpy(result, P, size);
    result[size] = result[size + 1] = 0;
    return reinterpret_cast<PItemIDList>(result);
}

// The CSIDL of each table index (index 0 names no folder).
constexpr int SpecialFolders[PTSpecialFolderCount] = {
    -1, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 16, 17, 18,
    19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37,
    38, 39, 40, 43, 45, 46, 47, 48, 49, 53, 54, 55, 56, 57, 58, 59, 61, 62};

constexpr SHGDNF DisplayNameFlags[4] = {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING,
                                        SHGDN_INFOLDER | SHGDN_FOREDITING};

TPTFileVersion ReadFileVersion(const wchar_t* FileName) {
    TPTFileVersion version;
    DWORD handle = 0;
    const DWORD size = Tnt_GetFileVersionInfoSizeW(FileName, &handle);
    if (size == 0)
        return version;
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (Tnt_GetFileVersionInfoW(FileName, handle, size, block.data()) &&
        VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &len) && info &&
        len >= sizeof(VS_FIXEDFILEINFO)) {
        version.LS = info->dwFileVersionLS;
        version.MS = info->dwFileVersionMS;
    }
    return version;
}

// Puts the share hand and the shortcut arrow of shell32 into both system image lists as
// overlays 1 and 2. Systems without those icons simply keep their own overlays.
void InstallOverlays(HIMAGELIST Small, HIMAGELIST Large) {
    TModuleHandle shell32(LoadLibraryW(L"shell32.dll"));
    if (!shell32)
        return;
    const struct {
        HIMAGELIST List;
        int Size;
    } lists[] = {{Small, 16}, {Large, 32}};
    for (const auto& l : lists) {
        if (!l.List)
            continue;
        for (int overlay = 1; overlay <= 2; ++overlay) {
            auto icon = static_cast<HICON>(LoadImageW(shell32.Get(), MAKEINTRESOURCEW(28 + overlay), IMAGE_ICON,
                                                      l.Size, l.Size, 0));
            if (!icon)
                continue;
            const int index = ImageList_AddIcon(l.List, icon);
            if (index >= 0)
                ImageList_SetOverlayImage(l.List, index, overlay);
            DestroyIcon(icon);
        }
    }
}

HIMAGELIST QuerySystemImageList(int SizeIndex) {
    const UINT sizeFlag = SizeIndex == 0 ? SHGFI_SMALLICON : SHGFI_LARGEICON;
    SHFILEINFOW info{};
    auto list = reinterpret_cast<HIMAGELIST>(
        Tnt_SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | sizeFlag));
    if (!list)
        list = reinterpret_cast<HIMAGELIST>(Tnt_SHGetFileInfoW(reinterpret_cast<LPCWSTR>(EmptyPidl()), 0, &info,
                                                               sizeof(info), SHGFI_SYSICONINDEX | SHGFI_PIDL | sizeFlag));
    return list;
}

// netapi32, bound on first use: 0 untried, 1 unusable, 2 usable.
struct TNetApi {
    int State = 0;
    TModuleHandle Module;
    decltype(&NetUseGetInfo) UseGetInfo = nullptr;
    decltype(&NetApiBufferFree) BufferFree = nullptr;
} g_NetApi;

} // namespace

// ---------------------------------------------------------------------------------
// Memory

IMalloc* GetShellMalloc() {
    TComPtr<IMalloc>& malloc = ShellMallocRef();
    if (!malloc)
        SHGetMalloc(malloc.Put());
    return malloc.Get();
}

void* ShellAlloc(size_t Size) {
    IMalloc* malloc = GetShellMalloc();
    void* p = malloc ? malloc->Alloc(Size) : nullptr;
    if (!p)
        throw EOutOfResources(L"Out of memory: the shell allocator refused " + IntToStr(static_cast<int64_t>(Size)) +
                              L" bytes");
    return p;
}

void ShellFree(void* P) {
    if (!P)
        return;
    if (IMalloc* malloc = GetShellMalloc())
        malloc->Free(P);
}

// ---------------------------------------------------------------------------------
// PIDL arithmetic

int PidlSize(PCItemIDList Pidl) {
    if (!Pidl)
        return 0;
    const BYTE* p = Bytes(Pidl);
    int size = 0;
    for (USHORT cb; (cb = ItemSize(p + size)) != 0;)
        size += cb;
    return size + 2;
}

int PidlItemCount(PCItemIDList Pidl) {
    if (!Pidl)
        return 0;
    int count = 0;
    for (const BYTE* p = Bytes(Pidl); ItemSize(p) != 0; p += ItemSize(p))
        ++count;
    return count;
}

bool IsEmptyPidl(PCItemIDList Pidl) { return !Pidl || ItemSize(Bytes(Pidl)) == 0; }

PItemIDList CopyPidl(PCItemIDList Pidl) {
    if (!Pidl)
        return CopyItems(Bytes(EmptyPidl()), 0);
    const int size = PidlSize(Pidl);
    void* result = ShellAlloc(static_cast<size_t>(size));
    std::memcpy(result, Pidl, static_cast<size_t>(size));
    return static_cast<PItemIDList>(result);
}

PItemIDList ConcatPidls(PCItemIDList A, PCItemIDList B) {
    const size_t sizeA = A ? static_cast<size_t>(PidlSize(A) - 2) : 0;
    const size_t sizeB = B ? static_cast<size_t>(PidlSize(B)) : 2;
    auto* result = static_cast<BYTE*>(ShellAlloc(sizeA + sizeB));
    if (sizeA)
        std::memcpy(result, A, sizeA);
    if (B)
        std::memcpy(result + sizeA, B, sizeB);
    else
        result[sizeA] = result[sizeA + 1] = 0;
    return reinterpret_cast<PItemIDList>(result);
}

bool IsWellFormedPidl(const void* Data, size_t Size) {
    if (!Data)
        return false;
    const auto* p = static_cast<const BYTE*>(Data);
    size_t offset = 0;
    while (offset + 2 <= Size) {
        const USHORT cb = ItemSize(p + offset);
        if (cb == 0)
            return offset + 2 == Size;
        if (cb < 2)
            return false;
        offset += cb;
    }
    return false;
}

int ComparePidls(PCItemIDList A, PCItemIDList B) {
    if (!A || !B)
        return (!A && !B) ? 0 : -1;
    const bool emptyA = IsEmptyPidl(A), emptyB = IsEmptyPidl(B);
    if (emptyA || emptyB)
        return (emptyA && emptyB) ? 0 : -1;
    TComPtr<IShellFolder> desktop;
    if (FAILED(GetDesktopFolder(desktop)) || !desktop)
        return PTPidlCompareFailed;
    const HRESULT hr = desktop->CompareIDs(0, A, B);
    if (FAILED(hr))
        return PTPidlCompareFailed;
    return static_cast<short>(HRESULT_CODE(hr));
}

PItemIDList TPTIdListArray::Item(int I) {
    FResult.Reset();
    if (!FPidl || I < 0 || I >= Count())
        return nullptr;
    FResult.Reset(CopyItems(ItemAt(FPidl, I), 1));
    return FResult.Get();
}

PItemIDList TPTIdListArray::Parent(int N) {
    FResult.Reset();
    const int count = Count();
    if (!FPidl || N < 0 || N > count)
        return nullptr;
    FResult.Reset(CopyItems(Bytes(FPidl), count - N));
    return FResult.Get();
}

// ---------------------------------------------------------------------------------
// Folders and conversions

HRESULT GetDesktopFolder(TComPtr<IShellFolder>& Folder) {
    if (DesktopStandIn()) {
        Folder = DesktopStandIn();
        return S_OK;
    }
    return SHGetDesktopFolder(Folder.Put());
}

void SetDesktopFolderStandIn(IShellFolder* Folder) { DesktopStandIn() = TComPtr<IShellFolder>(Folder); }

HRESULT GetShellFolder(PCItemIDList Pidl, TComPtr<IShellFolder>& Folder) {
    TComPtr<IShellFolder> desktop;
    HRESULT hr = GetDesktopFolder(desktop);
    if (FAILED(hr)) {
        Folder.Reset();
        return hr;
    }
    if (IsEmptyPidl(Pidl)) {
        Folder = desktop;
        return S_OK;
    }
    return desktop->BindToObject(Pidl, nullptr, IID_IShellFolder, Folder.PutVoid());
}

HRESULT SplitPidl(PCItemIDList Abs, TComPtr<IShellFolder>& ParentShf, TPTPidl& ParentPidl, TPTPidl& ChildPidl) {
    ParentPidl.Reset();
    ChildPidl.Reset();
    const int count = PidlItemCount(Abs);
    if (count <= 1) {
        ChildPidl.Reset(CopyPidl(Abs));
        return GetDesktopFolder(ParentShf);
    }
    ParentPidl.Reset(CopyItems(Bytes(Abs), count - 1));
    ChildPidl.Reset(CopyItems(ItemAt(Abs, count - 1), 1));
    return GetShellFolder(ParentPidl.Get(), ParentShf);
}

HRESULT PathToPidl(const WideString& Path, TPTPidl& Pidl) {
    Pidl.Reset();
    TComPtr<IShellFolder> desktop;
    HRESULT hr = GetDesktopFolder(desktop);
    if (FAILED(hr))
        return hr;
    WideString name = Path; // the call takes a writable string
    ULONG eaten = 0;
    hr = desktop->ParseDisplayName(nullptr, nullptr, name.data(), &eaten, Pidl.Put(), nullptr);
    if (FAILED(hr)) {
        Pidl.Reset();
        return hr;
    }
    return Pidl ? hr : E_FAIL;
}

WideString PidlToPath(PCItemIDList Pidl) {
    wchar_t path[MAX_PATH + 1] = {};
    if (!Tnt_SHGetPathFromIDListW(Pidl ? Pidl : EmptyPidl(), path))
        return L"";
    return path;
}

int SpecialFolderCSIDL(int Index) {
    return (Index >= 0 && Index < PTSpecialFolderCount) ? SpecialFolders[Index] : -1;
}

HRESULT SpecialFolderPidl(HWND Owner, int Index, TPTPidl& Pidl) {
    Pidl.Reset();
    const int csidl = SpecialFolderCSIDL(Index);
    if (csidl < 0)
        return E_INVALIDARG;
    HRESULT hr = SHGetSpecialFolderLocation(Owner, csidl, Pidl.Put());
    if (FAILED(hr))
        Pidl.Reset();
    return hr;
}

WideString SpecialFolderPath(HWND Owner, int Index) {
    TPTPidl pidl;
    if (FAILED(SpecialFolderPidl(Owner, Index, pidl)))
        return L"";
    return PidlToPath(pidl.Get());
}

int SpecialFolderIndexOf(PCItemIDList Pidl) {
    for (int i = 0; i < PTSpecialFolderCount; ++i) {
        TPTPidl folder;
        if (SUCCEEDED(SpecialFolderPidl(nullptr, i, folder)) && ComparePidls(folder.Get(), Pidl) == 0)
            return i;
    }
    return 0;
}

WideString StrRetToWide(STRRET& StrRet, PCItemIDList Pidl) {
    switch (StrRet.uType) {
    case STRRET_WSTR: {
        const TCoTaskString owned(std::exchange(StrRet.pOleStr, nullptr));
        return owned ? WideString(owned.Get()) : WideString();
    }
    case STRRET_OFFSET:
        if (!Pidl)
            return L"";
        return DefaultAnsiToWide(reinterpret_cast<const char*>(Pidl) + StrRet.uOffset);
    case STRRET_CSTR:
        return DefaultAnsiToWide(std::string_view(StrRet.cStr, strnlen(StrRet.cStr, sizeof(StrRet.cStr))));
    default:
        return L"";
    }
}

WideString GetDisplayName(IShellFolder* Folder, PCItemIDList RelPidl, TPTDisplayNameMode Mode) {
    TComPtr<IShellFolder> desktop;
    if (!Folder) {
        if (FAILED(GetDesktopFolder(desktop)) || !desktop)
            return L"";
        Folder = desktop.Get();
        RelPidl = EmptyPidl();
    }
    const SHGDNF flags = DisplayNameFlags[static_cast<unsigned>(Mode) & 3];
    STRRET sr{};
    sr.uType = STRRET_WSTR;
    if (FAILED(Folder->GetDisplayNameOf(RelPidl, flags, &sr))) {
        sr = STRRET{};
        sr.uType = STRRET_CSTR;
        if (FAILED(Folder->GetDisplayNameOf(RelPidl, flags, &sr)))
            return L"";
    }
    return StrRetToWide(sr, RelPidl);
}

WideString GetAbsDisplayName(PCItemIDList Abs) {
    if (!Abs)
        return GetDisplayName(nullptr, nullptr, dnmInFolder);
    TComPtr<IShellFolder> parent;
    TPTPidl parentPidl, child;
    if (FAILED(SplitPidl(Abs, parent, parentPidl, child)) || !parent)
        return L"";
    return GetDisplayName(parent.Get(), child.Get(), dnmInFolder);
}

int GetIconIndex(PCItemIDList Pidl, UINT Flags) {
    SHFILEINFOW info{};
    Tnt_SHGetFileInfoW(reinterpret_cast<LPCWSTR>(Pidl ? Pidl : EmptyPidl()), 0, &info, sizeof(info),
                       SHGFI_SYSICONINDEX | SHGFI_PIDL | Flags);
    return info.iIcon;
}

HIMAGELIST GetSystemImageList(int SizeIndex) {
    if (!g_OverlaysInstalled) {
        g_OverlaysInstalled = true;
        if (ComCtlVersion().MS >= 0x00040047) // 4.71
            InstallOverlays(QuerySystemImageList(0), QuerySystemImageList(1));
    }
    return QuerySystemImageList(SizeIndex);
}

int GetOverlayIndex(IShellFolder* Folder, PCItemIDList RelPidl) {
    if (!Folder)
        return 0;
    TComPtr<IShellIconOverlay> overlay;
    if (SUCCEEDED(Folder->QueryInterface(IID_IShellIconOverlay, overlay.PutVoid())) && overlay) {
        int index = 0;
        if (FAILED(overlay->GetOverlayIndex(RelPidl, &index)))
            return 0;
        return index;
    }
    SFGAOF attributes = SFGAO_SHARE | SFGAO_LINK;
    if (FAILED(Folder->GetAttributesOf(1, &RelPidl, &attributes)))
        return 0;
    if (attributes & SFGAO_SHARE)
        return 1;
    return (attributes & SFGAO_LINK) ? 2 : 0;
}

HRESULT GetUIObjectOfPidl(PCItemIDList Abs, REFIID Riid, void** Obj) {
    if (!Obj)
        return E_POINTER;
    *Obj = nullptr;
    TComPtr<IShellFolder> parent;
    TPTPidl parentPidl, child;
    HRESULT hr = SplitPidl(Abs, parent, parentPidl, child);
    if (FAILED(hr))
        return hr;
    if (!parent)
        return E_FAIL;
    PCUITEMID_CHILD item = child.Get();
    return parent->GetUIObjectOf(nullptr, 1, &item, Riid, nullptr, Obj);
}

bool IsFolderItem(ULONG Attributes, bool FilesCanBeFolders) {
    if (!(Attributes & SFGAO_FOLDER))
        return false;
    return FilesCanBeFolders || !ShellIsVersion6OrLater() || !(Attributes & SFGAO_STREAM);
}

bool IsDriveRoot(const WideString& Path) { return Path.size() == 3 && Path[1] == L':'; }

HRESULT PTEnumerateChildren(IShellFolder* Folder, HWND Owner, SHCONTF Flags, std::vector<PItemIDList>& Pidls,
                            bool& Started) {
    constexpr HRESULT NoMoreItems = static_cast<HRESULT>(0x80070103);
    Started = false;
    TComPtr<IEnumIDList> items;
    HRESULT hr = Folder ? Folder->EnumObjects(Owner, Flags, items.Put()) : E_POINTER;
    if (FAILED(hr) || !items)
        return FAILED(hr) ? hr : E_FAIL;
    Started = true;
    ULONG batch = 64;
    for (;;) {
        PITEMID_CHILD got[64] = {};
        ULONG fetched = 0;
        hr = items->Next(batch, got, &fetched);
        if (hr == E_INVALIDARG && batch > 1 && fetched == 0) {
            batch = 1; // an enumerator that hands out one at a time only
            continue;
        }
        if (Pidls.size() + fetched > Pidls.capacity())
            Pidls.reserve(Pidls.size() + fetched + 500);
        for (ULONG i = 0; i < fetched && i < batch; ++i)
            Pidls.push_back(got[i]);
        if (hr == S_FALSE || hr == NoMoreItems || (hr == S_OK && fetched == 0))
            return S_OK;
        if (FAILED(hr))
            return hr;
    }
}

void RaiseShellError(HRESULT Result) {
    WideString text = PTSysErrorMessage(static_cast<DWORD>(Result));
    if (text.empty())
        text = L"Shell error 0x" + IntToHex(static_cast<uint32_t>(Result), 8);
    throw EOSError(text, static_cast<DWORD>(Result));
}

void RevalidateDrives() {
    if (g_DriveUpdateCount != 0)
        return;
    TPTPidl computer;
    TComPtr<IShellFolder> desktop;
    if (FAILED(SpecialFolderPidl(nullptr, PTSpecialFolderComputer, computer)) || FAILED(GetDesktopFolder(desktop)))
        return;
    PCUITEMID_CHILD item = computer.Get();
    SFGAOF attributes = SFGAO_VALIDATE;
    desktop->GetAttributesOf(1, &item, &attributes);
}

void BeginDriveUpdate() { ++g_DriveUpdateCount; }
void EndDriveUpdate() {
    if (g_DriveUpdateCount > 0)
        --g_DriveUpdateCount;
}

bool NetApiAvailable() {
    if (g_NetApi.State == 0) {
        g_NetApi.State = 1;
        g_NetApi.Module.Reset(LoadLibraryW(L"netapi32.dll"));
        if (g_NetApi.Module) {
            g_NetApi.UseGetInfo =
                reinterpret_cast<decltype(&NetUseGetInfo)>(GetProcAddress(g_NetApi.Module.Get(), "NetUseGetInfo"));
            g_NetApi.BufferFree = reinterpret_cast<decltype(&NetApiBufferFree)>(
                GetProcAddress(g_NetApi.Module.Get(), "NetApiBufferFree"));
            if (g_NetApi.UseGetInfo && g_NetApi.BufferFree)
                g_NetApi.State = 2;
        }
    }
    return g_NetApi.State == 2;
}

bool IsNetDriveConnected(char Drive) {
    if (!NetApiAvailable())
        return true;
    wchar_t name[3] = {static_cast<wchar_t>(static_cast<unsigned char>(Drive)), L':', L'\0'};
    LPBYTE buffer = nullptr;
    const NET_API_STATUS status = g_NetApi.UseGetInfo(nullptr, name, 1, &buffer);
    bool connected = false;
    if (status == NERR_Success && buffer)
        connected = reinterpret_cast<USE_INFO_1*>(buffer)->ui1_status == USE_OK;
    if (buffer)
        g_NetApi.BufferFree(buffer);
    return connected;
}

// ---------------------------------------------------------------------------------
// Versions

namespace {
// A version put in place of the file's by tests (Wine's comctl32 calls itself 5.81 even
// where it behaves as 6.0).
bool g_HasComCtlStandIn = false;
TPTFileVersion g_ComCtlStandIn;
} // namespace

const TPTFileVersion& ComCtlVersion() {
    static const TPTFileVersion version = ReadFileVersion(L"comctl32.dll");
    return g_HasComCtlStandIn ? g_ComCtlStandIn : version;
}

void SetComCtlVersionStandIn(const TPTFileVersion* Version) {
    g_HasComCtlStandIn = Version != nullptr;
    if (Version)
        g_ComCtlStandIn = *Version;
}

bool ComCtlIsVersion(WORD Major, WORD Minor) {
    return ComCtlVersion().MS >= (static_cast<DWORD>(Major) << 16 | Minor);
}

const TPTFileVersion& ShellVersion() {
    static const TPTFileVersion version = ReadFileVersion(L"shell32.dll");
    return version;
}

bool ShellIsVersion6OrLater() { return ShellVersion().MS >= 0x00060000; }

// ---------------------------------------------------------------------------------
// Key texts

namespace UPTShellUtils {

namespace {
constexpr WORD scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

WideString KeyName(WORD Key) {
    static const wchar_t* const navigation[] = {L"Space", L"PgUp", L"PgDn", L"End",  L"Home",
                                                L"Left",  L"Up",   L"Right", L"Down"};
    switch (Key) {
    case 0: return L"";
    case 8: return L"BkSp";
    case 9: return L"Tab";
    case 13: return L"Enter";
    case 27: return L"Esc";
    case 45: return L"Ins";
    case 46: return L"Del";
    }
    if (Key >= 32 && Key <= 40)
        return navigation[Key - 32];
    if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z'))
        return WideString(1, static_cast<wchar_t>(Key));
    if (Key >= 96 && Key <= 105)
        return WideString(1, static_cast<wchar_t>(L'0' + (Key - 96)));
    if (Key >= 112 && Key <= 135)
        return L"F" + IntToStr(Key - 111);
    return L"#" + IntToStr(Key);
}

// Takes Prefix off the front of S (case ignored).
bool TakePrefix(std::wstring_view& S, std::wstring_view Prefix) {
    if (S.size() < Prefix.size() || !SameText(S.substr(0, Prefix.size()), Prefix))
        return false;
    S.remove_prefix(Prefix.size());
    return true;
}
} // namespace

WideString ShortCutToText(WORD ShortCut) {
    const WideString name = KeyName(ShortCut & static_cast<WORD>(~(scShift | scCtrl | scAlt)));
    if (name.empty())
        return L"";
    WideString text;
    if (ShortCut & scShift)
        text += L"Shift+";
    if (ShortCut & scCtrl)
        text += L"Ctrl+";
    if (ShortCut & scAlt)
        text += L"Alt+";
    return text + name;
}

WORD TextToShortCut(const WideString& Text) {
    std::wstring_view rest = Text;
    WORD shift = 0;
    for (;;) {
        if (TakePrefix(rest, L"Shift+"))
            shift |= scShift;
        else if (TakePrefix(rest, L"^") || TakePrefix(rest, L"Ctrl+"))
            shift |= scCtrl;
        else if (TakePrefix(rest, L"Alt+"))
            shift |= scAlt;
        else
            break;
    }
    if (rest.empty())
        return 0;
    for (WORD key = 8; key <= 597; ++key)
        if (SameText(KeyName(key), rest))
            return static_cast<WORD>(key | shift);
    return 0;
}

} // namespace UPTShellUtils

void ShutdownShellUtils() {
    g_NetApi.UseGetInfo = nullptr;
    g_NetApi.BufferFree = nullptr;
    g_NetApi.Module.Reset();
    g_NetApi.State = 0;
    DesktopStandIn().Reset();
    ShellMallocRef().Reset();
    g_DriveUpdateCount = 0;
}
