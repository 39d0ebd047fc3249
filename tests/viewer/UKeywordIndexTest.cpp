// The keyword list, the reply reader, the agent's query keys and the best match.
#include "UKeywordIndex.h"

#include <gtest/gtest.h>

namespace {

TKeywordList ListOf(std::initializer_list<const wchar_t*> Values) {
    TKeywordList list;
    for (const wchar_t* v : Values) list.Add(v, L"");
    return list;
}

const wchar_t* const kReply =
    L"<?xml version=\"1.0\"?><keywords totalkeywords=\"7\" returnedkeywords=\"x\">"
    L"<keyword value=\"&lt; operator\"></keyword>"
    L"<keyword value=\"Button class\"><subkey display=\"events\" keyvalue=\"Button class,events (old)\" />"
    L"<Subkey display=\"ignored\" keyvalue=\"a,b\" /></keyword>"
    L"<Keyword value=\"ignored too\"/></keywords>";

} // namespace

TEST(KeywordReply, SubKeysFollowTheAgentsForm) {
    TKeywordList list;
    int parsed = 5;
    TKeywordPage page = ParseKeywordReply(kReply, list, true, parsed);
    EXPECT_TRUE(page.HasKeywords);
    EXPECT_EQ(page.Total, 7);
    EXPECT_EQ(page.Returned, -1);  // not a number
    EXPECT_EQ(page.Added, 3);      // tag names compare exactly
    EXPECT_EQ(page.Keywords, 2);
    EXPECT_EQ(parsed, 7);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Value(0), L"&lt; operator");  // decoded only when shown
    EXPECT_EQ(list.Value(2), L"Button class,events");
    EXPECT_EQ(list.Display(2), L"events");

    TKeywordList old;
    ParseKeywordReply(kReply, old, false, parsed);
    EXPECT_EQ(old.Value(2), L"Button class,events (old)");

    TKeywordList none;
    EXPECT_FALSE(ParseKeywordReply(L"<html><body>404</body></html>", none, true, parsed).HasKeywords);
    EXPECT_FALSE(ParseKeywordReply(L"", none, true, parsed).HasKeywords);

    // Read as it arrives, in pieces cut anywhere (inside tags, quoted '>', comments and
    // characters), a reply gives the entries it gives read whole.
    const std::wstring arriving =
        std::wstring(kReply) +
        L"<keywords><keyword value=\"x>y\"/> a < b <!-- <keyword value=\"no\"/> -->"
        L"<subkey display='d>' keyvalue=\"k\"/><keyword value=\"&amp;\" ><subkey display=\"e\"/></keywords>";
    TKeywordList whole;
    ParseKeywordReply(arriving, whole, true, parsed);
    for (size_t step = 1; step <= 23; ++step) {
        TKeywordList pieces;
        TKeywordReader reader(pieces, true);
        std::wstring text;
        int pos = 1;
        for (size_t at = 0; at < arriving.size(); at += step) {
            text.append(arriving, at, step);
            reader.ReadArriving(text, pos, false);
        }
        reader.ReadArriving(text, pos, true);
        ASSERT_EQ(pieces.Count(), whole.Count()) << step;
        for (int i = 0; i < whole.Count(); ++i) {
            EXPECT_EQ(pieces.Value(i), whole.Value(i)) << step;
            EXPECT_EQ(pieces.Display(i), whole.Display(i)) << step;
        }
    }

    // Long tags that stay unfinished over many pieces (a comment, a quoted and a bare value)
    // are waited for in work linear in the reply, and read as whole.
    const std::wstring filler(40000, L'x');
    const std::wstring slow = L"<keywords returnedkeywords=\"3\"><!-- " + filler + L" --><keyword value=\"" + filler +
                              L"\"/><keyword value=" + filler + L" /><!-- " + filler +
                              L" <keyword value=\"z\"/></keywords>";
    TKeywordList slowWhole, slowPieces;
    ParseKeywordReply(slow, slowWhole, true, parsed);
    TKeywordReader slowReader(slowPieces, true);
    std::wstring text;
    int pos = 1;
    for (size_t at = 0; at < slow.size(); at += 50) {
        text.append(slow, at, 50);
        slowReader.ReadArriving(text, pos, false);
    }
    slowReader.ReadArriving(text, pos, true);
    EXPECT_LE(slowReader.WaitWork(), 8 * static_cast<long long>(slow.size()));
    ASSERT_EQ(slowPieces.Count(), slowWhole.Count());
    for (int i = 0; i < slowWhole.Count(); ++i) EXPECT_EQ(slowPieces.Value(i), slowWhole.Value(i));

    // The poll sees the count before the first tag and can stop the read.
    int polls = 0;
    TKeywordPage stopped = ParseKeywordReply(kReply, none, true, parsed, [&](int) { return ++polls == 1; });
    EXPECT_TRUE(stopped.Cancelled);
    EXPECT_EQ(none.Count(), 0);
}

