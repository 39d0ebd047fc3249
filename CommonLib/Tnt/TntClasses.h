// Wide string lists with text-file encodings, and the wide file stream.
#pragma once

#include "Classes.h"
#include "System.h"
#include "TntWideStrings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Encoding of a text file as found by its signature.
enum TTntTextFileEncoding : uint8_t { tfeAnsi = 0, tfeUtf16LE = 1, tfeUtf16BE = 2, tfeUtf8 = 3 };
using TTextFileEncoding = TTntTextFileEncoding;

// What a sorted list does with a string equal to one it already holds.
enum TDuplicates : uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

// A file stream opened from a wide file name. Mode fmCreate creates or truncates the file;
// any other mode opens an existing file with the access (low two bits) and sharing (bits 4-6)
// of the mode. Raises EFCreateError / EFOpenError with the full path and the system's reason.
class TTntFileStream : public THandleStream {
public:
    VORLANE_CLASS_NAME(TTntFileStream)
    TTntFileStream(const WideString& FileName, uint16_t Mode);
    ~TTntFileStream() override;
};

// A wide list that reads text files in UTF-16LE, UTF-16BE, UTF-8 (by their signatures) or
// the ANSI code page, and writes UTF-16LE with the signature FF FE. Abstract: storage comes
// from descendants (the string list here, item lists of controls elsewhere).
class TTntStrings : public TWideStrings {
public:
    VORLANE_CLASS_NAME(TTntStrings)
    TTntStrings() = default;

    // Detects the encoding, records it in LastFileEncoding and loads the text.
    void LoadFromFile(const WideString& FileName) override;
    void LoadFromStream(TStream* Stream) override { LoadFromStream_BOM(Stream, true); }
    // Creates the file and writes FF FE and the text as UTF-16LE.
    void SaveToFile(const WideString& FileName) override;
    void SaveToStream(TStream* Stream) override { SaveToStream_BOM(Stream, true); }

    // WithBOM: detect a signature at the stream's position; else read UTF-16LE without one.
    void LoadFromStream_BOM(TStream* Stream, bool WithBOM);
    // WithBOM: write FF FE first; then the text as UTF-16LE, CR LF after every line.
    void SaveToStream_BOM(TStream* Stream, bool WithBOM);

    // The encoding the last LoadFromFile found (tfeUtf16LE until then).
    TTntTextFileEncoding LastFileEncoding() const { return FLastFileEncoding; }
    void SetLastFileEncoding(TTntTextFileEncoding Value) { FLastFileEncoding = Value; }

private:
    TTntTextFileEncoding FLastFileEncoding = tfeUtf16LE;
};

class TTntStringList;
// Order of two items of a list: <0, 0, >0.
using TWideStringListSortCompare = std::function<int(TTntStringList* List, int Index1, int Index2)>;

// The wide string list: a contiguous array of strings with object references it does not
// own, optionally kept sorted, with change events.
class TTntStringList : public TTntStrings {
public:
    VORLANE_CLASS_NAME(TTntStringList)
    TTntStringList() = default;
    ~TTntStringList() override;

    int Add(const WideString& S) override;
    int AddObject(const WideString& S, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const WideString& S) const override;
    int IndexOfName(const WideString& Name) const override;
    void Insert(int Index, const WideString& S) override;
    void InsertObject(int Index, const WideString& S, TObject* AObject) override;
    void SetCapacity(int NewCapacity) override;
    int CompareStrings(const WideString& S1, const WideString& S2) const override;

    // Binary search (meaningful on a sorted list). Index: where S is or would be inserted;
    // with dupAccept the first of several equal lines.
    virtual bool Find(const WideString& S, int& Index) const;
    // Sorts by CompareStrings.
    virtual void Sort();
    // Sorts with Compare; does nothing on a Sorted list (its order is fixed).
    virtual void CustomSort(const TWideStringListSortCompare& Compare);

    bool Sorted() const { return FSorted; }
    // Turning Sorted on sorts the list.
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    // A change re-sorts a Sorted list.
    void SetCaseSensitive(bool Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    WideString Get(int Index) const override;
    int GetCapacity() const override { return FCapacity; }
    int GetCount() const override { return static_cast<int>(FList.size()); }
    TObject* GetObject(int Index) const override;
    WideString GetTextStr() const override;
    void Put(int Index, const WideString& S) override;
    void PutObject(int Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;

    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int Index, const WideString& S, TObject* AObject);

    // Direct read access to a line for descendants (no copy).
    const WideString& ItemString(int Index) const { return *FList[Index].FString; }

private:
    // 8-byte items, so that insertions and deletions move plain memory. The list owns
    // the strings (freed by Delete, Clear and the destructor), not the objects.
    struct TWideStringItem {
        WideString* FString;
        TObject* FObject;
    };

    void Grow();
    void CheckIndex(int Index) const;
    template <class Cmp>
    void QuickSort(int L, int R, Cmp& Compare);
    template <class Cmp>
    void SortWith(Cmp&& Compare);

    std::vector<TWideStringItem> FList;
    int FCapacity = 0;
    bool FUpdating = false;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    bool FCaseSensitive = false;
};

// Stream helpers shared by the list units.
namespace tntio {
// Reads everything from the stream's position to its end, in whole units of UnitSize bytes
// (a partial unit at the end stays unread). Raises EReadError on a failed read.
std::string ReadRest(TStream* Stream, size_t UnitSize = 1);
// Writes Count bytes; raises EWriteError when the stream takes fewer.
void WriteAll(TStream* Stream, const void* Buffer, size_t Count);
} // namespace tntio
