// Wide string lists: text-file encodings, exact bytes, splitting, sorting and events.
#include "TntClasses.h"

#include "TestHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

std::vector<std::wstring> Lines(const TWideStrings& list) {
    std::vector<std::wstring> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Strings(i));
    return out;
}

using L = std::vector<std::wstring>;

template <class E, class F>
std::wstring MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no exception";
    return L"";
}

// A stream that takes at most Limit bytes, like a full disk.
class TLimitedStream : public TMemoryStream {
public:
    explicit TLimitedStream(int32_t limit) : FLimit(limit) {}
    int32_t Write(const void* Buffer, int32_t Count) override {
        const int32_t room = std::max<int32_t>(0, FLimit - static_cast<int32_t>(Size()));
        return TMemoryStream::Write(Buffer, std::min(Count, room));
    }

private:
    int32_t FLimit;
};

} // namespace

// ---------------------------------------------------------------------------------
// Encodings

TEST(TntStringListEncoding, DetectsEachEncodingWhenLoadingFiles) {
    struct Case {
        const char* name;
        std::string bytes;
        L lines;
        TTntTextFileEncoding encoding;
    };
    const std::vector<Case> cases = {
        {"empty file", "", {}, tfeAnsi},
        {"one byte", "A", {L"A"}, tfeAnsi},
        {"two ANSI bytes", "AB", {L"AB"}, tfeAnsi},
        {"three ANSI bytes", "ABC", {L"ABC"}, tfeAnsi},
        {"ANSI in the code page", Bytes({'x', 0xE9, '\r', '\n', 'y'}), {L"x\u00E9", L"y"}, tfeAnsi},
        {"first two bytes of a UTF-8 mark only", Bytes({0xEF, 0xBB}), {L"\u00EF\u00BB"}, tfeAnsi},
        {"UTF-16LE", Bytes({0xFF, 0xFE, 0x41, 0x00}), {L"A"}, tfeUtf16LE},
        {"UTF-16LE mark alone", Bytes({0xFF, 0xFE}), {}, tfeUtf16LE},
        {"UTF-16BE", Bytes({0xFE, 0xFF, 0x00, 0x41}), {L"A"}, tfeUtf16BE},
        {"UTF-16BE swapped, odd byte", Bytes({0xFE, 0xFF, 0x04, 0x1F, 0, 13, 0, 10, 0, 0x42, 1}), {L"\u041F", L"B"},
         tfeUtf16BE},
        {"UTF-8", Bytes({0xEF, 0xBB, 0xBF, 0x41}), {L"A"}, tfeUtf8},
        {"UTF-8 mark alone", Bytes({0xEF, 0xBB, 0xBF}), {}, tfeUtf8},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring file = dir.File(L"enc.txt");
        WriteBytes(file, c.bytes);
        TTntStringList list;
        list.Add(L"old");
        list.LoadFromFile(file);
        EXPECT_EQ(Lines(list), c.lines);
        EXPECT_EQ(list.LastFileEncoding(), c.encoding);
    }
}

