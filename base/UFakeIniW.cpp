// The one-section INI reader.
#include "UFakeIniW.h"

#include "UAuxFile.h"

#include <cstdint>

namespace {

std::wstring TrimLeftW(std::wstring_view s) {
    size_t b = 0;
    while (b < s.size() && s[b] <= L' ') ++b;
    return std::wstring(s.substr(b));
}

std::wstring TrimW(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] <= L' ') ++b;
    while (e > b && s[e - 1] <= L' ') --e;
    return std::wstring(s.substr(b, e - b));
}

std::wstring UpperW(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

bool FileExists(const std::wstring& name) {
    const DWORD attr = GetFileAttributesW(name.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsHeader(std::wstring_view trimmed) { return !trimmed.empty() && trimmed[0] == L'['; }

} // namespace

// ---------------------------------------------------------------------------------
// Free functions

void StripQuotesW(std::wstring& S) {
    if (S.size() >= 2 && (S[0] == L'"' || S[0] == L'\'') && S.back() == S[0]) S = S.substr(1, S.size() - 2);
}

bool LoadIniSection(const std::wstring& FileName, const std::wstring& Section, TTntStrings* Lines,
                    bool SkipComments) {
    if (!Lines) return false;
    Lines->Clear();
    if (FileName.empty() || !FileExists(FileName)) return false;
    TTntStringList file;
    try {
        file.LoadFromFile(FileName);
    } catch (const Exception&) {
        return false; // unreadable: the section reads as empty
    }
    Lines->SetCapacity(file.Count());
    const std::wstring wanted = UpperW(L"[" + Section + L"]");
    bool open = false;
    bool result = false;
    Lines->BeginUpdate();
    for (int i = 0; i < file.Count(); ++i) {
        const std::wstring line = TrimLeftW(file.Strings(i));
        if (IsHeader(line)) {
            if (Section.empty()) {
                const std::wstring header = TrimW(line);
                Lines->Add(header.size() >= 2 ? header.substr(1, header.size() - 2) : std::wstring());
                result = true;
            } else {
                open = UpperW(line).find(wanted) != std::wstring::npos;
                if (open) result = true;
            }
            continue;
        }
        if (!open || line.empty()) continue;
        if (SkipComments && line[0] == L';') continue;
        Lines->Add(line);
    }
    Lines->EndUpdate();
    return result;
}

int FindIniSection(const TTntStrings* FileLines, const std::wstring& Section, int& NextHeader, int& LastContent) {
    NextHeader = -1;
    LastContent = -1;
    if (!FileLines) return -1;
    const std::wstring wanted = L"[" + Section + L"]";
    const int count = FileLines->Count();
    int found = -1;
    for (int i = 0; i < count; ++i) {
        const std::wstring line = TrimW(FileLines->Strings(i));
        if (IsHeader(line) && SameTextPrefixW(line, wanted, static_cast<int>(wanted.size()))) {
            found = i;
            break;
        }
    }
    if (found < 0) return -1;
    for (int i = found + 1; i < count; ++i) {
        if (IsHeader(TrimW(FileLines->Strings(i)))) {
            NextHeader = i;
            break;
        }
    }
    for (int i = found - 1; i >= 0; --i) {
        const std::wstring line = TrimW(FileLines->Strings(i));
        if (!line.empty() && !IsHeader(line)) {
            LastContent = i;
            break;
        }
    }
    return found;
}

bool SaveIniSection(const std::wstring& FileName, const std::wstring& Section, const TTntStrings* Lines,
                    const TTntStrings* Names, int Mode) {
    try {
        TTntStringList file;
        if (!FileName.empty() && FileExists(FileName)) file.LoadFromFile(FileName);
        int nextHeader = -1, lastContent = -1;
        const int found = FindIniSection(&file, Section, nextHeader, lastContent);
        int oldPlace = -1;
        if (found >= 0) {
            // The old section goes with the blank lines just before it, back to the
            // previous non-blank line - whatever that is. Another section's header (even
            // of a section without lines) stays.
            int start = found;
            while (start > 0 && TrimW(file.Strings(start - 1)).empty()) --start;
            if (start == 0) start = found; // blank lines at the top of the file stay
            const int end = nextHeader >= 0 ? nextHeader : file.Count();
            for (int i = end - 1; i >= start; --i) file.Delete(i);
            oldPlace = start;
        }
        int at;
        if (Mode == 0) at = 0;
        else if (Mode == 2) at = file.Count();
        else at = oldPlace >= 0 ? oldPlace : file.Count();

        const int count = Lines ? Lines->Count() : 0;
        if (count > 0) {
            if (at > 0) file.Insert(at++, L"");
            file.Insert(at++, L"[" + Section + L"]");
            for (int i = 0; i < count; ++i) {
                if (Names && i < Names->Count()) file.Insert(at++, Names->Strings(i) + L"=" + Lines->Strings(i));
                else file.Insert(at++, Lines->Strings(i));
            }
            file.Insert(at++, L"");
        }
        file.SaveToFile(FileName);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

// ---------------------------------------------------------------------------------
// TFakeIniW

TFakeIniW::TFakeIniW() : Lines(std::make_unique<TTntStringList>()) {}

TFakeIniW::TFakeIniW(const std::wstring& AFileName) : TFakeIniW() { FileName = AFileName; }

TFakeIniW::TFakeIniW(const std::wstring& AFileName, const std::wstring& ASection) : TFakeIniW() {
    SetFileAndSection(AFileName, ASection);
}

TFakeIniW::TFakeIniW(const std::wstring& AFileName, const std::wstring& ASection, bool ASkipComments)
    : TFakeIniW() {
    SkipComments = ASkipComments;
    SetFileAndSection(AFileName, ASection);
}

TFakeIniW::~TFakeIniW() {
    if (Modified) Flush();
}

void TFakeIniW::SetFileAndSection(const std::wstring& AFileName, const std::wstring& ASection) {
    FileName = AFileName;
    Section = ASection;
    if (FileExists(FileName)) LoadIniSection(FileName, Section, Lines.get(), SkipComments);
    else Lines->Clear();
}

void TFakeIniW::OpenSection(const std::wstring& ASection) {
    if (FileName.empty()) throw Exception(L"TFakeIniW.OpenSection> No File specified");
    Section = ASection;
    if (FileExists(FileName)) LoadIniSection(FileName, Section, Lines.get(), SkipComments);
    else Lines->Clear();
}

int TFakeIniW::GetCount() const { return Lines->Count(); }

std::wstring TFakeIniW::GetKeyName(int Index) const {
    if (Index < 0 || Index >= Lines->Count()) return std::wstring();
    const std::wstring line = Lines->Strings(Index);
    const size_t eq = line.find(L'=');
    return eq == std::wstring::npos ? std::wstring() : TrimW(std::wstring_view(line).substr(0, eq));
}

std::wstring TFakeIniW::GetValue(int Index) const {
    if (Index < 0 || Index >= Lines->Count()) return std::wstring();
    const std::wstring line = Lines->Strings(Index);
    const size_t eq = line.find(L'=');
    return eq == std::wstring::npos ? std::wstring() : TrimW(std::wstring_view(line).substr(eq + 1));
}

int TFakeIniW::IndexOfKey(const std::wstring& Key) const {
    const int count = Lines->Count();
    for (int i = 0; i < count; ++i) {
        const std::wstring line = Lines->Strings(i);
        if (!SameTextPrefixW(line, Key, static_cast<int>(Key.size()))) continue;
        const size_t eq = line.find(L'=');
        const std::wstring name = eq == std::wstring::npos ? std::wstring() : TrimW(std::wstring_view(line).substr(0, eq));
        if (SameTextW(name, Key)) return i;
    }
    return -1;
}

std::wstring TFakeIniW::ReadString(const std::wstring& Key, const std::wstring& Default) const {
    const int index = IndexOfKey(Key);
    if (index < 0) return Default;
    std::wstring value = GetValue(index);
    StripQuotesW(value);
    return value;
}

std::wstring TFakeIniW::ReadSectionString(const std::wstring& ASection, const std::wstring& Key,
                                          const std::wstring& Default) {
    if (!SameTextW(ASection, Section)) OpenSection(ASection);
    return ReadString(Key, Default);
}

int TFakeIniW::ReadInteger(const std::wstring& Key, int Default) const {
    const std::wstring s = ReadString(Key, L"");
    if (!IsIntegerStrW(s)) return Default;
    // The form is right; the value must also fit in 32 bits (a lone sign does not).
    int64_t value = 0;
    size_t i = (s[0] == L'+' || s[0] == L'-') ? 1 : 0;
    if (i >= s.size()) return Default;
    for (; i < s.size(); ++i) {
        value = value * 10 + (s[i] - L'0');
        if (value > 2147483648LL) return Default;
    }
    if (s[0] == L'-') value = -value;
    if (value > 2147483647LL) return Default;
    return static_cast<int>(value);
}

int TFakeIniW::ReadSectionInteger(const std::wstring& ASection, const std::wstring& Key, int Default) {
    if (!SameTextW(ASection, Section)) OpenSection(ASection);
    return ReadInteger(Key, Default);
}

bool TFakeIniW::ReadBool(const std::wstring& Key, bool Default) const {
    const std::wstring s = ReadString(Key, L"");
    if (s.empty()) return Default;
    return s[0] == L'1' || s[0] == L'y' || s[0] == L'Y';
}

void TFakeIniW::UpdateFile(int Mode) {
    if (Modified && !FileName.empty()) SaveIniSection(FileName, Section, Lines.get(), nullptr, Mode);
    Modified = false;
}
