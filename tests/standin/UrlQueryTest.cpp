#include "Entities.h"
#include "UrlQuery.h"

#include <gtest/gtest.h>

using namespace standin;

TEST(StandinUrlQuery, AValueRunsToTheNextAmpersandThatStartsAKey) {
    QueryParams q("method=keywords&query=AT&amp;T&#44;x&ID=5&id=6&format=xml&flag");
    EXPECT_EQ(q.Raw("query"), "AT&amp;T&#44;x");
    EXPECT_EQ(q.Get("query"), L"AT&T,x");
    EXPECT_EQ(q.Get("id"), L"5");  // names ignore case, the first occurrence wins
    EXPECT_EQ(q.GetAll("id").size(), 2u);
    EXPECT_TRUE(q.Has("flag"));
    EXPECT_FALSE(q.Has("missing"));
    // "&" followed by a pair is never an entity, even with a ';' close by
    QueryParams p("a=1&id=x;y&b=2");
    EXPECT_EQ(p.Get("id"), L"x;y");
    EXPECT_EQ(p.Get("b"), L"2");
    // an '&' followed by no key belongs to the value, as the viewer's query reader reads it
    QueryParams v("flag&id=a&amp;b%26c&x&y;z&q=1=2&format=xml&last&");
    EXPECT_EQ(v.Get("id"), L"a&b&c&x&y;z");
    EXPECT_EQ(v.Raw("q"), "1=2");
    EXPECT_EQ(v.Get("format"), L"xml");
    EXPECT_TRUE(v.Has("flag"));
    EXPECT_TRUE(v.Has("last"));
}

TEST(StandinUrlQuery, DecodesValuesOnceAndKeepsMalformedEscapes) {
    EXPECT_EQ(DecodeValue("a+b%20c"), L"a b c");
    EXPECT_EQ(DecodeValue("100%"), L"100%");
    EXPECT_EQ(DecodeValue("%zz%4"), L"%zz%4");
    EXPECT_EQ(DecodeValue("%253C"), L"%3C");  // decoded once only
    EXPECT_EQ(DecodeValue("caf%C3%A9"), L"caf\u00e9");
    EXPECT_EQ(DecodeValue("caf%E9"), L"caf\u00e9");  // not UTF-8: read as Windows-1252
    EXPECT_EQ(DecodeValue("a&#8260;b&#233;&eacute;&lt;&unknown;"), L"a/b\u00e9\u00e9<&unknown;");
    EXPECT_EQ(DecodeValue("%2B"), L"+");
}

TEST(StandinUrlQuery, KeywordQueriesSplitAtRawCommasOnly) {
    // the viewer sends a sub-key as escaped parent + raw ',' + escaped display
    KeywordQuery sub = DecodeKeywordQuery("Button+class,about+Button+class");
    EXPECT_TRUE(sub.hasSub);
    EXPECT_EQ(sub.parent, L"Button class");
    EXPECT_EQ(sub.sub, L"about Button class");
    // doubly escaped '<', '>' and ',' belong to the keyword text
    KeywordQuery generic = DecodeKeywordQuery("Dictionary%253CTKey%252C+TValue%253E+class");
    EXPECT_FALSE(generic.hasSub);
    EXPECT_EQ(generic.whole, L"Dictionary<TKey, TValue> class");
    KeywordQuery lead = DecodeKeywordQuery("<+operator+[C%23]");
    EXPECT_EQ(lead.whole, L"< operator [C#]");
    KeywordQuery entity = DecodeKeywordQuery("&amp;&amp;+operator,a&#8260;b");
    EXPECT_EQ(entity.parent, L"&& operator");
    EXPECT_EQ(entity.sub, L"a/b");
    EXPECT_EQ(KeywordKey(L"List%3CT%3E Class"), KeywordKey(L"list<t> class"));
}

TEST(StandinUrlQuery, FragmentsEndTheTargetExceptInsideEntities) {
    EXPECT_EQ(StripFragment("/help/1/ms.help?id=a#section"), "/help/1/ms.help?id=a");
    EXPECT_EQ(StripFragment("/help/1/ms.help?query=caf&#233;#x"), "/help/1/ms.help?query=caf&#233;");
    EXPECT_TRUE(IsEntityAt("&lt;", 0));
    EXPECT_TRUE(IsEntityAt("&#8260;", 0));
    EXPECT_FALSE(IsEntityAt("&#82600000;", 0));
    EXPECT_FALSE(IsEntityAt("&a;", 0));
}

TEST(StandinUrlQuery, EntitiesLeftRawByTheViewerDoNotSplitValues) {
    // the viewer leaves "&" raw when a ';' follows 3 to 7 characters on with no '&' between,
    // whatever lies between (a blank became '+')
    QueryParams q("method=search&query=A&B+C;&format=html");
    EXPECT_EQ(q.Get("query"), L"A&B C;");
    EXPECT_EQ(q.Get("format"), L"html");
    EXPECT_TRUE(IsEntityAt("&a-b.c;", 0));
    EXPECT_FALSE(IsEntityAt("&a&b;", 0));
    // a pair separator is never an entity, even with a ';' close by
    EXPECT_FALSE(IsEntityAt("&id=x;", 0));
}

TEST(StandinUrlQuery, OnlyARawCommaStartsASubKey) {
    // "%2C" as sent (a literal escape in an index entry) is part of the keyword, not a split
    KeywordQuery generic = DecodeKeywordQuery("Name%3CT1%2C+T2%3E");
    EXPECT_FALSE(generic.hasSub);
    EXPECT_EQ(generic.whole, L"Name<T1, T2>");
    KeywordQuery vb = DecodeKeywordQuery("Name(Of+T1%2C+T2),sub");
    EXPECT_TRUE(vb.hasSub);
    EXPECT_EQ(vb.parent, L"Name(Of T1, T2)");
    EXPECT_EQ(vb.sub, L"sub");
}
