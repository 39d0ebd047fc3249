// The keyword index held in memory: one array of entries and a count, fed by the keyword
// loads and read row by row by the index's virtual list.
//
// The entries keep their texts in shared text blocks (an entry is a few offsets), so a full
// index of a few hundred thousand keywords costs little more than its text. Callers see
// each entry as a `TKeywordItem` through `Item`, or field by field.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Kinds of rows.
enum : int32_t {
    kwKeyword = 0,   // a keyword or sub-key as read
    kwTopicRow = 1,  // a topic inserted under a keyword that has several
    kwExpanded = 2,  // a keyword whose topic rows follow it
};

// One entry of the index.
struct TKeywordItem {
    std::wstring Value;         // keyword text as received; topic rows: prefix + label
    std::wstring Display;       // a sub-key's display text; '' otherwise
    bool Decoded = false;       // Value and Display have been decoded for display
    std::wstring TopicId;       // set once resolved, and on topic rows
    std::wstring TopicVersion;
    std::wstring TopicLocale;
    int32_t Kind = kwKeyword;
};

// One topic of a keyword query.
struct TSubIndexItem {
    std::wstring Id;
    std::wstring Title;
    std::wstring TopicVersion;
    std::wstring TopicLocale;
};

class TKeywordList {
public:
    // Capacity at the start of a load, the step after its first page, and the least step
    // when the entries outgrow the capacity.
    static constexpr int LoadCapacity = 100000;
    static constexpr int FirstPageReserve = 10000;
    static constexpr int GrowStep = 1000;

    int Count() const { return static_cast<int>(FEntries.size()); }
    int Capacity() const { return FCapacity; }
    // Never below Count.
    void SetCapacity(int NewCapacity);
    // Capacity := Count; the texts of removed rows are dropped.
    void CutToCount();

    // Structural changes are refused (false, nothing changed) while a load holds the list.
    bool Clear();
    bool Insert(int Index, const TKeywordItem& Item);
    bool Delete(int Index, int N = 1);
    // A load holds the list from Lock to Unlock (nested holds count).
    void Lock() { ++FLocks; }
    void Unlock() { if (FLocks > 0) --FLocks; }
    bool Locked() const { return FLocks > 0; }
    // Empties the list for the load that holds it.
    void ClearForLoad();
    // The load that holds the list takes Other's entries (Other is left empty).
    void TakeForLoad(TKeywordList& Other);
    // The list holds a whole index, as a load that ended complete left it: its top-level
    // keywords and the total its first page named. Emptying the list ends that.
    bool Whole() const { return FWholeParsed >= 0; }
    int WholeParsed() const { return FWholeParsed; }
    int WholeTotal() const { return FWholeTotal; }
    void SetWhole(int Parsed, int Total) {
        FWholeParsed = Parsed;
        FWholeTotal = Total;
    }
    // Exchanges the entries (and whether they are whole) with Other; each list keeps its holds.
    void SwapEntries(TKeywordList& Other);
    // Drops the entries from Count on for the load that holds it (a page it gives up).
    void CutForLoad(int Count);

    // Appends an entry read from a reply (kind 0, not decoded, no topic). Past the capacity
    // the capacity grows by half of itself, at least GrowStep. Views of the texts stay valid
    // until the entry changes or goes.
    void Add(std::wstring_view Value, std::wstring_view Display);
    // Appends a sub-key whose value is Keyword + "," + Display.
    void AddSubKey(std::wstring_view Keyword, std::wstring_view Display);

    TKeywordItem Item(int Index) const;
    std::wstring_view Value(int Index) const {
        const TEntry& e = FEntries[Index];
        return std::wstring_view(TextOf(e), e.ValueLen);
    }
    std::wstring_view Display(int Index) const {
        const TEntry& e = FEntries[Index];
        return std::wstring_view(TextOf(e) + e.ValueLen, e.DisplayLen);
    }
    bool Decoded(int Index) const { return FEntries[Index].Decoded != 0; }
    int32_t Kind(int Index) const { return FEntries[Index].Kind; }
    std::wstring_view TopicId(int Index) const;
    std::wstring_view TopicVersion(int Index) const;
    std::wstring_view TopicLocale(int Index) const;
    bool HasTopic(int Index) const { return !TopicId(Index).empty(); }
    // A row inserted for a topic: it has a topic and its text begins with a blank.
    bool IsTopicRow(int Index) const;

    void SetKind(int Index, int32_t Kind) { FEntries[Index].Kind = static_cast<int8_t>(Kind); }
    void SetTopic(int Index, const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale);
    void SetTopicVersion(int Index, const std::wstring& Version);
    void ClearTopic(int Index);

    // The row's caption for the list: on the first request Value and Display are decoded in
    // place; then four blanks + Display (or Value), with '<' and '>' escapes turned back.
    std::wstring Caption(int Index);

    // Bytes held by the entries, their texts and their topics (for the figures).
    size_t MemoryBytes() const;
    // The first two characters of Value (low word first; 0 past its end).
    uint32_t Head(int Index) const { return FHeads[Index]; }
    // How many leading characters Value shares with the row before (0 for the first row;
    // at most MaxSharedPrefix).
    static constexpr int MaxSharedPrefix = 255;
    int SharedPrefix(int Index) const { return FShared[Index]; }

private:
    // Exchanges the entries, their texts and topics and the capacity with Other.
    void SwapStorage(TKeywordList& Other);

    // An entry's Value and, right after it, its Display lie in one text block.
    struct TEntry {
        uint32_t Pos = 0;        // offset of Value in its block
        uint32_t ValueLen = 0;
        uint32_t DisplayLen = 0;
        int32_t Topic = -1;      // index into FTopics
        uint16_t Block = 0;
        uint8_t Decoded = 0;
        int8_t Kind = kwKeyword;
    };
    struct TTopic {
        std::wstring Id, Version, Locale;
    };
    struct TBlock {
        std::unique_ptr<wchar_t[]> Text;
        uint32_t Size = 0;
        uint32_t Used = 0;
    };

    const wchar_t* TextOf(const TEntry& E) const { return FBlocks[E.Block].Text.get() + E.Pos; }
    // Stores Value (made of Value, then Joiner and Tail when Joiner is not 0) and Display.
    void Store(TEntry& E, std::wstring_view Value, std::wstring_view Display, wchar_t Joiner = 0,
               std::wstring_view Tail = {});
    void Append(const TEntry& E);
    void FreeTopic(TEntry& E);
    void Reserve(int NewCapacity);
    void Grow();
    static uint32_t HeadOf(std::wstring_view Value);
    // Recomputes the shared prefix of row Index (nothing outside the list).
    void FixShared(int Index);

    std::vector<TEntry> FEntries;
    // The first two characters of each Value (low word first; 0 past its end), so that the
    // best match reads the texts only of rows that start like the typed text.
    std::vector<uint32_t> FHeads;
    // Rows sorted alike share long prefixes: the best match skips the rows that start like
    // the row before for longer than that row matched.
    std::vector<uint8_t> FShared;
    std::vector<TBlock> FBlocks;
    std::vector<TTopic> FTopics;
    std::vector<int32_t> FFreeTopics;
    int FCapacity = 0;
    int FLocks = 0;
    int FWholeParsed = -1;
    int FWholeTotal = 0;
};
