#include "UPTShellList.h"

#include "Forms.h"
#include "TntSysUtils.h"
#include "UPTDeviceChange.h"
#include "UPTShConsts.h"
#include "UPTShellStartup.h"
#include "UPTShortcut.h"
#include "UPTUnicode.h"

#include <algorithm>

#include <dbt.h>

namespace {

// FILESYSTEM | FOLDER | FILESYSANCESTOR | COMPRESSED | REMOVABLE | HIDDEN | SHARE | LINK |
// ENCRYPTED
constexpr ULONG IncludeAttributes = 0x760B2000;
constexpr DWORD WatchFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;
constexpr int DefaultAllocBy = 256;
constexpr int MaxDetailColumns = 64;
constexpr int MaxShownColumns = 16;

// The column widths of the last report view taken down, for the next one of the same layout.
struct TSavedColumns {
    std::vector<std::wstring> Captions;
    std::vector<int> Widths;
};
TSavedColumns& SavedColumns() {
    static TSavedColumns saved;
    return saved;
}

// The average character width of a font (for the folder's column widths in characters).
int AverageCharWidth(TFont* Font) {
    HDC dc = GetDC(nullptr);
    TSelectedObject font(dc, Font->Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    ReleaseDC(nullptr, dc);
    return tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 6;
}

// Ends an update of the items when the scope ends.
class TItemsUpdate {
public:
    explicit TItemsUpdate(TListItems* Items) : FItems(Items) { FItems->BeginUpdate(); }
    ~TItemsUpdate() { FItems->EndUpdate(); }
    TItemsUpdate(const TItemsUpdate&) = delete;
    TItemsUpdate& operator=(const TItemsUpdate&) = delete;

private:
    TListItems* FItems;
};

} // namespace

// ---------------------------------------------------------------------------------

TPTShListItem::~TPTShListItem() { delete FShListData; }

void TPTShListItem::SetShListData(TPTShListData* Data) {
    if (Data == FShListData)
        return;
    delete FShListData;
    FShListData = Data;
    SetData(Data);
}

// ---------------------------------------------------------------------------------
// Life

TPTCustomShellList::TPTCustomShellList(TComponent* AOwner)
    : TPTCustomListView(AOwner), FRefreshTimer(nullptr), FSmallImages(nullptr, 16, 16), FLargeImages(nullptr, 32, 32),
      FMenu(std::make_unique<TPTShellMenu>(static_cast<TPTShellMenuHost*>(this))) {
    SetBounds(0, 0, 250, 153);
    FThumbnails.OnChange = [this](TObject*) {
        if (FShellViewStyle != svsThumbnails)
            return;
        RebuildThumbnails();
        if (FOptions & ptsloAutoFill)
            Fill();
    };
    FFolder.OnChange = [this](TObject*) { FolderChanged(); };
    FRefreshTimer.SetEnabled(false);
    FRefreshTimer.OnTimer = [this](TObject*) { RefreshTimerTick(); };
    FSmallImages.ShareImages = true;
    FSmallImages.SetHandle(GetSystemImageList(0));
    FLargeImages.ShareImages = true;
    FLargeImages.SetHandle(GetSystemImageList(1));
    SetSmallImages(&FSmallImages);
    SetLargeImages(&FLargeImages);
    TCustomListView::SetViewStyle(vsReport);
    SetAutoArrange(true);
    SetAllocBy(DefaultAllocBy);
    SetSortColumn(1);
    DeviceChangeHandler()->AddHandler(this, [this](TPTDeviceChangeHandler*, TMessage& M) { DeviceChanged(M.WParam); });
}

TPTCustomShellList::~TPTCustomShellList() {
    Destroying();
    DeviceChangeHandler()->RemoveHandler(this);
    FRefreshTimer.SetEnabled(false);
    if (HandleAllocated())
        DestroyWindowHandle();
    FChangeThread.reset();
    FDropRegistration.Detach();
    Items()->Clear();
    SetLinkedTree(nullptr);
    SetLinkedCombo(nullptr);
    SetSmallImages(nullptr);
    SetLargeImages(nullptr);
}

TListItems* TPTCustomShellList::CreateListItems() { return new TPTShListItems(this); }
TListItem* TPTCustomShellList::CreateListItem() { return new TPTShListItem(Items()); }

void TPTCustomShellList::DoDeletion(TListItem* Item) {
    if (OnDeleteItem)
        OnDeleteItem(this, Item, GetItemData(Item));
    TPTCustomListView::DoDeletion(Item);
}

void TPTCustomShellList::CreateWnd() {
    TPTCustomListView::CreateWnd();
    UpdateDropTarget();
    if (FWatchWanted && (FOptions & ptsloDynamicRefresh))
        StartWatching(); // a new window (a right-to-left switch, say): the thread reports here now
    if (FFillPending || ((FOptions & ptsloAutoFill) && Items()->Count() == 0))
        PostMessageW(FHandle, WM_PTFILL, 0, 0);
}

void TPTCustomShellList::DestroyWnd() {
    SaveColumnWidths();
    FDropRegistration.Revoke(FHandle);
    // The watch thread reports to this window: it goes with it.
    FRefreshTimer.SetEnabled(false);
    FChangeThread.reset();
    TPTCustomListView::DestroyWnd();
}

void TPTCustomShellList::Notification(TComponent* AComponent, TOperation Operation) {
    TPTCustomListView::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FLinkedTree)
        FLinkedTree = nullptr;
    if (AComponent == FLinkedCombo)
        FLinkedCombo = nullptr;
}

