// Opening a row of the keyword index: a resolved row or topic row opens its page; a keyword
// is first asked for its topics, and with several of them the topics are inserted below it
// as rows, sorted by label. A second open of an expanded keyword collapses it.
#pragma once

#include "UKeywordList.h"

#include <string>
#include <vector>

class TAgentLink;

// Topic rows under a sub-key and under a top-level keyword start with these.
inline const wchar_t* const SubKeyTopicPrefix = L"        - ";
inline const wchar_t* const KeywordTopicPrefix = L"     - ";

// The topics of a keyword-query reply: every `topic` start tag with a non-empty "id", less
// those whose id, version and locale equal an earlier one's.
std::vector<TSubIndexItem> ParseTopicHits(const std::wstring& Reply);
// ".NET 4" for version "100", "Silverlight" for "95", ".NET 3.5" for "90", else ''.
std::wstring TopicDisambiguator(const std::wstring& TopicVersion);
// Title, then " - " + disambiguator when the hit has a version, then ", " + locale when that
// is not en-us.
std::wstring TopicLabel(const TSubIndexItem& Hit);

// Gives Row the first hit's topic. With two or more hits the row becomes expanded (and takes
// version "100" when the first topic also comes in that version) and the hits are inserted
// below it as topic rows sorted by label. Returns the number of rows inserted.
int ApplyTopicHits(TKeywordList& List, int Row, const std::vector<TSubIndexItem>& Hits);
// Removes the topic rows that follow Row (a row that is not one itself). Returns how many.
int CollapseTopicRows(TKeywordList& List, int Row);

// What opening a row did.
struct TIndexOpen {
    std::wstring Url;          // the page to open; '' for nothing
    int Inserted = 0;          // topic rows inserted below the row
    int Removed = 0;           // topic rows removed below the row
    int Hits = 0;              // topics the keyword query found (when one was made)
};
// Opens Row: a row with a topic (or an expanded one, which collapses and forgets its topic)
// gives its page; otherwise the keyword is asked for its topics (with "&category=topic" for
// the newer agent): none gives the agent's own result page, one or more the first topic's
// page. Nothing for a row outside the list or while a load holds it.
TIndexOpen OpenKeywordRow(TKeywordList& List, int Row, TAgentLink& Agent, bool NewAgent);
