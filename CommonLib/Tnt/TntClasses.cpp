#include "TntClasses.h"

#include "Format.h"
#include "TntSystem.h"
#include "TntSysUtils.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

namespace {

const wchar_t* const SListIndexError = L"List index out of bounds (%d)";
const wchar_t* const SDuplicateString = L"String list does not allow duplicates";
const wchar_t* const SSortedListError = L"Operation not allowed on sorted list";
const wchar_t* const SListCapacityError = L"List capacity out of bounds (%d)";

[[noreturn]] void ListError(const wchar_t* Msg, int Data) {
    throw EStringListError(Format(Msg, {Data}));
}

[[noreturn]] void ListError(const wchar_t* Msg) {
    throw EStringListError(Msg);
}

// Lenient UTF-8 decoding: well-formed sequences become UTF-16 (four-byte sequences a
// surrogate pair); each maximal ill-formed part (a stray or invalid byte, a sequence cut
// short, an overlong form, an encoded surrogate, a value beyond U+10FFFF) becomes one U+FFFD.
WideString DecodeUtf8Lenient(const unsigned char* p, size_t n) {
    WideString out;
    out.reserve(n);
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.push_back(static_cast<wchar_t>(b));
            ++i;
            continue;
        }
        int need;
        uint32_t cp;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0)
                lo = 0xA0; // no overlong forms
            else if (b == 0xED)
                hi = 0x9F; // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F; // nothing beyond U+10FFFF
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            const unsigned char c = j < n ? p[j] : 0;
            const unsigned char min = k == 0 ? lo : 0x80;
            const unsigned char max = k == 0 ? hi : 0xBF;
            if (j >= n || c < min || c > max) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            i = j; // resume at the byte that broke the sequence
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
        i = j;
    }
    return out;
}

int64_t Remaining(TStream* Stream) {
    const int64_t rest = Stream->Size() - Stream->Position();
    return rest > 0 ? rest : 0;
}

