// Wide INI files: one held in memory, one over the system's private-profile functions.
#pragma once

#include "Classes.h"
#include "System.h"
#include "TntClasses.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

VORLANE_DECLARE_EXCEPTION(EIniFileException, Exception);

// A hash table from wide strings to integers: 256 buckets; a key added more than once
// resolves to its latest value.
class TTntStringHash : public TObject {
public:
    VORLANE_CLASS_NAME(TTntStringHash)
    void Add(const WideString& Key, int Value);
    void Clear();
    // The value of Key (exact comparison), -1 when absent.
    int ValueOf(const WideString& Key) const;
    static uint32_t HashOf(const WideString& Key);

private:
    struct TItem {
        WideString Key;
        int Value;
    };
    std::array<std::vector<TItem>, 256> FBuckets;
};

// A string list whose IndexOf and IndexOfName are hash look-ups, rebuilt lazily after
// every change. A string or name present on several lines resolves to the last of them.
class TTntHashedStringList : public TTntStringList {
public:
    VORLANE_CLASS_NAME(TTntHashedStringList)
    int IndexOf(const WideString& S) const override;
    int IndexOfName(const WideString& Name) const override;

protected:
    void Changed() override;

private:
    WideString HashKey(const WideString& S) const;
    void UpdateValueHash() const;
    void UpdateNameHash() const;

    mutable std::unique_ptr<TTntStringHash> FValueHash;
    mutable std::unique_ptr<TTntStringHash> FNameHash;
    mutable bool FValueHashValid = false;
    mutable bool FNameHashValid = false;
    // Case sensitivity the hashes were built with.
    mutable bool FValueHashCase = false;
    mutable bool FNameHashCase = false;
};

// Typed reads and writes over ReadString/WriteString, shared by both INI files.
class TTntCustomIniFile : public TObject {
public:
    VORLANE_CLASS_NAME(TTntCustomIniFile)
    explicit TTntCustomIniFile(const WideString& FileName) : FFileName(FileName) {}

    const WideString& FileName() const { return FFileName; }

    virtual WideString ReadString(const WideString& Section, const WideString& Ident,
                                  const WideString& Default) = 0;
    virtual void WriteString(const WideString& Section, const WideString& Ident, const WideString& Value) = 0;
    // Decimal or hexadecimal ("$1F", "0x1F"); Default when the value does not convert.
    virtual int ReadInteger(const WideString& Section, const WideString& Ident, int Default);
    virtual void WriteInteger(const WideString& Section, const WideString& Ident, int Value);
    // A non-zero integer is true.
    virtual bool ReadBool(const WideString& Section, const WideString& Ident, bool Default);
    virtual void WriteBool(const WideString& Section, const WideString& Ident, bool Value);
    // Hexadecimal text (two digits a byte) written at the stream's position; the position is
    // put back and the number of bytes from there to the end is returned (0 for no value).
    virtual int ReadBinaryStream(const WideString& Section, const WideString& Name, TStream* Value);
    // Dates, times and numbers in the user's locale; Default when empty or not convertible.
    virtual TDateTime ReadDate(const WideString& Section, const WideString& Name, TDateTime Default);
    virtual TDateTime ReadDateTime(const WideString& Section, const WideString& Name, TDateTime Default);
    virtual double ReadFloat(const WideString& Section, const WideString& Name, double Default);
    virtual TDateTime ReadTime(const WideString& Section, const WideString& Name, TDateTime Default);
    // The bytes from the stream's position to its end as upper-case hexadecimal text.
    virtual void WriteBinaryStream(const WideString& Section, const WideString& Name, TStream* Value);
    virtual void WriteDate(const WideString& Section, const WideString& Name, TDateTime Value);
    virtual void WriteDateTime(const WideString& Section, const WideString& Name, TDateTime Value);
    virtual void WriteFloat(const WideString& Section, const WideString& Name, double Value);
    virtual void WriteTime(const WideString& Section, const WideString& Name, TDateTime Value);
    // The key names of Section.
    virtual void ReadSection(const WideString& Section, TTntStrings* Strings) = 0;
    virtual void ReadSections(TTntStrings* Strings) = 0;
    // The section names that start with Prefix (case ignored).
    virtual void ReadSections(const WideString& Prefix, TTntStrings* Strings);
    // The lines "name=value" of Section.
    virtual void ReadSectionValues(const WideString& Section, TTntStrings* Strings) = 0;
    virtual void EraseSection(const WideString& Section) = 0;
    virtual void DeleteKey(const WideString& Section, const WideString& Ident) = 0;
    virtual void UpdateFile() = 0;

private:
    WideString FFileName;
};

// An INI file held in memory; read when created, written only by UpdateFile (UTF-16LE with
// FF FE, CR LF line ends, an empty line after each section). Sections and keys ignore case.
class TTntMemIniFile : public TTntCustomIniFile {
public:
    VORLANE_CLASS_NAME(TTntMemIniFile)
    explicit TTntMemIniFile(const WideString& FileName);
    ~TTntMemIniFile() override;

    WideString ReadString(const WideString& Section, const WideString& Ident, const WideString& Default) override;
    void WriteString(const WideString& Section, const WideString& Ident, const WideString& Value) override;
    void ReadSection(const WideString& Section, TTntStrings* Strings) override;
    void ReadSections(TTntStrings* Strings) override;
    using TTntCustomIniFile::ReadSections;
    void ReadSectionValues(const WideString& Section, TTntStrings* Strings) override;
    void EraseSection(const WideString& Section) override;
    void DeleteKey(const WideString& Section, const WideString& Ident) override;
    // Writes the file through a temporary file in the same folder that replaces the old
    // file only after it was written completely.
    void UpdateFile() override;

private:
    TTntHashedStringList* AddSection(const WideString& Section);
    TTntHashedStringList* FindSection(const WideString& Section) const;
    void ClearSections();
    void LoadValues();

    TTntHashedStringList FSections; // objects: the sections, owned here
};

// An INI file over the system's wide private-profile functions; every call reaches the file.
// A missing file is created in UTF-16LE first, so the system keeps it in UTF-16.
class TTntIniFile : public TTntCustomIniFile {
public:
    VORLANE_CLASS_NAME(TTntIniFile)
    explicit TTntIniFile(const WideString& FileName);
    ~TTntIniFile() override;

    // Values of any length (the buffer grows until the value fits).
    WideString ReadString(const WideString& Section, const WideString& Ident, const WideString& Default) override;
    // Raises EIniFileException "Unable to write to %s".
    void WriteString(const WideString& Section, const WideString& Ident, const WideString& Value) override;
    void ReadSection(const WideString& Section, TTntStrings* Strings) override;
    void ReadSections(TTntStrings* Strings) override;
    using TTntCustomIniFile::ReadSections;
    void ReadSectionValues(const WideString& Section, TTntStrings* Strings) override;
    void EraseSection(const WideString& Section) override;
    void DeleteKey(const WideString& Section, const WideString& Ident) override;
    // Flushes the system's cache of the file.
    void UpdateFile() override;
};
