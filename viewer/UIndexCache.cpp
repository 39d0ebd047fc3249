#include "UIndexCache.h"

#include "SysUtils.h"
#include "Threads.h"
#include "UAuxFile.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

bool WriteAll(HANDLE File, const void* Data, size_t Bytes) {
    const char* p = static_cast<const char*>(Data);
    while (Bytes > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Bytes, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(File, p, chunk, &written, nullptr) || written != chunk)
            return false;
        p += chunk;
        Bytes -= chunk;
    }
    return true;
}

bool ReadAll(HANDLE File, void* Data, size_t Bytes) {
    char* p = static_cast<char*>(Data);
    while (Bytes > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Bytes, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(File, p, chunk, &read, nullptr) || read == 0)
            return false;
        p += read;
        Bytes -= read;
    }
    return true;
}

int64_t FileSize(HANDLE File) {
    LARGE_INTEGER size{};
    return GetFileSizeEx(File, &size) ? size.QuadPart : -1;
}

// "Catalog=<key>", "Size=<bytes>" and "Source=<stamp>" lines in UTF-8.
std::string RecordText(const std::wstring& Catalog, int64_t Size, const std::wstring& Source) {
    return "Catalog=" + WideToUtf8(Catalog) + "\r\nSize=" + std::to_string(Size) + "\r\nSource=" +
           WideToUtf8(Source) + "\r\n";
}

bool WriteFileText(const std::wstring& Path, const std::string& Text) {
    TFileHandle f(CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return false;
    const bool ok = WriteAll(f.Get(), Text.data(), Text.size()) && FlushFileBuffers(f.Get());
    f.Reset();
    if (!ok)
        DeleteFileW(Path.c_str());
    return ok;
}

} // namespace

std::wstring IndexCacheFileIn(const std::wstring& Folder) {
    std::wstring dir = Folder;
    ExcludeTrailingBackslashW(dir);
    return dir + L"\\IndexCache.txt";
}

std::wstring IndexCacheRecordFile(const std::wstring& CacheFile) {
    return ChangeFileExtW(CacheFile, L".catalog");
}

std::wstring IndexCacheTempFile(const std::wstring& CacheFile) { return CacheFile + L".tmp"; }

void RemoveIndexCacheLeftovers(const std::wstring& CacheFile) {
    if (CacheFile.empty())
        return;
    DeleteFileW(IndexCacheTempFile(CacheFile).c_str());
    DeleteFileW(IndexCacheTempFile(IndexCacheRecordFile(CacheFile)).c_str());
}

