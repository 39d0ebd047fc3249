#include "UKeywordIndex.h"

#include "HtmlTags.h"
#include "SysUtils.h"
#include "UAuxFile.h"
#include "UHtmlEntities.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <vector>

using namespace std::string_view_literals;

namespace {

bool NameIs(const THTML_TagRipper& Tags, const wchar_t* Text, std::wstring_view Name) {
    return Tags.NameLen == static_cast<int>(Name.size()) &&
           std::wstring_view(Text + Tags.NamePos - 1, Name.size()) == Name;
}

// The value of attribute Name of the current tag without its quotes; empty when absent.
std::wstring_view AttrValue(const THTML_TagRipper& Tags, const wchar_t* Text, std::wstring_view Name) {
    const int k = Tags.IndexOfAttribute(Name);
    if (k < 0)
        return {};
    const THtmlAttr& a = Tags.Attr(k);
    if (a.ValueLen <= 0)
        return {};
    const wchar_t* v = Text + a.ValuePos - 1;
    int len = a.ValueLen;
    if (len >= 2 && (v[0] == L'"' || v[0] == L'\'') && v[len - 1] == v[0]) {
        ++v;
        len -= 2;
    }
    return std::wstring_view(v, static_cast<size_t>(len));
}

void ReadPageHead(const THTML_TagRipper& Tags, const wchar_t* Text, TKeywordPage& Page) {
    Page.HasKeywords = true;
    Page.Total = StrToIntDef(AttrValue(Tags, Text, L"totalkeywords"sv), 0);
    int returned = 0;
    if (TryStrToInt(AttrValue(Tags, Text, L"returnedkeywords"sv), returned))
        Page.Returned = returned;
}

} // namespace

std::wstring WideUpper(std::wstring Text) {
    if (!Text.empty())
        CharUpperBuffW(Text.data(), static_cast<DWORD>(Text.size()));
    return Text;
}

std::wstring WideLower(std::wstring Text) {
    if (!Text.empty())
        CharLowerBuffW(Text.data(), static_cast<DWORD>(Text.size()));
    return Text;
}

TKeywordReader::TKeywordReader(TKeywordList& List, bool NewAgent, TKeywordParsePoll Poll)
    : FTags(std::make_unique<THTML_TagRipper>()), FList(List), FNewAgent(NewAgent), FPoll(std::move(Poll)) {}

TKeywordReader::~TKeywordReader() = default;

long long TKeywordReader::WaitWork() const { return FTags->WaitWork(); }

bool TKeywordReader::Read(const std::wstring& Text) {
    int pos = 1;
    return ReadArriving(Text, pos, true);
}

bool TKeywordReader::ReadArriving(const std::wstring& Text, int& Pos, bool Final) {
    if (FPage.Cancelled)
        return false;
    THTML_TagRipper& tags = *FTags;
    if (Final || tags.Text() != &Text)
        tags.SetText(Text);
    const wchar_t* text = Text.c_str();
    std::wstring_view current = FCurrent; // sub-keys belong to the last keyword
    bool currentInText = false;
    int& pos = Pos;
    while (true) {
        if (FPoll && FSeen % KeywordParsePollTags == 0 && FPoll(FPage.Keywords)) {
            FPage.Cancelled = true;
            break;
        }
        if (!(Final ? tags.NextTag(pos) : tags.NextWholeTag(pos)))
            break;
        ++FSeen;
        if (tags.IsEndTag) {
            if (NameIs(tags, text, L"keywords"sv))
                ClosePage();
            continue;
        }
        if (NameIs(tags, text, L"keyword"sv)) {
            ++FOpenKeywords;
            const std::wstring_view value = AttrValue(tags, text, L"value"sv);
            if (FNewAgent) {
                current = value;
                currentInText = true;
            }
            ++FPage.Keywords;
            FList.Add(value, {});
            ++FPage.Added;
        } else if (NameIs(tags, text, L"subkey"sv)) {
            const std::wstring_view display = AttrValue(tags, text, L"display"sv);
            if (FNewAgent)
                FList.AddSubKey(current, display);
            else
                FList.Add(AttrValue(tags, text, L"keyvalue"sv), display);
            ++FPage.Added;
        } else if (NameIs(tags, text, L"keywords"sv)) {
            OpenPage(tags, text);
        }
    }
    if (currentInText)
        FCurrent.assign(current); // the text goes; the next piece may go on with sub-keys
    return !FPage.Cancelled;
}