// Reads the signature at the stream's position (see TTntStrings::LoadFromStream_BOM):
// the position ends after a recognised mark and is unchanged otherwise.
TTntTextFileEncoding DetectEncoding(TStream* Stream) {
    const int64_t start = Stream->Position();
    const int64_t rest = Remaining(Stream);
    if (rest >= 2) {
        unsigned char b[3] = {};
        Stream->ReadBuffer(b, 2);
        if (b[0] == 0xFF && b[1] == 0xFE)
            return tfeUtf16LE;
        if (b[0] == 0xFE && b[1] == 0xFF)
            return tfeUtf16BE;
        Stream->SetPosition(start);
        if (rest >= 3) {
            Stream->ReadBuffer(b, 3);
            if (b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
                return tfeUtf8;
            Stream->SetPosition(start);
        }
    }
    return tfeAnsi;
}

WideString WideFromUtf16Bytes(const std::string& bytes, bool bigEndian) {
    WideString text(bytes.size() / 2, L'\0');
    if (!text.empty())
        memcpy(text.data(), bytes.data(), text.size() * 2);
    if (bigEndian)
        for (auto& c : text)
            c = static_cast<wchar_t>(((c & 0xFF) << 8) | ((c >> 8) & 0xFF));
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------
// Stream helpers

namespace tntio {

std::string ReadRest(TStream* Stream, size_t UnitSize) {
    int64_t rest = Remaining(Stream);
    if (UnitSize > 1)
        rest -= rest % static_cast<int64_t>(UnitSize);
    if (rest > static_cast<int64_t>(INT_MAX))
        throw EReadError(L"Stream read error");
    std::string bytes(static_cast<size_t>(rest), '\0');
    Stream->ReadBuffer(bytes.data(), static_cast<int32_t>(rest));
    return bytes;
}

void WriteAll(TStream* Stream, const void* Buffer, size_t Count) {
    const auto* p = static_cast<const char*>(Buffer);
    constexpr size_t kChunk = 1u << 26;
    while (Count > 0) {
        const size_t n = std::min(Count, kChunk);
        Stream->WriteBuffer(p, static_cast<int32_t>(n));
        p += n;
        Count -= n;
    }
}

} // namespace tntio

// ---------------------------------------------------------------------------------
// TTntFileStream

namespace {

HANDLE OpenFileForMode(const WideString& FileName, uint16_t Mode) {
    return Mode == fmCreate ? WideFileCreate(FileName) : WideFileOpen(FileName, Mode);
}

} // namespace

TTntFileStream::TTntFileStream(const WideString& FileName, uint16_t Mode)
    : THandleStream(OpenFileForMode(FileName, Mode)) {
    if (FHandle == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        const WideString reason = WideSysErrorMessage(err);
        const WideString full = WideExpandFileName(FileName);
        if (Mode == fmCreate)
            throw EFCreateError(Format(L"Cannot create file \"%s\". %s", {full, reason}));
        throw EFOpenError(Format(L"Cannot open file \"%s\". %s", {full, reason}));
    }
}

TTntFileStream::~TTntFileStream() {
    if (FHandle != INVALID_HANDLE_VALUE)
        CloseHandle(FHandle);
}

// ---------------------------------------------------------------------------------
// TTntStrings

void TTntStrings::LoadFromFile(const WideString& FileName) {
    TTntFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    FLastFileEncoding = DetectEncoding(&stream);
    stream.SetPosition(0);
    LoadFromStream(&stream);
}

void TTntStrings::SaveToFile(const WideString& FileName) {
    TTntFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

void TTntStrings::LoadFromStream_BOM(TStream* Stream, bool WithBOM) {
    WithUpdate([&] {
        const TTntTextFileEncoding encoding = WithBOM ? DetectEncoding(Stream) : tfeUtf16LE;
        WideString text;
        switch (encoding) {
        case tfeUtf16LE:
        case tfeUtf16BE:
            text = WideFromUtf16Bytes(tntio::ReadRest(Stream, 2), encoding == tfeUtf16BE);
            break;
        case tfeUtf8: {
            const std::string bytes = tntio::ReadRest(Stream);
            text = DecodeUtf8Lenient(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
            break;
        }
        case tfeAnsi:
            text = DefaultAnsiToWide(tntio::ReadRest(Stream));
            break;
        }
        SetTextStr(text);
    });
}

void TTntStrings::SaveToStream_BOM(TStream* Stream, bool WithBOM) {
    if (WithBOM) {
        static const unsigned char kBom[2] = {0xFF, 0xFE};
        tntio::WriteAll(Stream, kBom, 2);
    }
    const WideString text = GetTextStr();
    tntio::WriteAll(Stream, text.data(), text.size() * sizeof(wchar_t));
}

// ---------------------------------------------------------------------------------
// TTntStringList

TTntStringList::~TTntStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    for (auto& item : FList)
        delete item.FString;
}

void TTntStringList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= GetCount())
        ListError(SListIndexError, Index);
}

void TTntStringList::Changed() {
    if (!FUpdating && OnChange)
        OnChange(this);
}

void TTntStringList::Changing() {
    if (!FUpdating && OnChanging)
        OnChanging(this);
}

void TTntStringList::SetUpdateState(bool Updating) {
    FUpdating = Updating;
    if (Updating)
        Changing();
    else
        Changed();
}

WideString TTntStringList::Get(int Index) const {
    CheckIndex(Index);
    return *FList[Index].FString;
}

TObject* TTntStringList::GetObject(int Index) const {
    CheckIndex(Index);
    return FList[Index].FObject;
}

WideString TTntStringList::GetTextStr() const {
    size_t size = 0;
    for (const auto& item : FList)
        size += item.FString->size() + 2;
    WideString result;
    result.reserve(size);
    for (const auto& item : FList) {
        result += *item.FString;
        result += L"\r\n";
    }
    return result;
}

void TTntStringList::Put(int Index, const WideString& S) {
    if (FSorted)
        ListError(SSortedListError);
    CheckIndex(Index);
    Changing();
    *FList[Index].FString = S;
    Changed();
}

void TTntStringList::PutObject(int Index, TObject* AObject) {
    CheckIndex(Index);
    Changing();
    FList[Index].FObject = AObject;
    Changed();
}

int TTntStringList::Add(const WideString& S) { return AddObject(S, nullptr); }

int TTntStringList::AddObject(const WideString& S, TObject* AObject) {
    int index;
    if (!FSorted) {
        index = GetCount();
    } else if (Find(S, index)) {
        switch (FDuplicates) {
        case dupIgnore:
            return index;
        case dupError:
            ListError(SDuplicateString);
        case dupAccept:
            break;
        }
    }
    InsertItem(index, S, AObject);
    return index;
}

void TTntStringList::Insert(int Index, const WideString& S) { InsertObject(Index, S, nullptr); }

void TTntStringList::InsertObject(int Index, const WideString& S, TObject* AObject) {
    if (FSorted)
        ListError(SSortedListError);
    if (Index < 0 || Index > GetCount())
        ListError(SListIndexError, Index);
    InsertItem(Index, S, AObject);
}

void TTntStringList::Grow() {
    int delta;
    if (FCapacity > 64)
        delta = FCapacity / 4;
    else if (FCapacity > 8)
        delta = 16;
    else
        delta = 4;
    SetCapacity(FCapacity + delta);
}

void TTntStringList::InsertItem(int Index, const WideString& S, TObject* AObject) {
    Changing();
    if (GetCount() == FCapacity)
        Grow();
    auto str = std::make_unique<WideString>(S);
    if (FList.size() == FList.capacity())
        FList.reserve(FList.size() + 1);
    FList.insert(FList.begin() + Index, TWideStringItem{str.release(), AObject});
    Changed();
}

void TTntStringList::Delete(int Index) {
    CheckIndex(Index);
    Changing();
    delete FList[Index].FString;
    FList.erase(FList.begin() + Index);
    Changed();
}

void TTntStringList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(FList[Index1], FList[Index2]);
    Changed();
}

