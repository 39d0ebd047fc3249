// The keyword index cache: "IndexCache.txt" holds the raw UTF-16LE text of every keyword
// reply of the last complete full load, one after another in page order, with no byte-order
// mark and no separator.
//
// Beside it, "IndexCache.catalog" records which catalog the cache was written for, the
// cache's size in bytes and the stamp of the store it was read from (UIndexSource). It is
// written whenever the cache is replaced; a cache is read only for the catalog its record
// names, and only while that catalog's store has the stamp recorded. A cache without a record
// (written before records existed) is read for any catalog, as it always was; a record whose
// size does not match the cache does not describe it, and such a cache is not read.
//
// A full load writes "IndexCache.txt.tmp" in the same folder and replaces the cache (and
// its record) only once the load is complete; an incomplete load leaves the old cache.
#pragma once

#include "Handles.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The cache file in Folder.
std::wstring IndexCacheFileIn(const std::wstring& Folder);
// The record and the temporary file of a cache file.
std::wstring IndexCacheRecordFile(const std::wstring& CacheFile);
std::wstring IndexCacheTempFile(const std::wstring& CacheFile);

// Removes the temporary files a write that never ended (the program was killed) left
// beside the cache; a write still running in another copy keeps its open file.
void RemoveIndexCacheLeftovers(const std::wstring& CacheFile);

enum class TIndexCacheRead {
    Read,          // Text holds the cache
    Missing,       // no cache file (or it cannot be read)
    OtherCatalog,  // the cache was written for another catalog, or its record does not match it
    Stale,         // the cache is this catalog's, read from its store before that changed
};

// The record of a cache: catalog key, byte size and source stamp ("" / -1 / "" when there
// is no record).
struct TIndexCacheRecord {
    bool Present = false;
    std::wstring Catalog;
    int64_t Size = -1;
    std::wstring Source;
};
TIndexCacheRecord ReadIndexCacheRecord(const std::wstring& CacheFile);

// Reads the whole cache for Catalog (compared with A-Z folded) whose store has the stamp
// Source. Text: its byte size / 2 code units.
TIndexCacheRead ReadIndexCache(const std::wstring& CacheFile, const std::wstring& Catalog, std::wstring& Text,
                               const std::wstring& Source = std::wstring());
// The same in pieces of about PieceUnits code units, so that the whole text is never held at
// once: each piece ends just before a '<' (no tag is cut; the rest begins the next piece)
// and goes to OnPiece, which answers false to stop the read.
TIndexCacheRead ReadIndexCachePieces(const std::wstring& CacheFile, const std::wstring& Catalog,
                                     const std::function<bool(const std::wstring& Piece)>& OnPiece,
                                     size_t PieceUnits = 1u << 20, const std::wstring& Source = std::wstring());

// The writer of one full load. Creates the temporary file (and the cache folder when it
// is missing); every reply is appended to it; Commit replaces the cache and writes the
// record. Without Commit the temporary file is deleted and the old cache stays. File errors
// make the writer do nothing (Active false).
class TIndexCacheWriter {
public:
    explicit TIndexCacheWriter(const std::wstring& CacheFile);
    ~TIndexCacheWriter();
    TIndexCacheWriter(const TIndexCacheWriter&) = delete;
    TIndexCacheWriter& operator=(const TIndexCacheWriter&) = delete;

    bool Active() const { return FFile.Valid(); }
    // Appends the reply's code units (an empty reply adds nothing).
    void Append(const std::wstring& Reply);
    // Replaces the cache with what was written and records Catalog and its store's stamp
    // Source. False (old cache kept where it could be) when a write or the replace failed.
    bool Commit(const std::wstring& Catalog, const std::wstring& Source = std::wstring());
    // Bytes written so far.
    int64_t Size() const { return FSize; }

    // Deletes the temporary file (nothing after a commit).
    void Discard();

private:
    std::wstring FCacheFile;
    std::wstring FTempFile;
    TFileHandle FFile;
    int64_t FSize = 0;
    bool FFailed = false;
};

// A cache writer that does its file work on a thread of its own, in the order asked, so that
// a load does not wait for the disk. Replies are shared with it, not copied.
class TIndexCacheWriteBehind {
public:
    explicit TIndexCacheWriteBehind(const std::wstring& CacheFile);
    // Waits for the work asked for; without a commit the temporary file goes.
    ~TIndexCacheWriteBehind();
    TIndexCacheWriteBehind(const TIndexCacheWriteBehind&) = delete;
    TIndexCacheWriteBehind& operator=(const TIndexCacheWriteBehind&) = delete;

    void Append(std::shared_ptr<const std::wstring> Reply);
    // Replaces the cache once the replies asked for before are written.
    void Commit(const std::wstring& Catalog, const std::wstring& Source = std::wstring());
    // Waits for the work asked for so far; true when a commit replaced the cache.
    bool Wait();

private:
    class TThreadPart;
    std::unique_ptr<TThreadPart> FThread;
};