void TKeywordReader::OpenPage(const THTML_TagRipper& Tags, const wchar_t* Text) {
    if (FOpen)
        FPage.Short = true; // the page before never closed
    TKeywordPage head;
    ReadPageHead(Tags, Text, head);
    if (!FPage.HasKeywords) { // the first page's head is the load's
        FPage.HasKeywords = true;
        FPage.Total = head.Total;
        FPage.Returned = head.Returned;
    }
    ++FPages;
    FOpen = true;
    FOpenKeywords = 0;
    FOpenReturned = head.Returned;
    FPage.Closed = false;
    if (Tags.IsSelfClosing)
        ClosePage();
}

void TKeywordReader::ClosePage() {
    if (FOpen) {
        if (FOpenReturned >= 0 && FOpenKeywords != FOpenReturned)
            FPage.Short = true;
        FPage.Ended = FOpenKeywords == 0 || (FPages >= 2 && FOpenReturned >= 0 && FOpenReturned != FPrevReturned);
        FPrevReturned = FOpenReturned;
    }
    FOpen = false;
    FPage.Closed = true;
}

TKeywordPage ParseKeywordReply(const std::wstring& Reply, TKeywordList& List, bool NewAgent, int& Parsed,
                               const TKeywordParsePoll& Poll) {
    const int before = Parsed;
    TKeywordParsePoll poll;
    if (Poll)
        poll = [&](int Keywords) { return Poll(before + Keywords); };
    TKeywordReader reader(List, NewAgent, poll);
    reader.Read(Reply);
    Parsed += reader.Page().Keywords;
    return reader.Page();
}

bool KeywordPageWhole(const TKeywordPage& Page) {
    return Page.HasKeywords && Page.Closed && !Page.Short;
}

bool KeywordCacheWhole(const TKeywordPage& Page) { return KeywordPageWhole(Page) && Page.Ended; }

TKeywordPage KeywordPageHeader(const std::wstring& Reply) {
    TKeywordPage page;
    THTML_TagRipper tags(Reply);
    const wchar_t* text = Reply.c_str();
    int pos = 1;
    while (tags.NextTag(pos)) {
        if (tags.IsEndTag)
            continue;
        if (NameIs(tags, text, L"keywords"sv)) {
            ReadPageHead(tags, text, page);
            break;
        }
    }
    return page;
}

std::wstring EscapeKeyword(const std::wstring& Text) {
    std::wstring s = Text;
    ReplaceTextW(s, L"%3C", L"%253C");
    ReplaceTextW(s, L"%3E", L"%253E");
    ReplaceStrW(s, L"<", L"%253C");
    ReplaceStrW(s, L">", L"%253E");
    ReplaceStrW(s, L",", L"%252C");
    EncodeEntities(s);
    return s;
}

std::wstring RowQueryKey(std::wstring_view Value, std::wstring_view Display) {
    if (Display.empty())
        return EscapeKeyword(std::wstring(Value));
    const size_t cut = Display.size() + 1;
    const std::wstring parent(Value.substr(0, Value.size() > cut ? Value.size() - cut : 0));
    return EscapeKeyword(parent) + L"," + EscapeKeyword(std::wstring(Display));
}

std::wstring TypedTextToAgentForm(const std::wstring& Text) {
    std::wstring s = Text;
    ReplaceStrW(s, L"<", L"%3C");
    ReplaceStrW(s, L">", L"%3E");
    return s;
}

std::wstring EditTextOfValue(std::wstring_view Value) {
    std::wstring s(Value);
    ReplaceStrW(s, L"%3C", L"<");
    ReplaceStrW(s, L"%3E", L">");
    return s;
}