// ---------------------------------------------------------------------------------
// Properties

void TPTCustomShellList::SetOptions(TPTShellListOptions Value) {
    const TPTShellListOptions changed = FOptions ^ Value;
    if (!changed)
        return;
    FOptions = Value;
    if (changed & ptsloOleDrop)
        UpdateDropTarget();
    if (changed & ptsloDynamicRefresh) {
        if (Value & ptsloDynamicRefresh)
            StartWatching();
        else
            StopWatching();
    }
    if ((changed & ptsloIconOverlays) && HandleAllocated())
        SendMessageW(FHandle, LVM_SETCALLBACKMASK, StateCallbackMask(), 0);
    if (changed & (ptsloHideFoldersWhenLinkedToTree | ptsloShowHidden | ptsloIconOverlays))
        Refresh();
}

void TPTCustomShellList::SetFileFilter(const WideString& Value) {
    if (Value == FFileFilter)
        return;
    FFileFilter = Value;
    if (FOptions & ptsloAutoFill)
        Fill();
}

void TPTCustomShellList::SetViewStyle(TPTShellViewStyle Value) {
    if (Value == FShellViewStyle)
        return;
    const TPTShellViewStyle old = FShellViewStyle;
    FShellViewStyle = Value;
    ApplyViewStyle();
    if (Value == svsThumbnails || old == svsThumbnails)
        Fill();
}

void TPTCustomShellList::ApplyViewStyle() {
    if (FShellViewStyle == svsThumbnails) {
        RebuildThumbnails();
        TCustomListView::SetViewStyle(vsIcon);
        return;
    }
    SetLargeImages(&FLargeImages);
    FThumbnailImages.reset();
    TCustomListView::SetViewStyle(static_cast<TViewStyle>(FShellViewStyle));
}

void TPTCustomShellList::RebuildThumbnails() {
    auto images = std::make_unique<TPTImageListNoChangeEvent>(nullptr, FThumbnails.Width(), FThumbnails.Height());
    SetLargeImages(images.get());
    FThumbnailImages = std::move(images);
    for (int i = 0; i < Items()->Count(); ++i)
        Items()->Item(i)->ThumbnailIndex = -1;
}

void TPTCustomShellList::SetSortColumn(int Column) {
    SetHeaderSortColumn(Column == 0 ? -1 : std::abs(Column) - 1);
    SetHeaderSortDirection(Column >= 0 ? 1 : 0);
    if (Column == FSortColumn)
        return;
    FSortColumn = Column;
    Sort();
}

void TPTCustomShellList::Sort() {
    if (FSortColumn == 0 || !FFolderShf || Items()->Count() < 2)
        return;
    IShellFolder* folder = FFolderShf.Get();
    const int column = FSortColumn;
    CustomSort(
        [folder, column](TListItem* A, TListItem* B, LPARAM) {
            auto* a = static_cast<TPTShListItem*>(A)->ShListData();
            auto* b = static_cast<TPTShListItem*>(B)->ShListData();
            if (!a || !b)
                return (a ? 1 : 0) - (b ? 1 : 0);
            return PTShellSortCompare(folder, column, a->RelPidl(), b->RelPidl());
        },
        0);
}

// ---------------------------------------------------------------------------------
// Links

TPTShellLinkedControl* TPTCustomShellList::Linked() const {
    if (FLinkedTree)
        return dynamic_cast<TPTShellLinkedControl*>(FLinkedTree);
    if (FLinkedCombo)
        return dynamic_cast<TPTShellLinkedControl*>(FLinkedCombo);
    return nullptr;
}

