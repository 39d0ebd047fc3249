#include "TntIniFiles.h"

#include "Format.h"
#include "SysUtils.h"
#include "TntSysUtils.h"
#include "TntWindows.h"

#include <oleauto.h>

#include <vector>

namespace {

const wchar_t* const SIniFileWriteError = L"Unable to write to %s";

[[noreturn]] void RaiseCreateError(const WideString& FileName, DWORD Error) {
    throw EFCreateError(Format(L"Cannot create file \"%s\". %s", {FileName, WideSysErrorMessage(Error)}));
}

bool IsBlank(wchar_t c) { return c <= L' '; }

WideString TrimBlanks(const WideString& S) {
    size_t b = 0;
    size_t e = S.size();
    while (b < e && IsBlank(S[b]))
        ++b;
    while (e > b && IsBlank(S[e - 1]))
        --e;
    return S.substr(b, e - b);
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

// Parses a date and/or time in the user's locale; false when the text is not one.
bool TryLocaleDateTime(const WideString& S, ULONG Flags, TDateTime& Value) {
    DATE d = 0;
    if (FAILED(VarDateFromStr(const_cast<OLECHAR*>(S.c_str()), LOCALE_USER_DEFAULT, Flags, &d)))
        return false;
    Value = d;
    return true;
}

// Splits a buffer of zero-terminated names (ended by an empty one) into Strings.
void AddNameList(const wchar_t* Buffer, size_t Length, TTntStrings* Strings) {
    const wchar_t* p = Buffer;
    const wchar_t* const end = Buffer + Length;
    while (p < end && *p != 0) {
        const wchar_t* start = p;
        while (p < end && *p != 0)
            ++p;
        Strings->Add(WideString(start, p));
        ++p;
    }
}

// Calls GetPrivateProfileStringW with a buffer that grows until the result fits. A result
// of Size - Slack characters means the system had to cut it.
WideString ProfileString(const wchar_t* Section, const wchar_t* Key, const wchar_t* Default,
                         const WideString& FileName, DWORD InitialSize, DWORD Slack) {
    constexpr DWORD kMaxSize = 1u << 26;
    std::vector<wchar_t> buffer(InitialSize);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD n = GetPrivateProfileStringW(Section, Key, Default, buffer.data(), size, FileName.c_str());
        if (n + Slack < size || size >= kMaxSize)
            return WideString(buffer.data(), std::min(n, size));
        buffer.assign(size * 2, L'\0');
    }
}

} // namespace

// ---------------------------------------------------------------------------------
// TTntStringHash

uint32_t TTntStringHash::HashOf(const WideString& Key) {
    uint32_t h = 0;
    for (wchar_t c : Key)
        h = ((h << 2) | (h >> 30)) ^ static_cast<uint16_t>(c);
    return h;
}

void TTntStringHash::Add(const WideString& Key, int Value) {
    FBuckets[HashOf(Key) % FBuckets.size()].push_back(TItem{Key, Value});
}

void TTntStringHash::Clear() {
    for (auto& bucket : FBuckets)
        bucket.clear();
}

int TTntStringHash::ValueOf(const WideString& Key) const {
    const auto& bucket = FBuckets[HashOf(Key) % FBuckets.size()];
    // The latest addition is found first.
    for (auto it = bucket.rbegin(); it != bucket.rend(); ++it)
        if (it->Key == Key)
            return it->Value;
    return -1;
}

// ---------------------------------------------------------------------------------
// TTntHashedStringList

void TTntHashedStringList::Changed() {
    TTntStringList::Changed();
    FValueHashValid = false;
    FNameHashValid = false;
}

WideString TTntHashedStringList::HashKey(const WideString& S) const {
    if (CaseSensitive())
        return S;
    WideString key = S;
    if (!key.empty())
        Tnt_CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

void TTntHashedStringList::UpdateValueHash() const {
    if (FValueHashValid && FValueHashCase == CaseSensitive())
        return;
    if (!FValueHash)
        FValueHash = std::make_unique<TTntStringHash>();
    else
        FValueHash->Clear();
    const int n = Count();
    for (int i = 0; i < n; ++i)
        FValueHash->Add(HashKey(ItemString(i)), i);
    FValueHashValid = true;
    FValueHashCase = CaseSensitive();
}

void TTntHashedStringList::UpdateNameHash() const {
    if (FNameHashValid && FNameHashCase == CaseSensitive())
        return;
    if (!FNameHash)
        FNameHash = std::make_unique<TTntStringHash>();
    else
        FNameHash->Clear();
    const wchar_t sep = NameValueSeparator();
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        const WideString& line = ItemString(i);
        const size_t p = line.find(sep);
        if (p != WideString::npos)
            FNameHash->Add(HashKey(line.substr(0, p)), i);
    }
    FNameHashValid = true;
    FNameHashCase = CaseSensitive();
}