TEST(KeywordList, CapacityStepsLocksAndCaptions) {
    TKeywordList list;
    list.SetCapacity(2);
    for (int i = 0; i < 3; ++i) list.Add(L"k", L"");
    EXPECT_EQ(list.Capacity(), 2 + TKeywordList::GrowStep);
    list.CutToCount();
    EXPECT_EQ(list.Capacity(), 3);

    list.Lock();
    EXPECT_FALSE(list.Clear());
    EXPECT_FALSE(list.Delete(0));
    EXPECT_FALSE(list.Insert(0, TKeywordItem{}));
    EXPECT_EQ(list.Count(), 3);
    list.Unlock();
    EXPECT_TRUE(list.Delete(0, 2));
    EXPECT_EQ(list.Count(), 1);

    // Decoded once, in place: "%2C" and references now, the '<' escapes only in the caption.
    TKeywordList rows;
    rows.Add(L"Dictionary%3CTKey%2C TValue%3E &amp; more", L"");
    rows.Add(L"Button class,events", L"ev&lt;ents");
    EXPECT_EQ(rows.Caption(0), L"Dictionary<TKey, TValue> & more");
    EXPECT_TRUE(rows.Decoded(0));
    EXPECT_EQ(rows.Value(0), L"Dictionary%3CTKey, TValue%3E & more");
    EXPECT_EQ(rows.Caption(0), L"Dictionary<TKey, TValue> & more");
    EXPECT_EQ(rows.Caption(1), L"    ev<ents");
    EXPECT_EQ(rows.Display(1), L"ev<ents");

    // Removed rows' texts go when the list is cut.
    rows.Delete(0);
    rows.CutToCount();
    EXPECT_EQ(rows.Item(0).Value, L"Button class,events");
}

TEST(KeywordQuery, EscapeRuleAndSubKeys) {
    EXPECT_EQ(EscapeKeyword(L"a<b>c,d"), L"a%253Cb%253Ec%252Cd");
    EXPECT_EQ(EscapeKeyword(L"List%3cT%3E"), L"List%253CT%253E");
    EXPECT_EQ(EscapeKeyword(L"caf\u00e9 / x"), L"caf&#233; &#8260; x");
    EXPECT_EQ(EscapeKeyword(L"AT&T"), L"AT&T");
    // A sub-key: parent and display each escaped, joined by a plain ','.
    EXPECT_EQ(RowQueryKey(L"operators [C#],< and >", L"< and >"), L"operators [C#],%253C and %253E");
    EXPECT_EQ(RowQueryKey(L"a, b,c, d", L"c, d"), L"a%252C b,c%252C d");
    EXPECT_EQ(RowQueryKey(L"x", L"longer than value"), L",longer than value");
    EXPECT_EQ(TypedTextToAgentForm(L"List<T>"), L"List%3CT%3E");
    EXPECT_EQ(EditTextOfValue(L"List%3CT%3E class"), L"List<T> class");
}

TEST(BestMatch, PrefixCaseBracketsAndTies) {
    TKeywordList list = ListOf({L"alpha", L"Button", L"button class", L"Button class", L"buttons",
                                L"List%3CT%3E class", L"List(Of T) class", L"zeta"});
    EXPECT_EQ(FindBestMatch(list, L""), -1);
    EXPECT_EQ(FindBestMatch(list, L" button"), -1);
    EXPECT_EQ(FindBestMatch(TKeywordList(), L"b"), -1);
    EXPECT_EQ(FindBestMatch(list, L"q"), -1);
    EXPECT_EQ(FindBestMatch(list, L"B"), 1);            // one character: the first row with it
    EXPECT_EQ(FindBestMatch(list, L"BUTTON C"), 2);     // ties keep the first
    EXPECT_EQ(FindBestMatch(list, L"buttons"), 4);
    EXPECT_EQ(FindBestMatch(list, L"bx"), 1);           // nothing over one character: the first
    EXPECT_EQ(FindBestMatch(list, L"list<"), 5);        // '<' matches its "%3C" form
    EXPECT_EQ(FindBestMatch(list, L"List("), 6);
    EXPECT_EQ(FindBestMatch(list, L"Z"), 7);
}

TEST(BestMatch, TopicRowsAndEditSync) {
    TKeywordList list = ListOf({L"Button class", L"     - Button Class - .NET 4", L"     - Button Class - .NET 3.5"});
    list.SetTopic(1, L"id1", L"100", L"en-us");
    list.SetTopic(2, L"id2", L"90", L"en-us");
    list.SetKind(1, kwTopicRow);
    list.SetKind(2, kwTopicRow);
    EXPECT_EQ(EditSyncRow(list, 2), 0);
    EXPECT_EQ(EditSyncRow(list, 0), 0);
    EXPECT_EQ(EditSyncRow(list, 3), -1);
}

TEST(IndexTyping, LoadsOnlyWhenTheQueryChanges) {
    // First-key mode: the same first character does not load again.
    TIndexTyping t = PlanIndexTyping(L"Bu", false, 10, true, L"b");
    EXPECT_FALSE(t.NeedLoad);
    t = PlanIndexTyping(L"Cu", false, 10, true, L"b");
    EXPECT_TRUE(t.NeedLoad);
    EXPECT_EQ(t.LoadQuery, L"c");
    EXPECT_EQ(t.LastQueryKey, L"c");
    EXPECT_TRUE(PlanIndexTyping(L"Bu", false, 0, true, L"b").NeedLoad);  // an empty list loads
    // Whole-text mode asks for the escaped text every time.
    t = PlanIndexTyping(L"List<T", false, 10, false, L"list<t");
    EXPECT_TRUE(t.NeedLoad);
    EXPECT_EQ(t.LoadQuery, L"List%253CT");
    EXPECT_EQ(t.LastQueryKey, L"list<t");
    EXPECT_TRUE(PlanIndexTyping(L" \t", false, 10, false, L"").EmptyText);
    EXPECT_TRUE(PlanIndexTyping(L"x", true, 10, false, L"").SelectOnly);
    EXPECT_FALSE(PlanIndexTyping(L"x", true, 0, false, L"").SelectOnly);
}
