// The shell pack's own small wide string list: lines with an object each, grown in
// steps (16 entries at first, then by the current length, at most 256 at a time).
#pragma once

#include "Classes.h"

#include <vector>

class TWideStrings;

class TPTStringsW : public TPersistent {
public:
    VORLANE_CLASS_NAME(TPTStringsW)
    virtual int GetCapacity() const = 0;
    virtual int GetCount() const = 0;
    virtual WideString Get(int Index) const = 0;
    virtual TObject* GetObject(int Index) const = 0;
    virtual void SetCapacity(int NewCapacity) = 0;
    virtual void SetCount(int NewCount) = 0;
    virtual void Put(int Index, const WideString& S) = 0;
    virtual void PutObject(int Index, TObject* Obj) = 0;
    virtual int AddObject(const WideString& S, TObject* Obj) = 0;
    virtual void Clear() = 0;
    int Add(const WideString& S) { return AddObject(S, nullptr); }
    int Count() const { return GetCount(); }

    // From another TPTStringsW or a wide string list of the library: clears this list and
    // adds every line with its object.
    void Assign(TPersistent* Source) override;

protected:
    // Into a wide string list of the library: cleared, then every line with its object.
    void AssignTo(TPersistent* Dest) override;
};

class TPTStringListW : public TPTStringsW {
public:
    VORLANE_CLASS_NAME(TPTStringListW)
    TPTStringListW();
    int GetCapacity() const override { return static_cast<int>(FItems.size()); }
    int GetCount() const override { return FCount; }
    // Indexes outside 0..Count-1 raise EListError.
    WideString Get(int Index) const override;
    TObject* GetObject(int Index) const override;
    void SetCapacity(int NewCapacity) override;
    void SetCount(int NewCount) override;
    void Put(int Index, const WideString& S) override;
    void PutObject(int Index, TObject* Obj) override;
    int AddObject(const WideString& S, TObject* Obj) override;
    void Clear() override { FCount = 0; }

private:
    struct TItem {
        WideString S;
        TObject* Obj = nullptr;
    };
    const TItem& Item(int Index) const;
    TItem& Item(int Index);
    std::vector<TItem> FItems;
    int FCount = 0;
};