int TTntHashedStringList::IndexOf(const WideString& S) const {
    UpdateValueHash();
    return FValueHash->ValueOf(HashKey(S));
}

int TTntHashedStringList::IndexOfName(const WideString& Name) const {
    UpdateNameHash();
    return FNameHash->ValueOf(HashKey(Name));
}

// ---------------------------------------------------------------------------------
// TTntCustomIniFile

int TTntCustomIniFile::ReadInteger(const WideString& Section, const WideString& Ident, int Default) {
    WideString s = ReadString(Section, Ident, WideString());
    if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X'))
        s = L"$" + s.substr(2);
    int value;
    return TryStrToInt(s, value) ? value : Default;
}

void TTntCustomIniFile::WriteInteger(const WideString& Section, const WideString& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TTntCustomIniFile::ReadBool(const WideString& Section, const WideString& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TTntCustomIniFile::WriteBool(const WideString& Section, const WideString& Ident, bool Value) {
    WriteString(Section, Ident, Value ? L"1" : L"0");
}

int TTntCustomIniFile::ReadBinaryStream(const WideString& Section, const WideString& Name, TStream* Value) {
    const WideString text = ReadString(Section, Name, WideString());
    if (text.empty())
        return 0;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int hi = HexDigit(text[i]);
        const int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            break;
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    const int64_t start = Value->Position();
    tntio::WriteAll(Value, bytes.data(), bytes.size());
    Value->SetPosition(start);
    return static_cast<int>(Value->Size() - start);
}

void TTntCustomIniFile::WriteBinaryStream(const WideString& Section, const WideString& Name, TStream* Value) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    const std::string bytes = tntio::ReadRest(Value);
    WideString text;
    text.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        text.push_back(kHex[b >> 4]);
        text.push_back(kHex[b & 15]);
    }
    WriteString(Section, Name, text);
}

TDateTime TTntCustomIniFile::ReadDate(const WideString& Section, const WideString& Name, TDateTime Default) {
    const WideString s = ReadString(Section, Name, WideString());
    TDateTime value;
    return !s.empty() && TryLocaleDateTime(s, VAR_DATEVALUEONLY, value) ? value : Default;
}

TDateTime TTntCustomIniFile::ReadDateTime(const WideString& Section, const WideString& Name, TDateTime Default) {
    const WideString s = ReadString(Section, Name, WideString());
    TDateTime value;
    return !s.empty() && TryLocaleDateTime(s, 0, value) ? value : Default;
}

TDateTime TTntCustomIniFile::ReadTime(const WideString& Section, const WideString& Name, TDateTime Default) {
    const WideString s = ReadString(Section, Name, WideString());
    TDateTime value;
    return !s.empty() && TryLocaleDateTime(s, VAR_TIMEVALUEONLY, value) ? value : Default;
}

double TTntCustomIniFile::ReadFloat(const WideString& Section, const WideString& Name, double Default) {
    const WideString s = ReadString(Section, Name, WideString());
    double value;
    return !s.empty() && TryStrToFloat(s, value) ? value : Default;
}

void TTntCustomIniFile::WriteDate(const WideString& Section, const WideString& Name, TDateTime Value) {
    WriteString(Section, Name, DateToStr(Value));
}

void TTntCustomIniFile::WriteDateTime(const WideString& Section, const WideString& Name, TDateTime Value) {
    WriteString(Section, Name, DateTimeToStr(Value));
}

void TTntCustomIniFile::WriteFloat(const WideString& Section, const WideString& Name, double Value) {
    WriteString(Section, Name, FloatToStr(Value));
}

void TTntCustomIniFile::WriteTime(const WideString& Section, const WideString& Name, TDateTime Value) {
    WriteString(Section, Name, TimeToStr(Value));
}

