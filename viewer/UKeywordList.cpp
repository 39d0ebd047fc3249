#include "UKeywordList.h"

#include "UHtmlEntities.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

const std::wstring kNoText;

// Text blocks start small (a partial index is short) and grow to a limit; a text longer
// than the limit gets a block of its own.
constexpr uint32_t kFirstBlock = 4096;
constexpr uint32_t kMaxBlock = 1u << 20;

} // namespace

uint32_t TKeywordList::HeadOf(std::wstring_view Value) {
    uint32_t head = Value.empty() ? 0 : static_cast<uint16_t>(Value[0]);
    if (Value.size() > 1)
        head |= static_cast<uint32_t>(static_cast<uint16_t>(Value[1])) << 16;
    return head;
}

void TKeywordList::FixShared(int Index) {
    if (Index < 0 || Index >= Count())
        return;
    if (Index == 0) {
        FShared[0] = 0;
        return;
    }
    const std::wstring_view a = Value(Index - 1), b = Value(Index);
    const size_t limit = std::min<size_t>({a.size(), b.size(), MaxSharedPrefix});
    size_t n = 0;
    while (n < limit && a[n] == b[n])
        ++n;
    FShared[Index] = static_cast<uint8_t>(n);
}

void TKeywordList::Reserve(int NewCapacity) {
    FCapacity = std::max(NewCapacity, Count());
    FEntries.reserve(static_cast<size_t>(FCapacity));
    FHeads.reserve(static_cast<size_t>(FCapacity));
    FShared.reserve(static_cast<size_t>(FCapacity));
}

void TKeywordList::Grow() {
    if (Count() >= FCapacity)
        Reserve(FCapacity + std::max(GrowStep, FCapacity / 2));
}

void TKeywordList::SetCapacity(int NewCapacity) {
    NewCapacity = std::max(NewCapacity, Count());
    if (NewCapacity < static_cast<int>(FEntries.capacity())) {
        // Shrinking: copies of exactly that size.
        std::vector<TEntry> entries;
        entries.reserve(static_cast<size_t>(NewCapacity));
        entries.assign(FEntries.begin(), FEntries.end());
        FEntries.swap(entries);
        std::vector<uint32_t> heads;
        heads.reserve(static_cast<size_t>(NewCapacity));
        heads.assign(FHeads.begin(), FHeads.end());
        FHeads.swap(heads);
        std::vector<uint8_t> shared;
        shared.reserve(static_cast<size_t>(NewCapacity));
        shared.assign(FShared.begin(), FShared.end());
        FShared.swap(shared);
        FCapacity = NewCapacity;
        return;
    }
    Reserve(NewCapacity);
}

void TKeywordList::CutToCount() {
    // Texts of removed rows are dropped once they make up a good part of the blocks.
    size_t live = 0, used = 0;
    for (const TEntry& e : FEntries)
        live += e.ValueLen + e.DisplayLen;
    for (const TBlock& b : FBlocks)
        used += b.Used;
    if (used - live > used / 8 + kFirstBlock) {
        std::vector<TBlock> old;
        old.swap(FBlocks);
        for (TEntry& e : FEntries) {
            const wchar_t* text = old[e.Block].Text.get() + e.Pos;
            Store(e, std::wstring_view(text, e.ValueLen), std::wstring_view(text + e.ValueLen, e.DisplayLen));
        }
    }
    SetCapacity(Count());
}

bool TKeywordList::Clear() {
    if (Locked())
        return false;
    ClearForLoad();
    return true;
}

void TKeywordList::ClearForLoad() {
    std::vector<TEntry>().swap(FEntries);
    std::vector<uint32_t>().swap(FHeads);
    std::vector<uint8_t>().swap(FShared);
    std::vector<TBlock>().swap(FBlocks);
    std::vector<TTopic>().swap(FTopics);
    std::vector<int32_t>().swap(FFreeTopics);
    FCapacity = 0;
    FWholeParsed = -1;
    FWholeTotal = 0;
}

void TKeywordList::SwapStorage(TKeywordList& Other) {
    FEntries.swap(Other.FEntries);
    FHeads.swap(Other.FHeads);
    FShared.swap(Other.FShared);
    FBlocks.swap(Other.FBlocks);
    FTopics.swap(Other.FTopics);
    FFreeTopics.swap(Other.FFreeTopics);
    std::swap(FCapacity, Other.FCapacity);
}

