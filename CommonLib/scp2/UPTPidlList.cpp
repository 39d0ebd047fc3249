#include "UPTPidlList.h"

#include "Format.h"

#include <algorithm>
#include <cstring>

TPTPidlList::~TPTPidlList() { Clear(); }

const TPTPidlList::TItem& TPTPidlList::Item(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(Format(L"List index out of bounds (%d)", {Index}));
    return FItems[static_cast<size_t>(Index)];
}

void TPTPidlList::FreeItem(PItemIDList Pidl) {
    if (Malloc && Pidl)
        Malloc->Free(Pidl);
}

int ComparePidlBytes(PCItemIDList A, PCItemIDList B) {
    const int sizeA = PidlSize(A), sizeB = PidlSize(B);
    const int common = std::min(sizeA, sizeB);
    if (common > 0)
        if (int c = std::memcmp(A, B, static_cast<size_t>(common)); c != 0)
            return c < 0 ? -1 : 1;
    return sizeA - sizeB;
}

int TPTPidlList::Compare(PCItemIDList A, PCItemIDList B) const {
    if (Folder) {
        const HRESULT hr = Folder->CompareIDs(0, A, B);
        if (SUCCEEDED(hr))
            return static_cast<short>(HRESULT_CODE(hr));
    }
    return ComparePidlBytes(A, B);
}

bool TPTPidlList::Find(PCItemIDList Pidl, int& Index) const {
    bool found = false;
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = Compare(FItems[static_cast<size_t>(mid)].Pidl, Pidl);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != dupAccept)
                    lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}

int TPTPidlList::IndexOf(PCItemIDList Pidl) const {
    if (FSorted) {
        int index;
        return Find(Pidl, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(FItems[static_cast<size_t>(i)].Pidl, Pidl) == 0)
            return i;
    return -1;
}

int TPTPidlList::AddObject(PItemIDList Pidl, TObject* Object) {
    int index = Count();
    if (FSorted && Find(Pidl, index)) {
        if (Duplicates == dupIgnore) {
            FreeItem(Pidl);
            return index;
        }
        if (Duplicates == dupError)
            throw Exception(L"TPTPidlList: Duplicate PIDL");
    }
    FItems.insert(FItems.begin() + index, TItem{Pidl, Object});
    return index;
}

void TPTPidlList::Sort() {
    // A stable merge sort: folder compares need not be consistent.
    std::stable_sort(FItems.begin(), FItems.end(),
                     [this](const TItem& a, const TItem& b) { return Compare(a.Pidl, b.Pidl) < 0; });
}

void TPTPidlList::SetSorted(bool Value) {
    if (Value && !FSorted)
        Sort();
    FSorted = Value;
}

void TPTPidlList::Delete(int Index) {
    FreeItem(Item(Index).Pidl);
    FItems.erase(FItems.begin() + Index);
}

void TPTPidlList::Clear() {
    for (const TItem& item : FItems)
        FreeItem(item.Pidl);
    FItems.clear();
}

void TPTPidlList::SetCapacity(int Value) {
    if (Value > Capacity())
        FItems.reserve(static_cast<size_t>(Value));
}

void SortPidls(IShellFolder* Folder, std::vector<PItemIDList>& List) {
    static bool running = false;
    if (running)
        throw Exception(L"Recursive call to SortPidls");
    if (!Folder)
        return;
    running = true;
    try {
        std::stable_sort(List.begin(), List.end(), [Folder](PItemIDList a, PItemIDList b) {
            const HRESULT hr = Folder->CompareIDs(0, a, b);
            return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) < 0;
        });
    } catch (...) {
        running = false;
        throw;
    }
    running = false;
}
