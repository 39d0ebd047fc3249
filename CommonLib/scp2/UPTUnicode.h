// The shell pack's Unicode helpers: the UTF-7 carrier that brings wide text through
// places that hold only byte strings (hints, column captions, resource texts), the
// system's error text, wide canvas text, the case-insensitive character compare and
// small wide buffer and path helpers. The file-name helpers of the Unicode set
// (WideExtractFileDrive, WideExtractFileName, WideExtractFileExt, WideLastDelimiter,
// WStrScan in TntSysUtils/TntWideStrUtils) serve the pack as they are.
#pragma once

#include "System.h"

#include <string>
#include <string_view>

class TCanvas;

// ---------------------------------------------------------------------------------
// UTF-7 carrier: "+/v8-" (U+FEFF in UTF-7) followed by the text in UTF-7.

constexpr char PTUtf7CarrierMark[] = "+/v8-";

// True when S has at least 5 characters and starts with the carrier mark.
bool IsUTF7Carrier(std::string_view S);
bool IsUTF7Carrier(std::wstring_view S);
// The text in UTF-7: ASCII as it is ('+' as "+-"), every run of other characters as
// '+' and the base64 of its UTF-16 code units (high byte first, no padding). A run is
// closed with '-' when the next character is a base64 character or '-'.
AnsiString UTF7Encode(std::wstring_view WS);
// The carrier mark followed by UTF7Encode(WS).
AnsiString UTF7CarrierEncode(std::wstring_view WS);
// Decodes UTF-7 (a carrier or plain UTF-7 text); U+FEFF is dropped, so the carrier mark
// leaves nothing. Never raises: a malformed run ends at the first byte that is not base64
// and left-over bits are dropped. The wide form reads the low byte of every character.
WideString UTF7CarrierDecode(std::string_view S);
WideString UTF7CarrierDecode(std::wstring_view S);
// S decoded when it is a carrier, else S itself.
WideString PTDecodeIfCarrier(const WideString& S);

// ---------------------------------------------------------------------------------
// The system's text for an error code (inserts ignored, at most 255 characters) with
// trailing control characters, blanks and '.' removed.
WideString PTSysErrorMessage(DWORD Code);
// The trimming rule alone: removes trailing characters below 33 and '.'.
WideString PTTrimSysErrorText(WideString Text);

// Draws Text at X, Y clipped to Rect with the canvas's font, brush (opaque unless the
// brush is clear) and text flags.
void PTCanvasTextRect(TCanvas* Canvas, const RECT& Rect, int X, int Y, const WideString& Text);

// 0 when the characters are equal ignoring case (the shell's ChrCmpIW; when that is
// missing, ASCII letters fold and other characters must be equal).
int PTChrCmpIW(wchar_t A, wchar_t B);

// S with a '\' appended when it does not end with one.
WideString PTIncludeTrailingBackslash(const WideString& S);
// Copies S into a buffer of Capacity characters (terminator included), stopping at a #0
// of S or when the buffer is full. A zero Capacity or null Buffer leaves it untouched.
void PTCopyToBuffer(wchar_t* Buffer, size_t Capacity, std::wstring_view S);