void TPTCustomShellList::SetLinkedTree(TComponent* Tree) {
    if (Tree == FLinkedTree || (Tree && FLinkedCombo) || (Tree && !dynamic_cast<TPTShellLinkedControl*>(Tree)))
        return;
    Relink(FLinkedTree, Tree);
}

void TPTCustomShellList::SetLinkedCombo(TComponent* Combo) {
    if (Combo == FLinkedCombo || (Combo && FLinkedTree) || (Combo && !dynamic_cast<TPTShellLinkedControl*>(Combo)))
        return;
    Relink(FLinkedCombo, Combo);
}

void TPTCustomShellList::Relink(TComponent*& Slot, TComponent* Control) {
    TComponent* old = Slot;
    if (old)
        old->RemoveFreeNotification(this);
    Slot = Control;
    if (Control)
        Control->FreeNotification(this);
    // Each side is told, so that either may make or break the link.
    if (auto* linked = dynamic_cast<TPTShellLinkedControl*>(old))
        linked->LinkedListChanged(nullptr);
    if (auto* linked = dynamic_cast<TPTShellLinkedControl*>(Control))
        linked->LinkedListChanged(this);
}

void TPTCustomShellList::MoveToFolder(PCItemIDList Pidl) {
    if (TPTShellLinkedControl* linked = Linked())
        linked->LinkedFolder()->SetPidl(Pidl);
    else
        FFolder.SetPidl(Pidl);
}

void TPTCustomShellList::FolderChanged() {
    if (FUpdateGuard > 0)
        return;
    ++FUpdateGuard;
    struct TGuard {
        int& Count;
        ~TGuard() { --Count; }
    } guard{FUpdateGuard};
    if (TPTShellLinkedControl* linked = Linked())
        linked->LinkedFolder()->SetPidl(FFolder.GetPidl());
    Fill();
    DoFolderChanged();
}

void TPTCustomShellList::GoUp(int Levels) {
    if (FOptions & ptsloDontChangeFolder)
        return;
    if (TPTShellLinkedControl* linked = Linked()) {
        linked->LinkedGoUp(Levels);
        return;
    }
    TPTIdListArray levels(FFolder.GetPidl());
    if (levels.Count() >= 1)
        FFolder.SetPidl(levels.Parent(std::min(Levels, levels.Count())));
}

// ---------------------------------------------------------------------------------
// Filling

SHCONTF TPTCustomShellList::EnumFlags() const {
    SHCONTF flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    if (FOptions & ptsloShowHidden)
        flags |= SHCONTF_INCLUDEHIDDEN;
    return flags;
}

bool TPTCustomShellList::EnumerateChildren(IShellFolder* Folder, std::vector<PItemIDList>& Pidls) {
    bool started = false;
    std::vector<PItemIDList> got;
    const HRESULT hr = PTEnumerateChildren(Folder, HandleAllocated() ? FHandle : nullptr, EnumFlags(), got, started);
    if (SUCCEEDED(hr)) {
        Pidls.insert(Pidls.end(), got.begin(), got.end());
        return true;
    }
    for (PItemIDList p : got)
        FreePidl(p);
    // Nothing to show, and nothing said, when it cannot start or fails plainly.
    if (!started || hr == E_FAIL)
        return false;
    RaiseShellError(hr);
}