TEST(TntStringListEncoding, MalformedUtf8KeepsTheGoodPartsAndMarksTheBad) {
    struct Case {
        const char* name;
        std::string body;
        std::wstring text;
    };
    const std::vector<Case> cases = {
        {"cut short at the end", Bytes({'a', 0xC3}), L"a\uFFFD"},
        {"cut short before ASCII", Bytes({0xE2, 0x82, 'x'}), L"\uFFFDx"},
        {"stray continuation byte", Bytes({'a', 0x80, 'b'}), L"a\uFFFDb"},
        {"overlong form", Bytes({0xC0, 0xAF, 'z'}), L"\uFFFD\uFFFDz"},
        {"encoded surrogate", Bytes({0xED, 0xA0, 0x80}), L"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80}), L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"four bytes become a surrogate pair", Bytes({0xF0, 0x9F, 0x98, 0x80, '!'}), L"\xD83D\xDE00!"},
        {"bad byte between good text", Bytes({0xD0, 0x96, 0xFF, 0xD0, 0x96}), L"\u0416\uFFFD\u0416"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring file = dir.File(L"u8.txt");
        WriteBytes(file, Bytes({0xEF, 0xBB, 0xBF}) + c.body + "\r\nend");
        TTntStringList list;
        list.LoadFromFile(file);
        EXPECT_EQ(list.LastFileEncoding(), tfeUtf8);
        EXPECT_EQ(Lines(list), L({c.text, L"end"}));
    }
}

TEST(TntStringListEncoding, SavesUtf16LeWithMarkWhateverWasLoaded) {
    TempDir dir;
    const std::wstring file = dir.File(L"save.txt");
    WriteBytes(file, Bytes({0xEF, 0xBB, 0xBF, 'A', '\n', 0xD0, 0x96}));
    TTntStringList list;
    list.LoadFromFile(file);
    list.SaveToFile(file);
    EXPECT_EQ(ReadBytes(file), Bytes({0xFF, 0xFE, 'A', 0, 13, 0, 10, 0, 0x16, 0x04, 13, 0, 10, 0}));

    TTntStringList empty;
    empty.SaveToFile(file);
    EXPECT_EQ(ReadBytes(file), Bytes({0xFF, 0xFE}));

    TMemoryStream stream;
    list.SaveToStream_BOM(&stream, false);
    EXPECT_EQ(std::string(stream.Data().begin(), stream.Data().end()),
              Bytes({'A', 0, 13, 0, 10, 0, 0x16, 0x04, 13, 0, 10, 0}));
}

TEST(TntStringListEncoding, FailedWritesAndOpensRaise) {
    TTntStringList list;
    list.Add(L"some text that does not fit");
    TLimitedStream full(10);
    EXPECT_THROW(list.SaveToStream(&full), EWriteError);

    TempDir dir;
    const std::wstring missing = dir.File(L"no such folder\\x.txt");
    std::wstring msg = MessageOf<EFCreateError>([&] { list.SaveToFile(missing); });
    EXPECT_EQ(msg.rfind(L"Cannot create file \"" + missing + L"\". ", 0), 0u) << msg;
    EXPECT_GT(msg.size(), missing.size() + 24) << "the system's reason follows";
    msg = MessageOf<EFOpenError>([&] { list.LoadFromFile(missing); });
    EXPECT_EQ(msg.rfind(L"Cannot open file \"" + missing + L"\". ", 0), 0u) << msg;
    EXPECT_EQ(Lines(list), L({L"some text that does not fit"})) << "a failed load keeps the list";
}

// ---------------------------------------------------------------------------------
// Text splitting and joining

TEST(TntStringListText, SplitsAtEachLineBreakKind) {
    struct Case {
        std::wstring text;
        L lines;
    };
    const std::vector<Case> cases = {
        {L"", {}},
        {L"a", {L"a"}},
        {L"a\r\nb\r\n", {L"a", L"b"}},
        {L"a\nb", {L"a", L"b"}},
        {L"a\rb", {L"a", L"b"}},
        {L"a\u2028b", {L"a", L"b"}},
        {L"a\r\n\u2028b", {L"a", L"b"}},
        {L"a\n\rb", {L"a", L"", L"b"}},
        {L"a\n\nb", {L"a", L"", L"b"}},
        {L"\r\n", {L""}},
        {L"\r\n\r\n", {L"", L""}},
        {std::wstring(L"a\0b", 3), {L"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        TTntStringList list;
        list.Add(L"old");
        list.SetText(c.text);
        EXPECT_EQ(Lines(list), c.lines);
    }
    TTntStringList list;
    list.SetText(L"a\n\nb\n");
    EXPECT_EQ(list.Text(), L"a\r\n\r\nb\r\n");
}

// ---------------------------------------------------------------------------------
// Index errors and growth

TEST(TntStringList, BadIndexesAndSortedEditsRaiseAndChangeNothing) {
    TTntStringList list;
    list.SetText(L"a\nb");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Strings(-1); }), L"List index out of bounds (-1)");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Objects(2); }), L"List index out of bounds (2)");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Insert(3, L"x"); }), L"List index out of bounds (3)");
    EXPECT_THROW(list.Delete(2), EStringListError);
    EXPECT_THROW(list.Exchange(0, 5), EStringListError);
    list.Insert(2, L"c"); // Count itself is a valid insertion point
    list.SetSorted(true);
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Insert(0, L"x"); }), L"Operation not allowed on sorted list");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.SetStrings(0, L"x"); }),
              L"Operation not allowed on sorted list");
    EXPECT_EQ(Lines(list), L({L"a", L"b", L"c"}));
}