int FindBestMatch(const TKeywordList& List, const std::wstring& Text) {
    const int count = List.Count();
    if (Text.empty() || Text.front() == L' ' || count == 0)
        return -1;
    const std::wstring u1 = WideUpper(Text), l1 = WideLower(Text);
    const std::wstring text2 = TypedTextToAgentForm(Text);
    const std::wstring u2 = WideUpper(text2), l2 = WideLower(text2);
    const size_t n1 = Text.size(), n2 = text2.size();
    // The characters that agree with position k of the typed text: either case of the text
    // as typed (while k is within it) or of its agent form.
    std::vector<std::array<wchar_t, 4>> accept(n2);
    for (size_t k = 0; k < n2; ++k)
        accept[k] = k < n1 ? std::array<wchar_t, 4>{u1[k], l1[k], u2[k], l2[k]}
                           : std::array<wchar_t, 4>{u2[k], l2[k], u2[k], l2[k]};
    auto agrees = [&accept](size_t k, wchar_t c) {
        const std::array<wchar_t, 4>& a = accept[k];
        return c == a[0] || c == a[1] || c == a[2] || c == a[3];
    };

    // The rows' first two characters are at hand without their texts.
    int first = -1;
    for (int i = 0; i < count; ++i) {
        const wchar_t c = static_cast<wchar_t>(List.Head(i) & 0xFFFF);
        if (c != 0 && agrees(0, c)) {
            first = i;
            break;
        }
    }
    if (first < 0 || n1 < 2)
        return first;

    // Each row's match length is worked out from the row before where possible: a row that
    // starts like the row before for longer than that row matched fails where it failed;
    // otherwise the shared start is known to agree and the comparing starts after it.
    int best = -1;
    size_t bestLength = 1;
    size_t previous = 0;  // match length of the row before
    for (int i = first; i < count; ++i) {
        const size_t shared = i > first ? static_cast<size_t>(List.SharedPrefix(i)) : 0;
        size_t k;
        if (i > first && shared > previous) {
            k = previous;
        } else {
            k = i > first ? shared : 0;
            const uint32_t head = List.Head(i);
            const wchar_t c0 = static_cast<wchar_t>(head & 0xFFFF), c1 = static_cast<wchar_t>(head >> 16);
            if (k == 0 && c0 != 0 && agrees(0, c0))
                k = 1;
            if (k == 1 && c1 != 0 && agrees(1, c1))
                k = 2;
            if (k >= 2 && k < n2) {
                const std::wstring_view v = List.Value(i);
                const size_t limit = std::min(v.size(), n2);
                while (k < limit && agrees(k, v[k]))
                    ++k;
            }
        }
        previous = k;
        if (k > bestLength) {
            best = i;
            bestLength = k;
            if (k == n2)
                break; // no later row can match more, and ties keep the first
        }
    }
    return best >= 0 ? best : first;
}

int EditSyncRow(const TKeywordList& List, int Row) {
    if (Row >= List.Count())
        return -1;
    while (Row >= 0 && List.IsTopicRow(Row))
        --Row;
    return Row;
}

TIndexTyping PlanIndexTyping(const std::wstring& Text, bool FullIndexLoaded, int Count, bool FirstKeyMode,
                             const std::wstring& LastQueryKey) {
    TIndexTyping plan;
    if (FullIndexLoaded && Count > 0) {
        plan.SelectOnly = true;
        return plan;
    }
    if (Trim(Text).empty()) {
        plan.EmptyText = true;
        return plan;
    }
    const std::wstring lower = WideLower(Text);
    const std::wstring firstLower = lower.substr(0, 1);
    plan.NeedLoad = Count == 0 || LastQueryKey != firstLower || !FirstKeyMode;
    if (FirstKeyMode) {
        plan.LoadQuery = firstLower;
        plan.LastQueryKey = firstLower;
    } else {
        plan.LoadQuery = EscapeKeyword(TypedTextToAgentForm(Text));
        plan.LastQueryKey = lower;
    }
    return plan;
}
