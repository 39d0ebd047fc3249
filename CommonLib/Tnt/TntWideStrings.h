// The abstract ordered list of wide strings with attached objects.
#pragma once

#include "Classes.h"
#include "System.h"

#include <string>
#include <utility>

// Abstract list of wide strings, each with an object reference the list does not own.
// Descendants supply storage through Get/GetCount/Insert/Delete/Clear; everything else
// is built on those. Positions are 0-based.
class TWideStrings : public TPersistent {
public:
    VORLANE_CLASS_NAME(TWideStrings)
    TWideStrings() = default;
    ~TWideStrings() override = default;

    // Copies lines, objects and separators of another wide list (inside one update).
    void Assign(TPersistent* Source) override;

    // Separators. A getter returns the default and marks it set when it was never set.
    wchar_t Delimiter() const;
    void SetDelimiter(wchar_t Value);
    wchar_t QuoteChar() const;
    void SetQuoteChar(wchar_t Value);
    wchar_t NameValueSeparator() const;
    void SetNameValueSeparator(wchar_t Value);

    // Element access.
    int Count() const { return GetCount(); }
    WideString Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const WideString& S) { Put(Index, S); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }
    int Capacity() const { return GetCapacity(); }
    virtual void SetCapacity(int NewCapacity);

    // The whole text: every line followed by CR LF. Setting splits at CR LF, LF, CR,
    // U+2028 and stops at #0.
    WideString Text() const { return GetTextStr(); }
    void SetText(const WideString& Value) { SetTextStr(Value); }
    void SetText(const wchar_t* Value) { SetTextStr(Value ? WideString(Value) : WideString()); }

    // Name/value access: a line's name is the text before its first NameValueSeparator.
    WideString Names(int Index) const;
    WideString ValueFromIndex(int Index) const;
    WideString Values(const WideString& Name) const;
    // Sets the value of Name (adds "Name=Value" when missing); an empty Value deletes the line.
    void SetValues(const WideString& Name, const WideString& Value);

    virtual int Add(const WideString& S);
    virtual int AddObject(const WideString& S, TObject* AObject);
    virtual void AddStrings(const TWideStrings* Strings);
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Exchange(int Index1, int Index2);
    virtual int IndexOf(const WideString& S) const;
    virtual int IndexOfName(const WideString& Name) const;
    virtual int IndexOfObject(const TObject* AObject) const;
    virtual void Insert(int Index, const WideString& S) = 0;
    virtual void InsertObject(int Index, const WideString& S, TObject* AObject);
    virtual void Move(int CurIndex, int NewIndex);

    // Files and streams: raw UTF-16LE without a byte-order mark at this level.
    virtual void LoadFromFile(const WideString& FileName);
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToFile(const WideString& FileName);
    virtual void SaveToStream(TStream* Stream);

    // Nested update brackets: change notifications are held back until the last EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // Runs Body between BeginUpdate and EndUpdate; EndUpdate also runs when Body raises.
    template <class F>
    void WithUpdate(F&& Body) {
        BeginUpdate();
        try {
            Body();
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    }

    // Comparison used by IndexOf and by sorted descendants (<0, 0, >0).
    virtual int CompareStrings(const WideString& S1, const WideString& S2) const;

protected:
    void AssignTo(TPersistent* Dest) override;

    virtual WideString Get(int Index) const = 0;
    virtual int GetCapacity() const;
    virtual int GetCount() const = 0;
    virtual TObject* GetObject(int Index) const;
    virtual WideString GetTextStr() const;
    virtual void Put(int Index, const WideString& S);
    virtual void PutObject(int Index, TObject* AObject);
    virtual void SetTextStr(const WideString& Value);
    virtual void SetUpdateState(bool Updating);

private:
    enum : uint8_t { sdDelimiter = 1, sdQuoteChar = 2, sdNameValueSeparator = 4 };
    mutable uint8_t FDefinedSeparators = 0;
    wchar_t FDelimiter = L',';
    wchar_t FQuoteChar = L'"';
    wchar_t FNameValueSeparator = L'=';
    int FUpdateCount = 0;
};