TEST(TntStringList, CapacityGrowsByTheRule) {
    TTntStringList list;
    std::vector<int> seen;
    for (int i = 0; i < 95; ++i) {
        list.Add(L"x");
        if (seen.empty() || seen.back() != list.Capacity())
            seen.push_back(list.Capacity());
    }
    EXPECT_EQ(seen, std::vector<int>({4, 8, 12, 28, 44, 60, 76, 95}));
    list.Clear();
    EXPECT_EQ(list.Capacity(), 0);
    list.Add(L"a");
    list.Add(L"b");
    EXPECT_THROW(list.SetCapacity(1), EStringListError);
    EXPECT_EQ(Lines(list), L({L"a", L"b"}));
}

// ---------------------------------------------------------------------------------
// Sorted lists

TEST(TntStringListSorted, EachDuplicatePolicy) {
    TObject first, second;
    for (TDuplicates policy : {dupIgnore, dupAccept, dupError}) {
        SCOPED_TRACE(static_cast<int>(policy));
        TTntStringList list;
        list.SetSorted(true);
        list.SetDuplicates(policy);
        list.Add(L"c");
        list.AddObject(L"b", &first);
        list.Add(L"a");
        ASSERT_EQ(Lines(list), L({L"a", L"b", L"c"}));
        switch (policy) {
        case dupIgnore:
            EXPECT_EQ(list.AddObject(L"B", &second), 1);
            EXPECT_EQ(Lines(list), L({L"a", L"b", L"c"}));
            EXPECT_EQ(list.Objects(1), &first);
            break;
        case dupAccept:
            EXPECT_EQ(list.AddObject(L"B", &second), 1);
            EXPECT_EQ(Lines(list), L({L"a", L"B", L"b", L"c"}));
            EXPECT_EQ(list.Objects(1), &second);
            EXPECT_EQ(list.AddObject(L"b", nullptr), 1) << "before the first equal line";
            break;
        case dupError:
            EXPECT_EQ(MessageOf<EStringListError>([&] { list.Add(L"B"); }),
                      L"String list does not allow duplicates");
            EXPECT_EQ(Lines(list), L({L"a", L"b", L"c"}));
            break;
        }
    }
}

