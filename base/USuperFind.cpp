// The text-file loader.
#include "USuperFind.h"

#include "Handles.h"

#include "UUnicode.h"
#include "UUtilsW.h"

#include <algorithm>

unsigned TSuperFind::RetryDelayMs = 1000;

namespace {

// The request that makes the conversions read Data as the encoding it holds.
int RequestFor(uint8_t encoding) {
    switch (encoding) {
    case encUtf16LE: return reqUtf16LE;
    case encUtf16BE: return reqUtf16BE;
    case encUtf8: return reqUtf8;
    default: return reqAnsi;
    }
}

std::wstring ChangeFileExtension(const std::wstring& name, const std::wstring& ext) {
    const size_t slash = name.find_last_of(L"\\/:");
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) return name.substr(0, dot) + ext;
    return name + ext;
}

bool SameFileName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

int Ask(const std::wstring& title, const std::wstring& text) {
    return UserMessage(miError, title, text, mbOkCancel) ? 1 : 2;
}

// Takes the read-only attribute off a file for a while and puts it back afterwards.
class TReadOnlyLift {
public:
    explicit TReadOnlyLift(const std::wstring& path) : FPath(path) {
        const DWORD attr = GetFileAttributesW(FPath.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY)) {
            FLifted = SetFileAttributesW(FPath.c_str(), attr & ~FILE_ATTRIBUTE_READONLY) != FALSE;
        }
    }
    ~TReadOnlyLift() {
        if (!FLifted) return;
        const DWORD attr = GetFileAttributesW(FPath.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(FPath.c_str(), attr | FILE_ATTRIBUTE_READONLY);
    }
    TReadOnlyLift(const TReadOnlyLift&) = delete;
    TReadOnlyLift& operator=(const TReadOnlyLift&) = delete;

private:
    std::wstring FPath;
    bool FLifted = false;
};

} // namespace

TSuperFind::TSuperFind(const std::wstring& FileName) : TSuperFind(FileName, reqDetect, -1, false) {}

TSuperFind::TSuperFind(const std::wstring& AFileName, int AEncodingRequest, int ACodePage, bool AConvertToAnsi)
    : FileName(AFileName) {
    Load(AFileName, AConvertToAnsi, AEncodingRequest, ACodePage);
}

void TSuperFind::Load(const std::wstring& Path, bool AConvertToAnsi, int AEncodingRequest, int ACodePage) {
    Status = 0;
    Data.clear();
    FileEncoding = DataEncoding = encAnsi;
    HasBOM = false;
    WriteBOM = true;
    HasFileDate = false;
    FileDate = FILETIME{};
    CodePage = ACodePage;
    EncodingRequest = AEncodingRequest;
    ConvertToAnsi = AConvertToAnsi;

    // The wide long name throughout: short 8.3 names may not exist on every file system.
    const std::wstring path = FileSystemPath(Path);
    const DWORD attr = GetFileAttributesW(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) {
        Status = Ask(L"File not found", L"File not found: " + Path);
        return;
    }

    bool complete = false;
    for (int attempt = 0; attempt < 3 && !complete; ++attempt) {
        if (attempt > 0) Sleep(RetryDelayMs);
        TFileHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!h) continue;
        LARGE_INTEGER size;
        if (!GetFileSizeEx(h.Get(), &size)) continue;
        if (size.QuadPart == 0) {
            Data.clear();
            complete = true;
            break;
        }
        if (size.QuadPart > 0x7FFFFFFF) break; // more than this program can hold as text
        HasFileDate = GetFileTime(h.Get(), nullptr, nullptr, &FileDate) != FALSE;
        Data.resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (done < Data.size()) {
            DWORD got = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Data.size() - done, 1u << 24));
            if (!ReadFile(h.Get(), Data.data() + done, chunk, &got, nullptr) || got == 0) break;
            done += got;
        }
        complete = done == Data.size();
    }
    if (!complete) {
        Data.clear();
        Status = Ask(L"File Read Error", L"Error Reading " + Path + L". File in use or memory allocate error?");
        return;
    }
    if (Data.empty()) return;

    FileEncoding = DataEncoding = GetEncoding(Data, EncodingRequest, HasBOM);
    if (ConvertToAnsi && FileEncoding != encAnsi) {
        const int r = BufferToAnsi(CodePage, Data, Path, EncodingRequest);
        if (r == cvOk) DataEncoding = encAnsi;
        else Status = r;
    }
}

std::wstring TSuperFind::GetText() const {
    std::wstring text;
    BufferToWide(CodePage, Data, DataEncoding, text);
    return text;
}

bool TSuperFind::SetTextEx(const std::wstring& Text, bool NoBOM) {
    std::string bytes;
    const int r = WideToBuffer(CodePage, Text, FileEncoding, NoBOM, bytes, FileName);
    if (r == cvOk) {
        Data = std::move(bytes);
        DataEncoding = FileEncoding;
    } else {
        Status = r;
    }
    return Status == 0;
}

bool TSuperFind::SaveToFile(const std::wstring& Target) {
    if (Status != 0) return false;
    const bool sameFile = Target.empty() || SameFileName(Target, FileName);
    const std::wstring dest = sameFile ? FileName : Target;
    const bool throughTemp = sameFile && UseTempFile;
    const std::wstring writeTo = throughTemp ? ChangeFileExtension(FileName, L".$$$") : dest;
    const std::wstring destPath = FileSystemPath(dest);

    TReadOnlyLift readOnly(destPath); // put back when done, whatever happens
    const int r = WriteTextFile(CodePage, writeTo, Data, FileEncoding, WriteBOM && HasBOM, FileName,
                                RequestFor(DataEncoding));
    Status = r;
    if (r != cvOk) return false;

    if (throughTemp) {
        // One rename replaces the old file: at every moment either the old or the new
        // file is there under its name.
        const std::wstring tempPath = FileSystemPath(writeTo);
        if (!MoveFileExW(tempPath.c_str(), destPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileW(tempPath.c_str());
            Status = Ask(L"Error renaming file", L"Error renaming " + writeTo + L" to " + FileName);
            return false;
        }
    }

    if (HasFileDate) {
        TFileHandle h(CreateFileW(destPath.c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (h) SetFileTime(h.Get(), nullptr, nullptr, &FileDate);
    }
    return true;
}

void LowerCaseInPlace(std::wstring& S) {
    if (!S.empty()) CharLowerBuffW(S.data(), static_cast<DWORD>(S.size()));
}