void TTntStringList::Clear() {
    if (FList.empty())
        return;
    Changing();
    for (auto& item : FList)
        delete item.FString;
    std::vector<TWideStringItem>().swap(FList);
    FCapacity = 0;
    Changed();
}

void TTntStringList::SetCapacity(int NewCapacity) {
    // Fewer slots than lines would lose lines.
    if (NewCapacity < GetCount())
        ListError(SListCapacityError, NewCapacity);
    if (static_cast<size_t>(NewCapacity) > FList.capacity())
        FList.reserve(NewCapacity);
    else if (NewCapacity == GetCount())
        FList.shrink_to_fit();
    FCapacity = NewCapacity;
}

int TTntStringList::CompareStrings(const WideString& S1, const WideString& S2) const {
    if (!FCaseSensitive)
        return TTntStrings::CompareStrings(S1, S2);
    const int r = CompareStringW(LOCALE_USER_DEFAULT, 0, S1.data(), static_cast<int>(S1.size()), S2.data(),
                                 static_cast<int>(S2.size()));
    if (r != 0)
        return r - CSTR_EQUAL;
    return S1 < S2 ? -1 : (S1 == S2 ? 0 : 1);
}

bool TTntStringList::Find(const WideString& S, int& Index) const {
    bool result = false;
    int l = 0;
    int h = GetCount() - 1;
    while (l <= h) {
        const int i = static_cast<int>(static_cast<unsigned>(l + h) >> 1);
        const int c = CompareStrings(*FList[i].FString, S);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                result = true;
                if (FDuplicates != dupAccept)
                    l = i;
            }
        }
    }
    Index = l;
    return result;
}

int TTntStringList::IndexOf(const WideString& S) const {
    if (!FSorted)
        return TTntStrings::IndexOf(S);
    int index;
    return Find(S, index) ? index : -1;
}

int TTntStringList::IndexOfName(const WideString& Name) const {
    if (!FSorted)
        return TTntStrings::IndexOfName(Name);
    const WideString key = Name + NameValueSeparator();
    int index;
    Find(key, index);
    if (index >= 0 && index < GetCount()) {
        const WideString& line = *FList[index].FString;
        if (CompareStrings(line.substr(0, key.size()), key) == 0)
            return index;
    }
    return -1;
}

// Hoare partitioning around the middle item; the pivot index follows its item when swapped.
// The smaller part is sorted by recursion and the larger one by the loop, so the depth of
// recursion stays logarithmic.
template <class Cmp>
void TTntStringList::QuickSort(int L, int R, Cmp& Compare) {
    while (L < R) {
        int i = L;
        int j = R;
        int p = static_cast<int>(static_cast<unsigned>(L + R) >> 1);
        do {
            while (Compare(i, p) < 0)
                ++i;
            while (Compare(j, p) > 0)
                --j;
            if (i <= j) {
                if (i != j)
                    std::swap(FList[i], FList[j]);
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - L < R - i) {
            if (L < j)
                QuickSort(L, j, Compare);
            L = i;
        } else {
            if (i < R)
                QuickSort(i, R, Compare);
            R = j;
        }
    }
}

template <class Cmp>
void TTntStringList::SortWith(Cmp&& Compare) {
    if (GetCount() <= 1)
        return;
    Changing();
    QuickSort(0, GetCount() - 1, Compare);
    Changed();
}

void TTntStringList::Sort() {
    auto cmp = [this](int i, int j) { return CompareStrings(*FList[i].FString, *FList[j].FString); };
    SortWith(cmp);
}

void TTntStringList::CustomSort(const TWideStringListSortCompare& Compare) {
    if (FSorted || !Compare)
        return;
    auto cmp = [this, &Compare](int i, int j) { return Compare(this, i, j); };
    SortWith(cmp);
}

void TTntStringList::SetSorted(bool Value) {
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TTntStringList::SetCaseSensitive(bool Value) {
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    if (FSorted)
        Sort();
}
