// A list of PIDLs with an object each, optionally sorted for binary search, and the sort
// of a plain PIDL list by a folder's order.
#pragma once

#include "TntClasses.h"
#include "UPTShellUtils.h"

#include <vector>

class TPTPidlList : public TObject {
public:
    VORLANE_CLASS_NAME(TPTPidlList)
    TPTPidlList() = default;
    // Frees the PIDLs when Malloc is set.
    ~TPTPidlList() override;

    // Unsorted: appends. Sorted: inserts in order; an equal PIDL already listed gives its
    // index with dupIgnore (the new PIDL is not listed, and freed when Malloc is set),
    // raises Exception "TPTPidlList: Duplicate PIDL" with dupError (the PIDL stays the
    // caller's), or is inserted beside it with dupAccept.
    virtual int Add(PItemIDList Pidl) { return AddObject(Pidl, nullptr); }
    virtual int AddObject(PItemIDList Pidl, TObject* Object);
    // Binary search of a sorted list: true when an equal PIDL is found; Index is where it
    // is (or where it would go).
    bool Find(PCItemIDList Pidl, int& Index) const;
    // -1 when absent.
    int IndexOf(PCItemIDList Pidl) const;
    void Sort();
    void Delete(int Index);
    void Clear();

    int Count() const { return static_cast<int>(FItems.size()); }
    int Capacity() const { return static_cast<int>(FItems.capacity()); }
    void SetCapacity(int Value);
    PItemIDList Pidls(int Index) const { return Item(Index).Pidl; }
    TObject* Objects(int Index) const { return Item(Index).Object; }

    bool Sorted() const { return FSorted; }
    // Setting true sorts at once.
    void SetSorted(bool Value);
    // Compares with Folder->CompareIDs when set (a failed compare falls back to the
    // bytes), else byte by byte and then by size.
    TComPtr<IShellFolder> Folder;
    // Frees deleted PIDLs when set; without it they are only dropped.
    TComPtr<IMalloc> Malloc;
    TDuplicates Duplicates = dupError;

    int Compare(PCItemIDList A, PCItemIDList B) const;

private:
    struct TItem {
        PItemIDList Pidl;
        TObject* Object;
    };
    const TItem& Item(int Index) const;
    void FreeItem(PItemIDList Pidl);
    std::vector<TItem> FItems;
    bool FSorted = false;
};

// Byte order of two PIDLs: the common bytes, then the size.
int ComparePidlBytes(PCItemIDList A, PCItemIDList B);
// Sorts List by Folder->CompareIDs(0, ...); a failed compare counts as equal. A call while
// another runs raises Exception "Recursive call to SortPidls".
void SortPidls(IShellFolder* Folder, std::vector<PItemIDList>& List);
