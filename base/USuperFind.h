// Loads a whole text file (any encoding) for scanning and saves edited text back in the
// file's own encoding, through a temporary file, keeping the file's modification time.
#pragma once

#include "Classes.h"

#include <cstdint>
#include <string>

class TSuperFind : public TObject {
public:
    VORLANE_CLASS_NAME(TSuperFind)

    // Loads the file (detecting its encoding, current code page).
    explicit TSuperFind(const std::wstring& FileName);
    TSuperFind(const std::wstring& FileName, int EncodingRequest, int CodePage, bool ConvertToAnsi);

    void Load(const std::wstring& Path, bool ConvertToAnsi, int EncodingRequest, int CodePage);
    bool IsOK() const { return Status == 0; }
    // The text as a wide string.
    std::wstring GetText() const;
    // Takes edited text back (in the file's encoding, with its mark unless NoBOM).
    bool SetText(const std::wstring& Text) { return SetTextEx(Text, false); }
    bool SetTextEx(const std::wstring& Text, bool NoBOM);
    // Writes Data to Target ('' = the loaded file); false when nothing was written.
    bool SaveToFile(const std::wstring& Target = std::wstring());

    std::wstring FileName;
    bool UseTempFile = true;
    FILETIME FileDate{};        // the file's modification time as read (raw, UTC)
    bool HasFileDate = false;
    int Status = 0;             // 0 ok, 1 error acknowledged with OK, 2 error cancelled
    bool ConvertToAnsi = false;
    uint8_t FileEncoding = 1;   // what the file holds
    uint8_t DataEncoding = 1;   // what Data holds
    bool HasBOM = false;
    bool WriteBOM = true;       // keep the file's mark on saving (false: drop it)
    int CodePage = -1;
    int EncodingRequest = 1;
    std::string Data;           // the raw bytes

    // Pause between the three read attempts of a file that cannot be read at once.
    static unsigned RetryDelayMs;
};

// Lower-cases a wide string in place (the user's locale).
void LowerCaseInPlace(std::wstring& S);
