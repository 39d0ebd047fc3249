// Reading keyword replies into the index, and the index's answers to typing: the agent's
// query key of a typed text or of a row, the best-matching row, and the edit text of a row.
#pragma once

#include "UKeywordList.h"

#include <functional>
#include <memory>
#include <utility>
#include <string>

class THTML_TagRipper;

// What one keyword reply (or the cache file, read as one) gave.
struct TKeywordPage {
    bool HasKeywords = false;   // a `keywords` element was seen: the reply is a keyword page
    int Total = 0;              // "totalkeywords" of the first `keywords` element; 0 missing or not a number
    int Returned = -1;          // "returnedkeywords" of the first one; -1 missing or not a number
    int Added = 0;              // entries added (keywords and sub-keys)
    int Keywords = 0;           // top-level keywords seen
    bool Closed = false;        // the last `keywords` element was closed (its end tag, or it closed itself)
    bool Short = false;         // a `keywords` element closed with another number of keywords than its
                                // "returnedkeywords", or a new one began before it closed
    bool Ended = false;         // the last `keywords` element closed ends a full load: it holds no
                                // keyword, or follows another page and returns another number than it
    bool Cancelled = false;     // the poll asked to stop
};

// Polled before the first tag and every PollTags tags of a reply; gets the running count of
// top-level keywords, answers true to stop.
using TKeywordParsePoll = std::function<bool(int Parsed)>;
constexpr int KeywordParsePollTags = 50000;

// Reads keyword replies into a list: the `keyword` and `subkey` start tags, in order. With the
// newer agent a sub-key's value is its keyword's value + "," + its display text; otherwise
// its "keyvalue". A text may come in pieces that each hold whole tags (the cache file is read
// so); the reader carries what a sub-key needs from one piece to the next.
class TKeywordReader {
public:
    TKeywordReader(TKeywordList& List, bool NewAgent, TKeywordParsePoll Poll = {});
    ~TKeywordReader();
    // Reads one text (or piece); false once the poll has asked to stop.
    bool Read(const std::wstring& Text);
    // Reads a reply that is still arriving: from Pos, the tags that are whole in Text, Pos
    // left at the first that is not; with Final, the rest. Text only grows between calls.
    bool ReadArriving(const std::wstring& Text, int& Pos, bool Final);
    // What was read so far; Page.Keywords counts the top-level keywords.
    const TKeywordPage& Page() const { return FPage; }
    // The scanner's work of waiting for tags not whole yet (THTML_TagRipper::WaitWork).
    long long WaitWork() const;

private:
    void OpenPage(const THTML_TagRipper& Tags, const wchar_t* Text);
    void ClosePage();
    // One scanner for the text that arrives, so that it keeps where it waits for a tag.
    std::unique_ptr<THTML_TagRipper> FTags;
    TKeywordList& FList;
    bool FNewAgent;
    TKeywordParsePoll FPoll;
    TKeywordPage FPage;
    std::wstring FCurrent;  // the keyword the sub-keys of the next piece belong to
    int FSeen = 0;          // tags seen
    bool FOpen = false;     // a `keywords` element is open: its keywords and what it said it returns
    int FOpenKeywords = 0;
    int FOpenReturned = -1;
    int FPages = 0;         // `keywords` elements seen, and what the one before the open one returned
    int FPrevReturned = -1;
};

// One reply read by a TKeywordReader. Parsed (top-level keywords of the whole load) grows by
// the keywords seen.
TKeywordPage ParseKeywordReply(const std::wstring& Reply, TKeywordList& List, bool NewAgent, int& Parsed,
                               const TKeywordParsePoll& Poll = {});

// True when a reply read whole is a whole page: its `keywords` element closes (an empty
// last page may close itself) and, when it says how many it returns, that many keywords were
// read. A reply cut on its way is not. The replies of a full load read one after another (the
// cache file) are whole when each of them is.
bool KeywordPageWhole(const TKeywordPage& Page);
// True when the cache file (the replies of a complete full load, read one after another) is
// whole: every page is, and the last one ends the load as a load ends, so that a file cut
// between two pages is no more taken for the index than one cut inside a page. A load
// always asks for a second page, and stops after one that adds nothing or, after the first,
// one that returns another number than the page size.
bool KeywordCacheWhole(const TKeywordPage& Page);

// The head of a keyword reply: its first `keywords` element (Added and Keywords stay 0);
// HasKeywords as reading the whole reply would give it.
TKeywordPage KeywordPageHeader(const std::wstring& Reply);

// The query text of a keyword for the agent: "%3C"/"%3E" (any case), '<', '>' and ','
// become "%253C", "%253E" and "%252C", then characters with an HTML reference take it.
// The agent URL builder then sends a query that starts with "%253C" (or "%253E") with every
// one of them as the character itself, as the runtime's agent expects; an inner '<' goes
// doubly escaped. The agent reads both forms as '<'.
std::wstring EscapeKeyword(const std::wstring& Text);
// The query of a row: a sub-key is sent as its parent and its display text, each escaped,
// joined by ","; a keyword as its escaped value.
std::wstring RowQueryKey(std::wstring_view Value, std::wstring_view Display);
// A typed text with '<' and '>' written "%3C" and "%3E" (the agent's form of them).
std::wstring TypedTextToAgentForm(const std::wstring& Text);
// The edit text for a row value: "%3C" and "%3E" turned back into '<' and '>'.
std::wstring EditTextOfValue(std::wstring_view Value);

// The row that best matches the typed Text, or -1 (empty text, a leading blank, an empty
// list, or no row starting with the first character). Rows are compared from the first
// one starting with that character; the first row with the longest common start (over 1
// character) wins, otherwise that first row.
int FindBestMatch(const TKeywordList& List, const std::wstring& Text);

// The row whose value goes into the edit when Row is chosen: Row, or for a topic row the
// keyword above it; -1 when there is none.
int EditSyncRow(const TKeywordList& List, int Row);

// What a change of the index edit asks for.
struct TIndexTyping {
    bool SelectOnly = false;     // the full index is loaded: only select the best match
    bool EmptyText = false;      // nothing but blanks: whole-text mode empties the list
    bool NeedLoad = false;       // a partial load is due
    std::wstring LoadQuery;      // what the partial load asks for
    std::wstring LastQueryKey;   // what to remember as asked after the load
};
// Text: the edit's text; the rest is the index's state.
TIndexTyping PlanIndexTyping(const std::wstring& Text, bool FullIndexLoaded, int Count, bool FirstKeyMode,
                             const std::wstring& LastQueryKey);

// Locale-aware case mapping of the whole text.
std::wstring WideUpper(std::wstring Text);
std::wstring WideLower(std::wstring Text);
