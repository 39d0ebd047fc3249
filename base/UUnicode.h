// Conversions between 8-bit text (a code page or UTF-8) and wide strings, with the
// code-page check that lets the user choose another code page when wide text cannot be
// represented; encoding detection of byte buffers, URL encoding and text-file writing.
#pragma once

#include "System.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Encoding codes.
enum : uint8_t { encNone = 0, encAnsi = 1, encUtf16LE = 2, encUtf16BE = 3, encUtf8 = 4 };
// Encoding requests (what a caller wants when a buffer has no byte-order mark).
enum : int { reqAnsi = 0, reqDetect = 1, reqUtf8 = 2, reqUtf16LE = 3, reqUtf16BE = 4 };
// Conversion results.
enum : int { cvOk = 0, cvLossy = 1, cvCancelled = 2 };
// Answers of the code-page problem dialog.
enum : int { cpdCancel = 2, cpdRetry = 4, cpdSkip = 5, cpdAccept = 6 };

// ---------------------------------------------------------------------------------
// Unit state (set up at start-up).
extern int AnsiCodePage;
extern int OemCodePage;
extern int CurrentCodePage;          // used when a caller passes a negative code page
extern int CurrentMaxCharSize;
extern bool AutoRetry;               // retry failures with the remembered code pages
extern std::vector<int> RetryCodePages;
extern std::vector<int> InstalledCodePages;
extern bool StrictAnsiConversion;    // strictness of WideToBuffer's ANSI conversion
extern std::wstring ConversionSource; // what is being converted, for messages
constexpr char MarkerChar = 0x1B;
constexpr char ReplacementChar = '?';

// ---------------------------------------------------------------------------------
// The code-page problem: wide text that the code page cannot represent. The dialog that
// lets the user decide is a window; the conversions ask through this replaceable slot.
struct TCodePageProblem {
    int CodePage = 0;
    std::wstring Source;          // ConversionSource
    std::wstring Text;            // the text with '?' at each problem character
    std::vector<int> Positions;   // 1-based positions of the problem characters in Text
};
struct TCodePageDecision {
    int ModalResult = cpdCancel;  // cpdRetry, cpdSkip, cpdAccept or anything else (cancel)
    int CodePage = 0;             // with cpdRetry: the code page to try
    bool KeepCodePage = false;    // with cpdRetry: remember it for later failures
};
using TCodePageProblemHandler = std::function<TCodePageDecision(const TCodePageProblem&)>;

// Installs the handler (empty: the default, which cancels); returns the previous one.
TCodePageProblemHandler SetCodePageProblemHandler(TCodePageProblemHandler Handler);
TCodePageDecision ShowCodePageDialog(const TCodePageProblem& Problem);

// ---------------------------------------------------------------------------------
// Code pages.

// "(" number ") " name [" (MaxCharSize = n)"]; '' for a negative code page.
std::wstring CodePageDisplayName(int CodePage);
int GetMaxCharSize(int CodePage);

// ---------------------------------------------------------------------------------
// Conversions. Results: cvOk, cvLossy (failure acknowledged / characters replaced),
// cvCancelled.

int Unicode_A2W_Convert(int CodePage, const char* Bytes, int Len, std::wstring& Result);
int AnsiToWide(int CodePage, std::string_view Ansi, std::wstring& Result);
wchar_t AnsiCharToWide(int CodePage, char Ch);

// Strict: an unrepresentable character stops the conversion and is put to the user
// (auto-retry with remembered code pages first). Not strict: it becomes '?'.
// UsedCodePage receives the code page that produced Result.
int Unicode_W2A_Convert(int CodePage, const wchar_t* Text, int Len, bool Strict, int& UsedCodePage,
                        std::string& Result);
int WideToAnsi(int CodePage, std::wstring_view Text, bool Strict, std::string& Result);
int WideToUtf8(std::wstring_view Text, std::string& Result);

// Percent-encodes every non-ASCII character as its UTF-8 bytes ("%C3%A9"); the text is
// trimmed of blanks; ASCII characters are copied.
std::wstring UrlEncodeNonAscii(std::wstring_view S);

void SetConversionSource(const std::wstring& Text);

// ---------------------------------------------------------------------------------
// Encodings of byte buffers.

uint8_t DetectEncoding(std::string_view Bytes, bool& HasBOM);
uint8_t BomEncoding(std::string_view Bytes);
uint8_t GetEncoding(std::string_view Bytes, int Request, bool& HasBOM);
bool IsUtf8(std::string_view Bytes);
void SwapByteOrder(std::string& Bytes);
void SwapByteOrder(std::wstring& Text);

// Bytes to wide text. Encoding 0 detects; a given encoding skips its byte-order mark
// when the buffer has one.
int BufferToWide(int CodePage, std::string_view Bytes, uint8_t Encoding, std::wstring& Result);
// Wide text to bytes in Encoding, with the encoding's mark unless NoBOM.
int WideToBuffer(int CodePage, std::wstring_view Text, uint8_t Encoding, bool NoBOM, std::string& Result,
                 const std::wstring& Source = std::wstring());
// Converts a Unicode buffer (by its mark or the request) to ANSI in place.
int BufferToAnsi(int& CodePage, std::string& Bytes, const std::wstring& Source, int Request);

// Converts Bytes (taken as their mark says, or as Request says when Request >= 0) to
// TargetEncoding and writes them to FileName. The conversion comes first and the file is
// written through a temporary file in the same folder that then replaces it, so a failed
// conversion or write leaves an existing file as it was. An existing file loses its
// read-only attribute; a missing folder is created.
int WriteTextFile(int CodePage, const std::wstring& FileName, std::string_view Bytes, uint8_t TargetEncoding,
                  bool WithBOM, const std::wstring& Source = std::wstring(), int Request = -1);

// A path as the system's file calls take it: long absolute paths get the extended-length
// prefix so that they keep working beyond MAX_PATH.
std::wstring FileSystemPath(const std::wstring& Path);

// Writes Bytes to a new file beside FileName and moves it over FileName in one step, so
// FileName keeps its old content unless the new one is complete. Shows nothing, creates
// no folder and leaves attributes alone (a read-only FileName is not replaced). False on
// failure, with the system's error code in Error; Written gets the number of bytes that
// reached the new file (-1 when it could not be made).
bool ReplaceFileBytes(const std::wstring& FileName, std::string_view Bytes, DWORD* Error = nullptr,
                      int64_t* Written = nullptr);
// A writer ended between writing that new file and moving it leaves it behind, named
// "<FileName>.~<process id>_<number>.tmp" (hex). This removes those in Folder whose
// FileName ends in Extension (e.g. ".url", any case) and whose process has ended; a file
// of a process that may still be writing it stays. Gives how many went.
int RemoveAbandonedReplacements(const std::wstring& Folder, const std::wstring& Extension);

// ---------------------------------------------------------------------------------
// Progress of long conversions, on a bar of 0..100 and on the taskbar button.

class TProgressTarget {
public:
    virtual ~TProgressTarget() = default;
    virtual int Max() const = 0;
    virtual int Position() const = 0;
    virtual void SetRange(int Min, int Max) = 0;
    virtual void SetPosition(int Value) = 0;
    virtual void Repaint() {}
};
// The taskbar button's progress: State 0 none, 2 normal; values as for the bar.
using TTaskbarProgressHook = std::function<void(int State, uint64_t Completed, uint64_t Total)>;
extern TTaskbarProgressHook TaskbarProgress;

void ProgressInit(TProgressTarget* Bar, bool UseTaskbar, int64_t Total);
void ProgressStep(TProgressTarget* Bar, int64_t Done);