void TKeywordList::SwapEntries(TKeywordList& Other) {
    SwapStorage(Other);
    std::swap(FWholeParsed, Other.FWholeParsed);
    std::swap(FWholeTotal, Other.FWholeTotal);
}

void TKeywordList::TakeForLoad(TKeywordList& Other) {
    ClearForLoad();
    SwapStorage(Other);
}

void TKeywordList::CutForLoad(int Count) {
    if (Count < 0 || Count >= this->Count())
        return;
    for (int i = Count; i < this->Count(); ++i)
        FreeTopic(FEntries[i]);
    FWholeParsed = -1;
    FEntries.resize(Count);
    FHeads.resize(Count);
    FShared.resize(Count);
}

void TKeywordList::Store(TEntry& E, std::wstring_view Value, std::wstring_view Display, wchar_t Joiner,
                         std::wstring_view Tail) {
    const size_t valueLen = Value.size() + (Joiner ? 1 + Tail.size() : 0);
    const size_t need = valueLen + Display.size();
    if (FBlocks.empty() || FBlocks.back().Size - FBlocks.back().Used < need) {
        const uint32_t next = FBlocks.empty() ? kFirstBlock : std::min(kMaxBlock, FBlocks.back().Size * 2);
        TBlock b;
        b.Size = static_cast<uint32_t>(std::max<size_t>(next, need));
        b.Text.reset(new wchar_t[b.Size]);
        FBlocks.push_back(std::move(b));
    }
    TBlock& b = FBlocks.back();
    E.Block = static_cast<uint16_t>(FBlocks.size() - 1);
    E.Pos = b.Used;
    E.ValueLen = static_cast<uint32_t>(valueLen);
    E.DisplayLen = static_cast<uint32_t>(Display.size());
    wchar_t* p = b.Text.get() + b.Used;
    if (!Value.empty())
        std::memcpy(p, Value.data(), Value.size() * sizeof(wchar_t));
    if (Joiner) {
        p[Value.size()] = Joiner;
        if (!Tail.empty())
            std::memcpy(p + Value.size() + 1, Tail.data(), Tail.size() * sizeof(wchar_t));
    }
    if (!Display.empty())
        std::memcpy(p + valueLen, Display.data(), Display.size() * sizeof(wchar_t));
    b.Used += static_cast<uint32_t>(need);
}

void TKeywordList::Append(const TEntry& E) {
    FEntries.push_back(E);
    FHeads.push_back(HeadOf(std::wstring_view(TextOf(E), E.ValueLen)));
    FShared.push_back(0);
    FixShared(Count() - 1);
}

void TKeywordList::Add(std::wstring_view Value, std::wstring_view Display) {
    Grow();
    TEntry e;
    Store(e, Value, Display);
    Append(e);
}

void TKeywordList::AddSubKey(std::wstring_view Keyword, std::wstring_view Display) {
    Grow();
    TEntry e;
    Store(e, Keyword, Display, L',', Display);
    Append(e);
}

bool TKeywordList::Insert(int Index, const TKeywordItem& Item) {
    if (Locked() || Index < 0 || Index > Count())
        return false;
    Grow();
    TEntry e;
    Store(e, Item.Value, Item.Display);
    e.Decoded = Item.Decoded ? 1 : 0;
    e.Kind = static_cast<int8_t>(Item.Kind);
    FEntries.insert(FEntries.begin() + Index, e);
    FHeads.insert(FHeads.begin() + Index, HeadOf(Item.Value));
    FShared.insert(FShared.begin() + Index, 0);
    FixShared(Index);
    FixShared(Index + 1);
    if (!Item.TopicId.empty() || !Item.TopicVersion.empty() || !Item.TopicLocale.empty())
        SetTopic(Index, Item.TopicId, Item.TopicVersion, Item.TopicLocale);
    return true;
}

bool TKeywordList::Delete(int Index, int N) {
    if (Locked() || Index < 0 || N <= 0 || Index + N > Count())
        return false;
    for (int i = Index; i < Index + N; ++i)
        FreeTopic(FEntries[i]);
    FEntries.erase(FEntries.begin() + Index, FEntries.begin() + Index + N);
    FHeads.erase(FHeads.begin() + Index, FHeads.begin() + Index + N);
    FShared.erase(FShared.begin() + Index, FShared.begin() + Index + N);
    FixShared(Index);
    return true;
}

