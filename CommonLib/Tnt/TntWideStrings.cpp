#include "TntWideStrings.h"

#include "TntClasses.h"

#include <cstring>
#include <vector>

namespace {

// CompareStringW over counted strings (embedded #0 allowed); ordinal when the call fails.
int LocaleCompare(DWORD Flags, const WideString& S1, const WideString& S2) {
    const int r = CompareStringW(LOCALE_USER_DEFAULT, Flags, S1.data(), static_cast<int>(S1.size()),
                                 S2.data(), static_cast<int>(S2.size()));
    if (r != 0)
        return r - CSTR_EQUAL;
    return S1.compare(S2) < 0 ? -1 : (S1 == S2 ? 0 : 1);
}

} // namespace

// ---------------------------------------------------------------------------------
// Separators

wchar_t TWideStrings::Delimiter() const {
    if (!(FDefinedSeparators & sdDelimiter))
        FDefinedSeparators |= sdDelimiter;
    return FDelimiter;
}

void TWideStrings::SetDelimiter(wchar_t Value) {
    FDelimiter = Value;
    FDefinedSeparators |= sdDelimiter;
}

wchar_t TWideStrings::QuoteChar() const {
    if (!(FDefinedSeparators & sdQuoteChar))
        FDefinedSeparators |= sdQuoteChar;
    return FQuoteChar;
}

void TWideStrings::SetQuoteChar(wchar_t Value) {
    FQuoteChar = Value;
    FDefinedSeparators |= sdQuoteChar;
}

wchar_t TWideStrings::NameValueSeparator() const {
    if (!(FDefinedSeparators & sdNameValueSeparator))
        FDefinedSeparators |= sdNameValueSeparator;
    return FNameValueSeparator;
}

void TWideStrings::SetNameValueSeparator(wchar_t Value) {
    FNameValueSeparator = Value;
    FDefinedSeparators |= sdNameValueSeparator;
}

// ---------------------------------------------------------------------------------
// Assignment

void TWideStrings::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TWideStrings*>(Source)) {
        if (src == this)
            return;
        WithUpdate([&] {
            Clear();
            FDefinedSeparators = src->FDefinedSeparators;
            FDelimiter = src->FDelimiter;
            FQuoteChar = src->FQuoteChar;
            FNameValueSeparator = src->FNameValueSeparator;
            AddStrings(src);
        });
        return;
    }
    TPersistent::Assign(Source);
}

void TWideStrings::AssignTo(TPersistent* Dest) {
    if (auto* dst = dynamic_cast<TWideStrings*>(Dest)) {
        dst->Assign(this);
        return;
    }
    TPersistent::AssignTo(Dest);
}

// ---------------------------------------------------------------------------------
// Defaults of the virtual access

int TWideStrings::GetCapacity() const { return GetCount(); }

TObject* TWideStrings::GetObject(int) const { return nullptr; }

void TWideStrings::PutObject(int, TObject*) {}

void TWideStrings::SetCapacity(int) {}

void TWideStrings::SetUpdateState(bool) {}

void TWideStrings::Put(int Index, const WideString& S) {
    TObject* obj = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, obj);
}

WideString TWideStrings::GetTextStr() const {
    const int n = GetCount();
    std::vector<WideString> lines;
    lines.reserve(n);
    size_t size = 0;
    for (int i = 0; i < n; ++i) {
        lines.push_back(Get(i));
        size += lines.back().size() + 2;
    }
    WideString result;
    result.reserve(size);
    for (const auto& line : lines) {
        result += line;
        result += L"\r\n";
    }
    return result;
}

void TWideStrings::SetTextStr(const WideString& Value) {
    WithUpdate([&] {
        Clear();
        const wchar_t* p = Value.c_str();
        const wchar_t* const end = p + Value.size();
        while (p < end && *p != 0) {
            const wchar_t* start = p;
            while (p < end && *p != 0 && *p != L'\n' && *p != L'\r' && *p != 0x2028)
                ++p;
            Add(WideString(start, p));
            if (p < end && *p == L'\r')
                ++p;
            if (p < end && *p == L'\n')
                ++p;
            if (p < end && *p == 0x2028)
                ++p;
        }
    });
}

int TWideStrings::CompareStrings(const WideString& S1, const WideString& S2) const {
    return LocaleCompare(NORM_IGNORECASE, S1, S2);
}