TIndexCacheRecord ReadIndexCacheRecord(const std::wstring& CacheFile) {
    TIndexCacheRecord record;
    TFileHandle f(CreateFileW(IndexCacheRecordFile(CacheFile).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return record;
    const int64_t size = FileSize(f.Get());
    if (size < 0 || size > 64 * 1024)
        return TIndexCacheRecord{true, L"", -1}; // present but unreadable: describes nothing
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0 && !ReadAll(f.Get(), bytes.data(), bytes.size()))
        return TIndexCacheRecord{true, L"", -1};
    record.Present = true;
    const std::wstring text = Utf8ToWide(bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(start, end - start);
        if (line.rfind(L"Catalog=", 0) == 0)
            record.Catalog = line.substr(8);
        else if (line.rfind(L"Size=", 0) == 0)
            record.Size = StrToInt64Def(line.substr(5), -1);
        else if (line.rfind(L"Source=", 0) == 0)
            record.Source = line.substr(7);
        start = end + 1;
    }
    return record;
}

namespace {

// Opens the cache for Catalog whose store has the stamp Source; Size gets its byte size.
TIndexCacheRead OpenIndexCache(const std::wstring& CacheFile, const std::wstring& Catalog, const std::wstring& Source,
                               TFileHandle& File, int64_t& Size) {
    File.Reset(CreateFileW(CacheFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File)
        return TIndexCacheRead::Missing;
    Size = FileSize(File.Get());
    if (Size < 0)
        return TIndexCacheRead::Missing;
    const TIndexCacheRecord record = ReadIndexCacheRecord(CacheFile);
    if (record.Present && (!SameTextW(record.Catalog, Catalog) || record.Size != Size))
        return TIndexCacheRead::OtherCatalog;
    if (record.Present && record.Source != Source)
        return TIndexCacheRead::Stale;
    return TIndexCacheRead::Read;
}

} // namespace

TIndexCacheRead ReadIndexCache(const std::wstring& CacheFile, const std::wstring& Catalog, std::wstring& Text,
                               const std::wstring& Source) {
    Text.clear();
    TFileHandle f;
    int64_t size = 0;
    const TIndexCacheRead result = OpenIndexCache(CacheFile, Catalog, Source, f, size);
    if (result != TIndexCacheRead::Read)
        return result;
    std::wstring text(static_cast<size_t>(size / 2), L'\0');
    if (!text.empty() && !ReadAll(f.Get(), text.data(), text.size() * sizeof(wchar_t)))
        return TIndexCacheRead::Missing;
    Text.swap(text);
    return TIndexCacheRead::Read;
}

TIndexCacheRead ReadIndexCachePieces(const std::wstring& CacheFile, const std::wstring& Catalog,
                                     const std::function<bool(const std::wstring& Piece)>& OnPiece,
                                     size_t PieceUnits, const std::wstring& Source) {
    TFileHandle f;
    int64_t size = 0;
    const TIndexCacheRead result = OpenIndexCache(CacheFile, Catalog, Source, f, size);
    if (result != TIndexCacheRead::Read)
        return result;
    PieceUnits = std::max<size_t>(PieceUnits, 16);
    size_t left = static_cast<size_t>(size / 2);
    std::wstring piece, rest;
    while (left > 0 || !rest.empty()) {
        const size_t n = std::min(left, PieceUnits);
        piece.swap(rest);
        rest.clear();
        const size_t at = piece.size();
        piece.resize(at + n);
        if (n > 0 && !ReadAll(f.Get(), piece.data() + at, n * sizeof(wchar_t)))
            return TIndexCacheRead::Missing;
        left -= n;
        if (left > 0) {
            // Hold back from the last '<' on: its tag may go on in the next piece. A piece
            // without one waits for more.
            const size_t cut = piece.rfind(L'<');
            if (cut == std::wstring::npos || cut == 0) {
                rest.swap(piece);
                continue;
            }
            rest.assign(piece, cut, std::wstring::npos);
            piece.resize(cut);
        }
        if (!OnPiece(piece))
            break;
    }
    return TIndexCacheRead::Read;
}

TIndexCacheWriter::TIndexCacheWriter(const std::wstring& CacheFile)
    : FCacheFile(CacheFile), FTempFile(IndexCacheTempFile(CacheFile)) {
    if (CacheFile.empty())
        return;
    const std::wstring dir = ExtractFileDirW(CacheFile);
    if (!dir.empty() && GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES)
        ForceDirectoriesW(dir);
    FFile.Reset(CreateFileW(FTempFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
}

TIndexCacheWriter::~TIndexCacheWriter() { Discard(); }

void TIndexCacheWriter::Append(const std::wstring& Reply) {
    if (!FFile || FFailed || Reply.empty())
        return;
    if (WriteAll(FFile.Get(), Reply.data(), Reply.size() * sizeof(wchar_t)))
        FSize += static_cast<int64_t>(Reply.size() * sizeof(wchar_t));
    else
        FFailed = true;
}

void TIndexCacheWriter::Discard() {
    if (!FFile)
        return;
    FFile.Reset();
    DeleteFileW(FTempFile.c_str());
}

bool TIndexCacheWriter::Commit(const std::wstring& Catalog, const std::wstring& Source) {
    if (!FFile)
        return false;
    if (FFailed || !FlushFileBuffers(FFile.Get())) {
        Discard();
        return false;
    }
    FFile.Reset();
    // The new record goes beside the cache only after the cache itself: until then the old
    // record (with the old size) does not describe the new file, so it is not read.
    const std::wstring record = IndexCacheRecordFile(FCacheFile);
    const std::wstring recordTemp = IndexCacheTempFile(record);
    const bool recordReady = WriteFileText(recordTemp, RecordText(Catalog, FSize, Source));
    if (!MoveFileExW(FTempFile.c_str(), FCacheFile.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(FTempFile.c_str());
        DeleteFileW(recordTemp.c_str());
        return false;
    }
    if (!recordReady ||
        !MoveFileExW(recordTemp.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(recordTemp.c_str());
        // Without its record the new cache would pass for any catalog's: keep it from being read.
        WriteFileText(record, RecordText(L"", -1, L""));
        return false;
    }
    return true;
}

// The writer's thread: runs the queued file work in order.
class TIndexCacheWriteBehind::TThreadPart : public TThread {
public:
    VORLANE_CLASS_NAME(TIndexCacheWriteBehind_TThreadPart)
    explicit TThreadPart(const std::wstring& CacheFile) : Writer(CacheFile) {}

    void Post(std::function<void()> Work) {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FWork.push_back(std::move(Work));
            ++FAsked;
        }
        FChanged.notify_all();
    }
    void WaitIdle() {
        std::unique_lock<std::mutex> lock(FLock);
        FChanged.wait(lock, [this] { return FDone == FAsked; });
    }
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FStop = true;
        }
        FChanged.notify_all();
    }

    TIndexCacheWriter Writer;   // used by this thread only while it runs
    bool Committed = false;

protected:
    void Execute() override {
        for (;;) {
            std::function<void()> work;
            {
                std::unique_lock<std::mutex> lock(FLock);
                FChanged.wait(lock, [this] { return FStop || !FWork.empty(); });
                if (FWork.empty())
                    return;
                work = std::move(FWork.front());
                FWork.pop_front();
            }
            try {
                work();
            } catch (...) {
                // a failed write leaves the cache as it was
            }
            {
                std::lock_guard<std::mutex> lock(FLock);
                ++FDone;
            }
            FChanged.notify_all();
        }
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<std::function<void()>> FWork;
    uint64_t FAsked = 0, FDone = 0;
    bool FStop = false;
};

TIndexCacheWriteBehind::TIndexCacheWriteBehind(const std::wstring& CacheFile)
    : FThread(std::make_unique<TThreadPart>(CacheFile)) {
    FThread->Start();
}

TIndexCacheWriteBehind::~TIndexCacheWriteBehind() {
    FThread->Stop();
    FThread->WaitFor();
    FThread->Writer.Discard();
}

void TIndexCacheWriteBehind::Append(std::shared_ptr<const std::wstring> Reply) {
    TThreadPart* part = FThread.get();
    part->Post([part, Reply] { part->Writer.Append(*Reply); });
}

void TIndexCacheWriteBehind::Commit(const std::wstring& Catalog, const std::wstring& Source) {
    TThreadPart* part = FThread.get();
    part->Post([part, Catalog, Source] { part->Committed = part->Writer.Commit(Catalog, Source); });
}

bool TIndexCacheWriteBehind::Wait() {
    FThread->WaitIdle();
    return FThread->Committed;
}