TKeywordItem TKeywordList::Item(int Index) const {
    TKeywordItem item;
    item.Value = Value(Index);
    item.Display = Display(Index);
    item.Decoded = Decoded(Index);
    item.TopicId = TopicId(Index);
    item.TopicVersion = TopicVersion(Index);
    item.TopicLocale = TopicLocale(Index);
    item.Kind = Kind(Index);
    return item;
}

std::wstring_view TKeywordList::TopicId(int Index) const {
    const int32_t t = FEntries[Index].Topic;
    return t < 0 ? kNoText : FTopics[t].Id;
}

std::wstring_view TKeywordList::TopicVersion(int Index) const {
    const int32_t t = FEntries[Index].Topic;
    return t < 0 ? kNoText : FTopics[t].Version;
}

std::wstring_view TKeywordList::TopicLocale(int Index) const {
    const int32_t t = FEntries[Index].Topic;
    return t < 0 ? kNoText : FTopics[t].Locale;
}

bool TKeywordList::IsTopicRow(int Index) const {
    return HasTopic(Index) && static_cast<uint16_t>(FHeads[Index]) == L' ';
}

void TKeywordList::SetTopic(int Index, const std::wstring& Id, const std::wstring& Version,
                            const std::wstring& Locale) {
    TEntry& e = FEntries[Index];
    if (e.Topic < 0) {
        if (!FFreeTopics.empty()) {
            e.Topic = FFreeTopics.back();
            FFreeTopics.pop_back();
        } else {
            e.Topic = static_cast<int32_t>(FTopics.size());
            FTopics.emplace_back();
        }
    }
    FTopics[e.Topic] = TTopic{Id, Version, Locale};
}

void TKeywordList::SetTopicVersion(int Index, const std::wstring& Version) {
    SetTopic(Index, std::wstring(TopicId(Index)), Version, std::wstring(TopicLocale(Index)));
}

void TKeywordList::FreeTopic(TEntry& E) {
    if (E.Topic < 0)
        return;
    FTopics[E.Topic] = TTopic{};
    FFreeTopics.push_back(E.Topic);
    E.Topic = -1;
}

void TKeywordList::ClearTopic(int Index) { FreeTopic(FEntries[Index]); }

std::wstring TKeywordList::Caption(int Index) {
    TEntry& e = FEntries[Index];
    wchar_t* text = FBlocks[e.Block].Text.get() + e.Pos;
    if (!e.Decoded) {
        // Decoding never lengthens a text, so both fit where they were: Value first, then
        // Display right after it.
        std::wstring value, display;
        AppendDecodedHtmlText(value, std::wstring_view(text, e.ValueLen));
        AppendDecodedHtmlText(display, std::wstring_view(text + e.ValueLen, e.DisplayLen));
        value.resize(std::min<size_t>(value.size(), e.ValueLen));
        display.resize(std::min<size_t>(display.size(), e.DisplayLen));
        std::copy(value.begin(), value.end(), text);
        std::copy(display.begin(), display.end(), text + value.size());
        e.ValueLen = static_cast<uint32_t>(value.size());
        e.DisplayLen = static_cast<uint32_t>(display.size());
        e.Decoded = 1;
        FHeads[Index] = HeadOf(value);
        FixShared(Index);
        FixShared(Index + 1);
    }
    std::wstring caption;
    if (e.DisplayLen > 0) {
        caption.reserve(e.DisplayLen + 4);
        caption = L"    ";
        caption.append(text + e.ValueLen, e.DisplayLen);
    } else {
        caption.assign(text, e.ValueLen);
    }
    DecodeTitleText(caption);
    return caption;
}

size_t TKeywordList::MemoryBytes() const {
    size_t bytes = FEntries.capacity() * sizeof(TEntry) + FHeads.capacity() * sizeof(uint32_t) + FShared.capacity() +
                   FBlocks.capacity() * sizeof(TBlock) + FTopics.capacity() * sizeof(TTopic) +
                   FFreeTopics.capacity() * sizeof(int32_t);
    for (const TBlock& b : FBlocks)
        bytes += b.Size * sizeof(wchar_t);
    for (const TTopic& t : FTopics)
        bytes += (t.Id.capacity() + t.Version.capacity() + t.Locale.capacity()) * sizeof(wchar_t);
    return bytes;
}