// ---------------------------------------------------------------------------------
// Operations built on the virtual access

int TWideStrings::Add(const WideString& S) { return AddObject(S, nullptr); }

int TWideStrings::AddObject(const WideString& S, TObject* AObject) {
    const int result = GetCount();
    InsertObject(result, S, AObject);
    return result;
}

void TWideStrings::AddStrings(const TWideStrings* Strings) {
    if (!Strings)
        return;
    WithUpdate([&] {
        if (Strings == this) {
            // Adding a list to itself: take a snapshot first so the loop ends.
            const int n = GetCount();
            std::vector<std::pair<WideString, TObject*>> copy;
            copy.reserve(n);
            for (int i = 0; i < n; ++i)
                copy.emplace_back(Get(i), GetObject(i));
            for (auto& [s, o] : copy)
                AddObject(s, o);
            return;
        }
        const int n = Strings->GetCount();
        for (int i = 0; i < n; ++i)
            AddObject(Strings->Get(i), Strings->GetObject(i));
    });
}

void TWideStrings::Exchange(int Index1, int Index2) {
    WithUpdate([&] {
        const WideString s = Get(Index1);
        TObject* o = GetObject(Index1);
        Put(Index1, Get(Index2));
        PutObject(Index1, GetObject(Index2));
        Put(Index2, s);
        PutObject(Index2, o);
    });
}

int TWideStrings::IndexOf(const WideString& S) const {
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (CompareStrings(Get(i), S) == 0)
            return i;
    return -1;
}

int TWideStrings::IndexOfName(const WideString& Name) const {
    const wchar_t sep = NameValueSeparator();
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
        const WideString s = Get(i);
        const size_t p = s.find(sep);
        if (p != WideString::npos && CompareStrings(s.substr(0, p), Name) == 0)
            return i;
    }
    return -1;
}

int TWideStrings::IndexOfObject(const TObject* AObject) const {
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (GetObject(i) == AObject)
            return i;
    return -1;
}

void TWideStrings::InsertObject(int Index, const WideString& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TWideStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex)
        return;
    WithUpdate([&] {
        const WideString s = Get(CurIndex);
        TObject* o = GetObject(CurIndex);
        Delete(CurIndex);
        InsertObject(NewIndex, s, o);
    });
}

WideString TWideStrings::Names(int Index) const {
    const WideString s = Get(Index);
    const size_t p = s.find(NameValueSeparator());
    return p == WideString::npos ? WideString() : s.substr(0, p);
}

WideString TWideStrings::ValueFromIndex(int Index) const {
    if (Index < 0)
        return WideString();
    const WideString s = Get(Index);
    const size_t p = s.find(NameValueSeparator());
    return p == WideString::npos ? WideString() : s.substr(p + 1);
}

WideString TWideStrings::Values(const WideString& Name) const {
    return ValueFromIndex(IndexOfName(Name));
}

void TWideStrings::SetValues(const WideString& Name, const WideString& Value) {
    int i = IndexOfName(Name);
    if (!Value.empty()) {
        const WideString line = Name + NameValueSeparator() + Value;
        if (i < 0)
            Add(line);
        else
            Put(i, line);
    } else if (i >= 0) {
        Delete(i);
    }
}

// ---------------------------------------------------------------------------------
// Update bracketing

void TWideStrings::BeginUpdate() {
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TWideStrings::EndUpdate() {
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0)
        SetUpdateState(false);
}

// ---------------------------------------------------------------------------------
// Files and streams (raw UTF-16LE)

void TWideStrings::LoadFromFile(const WideString& FileName) {
    TTntFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TWideStrings::LoadFromStream(TStream* Stream) {
    WithUpdate([&] {
        const std::string bytes = tntio::ReadRest(Stream, 2);
        WideString text(bytes.size() / 2, L'\0');
        if (!text.empty())
            memcpy(text.data(), bytes.data(), text.size() * 2);
        SetTextStr(text);
    });
}

void TWideStrings::SaveToFile(const WideString& FileName) {
    TTntFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

void TWideStrings::SaveToStream(TStream* Stream) {
    const WideString text = GetTextStr();
    tntio::WriteAll(Stream, text.data(), text.size() * sizeof(wchar_t));
}
