// Reads INI-style text files one section at a time, in any encoding the wide string list
// reads, without the system's profile functions.
#pragma once

#include "Classes.h"
#include "TntClasses.h"

#include <memory>
#include <string>

class TFakeIniW : public TObject {
public:
    VORLANE_CLASS_NAME(TFakeIniW)

    TFakeIniW();
    // Remembers the file; no section is loaded.
    explicit TFakeIniW(const std::wstring& AFileName);
    // Remembers the file and loads Section.
    TFakeIniW(const std::wstring& AFileName, const std::wstring& ASection);
    TFakeIniW(const std::wstring& AFileName, const std::wstring& ASection, bool ASkipComments);
    ~TFakeIniW() override;

    // Stores both and loads the section (empty when the file does not exist).
    void SetFileAndSection(const std::wstring& AFileName, const std::wstring& ASection);
    // Makes ASection current and loads it. Raises Exception when no file is set.
    void OpenSection(const std::wstring& ASection);

    int GetCount() const;
    // Trimmed text before / after the first '=' of line Index ('' when it has none).
    std::wstring GetKeyName(int Index) const;
    std::wstring GetValue(int Index) const;
    // Index of the first line whose name is Key (ASCII case ignored), -1 when none.
    int IndexOfKey(const std::wstring& Key) const;

    // The value of Key without one pair of enclosing quotes; Default when Key is missing.
    std::wstring ReadString(const std::wstring& Key, const std::wstring& Default) const;
    std::wstring ReadSectionString(const std::wstring& ASection, const std::wstring& Key,
                                   const std::wstring& Default);
    // The value when it is a 32-bit integer written as digits with an optional sign.
    int ReadInteger(const std::wstring& Key, int Default) const;
    int ReadSectionInteger(const std::wstring& ASection, const std::wstring& Key, int Default);
    // '1', 'y' or 'Y' first: true; anything else false; empty or missing: Default.
    bool ReadBool(const std::wstring& Key, bool Default) const;

    // Writes the section back when Modified (Mode as SaveIniSection).
    void UpdateFile(int Mode);
    void Flush() { UpdateFile(1); }

    std::wstring FileName;
    std::unique_ptr<TTntStringList> Lines; // the section's lines, left-trimmed, in file order
    std::wstring Section;
    bool Modified = false;
    bool SkipComments = true;
};

// Loads the lines of Section (all headers' names when Section is '') into Lines; true
// when a header matched.
bool LoadIniSection(const std::wstring& FileName, const std::wstring& Section, TTntStrings* Lines,
                    bool SkipComments);
// Index of Section's header in FileLines, -1 when none; NextHeader: the next header after
// it; LastContent: the last non-empty line before it that is not a header (-1 when none).
int FindIniSection(const TTntStrings* FileLines, const std::wstring& Section, int& NextHeader, int& LastContent);
// Rewrites FileName with Section replaced by Lines (Names[i] + "=" + Lines[i] when Names
// is given). Mode 0: at the top; 1: at the old place (the end when new); 2: at the end.
// Empty Lines only removes the section. False when the file could not be written.
bool SaveIniSection(const std::wstring& FileName, const std::wstring& Section, const TTntStrings* Lines,
                    const TTntStrings* Names, int Mode);
// Removes one enclosing pair of double or single quotes.
void StripQuotesW(std::wstring& S);
