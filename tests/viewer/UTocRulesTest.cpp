// Rules of the contents tree: node image kinds, the kept form of orphan entries, record
// look-up and removal, the quick-sync list.
#include "UTocRules.h"

#include <gtest/gtest.h>

namespace {

TTocImageLevel N(const wchar_t* Version, const wchar_t* Locale = L"en-US") { return {false, Version, Locale}; }
TTocImageLevel O(const wchar_t* Version, const wchar_t* Locale = L"en-US") { return {true, Version, Locale}; }

TTocItem Item(const wchar_t* Id, const wchar_t* Version, const wchar_t* Locale, const wchar_t* Title = L"t") {
    TTocItem i;
    i.Id = Id;
    i.TopicVersion = Version;
    i.TopicLocale = Locale;
    i.Title = Title;
    return i;
}

TTocEntry Entry(const wchar_t* Id, const wchar_t* Version, const wchar_t* Locale, const wchar_t* Title) {
    return TTocEntry{Id, Title, Version, Locale};
}

} // namespace

TEST(TocRules, ImageKindFollowsOrphansAndVersionChangesUpTheChain) {
    struct Case {
        std::vector<TTocImageLevel> Chain; // the node first, its top-level ancestor last
        TTocImageKind Kind;
    };
    const Case cases[] = {
        {{N(L"100")}, TTocImageKind::Normal},
        {{N(L"100"), N(L"100"), N(L"100")}, TTocImageKind::Normal},
        // One change (version, or locale with equal versions) below the top: mixed.
        {{N(L"90"), N(L"100")}, TTocImageKind::Mixed},
        {{N(L"100", L"de-DE"), N(L"100", L"en-US")}, TTocImageKind::Mixed},
        {{N(L"100", L"EN-US"), N(L"100", L"en-US")}, TTocImageKind::Mixed}, // exact compare
        // Changing back counts twice: normal again.
        {{N(L"100"), N(L"90"), N(L"100")}, TTocImageKind::Normal},
        // An orphan at level 1 (the node itself) is always an orphan.
        {{O(L"100")}, TTocImageKind::Orphan},
        {{O(L"90"), N(L"100")}, TTocImageKind::Orphan},
        // Below an orphan the node draws as one unless a change happens below it.
        {{N(L"100"), N(L"100"), O(L"100")}, TTocImageKind::Orphan},
        {{N(L"90"), O(L"100")}, TTocImageKind::Mixed},
        {{N(L"100"), N(L"90"), O(L"100")}, TTocImageKind::Normal},
        // The highest orphan counts; a change above it is not walked as a change of the node.
        {{N(L"100"), O(L"100"), N(L"100"), O(L"100")}, TTocImageKind::Orphan},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(TocImageKind(cases[i].Chain), cases[i].Kind) << "case " << i;

    // Three images per kind: no children, collapsed, expanded.
    EXPECT_EQ(TocImageIndex(TTocImageKind::Normal, false, false), 0);
    EXPECT_EQ(TocImageIndex(TTocImageKind::Normal, true, true), 2);
    EXPECT_EQ(TocImageIndex(TTocImageKind::Orphan, false, true), 3);
    EXPECT_EQ(TocImageIndex(TTocImageKind::Orphan, true, false), 4);
    EXPECT_EQ(TocImageIndex(TTocImageKind::Mixed, true, true), 8);
}

TEST(TocRules, OrphanEntriesAreKeptInOneFormAndOthersAreRefused) {
    EXPECT_EQ(OrphanEntry(L"N:System", L"100", L"en-US"), L"&id=N:System&topicversion=100&topiclocale=en-US");
    std::wstring id, version, locale;
    ASSERT_TRUE(ParseOrphanEntry(L"&id=N:System&topicversion=100&topiclocale=en-US", id, version, locale));
    EXPECT_EQ(id + L"|" + version + L"|" + locale, L"N:System|100|en-US");
    ASSERT_TRUE(ParseOrphanEntry(L"&ID=vb6&TopicVersion=&TopicLocale=", id, version, locale));
    EXPECT_EQ(id + L"|" + version + L"|" + locale, L"vb6||");
    for (const wchar_t* bad : {L"", L"garbage", L"id=x&topicversion=1&topiclocale=en", L"&id=&topicversion=1&topiclocale=en",
                               L"&id=x&topiclocale=en&topicversion=1", L"&id=x&topicversion=1",
                               L"&id=x&topicversion=1&topiclocale=en&extra=1", L"&id=a=b&topicversion=1&topiclocale=en",
                               EmptyTreeOrphanEntry})
        EXPECT_FALSE(ParseOrphanEntry(bad, id, version, locale)) << bad;
}

TEST(TocRules, RecordsAreFoundByIdInAnyCaseAndTheirInstanceExactly) {
    const TTocItemArray list = {Item(L"T:Button", L"90", L"en-US"), Item(L"t:button", L"100", L"en-US"),
                                Item(L"T:BUTTON", L"100", L"en-US"), Item(L"T:Button", L"100", L"de-DE")};
    EXPECT_EQ(FindTocRecord(list, L"T:Button", L"100", L"en-US"), 1);
    EXPECT_EQ(FindTocRecord(list, L"T:Button", L"100", L"DE-DE"), -1);
    EXPECT_EQ(FindTocRecord(list, L"T:Button", L"", L""), -1);
    EXPECT_EQ(FindTocRecord(list, L"T:Buttons", L"90", L"en-US"), -1);
}

TEST(TocRules, RemovingRecordsKeepsTheOrderAndMapsEveryOldIndex) {
    TTocItemArray list = {Item(L"a", L"", L""), Item(L"b", L"", L""), Item(L"c", L"", L""), Item(L"d", L"", L""),
                          Item(L"e", L"", L"")};
    const std::vector<int> map = RemoveTocRecords(list, {false, true, true, false}); // "e" has no mark: kept
    EXPECT_EQ(map, (std::vector<int>{0, -1, -1, 1, 2}));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Id + list[1].Id + list[2].Id, L"ade");
}

TEST(TocRules, QuickSyncGathersParentsSiblingsOfTheInstanceAndTheTopicsChildren) {
    TTocReturn toc;
    toc.Parents = {Entry(L"root", L"100", L"en-US", L"Root"), Entry(L"ns", L"100", L"en-US", L"System.Windows.Forms Namespace")};
    toc.Siblings = {Entry(L"T:Other", L"100", L"en-US", L"Other"), Entry(L"T:Button", L"100", L"de-DE", L"Button-Klasse"),
                    Entry(L"T%3ABUTTON", L"100", L"en-US", L"Button Class (System.Windows.Forms)")};
    toc.Children = {Entry(L"M:Click", L"100", L"en-US", L"Click &amp; Go"), Entry(L"M:Klick", L"100", L"de-DE", L"Klick")};
    const TTocItemArray list = DirtySyncList(toc, L"T:Button", L"100", L"en-US");
    std::vector<std::wstring> titles;
    for (const TTocItem& i : list)
        titles.push_back(i.Id + L"=" + i.Title);
    // The sibling's title is tidied against what was gathered before it; titles are decoded.
    EXPECT_EQ(titles, (std::vector<std::wstring>{L"root=Root", L"ns=System.Windows.Forms Namespace", L"T:Other=Other",
                                                 L"T%3ABUTTON=Button Class", L"M:Click=Click & Go"}));
    // A topic that is not among its siblings of that instance brings no children.
    EXPECT_EQ(DirtySyncList(toc, L"T:Missing", L"100", L"en-US").size(), 4u);
}
