#include "UPTWideStrings.h"

#include "Format.h"
#include "TntWideStrings.h"

#include <algorithm>

void TPTStringsW::Assign(TPersistent* Source) {
    if (auto* list = dynamic_cast<TPTStringsW*>(Source)) {
        if (list == this)
            return;
        Clear();
        for (int i = 0; i < list->GetCount(); ++i)
            AddObject(list->Get(i), list->GetObject(i));
        return;
    }
    if (auto* strings = dynamic_cast<TWideStrings*>(Source)) {
        Clear();
        for (int i = 0; i < strings->Count(); ++i)
            AddObject(strings->Strings(i), strings->Objects(i));
        return;
    }
    TPersistent::Assign(Source);
}

void TPTStringsW::AssignTo(TPersistent* Dest) {
    if (auto* strings = dynamic_cast<TWideStrings*>(Dest)) {
        strings->WithUpdate([&] {
            strings->Clear();
            for (int i = 0; i < GetCount(); ++i)
                strings->AddObject(Get(i), GetObject(i));
        });
        return;
    }
    TPersistent::AssignTo(Dest);
}

TPTStringListW::TPTStringListW() : FItems(16) {}

const TPTStringListW::TItem& TPTStringListW::Item(int Index) const {
    if (Index < 0 || Index >= FCount)
        throw EListError(Format(L"List index out of bounds (%d)", {Index}));
    return FItems[static_cast<size_t>(Index)];
}

TPTStringListW::TItem& TPTStringListW::Item(int Index) {
    return const_cast<TItem&>(static_cast<const TPTStringListW*>(this)->Item(Index));
}

WideString TPTStringListW::Get(int Index) const { return Item(Index).S; }
TObject* TPTStringListW::GetObject(int Index) const { return Item(Index).Obj; }
void TPTStringListW::Put(int Index, const WideString& S) { Item(Index).S = S; }
void TPTStringListW::PutObject(int Index, TObject* Obj) { Item(Index).Obj = Obj; }

void TPTStringListW::SetCapacity(int NewCapacity) {
    NewCapacity = std::max(NewCapacity, 0);
    FItems.resize(static_cast<size_t>(NewCapacity));
    FCount = std::min(FCount, NewCapacity);
}

void TPTStringListW::SetCount(int NewCount) {
    NewCount = std::max(NewCount, 0);
    if (NewCount > GetCapacity())
        SetCapacity(NewCount);
    // Entries that come back into view start empty.
    for (int i = FCount; i < NewCount; ++i)
        FItems[static_cast<size_t>(i)] = TItem{};
    FCount = NewCount;
}

int TPTStringListW::AddObject(const WideString& S, TObject* Obj) {
    if (FCount == GetCapacity()) {
        // A list emptied down to no capacity grows by the first step again.
        const int length = GetCapacity();
        SetCapacity(length + (length == 0 ? 16 : std::min(length, 256)));
    }
    FItems[static_cast<size_t>(FCount)] = TItem{S, Obj};
    return FCount++;
}