void TTntCustomIniFile::ReadSections(const WideString& Prefix, TTntStrings* Strings) {
    ReadSections(Strings);
    const int len = static_cast<int>(Prefix.size());
    for (int i = Strings->Count() - 1; i >= 0; --i) {
        const WideString name = Strings->Strings(i);
        const bool match = static_cast<int>(name.size()) >= len &&
                           CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.data(), len, Prefix.data(),
                                          len) == CSTR_EQUAL;
        if (!match)
            Strings->Delete(i);
    }
}

// ---------------------------------------------------------------------------------
// TTntMemIniFile

TTntMemIniFile::TTntMemIniFile(const WideString& FileName) : TTntCustomIniFile(FileName) {
    FSections.SetNameValueSeparator(L'=');
    LoadValues();
}

TTntMemIniFile::~TTntMemIniFile() { ClearSections(); }

void TTntMemIniFile::ClearSections() {
    for (int i = 0; i < FSections.Count(); ++i)
        delete static_cast<TTntHashedStringList*>(FSections.Objects(i));
    FSections.Clear();
}

TTntHashedStringList* TTntMemIniFile::AddSection(const WideString& Section) {
    auto section = std::make_unique<TTntHashedStringList>();
    section->SetCaseSensitive(FSections.CaseSensitive());
    section->SetNameValueSeparator(L'=');
    FSections.AddObject(Section, section.get());
    return section.release();
}

TTntHashedStringList* TTntMemIniFile::FindSection(const WideString& Section) const {
    const int i = FSections.IndexOf(Section);
    return i < 0 ? nullptr : static_cast<TTntHashedStringList*>(FSections.Objects(i));
}

void TTntMemIniFile::LoadValues() {
    if (FileName().empty() || !WideFileExists(FileName()))
        return;
    TTntStringList lines;
    lines.LoadFromFile(FileName());
    ClearSections();
    TTntHashedStringList* section = nullptr;
    for (int i = 0; i < lines.Count(); ++i) {
        const WideString line = TrimBlanks(lines.Strings(i));
        if (line.empty() || line[0] == L';')
            continue;
        if (line[0] == L'[' && line.back() == L']' && line.size() >= 2) {
            section = AddSection(TrimBlanks(line.substr(1, line.size() - 2)));
            continue;
        }
        if (!section)
            continue;
        const size_t eq = line.find(L'=');
        if (eq != WideString::npos)
            section->Add(TrimBlanks(line.substr(0, eq)) + L"=" + line.substr(eq + 1));
        else
            section->Add(line);
    }
}

WideString TTntMemIniFile::ReadString(const WideString& Section, const WideString& Ident,
                                      const WideString& Default) {
    if (TTntHashedStringList* section = FindSection(Section)) {
        const int i = section->IndexOfName(Ident);
        if (i >= 0)
            return section->ValueFromIndex(i);
    }
    return Default;
}

void TTntMemIniFile::WriteString(const WideString& Section, const WideString& Ident, const WideString& Value) {
    TTntHashedStringList* section = FindSection(Section);
    if (!section)
        section = AddSection(Section);
    const WideString line = Ident + L"=" + Value;
    const int i = section->IndexOfName(Ident);
    if (i >= 0)
        section->SetStrings(i, line);
    else
        section->Add(line);
}

void TTntMemIniFile::ReadSection(const WideString& Section, TTntStrings* Strings) {
    Strings->WithUpdate([&] {
        Strings->Clear();
        if (TTntHashedStringList* section = FindSection(Section))
            for (int i = 0; i < section->Count(); ++i)
                Strings->Add(section->Names(i));
    });
}

void TTntMemIniFile::ReadSections(TTntStrings* Strings) {
    // The names only: the section objects stay private to this file.
    Strings->WithUpdate([&] {
        Strings->Clear();
        for (int i = 0; i < FSections.Count(); ++i)
            Strings->Add(FSections.Strings(i));
    });
}

void TTntMemIniFile::ReadSectionValues(const WideString& Section, TTntStrings* Strings) {
    Strings->WithUpdate([&] {
        Strings->Clear();
        if (TTntHashedStringList* section = FindSection(Section))
            Strings->AddStrings(section);
    });
}

void TTntMemIniFile::EraseSection(const WideString& Section) {
    const int i = FSections.IndexOf(Section);
    if (i < 0)
        return;
    delete static_cast<TTntHashedStringList*>(FSections.Objects(i));
    FSections.Delete(i);
}