bool TPTCustomShellList::IncludeItem(IShellFolder* Folder, PCItemIDList AbsParent, PCItemIDList RelPidl,
                                     ULONG& Attributes) {
    Attributes = IncludeAttributes | (ShellIsVersion6OrLater() ? SFGAO_STREAM : 0);
    PCUITEMID_CHILD item = RelPidl;
    if (FAILED(Folder->GetAttributesOf(1, &item, &Attributes)))
        Attributes = 0;
    if (!(FOptions & ptsloNonFilesystemAncestors) && !(Attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return false;
    if ((FOptions & ptsloHideFoldersWhenLinkedToTree) && FLinkedTree &&
        (Attributes & (SFGAO_FOLDER | SFGAO_FILESYSTEM)) == (SFGAO_FOLDER | SFGAO_FILESYSTEM))
        return false;
    return FilterItem(Folder, AbsParent, RelPidl, Attributes);
}

bool TPTCustomShellList::FilterItem(IShellFolder* Folder, PCItemIDList AbsParent, PCItemIDList RelPidl,
                                    ULONG Attributes) {
    // The parsing name is asked only when there is a filter to match it against.
    if (!FFileFilter.empty() && !IsFolderItem(Attributes, ShellListFilesCanBeFolders()) &&
        !MatchesFileFilter(WideExtractFileName(GetDisplayName(Folder, RelPidl, dnmForParsing)), Attributes))
        return false;
    bool allow = true;
    if (OnAddItem)
        OnAddItem(this, Folder, AbsParent, RelPidl, Attributes, allow);
    return allow;
}

bool TPTCustomShellList::MatchesFileFilter(const WideString& Name, ULONG Attributes) {
    return PTShellFilterAccepts(FFileFilter, Name, IsFolderItem(Attributes, ShellListFilesCanBeFolders()));
}

void TPTCustomShellList::InsertItem(PItemIDList RelPidl, ULONG Attributes) {
    auto data = std::make_unique<TPTShListData>(this, RelPidl);
    auto* item = static_cast<TPTShListItem*>(Items()->Add());
    item->SetShListData(data.release());
    if (Attributes & SFGAO_HIDDEN)
        item->SetCut(true);
}

void TPTCustomShellList::DoFillStart() {
    if (OnFillStart)
        OnFillStart(this);
}

void TPTCustomShellList::DoFillComplete() {
    UpdateColumnCaptions();
    if (OnFillComplete)
        OnFillComplete(this);
}

void TPTCustomShellList::DoFolderChanged() {
    if (OnFolderChanged)
        OnFolderChanged(this);
}

void TPTCustomShellList::Populate(IShellFolder* Folder, PCItemIDList Pidl) {
    {
        TItemsUpdate update(Items());
        TPTNoCriticalErrors quiet;
        DoFillStart();
        FFolderPidl.Reset(CopyPidl(Pidl));
        FFolderShf = TComPtr<IShellFolder>(Folder);
        FDetails.Reset();
        GetShellDetails(Folder, FDetails);
        SetColumns();
        std::vector<PItemIDList> pidls;
        if (EnumerateChildren(Folder, pidls)) {
            SetAllocBy(static_cast<int>(pidls.size()));
            size_t i = 0;
            try {
                for (; i < pidls.size(); ++i) {
                    ULONG attributes = 0;
                    if (IncludeItem(Folder, FFolderPidl.Get(), pidls[i], attributes))
                        InsertItem(pidls[i], attributes);
                    else
                        FreePidl(pidls[i]);
                }
            } catch (...) {
                for (++i; i < pidls.size(); ++i)
                    FreePidl(pidls[i]);
                throw;
            }
        }
    }
    DoFillComplete();
}

void TPTCustomShellList::Fill() {
    if (!HandleAllocated() || FDragActive || FRecreating) {
        FFillPending = true;
        return;
    }
    FFillPending = false;
    TPTHourGlass hourglass;
    {
        TItemsUpdate update(Items());
        Items()->Clear();
    }
    TComPtr<IShellFolder> folder;
    const HRESULT hr = GetShellFolder(FFolder.GetPidl(), folder);
    if (FAILED(hr) || !folder) {
        // A folder that cannot be bound shows nothing; the reason goes to the boundary.
        FFolderShf.Reset();
        FFolderPidl.Reset(CopyPidl(FFolder.GetPidl()));
        StopWatching();
        RaiseShellError(FAILED(hr) ? hr : E_FAIL);
    }
    BeforeFill();
    Populate(folder.Get(), FFolder.GetPidl());
    AfterFill();
    Sort();
    if (Items()->Count() > 0)
        Items()->Item(0)->SetFocused(true);
    if (FShellViewStyle == svsIcon || FShellViewStyle == svsSmallIcon || FShellViewStyle == svsThumbnails) {
        SendMessageW(FHandle, WM_VSCROLL, SB_TOP, 0);
        SendMessageW(FHandle, WM_HSCROLL, SB_TOP, 0);
    }
    if (FOptions & ptsloDynamicRefresh)
        StartWatching();
}

void TPTCustomShellList::Refresh() {
    if (FDragActive || FRecreating) {
        FFillPending = true;
        return;
    }
    if (!HandleAllocated())
        return;
    if (Items()->Count() == 0 || !FFolderShf) {
        Fill();
        return;
    }
    TPTHourGlass hourglass;
    DoFillStart();
    BeforeFill();
    TPTPidlList old;
    old.Duplicates = dupAccept;
    // Folders without a file-system path know their own order; files compare by bytes.
    if (PidlToPath(FFolderPidl.Get()).empty())
        old.Folder = FFolderShf;
    old.SetCapacity(Items()->Count());
    for (int i = 0; i < Items()->Count(); ++i)
        if (TPTShListData* data = Items()->Item(i)->ShListData())
            old.AddObject(data->RelPidl(), Items()->Item(i));
    old.SetSorted(true);
    TPTPidlList fresh;
    fresh.Malloc = TComPtr<IMalloc>(GetShellMalloc());
    {
        TPTNoCriticalErrors quiet;
        std::vector<PItemIDList> pidls;
        if (EnumerateChildren(FFolderShf.Get(), pidls)) {
            fresh.SetCapacity(static_cast<int>(pidls.size()));
            for (PItemIDList p : pidls)
                fresh.Add(p);
        }
    }
    PTStrikeCommonPidls(old, fresh);
    {
        TItemsUpdate update(Items());
        for (int i = 0; i < old.Count(); ++i)
            static_cast<TListItem*>(old.Objects(i))->Delete();
        SetAllocBy(Items()->Count() + fresh.Count());
        for (int i = 0; i < fresh.Count(); ++i) {
            ULONG attributes = 0;
            if (IncludeItem(FFolderShf.Get(), FFolderPidl.Get(), fresh.Pidls(i), attributes))
                InsertItem(CopyPidl(fresh.Pidls(i)), attributes);
        }
        if (fresh.Count() > 0)
            Sort();
        AfterFill();
    }
    DoFillComplete();
    SetAllocBy(DefaultAllocBy);
}

void TPTCustomShellList::SelectNamed(const WideString& Name) {
    for (int i = 0; i < Items()->Count(); ++i) {
        TPTShListItem* item = Items()->Item(i);
        if (item->ShListData() && item->ShListData()->GetDisplayName() == Name) {
            SetSelected(nullptr);
            item->SetSelected(true);
            item->SetFocused(true);
            item->MakeVisible(false);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------
// Columns and display

void TPTCustomShellList::SetColumns() {
    std::vector<std::wstring> captions;
    std::vector<int> widths;
    std::vector<TAlignment> alignments;
    std::vector<int> map;
    if (FDetails) {
        TComPtr<IShellFolder2> folder2;
        if (FFolderShf)
            FFolderShf.As(folder2, IID_IShellFolder2);
        const int charWidth = AverageCharWidth(Font());
        for (int i = 0; i < MaxDetailColumns && static_cast<int>(captions.size()) < MaxShownColumns; ++i) {
            SHELLDETAILS sd{};
            if (FAILED(FDetails->GetDetailsOf(nullptr, static_cast<UINT>(i), &sd)))
                break;
            const std::wstring caption = StrRetToWide(sd.str, nullptr);
            SHCOLSTATEF state = 0;
            // A folder with many columns shows those it shows by default.
            if (folder2 && SUCCEEDED(folder2->GetDefaultColumnState(static_cast<UINT>(i), &state)) &&
                !(state & SHCOLSTATE_ONBYDEFAULT))
                continue;
            captions.push_back(caption);
            widths.push_back(std::max(sd.cxChar, 4) * charWidth + 12);
            alignments.push_back(sd.fmt == LVCFMT_RIGHT ? taRightJustify : sd.fmt == LVCFMT_CENTER ? taCenter
                                                                                                : taLeftJustify);
            map.push_back(i);
        }
    }
    if (captions.empty()) {
        FDetails.Reset(); // the fallback columns: Name, Size, Type, Modified
        const TPTFallbackWidths& w = PTFallbackColumnWidths();
        for (int i = 0; i < PTFallbackColumnCount; ++i) {
            captions.push_back(UPTShConsts::ColumnCaption(i));
            widths.push_back(w.Widths[i]);
            alignments.push_back(taLeftJustify);
            map.push_back(i);
        }
    }
    FColumnMap = map;
    // The same layout keeps its columns (and what the user dragged them to).
    TListColumns* columns = Columns();
    if (columns->Count() == static_cast<int>(captions.size())) {
        bool same = true;
        for (int i = 0; same && i < columns->Count(); ++i)
            same = PTDecodeIfCarrier(columns->Items(i)->Caption()) == captions[static_cast<size_t>(i)];
        if (same)
            return;
    }
    const TSavedColumns& saved = SavedColumns();
    if (saved.Captions == captions && saved.Widths.size() == captions.size())
        widths = saved.Widths;
    columns->Clear();
    for (size_t i = 0; i < captions.size(); ++i) {
        TListColumn* c = columns->Add();
        c->SetCaption(captions[i]);
        c->SetWidth(widths[i]);
        c->SetAlignment(alignments[i]);
    }
}

void TPTCustomShellList::SaveColumnWidths() {
    if (!FColumns || FColumns->Count() == 0)
        return;
    TSavedColumns& saved = SavedColumns();
    saved.Captions.clear();
    saved.Widths.clear();
    for (int i = 0; i < FColumns->Count(); ++i) {
        saved.Captions.push_back(PTDecodeIfCarrier(FColumns->Items(i)->Caption()));
        saved.Widths.push_back(FColumns->Items(i)->Width());
    }
}

void TPTCustomShellList::UpdateColumnCaptions() {
    UpdateHeader();
    if (!HandleAllocated())
        return;
    for (int i = 0; i < Columns()->Count(); ++i) {
        const std::wstring& caption = Columns()->Items(i)->Caption();
        if (!IsUTF7Carrier(caption))
            continue;
        std::wstring text = UTF7CarrierDecode(caption);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = text.data();
        SendMessageW(FHandle, LVM_SETCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
}

TPTShListData* TPTCustomShellList::GetItemData(TListItem* Item) {
    auto* item = dynamic_cast<TPTShListItem*>(Item);
    return item ? item->ShListData() : nullptr;
}

TPTShListData* TPTCustomShellList::GetItemDataAt(int Index) {
    return Index >= 0 && Index < Items()->Count() ? Items()->Item(Index)->ShListData() : nullptr;
}

TPTShListData* TPTCustomShellList::GetSelectedData() { return GetItemData(Selected()); }

UINT TPTCustomShellList::StateCallbackMask() { return (FOptions & ptsloIconOverlays) ? LVIS_OVERLAYMASK : 0; }

void TPTCustomShellList::DoGetDispInfo(NMLVDISPINFOW& Info) {
    LVITEMW& it = Info.item;
    auto* item = static_cast<TPTShListItem*>(NotifiedItem(it.iItem));
    TPTShListData* data = item ? item->ShListData() : nullptr;
    if (!data)
        return;
    if ((it.mask & LVIF_TEXT) && it.pszText && it.cchTextMax > 0) {
        std::wstring text;
        if (it.iSubItem == 0)
            text = data->GetDisplayName();
        else if (it.iSubItem > 0 && it.iSubItem < static_cast<int>(FColumnMap.size()))
            text = PTShellDetailText(*data, FDetails.Get(), FColumnMap[static_cast<size_t>(it.iSubItem)]);
        CopyToTextBuffer(text, it.pszText, it.cchTextMax);
    }
    if ((it.mask & LVIF_IMAGE) && it.iSubItem == 0) {
        if (FShellViewStyle == svsThumbnails && FThumbnailImages) {
            if (item->ThumbnailIndex < 0)
                item->ThumbnailIndex = FThumbnails.AddThumbnail(FThumbnailImages.get(), FFolderShf.Get(),
                                                                data->RelPidl(), data->GetAbsPidl(), FColor);
            it.iImage = item->ThumbnailIndex;
        } else {
            if (item->IconIndex < 0)
                item->IconIndex = GetIconIndex(data->GetAbsPidl(), 0);
            it.iImage = item->IconIndex;
        }
        // The list keeps the image. It would keep a text asked for with it as well, and a
        // rename would not show: the text stays a call-back.
        if (!(it.mask & LVIF_TEXT))
            it.mask |= LVIF_DI_SETITEM;
    }
    if ((it.mask & LVIF_STATE) && (FOptions & ptsloIconOverlays)) {
        it.state &= ~LVIS_OVERLAYMASK;
        it.state |= INDEXTOOVERLAYMASK(GetOverlayIndex(FFolderShf.Get(), data->RelPidl()) & 0x0F);
        it.stateMask |= LVIS_OVERLAYMASK;
    }
}

bool TPTCustomShellList::WantsItemTextColors() { return PTShellSettings().ShowCompColor; }

void TPTCustomShellList::ItemTextColor(TListItem* Item, UINT State, COLORREF& Color) {
    TPTShListData* data = GetItemData(Item);
    if (!data || (State & CDIS_SELECTED))
        return;
    const ULONG attributes = data->GetAttributes();
    if (attributes & SFGAO_ENCRYPTED)
        Color = PTShellSettings().AltEncryptionColor;
    else if (attributes & SFGAO_COMPRESSED)
        Color = PTShellSettings().AltColor;
}

// ---------------------------------------------------------------------------------
// Watching and device changes

void TPTCustomShellList::StartWatching() {
    FRefreshTimer.SetEnabled(false);
    FWatchWanted = true;
    if (!HandleAllocated())
        return;
    if (!FChangeThread)
        FChangeThread = TChangeHandlerThread::Create(FHandle, WM_PTCHANGENOTIFY);
    else
        FChangeThread->RemoveAllWatches();
    const WideString path = FFolder.GetPath();
    int slot = -1;
    if (!path.empty())
        FChangeThread->AddWatch(path, WatchFilter, slot, false);
}

void TPTCustomShellList::StopWatching() {
    FRefreshTimer.SetEnabled(false);
    FWatchWanted = false;
    if (FChangeThread)
        FChangeThread->RemoveAllWatches();
}

void TPTCustomShellList::ChangeNotice() {
    if (FRenamePending || FDragActive) {
        FRenamePending = false;
        return;
    }
    FRefreshTimer.SetEnabled(false);
    FRefreshTimer.SetInterval(Focused() ? FocusedRefreshDelay : UnfocusedRefreshDelay);
    FRefreshTimer.SetEnabled(true);
}

void TPTCustomShellList::RefreshTimerTick() {
    FRefreshTimer.SetEnabled(false);
    if (TPTShellLinkedControl* linked = Linked())
        linked->LinkedDoPendingRefresh();
    Refresh();
}

void TPTCustomShellList::DeviceChanged(WPARAM Event) {
    if (Event != DBT_DEVICEARRIVAL && Event != DBT_DEVICEREMOVECOMPLETE)
        return;
    RevalidateDrives();
    TPTPidl computer;
    if (SUCCEEDED(SpecialFolderPidl(nullptr, PTSpecialFolderComputer, computer)) &&
        ComparePidls(computer.Get(), FFolder.GetPidl()) == 0)
        Fill();
}

// ---------------------------------------------------------------------------------
// Opening

void TPTCustomShellList::OpenSelected() {
    if (FRefreshTimer.Enabled()) {
        FRefreshTimer.SetEnabled(false);
        Refresh();
    }
    const int count = SelCount();
    if (count == 0)
        return;
    bool handled = false;
    if (count > 1) {
        if (OnDblClickOpen)
            OnDblClickOpen(this, handled);
        if (!handled)
            RunDefaultCommand(SelectedItems());
        return;
    }
    auto* item = static_cast<TPTShListItem*>(Selected());
    TPTShListData* data = item ? item->ShListData() : nullptr;
    if (!data) {
        if (OnDblClickOpen)
            OnDblClickOpen(this, handled);
        return;
    }
    TPTHourGlass hourglass;
    if (data->IsFolder()) {
        if (!(FOptions & ptsloDontChangeFolder)) {
            TPTPidl target(CopyPidl(data->GetAbsPidl()));
            MoveToFolder(target.Get());
        }
        return;
    }
    if (data->IsShortcut()) {
        // A shortcut to a folder is followed; one to anything else opens as any item does.
        TPTShortcut link;
        link.ResolveMode = 1;
        if (SUCCEEDED(link.Load(data->GetPath())) && link.Pidl()) {
            TComPtr<IShellFolder> parent;
            TPTPidl parentPidl, child;
            ULONG attributes = SFGAO_FOLDER;
            PCUITEMID_CHILD c = nullptr;
            if (SUCCEEDED(SplitPidl(link.Pidl(), parent, parentPidl, child)) && parent && (c = child.Get()) &&
                SUCCEEDED(parent->GetAttributesOf(1, &c, &attributes)) && (attributes & SFGAO_FOLDER)) {
                if (!(FOptions & ptsloDontChangeFolder)) {
                    TPTPidl target(CopyPidl(link.Pidl()));
                    MoveToFolder(target.Get());
                }
                return;
            }
        }
    }
    if (OnDblClickOpen)
        OnDblClickOpen(this, handled);
    if (!handled)
        RunDefaultCommand({item});
}

std::vector<TPTShListItem*> TPTCustomShellList::SelectedItems() {
    std::vector<TPTShListItem*> result;
    if (!HandleAllocated()) {
        for (int i = 0; i < Items()->Count(); ++i)
            if (Items()->Item(i)->Selected() && Items()->Item(i)->ShListData())
                result.push_back(Items()->Item(i));
        return result;
    }
    int i = -1;
    while ((i = static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                              LVNI_ALL | LVNI_SELECTED))) >= 0) {
        auto* item = static_cast<TPTShListItem*>(NotifiedItem(i));
        if (item && item->ShListData())
            result.push_back(item);
    }
    return result;
}

// ---------------------------------------------------------------------------------
// Notifications and messages

void TPTCustomShellList::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    switch (hdr->code) {
    case NM_DBLCLK:
        TPTCustomListView::CNNotify(Message);
        OpenSelected();
        return;
    case NM_CLICK: {
        TPTCustomListView::CNNotify(Message);
        auto* click = reinterpret_cast<NMITEMACTIVATE*>(hdr);
        if (FHotTrack && FHotTrackStyles == (htHandPoint | htUnderlineHot) && click->iItem >= 0)
            OpenSelected();
        return;
    }
    case LVN_COLUMNCLICK: {
        if (OnColumnClick) {
            TPTCustomListView::CNNotify(Message);
            return;
        }
        const int column = reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem;
        SetSortColumn(std::abs(FSortColumn) == column + 1 ? -FSortColumn : column + 1);
        return;
    }
    case LVN_ENDLABELEDITW: {
        auto* d = reinterpret_cast<NMLVDISPINFOW*>(hdr);
        Message.Result = 0; // the name stays the folder's
        if (d->item.pszText && d->item.iItem >= 0)
            EndRename(NotifiedItem(d->item.iItem), d->item.pszText);
        return;
    }
    }
    TPTCustomListView::CNNotify(Message);
}

void TPTCustomShellList::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PTCHANGENOTIFY:
        ChangeNotice();
        return;
    case WM_PTSELECTAFTERFILL:
        SelectNamed(SelectAfterFill);
        return;
    case WM_PTFILL:
        if (FFillPending || Items()->Count() == 0)
            Fill();
        return;
    }
    if (FMenu->HandleMenuMessage(Message))
        return;
    TPTCustomListView::WndProc(Message);
}

// ---------------------------------------------------------------------------------
// Drop target

void TPTCustomShellList::UpdateDropTarget() {
    if (HandleAllocated())
        FDropRegistration.Update(FHandle, (FOptions & ptsloOleDrop) != 0);
}

const void* TPTCustomShellList::DropItemAt(POINT ClientPoint) {
    TListItem* item = GetItemAt(ClientPoint.x, ClientPoint.y);
    // The row number (plus one) names the item: a refresh meanwhile cannot leave a dangling key.
    return item && GetItemData(item) ? reinterpret_cast<const void*>(static_cast<intptr_t>(item->Index() + 1))
                                     : nullptr;
}

TComPtr<IDropTarget> TPTCustomShellList::DropTargetFor(const void* Item) {
    TComPtr<IDropTarget> target;
    if (Item) {
        TPTShListData* data = GetItemDataAt(static_cast<int>(reinterpret_cast<intptr_t>(Item)) - 1);
        PCUITEMID_CHILD child = data ? data->RelPidl() : nullptr;
        if (child && FFolderShf)
            FFolderShf->GetUIObjectOf(HandleAllocated() ? FHandle : nullptr, 1, &child, IID_IDropTarget, nullptr,
                                      target.PutVoid());
        return target;
    }
    GetUIObjectOfPidl(FFolderPidl.Get(), IID_IDropTarget, target.PutVoid());
    return target;
}

void TPTCustomShellList::DropScroll(int DX, int DY) {
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_SCROLL, DX * 16, DY * 16);
}

void TPTCustomShellList::DropEvent(bool IsDrop, IDataObject* Data, DWORD KeyState, POINT Point, DWORD& Effect,
                                   HRESULT& Result) {
    const TPTShellListOleDragEvent& event = IsDrop ? OnOleDrop : OnOleDrag;
    if (event)
        event(this, Data, KeyState, Point, Effect, Result);
}

namespace {
// The hourglass of a drop, from DropBusy(true) to DropBusy(false).
TCursor g_DropCursor = crDefault;
} // namespace

void TPTCustomShellList::DropBusy(bool On) {
    if (!Screen)
        return;
    if (On) {
        g_DropCursor = Screen->Cursor();
        Screen->SetCursor(crHourGlass);
    } else {
        Screen->SetCursor(g_DropCursor);
    }
}

void TPTCustomShellList::DropDone() {
    if (FDragActive)
        FDropReceived = true;
    Refresh();
}