TEST(TntStringListSorted, FindGivesInsertionPointOrFirstEqualLine) {
    TTntStringList list;
    list.SetDuplicates(dupAccept);
    list.SetSorted(true);
    for (const wchar_t* s : {L"m", L"d", L"m", L"x", L"m", L"a"})
        list.Add(s);
    int index = -1;
    EXPECT_TRUE(list.Find(L"m", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find(L"e", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find(L"z", index));
    EXPECT_EQ(index, 6);
    EXPECT_FALSE(list.Find(L"0", index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(list.IndexOf(L"X"), 5);
    EXPECT_EQ(list.IndexOf(L"q"), -1);
}

TEST(TntStringListSorted, TurningSortedOnSortsTheList) {
    TTntStringList list;
    for (const wchar_t* s : {L"pear", L"apple", L"fig", L"banana"})
        list.Add(s);
    list.SetSorted(true);
    EXPECT_EQ(Lines(list), L({L"apple", L"banana", L"fig", L"pear"}));
    EXPECT_EQ(list.IndexOf(L"fig"), 2);
    EXPECT_EQ(list.Add(L"cherry"), 2);
    EXPECT_EQ(list.Add(L"pear"), 4) << "duplicate found, so ignored";
    EXPECT_EQ(list.Count(), 5);
}

TEST(TntStringListSorted, CaseSensitivityDecidesEqualityAndResorts) {
    for (bool sorted : {false, true}) {
        SCOPED_TRACE(sorted ? "sorted" : "unsorted");
        TTntStringList list;
        list.SetDuplicates(dupAccept);
        list.SetSorted(sorted);
        for (const wchar_t* s : {L"ABC", L"abc", L"KEY=value", L"ABC", L"abc", L"ABB"})
            list.Add(s);
        int index;
        EXPECT_TRUE(list.Find(L"aBc", index) || !sorted);
        EXPECT_EQ(list.Strings(list.IndexOf(L"aBc")).size(), 3u);
        EXPECT_EQ(list.Values(L"key"), L"value");
        list.SetCaseSensitive(true);
        for (int i = 1; sorted && i < list.Count(); ++i)
            EXPECT_LE(list.CompareStrings(list.Strings(i - 1), list.Strings(i)), 0) << i;
        EXPECT_EQ(list.IndexOf(L"aBc"), -1);
        ASSERT_GE(list.IndexOf(L"ABC"), 0);
        EXPECT_EQ(list.Strings(list.IndexOf(L"ABC")), L"ABC");
        EXPECT_EQ(list.Strings(list.IndexOf(L"abc")), L"abc");
        EXPECT_EQ(list.IndexOfName(L"key"), -1);
        EXPECT_GE(list.IndexOfName(L"KEY"), 0);
    }
}

TEST(TntStringListSorted, SortAndCustomSortOrderEveryItem) {
    std::mt19937 rng(7);
    TTntStringList list;
    for (int i = 0; i < 500; ++i)
        list.Add(std::wstring(rng() % 6, static_cast<wchar_t>(L'a' + rng() % 4)));
    std::vector<std::wstring> expected = Lines(list);
    list.CustomSort([](TTntStringList* l, int a, int b) {
        return static_cast<int>(l->Strings(b).size()) - static_cast<int>(l->Strings(a).size());
    });
    for (int i = 1; i < list.Count(); ++i)
        ASSERT_GE(list.Strings(i - 1).size(), list.Strings(i).size());
    list.Sort();
    for (int i = 1; i < list.Count(); ++i)
        ASSERT_LE(list.CompareStrings(list.Strings(i - 1), list.Strings(i)), 0);
    std::vector<std::wstring> got = Lines(list);
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);

    // The order of a sorted list is fixed: a custom sort leaves it.
    list.SetSorted(true);
    list.CustomSort([](TTntStringList*, int a, int b) { return b - a; });
    EXPECT_EQ(Lines(list), got);
}

// ---------------------------------------------------------------------------------
// Names, values, objects and assignment

TEST(TntStringList, NamesAndValues) {
    TTntStringList list;
    list.SetText(L"plain\nk1=v1\nk2=a=b\n=empty name");
    EXPECT_EQ(list.Names(0), L"");
    EXPECT_EQ(list.Names(2), L"k2");
    EXPECT_EQ(list.Values(L"K2"), L"a=b");
    EXPECT_EQ(list.IndexOfName(L"plain"), -1);
    EXPECT_EQ(list.IndexOfName(L""), 3);
    list.SetValues(L"k1", L"new");
    list.SetValues(L"k3", L"added");
    list.SetValues(L"k2", L"");
    EXPECT_EQ(Lines(list), L({L"plain", L"k1=new", L"=empty name", L"k3=added"}));

    list.SetNameValueSeparator(L':');
    list.Add(L"host:example");
    EXPECT_EQ(list.Values(L"host"), L"example");
    EXPECT_EQ(list.IndexOfName(L"k1"), -1);
}

TEST(TntStringList, AssignMoveExchangeKeepObjects) {
    TObject a, c;
    TTntStringList source;
    source.AddObject(L"a", &a);
    source.Add(L"b");
    source.AddObject(L"c", &c);
    source.SetDelimiter(L';');

    TTntStringList copy;
    copy.Add(L"gone");
    copy.Assign(&source);
    EXPECT_EQ(copy.Objects(2), &c);
    EXPECT_EQ(copy.Delimiter(), L';');
    copy.Move(0, 2);
    copy.Exchange(0, 1);
    EXPECT_EQ(Lines(copy), L({L"c", L"b", L"a"}));
    EXPECT_EQ(copy.IndexOfObject(&a), 2);
    EXPECT_EQ(copy.Objects(0), &c);

    copy.Assign(&copy);
    copy.AddStrings(&copy);
    EXPECT_EQ(Lines(copy), L({L"c", L"b", L"a", L"c", L"b", L"a"}));
}

// ---------------------------------------------------------------------------------
// Change events

TEST(TntStringList, ChangeEventsAreHeldBackDuringUpdates) {
    TTntStringList list;
    int changing = 0, changed = 0;
    list.OnChanging = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++changing;
    };
    list.OnChange = [&](TObject*) { ++changed; };

    list.Add(L"a");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);

    list.BeginUpdate();
    list.BeginUpdate();
    list.Add(L"b");
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(changed, 1) << "still inside the outer update";
    list.EndUpdate();
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 2);

    list.SetText(L"x\ny\nz");
    EXPECT_EQ(changed, 3) << "one event for the whole text";

    list.SetSorted(true);
    const int before = changed;
    EXPECT_THROW(list.SetStrings(0, L"q"), EStringListError);
    list.Clear();
    list.Clear();
    EXPECT_EQ(changed, before + 1) << "a failed edit and clearing an empty list say nothing";
}