void TTntMemIniFile::DeleteKey(const WideString& Section, const WideString& Ident) {
    if (TTntHashedStringList* section = FindSection(Section)) {
        const int i = section->IndexOfName(Ident);
        if (i >= 0)
            section->Delete(i);
    }
}

void TTntMemIniFile::UpdateFile() {
    TTntStringList list;
    for (int i = 0; i < FSections.Count(); ++i) {
        list.Add(L"[" + FSections.Strings(i) + L"]");
        list.AddStrings(static_cast<TTntHashedStringList*>(FSections.Objects(i)));
        list.Add(WideString());
    }

    // Write a temporary file beside the target and put it in place only when every byte
    // reached the disk, so that a failed write leaves the old file as it was.
    const WideString target = WideExpandFileName(FileName());
    const size_t slash = target.find_last_of(L"\\/");
    const WideString folder = slash == WideString::npos ? WideString(L".") : target.substr(0, slash + 1);
    wchar_t temp[MAX_PATH + 1] = {};
    if (target.empty() || GetTempFileNameW(folder.c_str(), L"tni", 0, temp) == 0)
        RaiseCreateError(target.empty() ? FileName() : target, GetLastError());
    try {
        TTntFileStream stream(temp, fmCreate);
        list.SaveToStream(&stream);
        if (!FlushFileBuffers(stream.Handle()))
            throw EWriteError(L"Stream write error");
    } catch (...) {
        Tnt_DeleteFileW(temp);
        throw;
    }
    if (!MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD err = GetLastError();
        Tnt_DeleteFileW(temp);
        RaiseCreateError(target, err);
    }
}

// ---------------------------------------------------------------------------------
// TTntIniFile

TTntIniFile::TTntIniFile(const WideString& FileName) : TTntCustomIniFile(FileName) {
    if (!WideFileExists(FileName)) {
        // An empty UTF-16LE file with its signature: the system then keeps the file in UTF-16.
        TTntStringList list;
        list.Add(WideString());
        list.SaveToFile(FileName);
    }
}

TTntIniFile::~TTntIniFile() { UpdateFile(); }

WideString TTntIniFile::ReadString(const WideString& Section, const WideString& Ident, const WideString& Default) {
    return ProfileString(Section.c_str(), Ident.c_str(), Default.c_str(), FileName(), 2048, 1);
}

void TTntIniFile::WriteString(const WideString& Section, const WideString& Ident, const WideString& Value) {
    if (!WritePrivateProfileStringW(Section.c_str(), Ident.c_str(), Value.c_str(), FileName().c_str()))
        throw EIniFileException(Format(SIniFileWriteError, {FileName()}));
}

void TTntIniFile::ReadSections(TTntStrings* Strings) {
    Strings->WithUpdate([&] {
        Strings->Clear();
        const WideString names = ProfileString(nullptr, nullptr, nullptr, FileName(), 32768, 2);
        AddNameList(names.data(), names.size(), Strings);
    });
}

void TTntIniFile::ReadSection(const WideString& Section, TTntStrings* Strings) {
    Strings->WithUpdate([&] {
        Strings->Clear();
        const WideString names = ProfileString(Section.c_str(), nullptr, nullptr, FileName(), 16384, 2);
        AddNameList(names.data(), names.size(), Strings);
    });
}

void TTntIniFile::ReadSectionValues(const WideString& Section, TTntStrings* Strings) {
    TTntStringList keys;
    ReadSection(Section, &keys);
    Strings->WithUpdate([&] {
        Strings->Clear();
        for (int i = 0; i < keys.Count(); ++i) {
            const WideString key = keys.Strings(i);
            Strings->Add(key + L"=" + ReadString(Section, key, WideString()));
        }
    });
}

void TTntIniFile::EraseSection(const WideString& Section) {
    if (!WritePrivateProfileStringW(Section.c_str(), nullptr, nullptr, FileName().c_str()))
        throw EIniFileException(Format(SIniFileWriteError, {FileName()}));
}

void TTntIniFile::DeleteKey(const WideString& Section, const WideString& Ident) {
    WritePrivateProfileStringW(Section.c_str(), Ident.c_str(), nullptr, FileName().c_str());
}

void TTntIniFile::UpdateFile() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, FileName().c_str()); }
