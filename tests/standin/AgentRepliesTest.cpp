#include "SampleStore.h"
#include "StText.h"

using namespace standin_test;
using standin::AgentOptions;
using Strings = std::vector<std::string>;

class StandinReplies : public ::testing::Test {
protected:
    void SetUp() override {
        s = &SampleStore::Get();
        ASSERT_TRUE(s->loaded) << s->inst.output;
    }
    SampleStore* s = nullptr;
};

TEST_F(StandinReplies, TopLevelChildrenKeepOtherVersionBooksOut) {
    std::string xml = s->Ask("method=children&id=-1&format=xml");
    EXPECT_EQ(Values(xml, "topic", "id"), (Strings{"PackageThisRootID", "contoso-root", "vb6-reference"}));
    EXPECT_EQ(Values(xml, "title", ""), (Strings{"Visual Studio 2010 Help Library", "Contoso Widgets &amp; Gadgets",
                                                  "Visual Basic 6.0 Reference"}));
    EXPECT_NE(xml.find("<url>ms-xhelp:///?method=page&amp;id=vb6-reference&amp;product=VS&amp;productversion=100&amp;"
                       "locale=EN-US&amp;topicversion=&amp;topiclocale=EN-US</url>"),
              std::string::npos)
        << xml;
    EXPECT_EQ(xml.find("<?xml"), 0u);
    // the de-DE catalog shares the .NET package and the Contoso book
    std::string de = s->Ask("product=vs&productVersion=100&locale=DE-de&method=children&id=PackageThisRootID&format=xml");
    EXPECT_EQ(Values(de, "topic", "id"), (Strings{"whats-new", "ide-getting-started", "netfx-root"}));
    EXPECT_EQ(Values(s->Ask("product=Empty&productVersion=100&locale=en-US&method=children&id=-1&format=xml"), "topic", "id"),
              Strings{});
}

TEST_F(StandinReplies, ChildrenFollowTocOrderAndTheParentInstance) {
    EXPECT_EQ(Count(s->Ask("method=children&id=editor-options&format=xml"), "<topic "), 30u);
    EXPECT_EQ(Count(s->Ask("method=children&id=SHORTCUTS&format=xml"), "<topic "), 35u);
    std::string forms = s->Ask("method=children&id=N:System.Windows.Forms&format=xml");
    // the 100 namespace holds the en-US and the de-DE Button; the version-90 Button hangs under the 90 namespace
    EXPECT_EQ(Values(forms, "title", ""), (Strings{"Button Class (System.Windows.Forms)", "Button-Klasse (System.Windows.Forms)"}));
    EXPECT_NE(forms.find("id=T:SYSTEM.WINDOWS.FORMS.BUTTON&amp;"), std::string::npos);
    std::string v90 = s->Ask("method=children&id=N:System.Windows.Forms&topicversion=90&format=xml");
    EXPECT_EQ(Count(v90, "<topic "), 1u);
    EXPECT_NE(v90.find("topicversion=90&amp;"), std::string::npos);
    EXPECT_EQ(Count(s->Ask("method=children&id=no-such-topic&format=xml"), "<topic "), 0u);
}

TEST_F(StandinReplies, AncestorsRunFromTheTopDownToTheTopic) {
    std::string xml = s->Ask("method=ancestors&id=m:system.icomparable.compareto(system.object)&format=xml");
    EXPECT_EQ(Values(xml, "topic", "id"),
              (Strings{"PackageThisRootID", "netfx-root", "netfx-classlib", "N:System", "T:System.IComparable",
                       "AllMembers.T:System.IComparable", "M:System.IComparable.CompareTo(System.Object)"}));
    // a dangling parent ends the chain: the orphan group starts at the topmost installed topic
    EXPECT_EQ(Values(s->Ask("method=ancestors&id=orphan-child&format=xml"), "topic", "id"),
              (Strings{"orphan-parent", "orphan-child"}));
    EXPECT_EQ(Values(s->Ask("method=ancestors&id=-1&format=xml"), "topic", "id"), Strings{"-1"});
    EXPECT_EQ(s->Ask("method=ancestors&id=nothing&format=xml").find("<topic"), std::string::npos);
    // other versions go up their own instances
    std::string v90 = s->Ask("method=ancestors&id=T:System.Windows.Forms.Button&topicversion=90&format=xml");
    EXPECT_EQ(Values(v90, "topic", "id"),
              (Strings{"F61F02F2-2F20-483D-8F56-A9C8F3A54986", "N:System.Windows.Forms", "T:System.Windows.Forms.Button"}));
}

TEST_F(StandinReplies, TocListsParentsSiblingsAndChildren) {
    std::string xml = s->Ask("method=toc&id=T:System.Windows.Forms.Button&format=xml");
    size_t parents = xml.find("<parents>"), siblings = xml.find("<siblings>"), children = xml.find("<children>");
    ASSERT_TRUE(parents < siblings && siblings < children) << xml;
    Strings ids = Values(xml, "topic", "id");
    EXPECT_EQ(ids.front(), "-1");
    EXPECT_EQ(Values(xml.substr(children), "topic", "id"), Strings{"E:System.Windows.Forms.Button.DoubleClick"});
    std::string sib = xml.substr(siblings, children - siblings);
    EXPECT_EQ(Count(sib, "id=\"T:System.Windows.Forms.Button\""), 2u);  // itself and its de-DE instance
    std::string p = xml.substr(parents, siblings - parents);
    EXPECT_EQ(p.find("id=\"T:System.Windows.Forms.Button\""), std::string::npos);
}

TEST_F(StandinReplies, PagesCarryTheHeadMetasAndTheFrame) {
    std::string home = s->Ask("method=page&id=-1&format=xml");
    EXPECT_NE(home.find("<meta name=\"Microsoft.Help.Id\" content=\"-1\" />"), std::string::npos);
    EXPECT_NE(home.find("?install=2"), std::string::npos);
    std::string page = s->Ask("method=page&id=T:System.String&topicversion=100&topiclocale=en-US&format=html");
    EXPECT_NE(page.find("content=\"T:System.String\""), std::string::npos);
    EXPECT_NE(page.find("class=\"OH_leftNav\""), std::string::npos);
    EXPECT_NE(page.find("id=\"TocResize\""), std::string::npos);
    EXPECT_NE(page.find("class=\"OH_outerContent\""), std::string::npos);
    EXPECT_LT(page.find("Microsoft.Help.Id"), page.find("<body"));
    std::string embedded = s->Ask("method=page&id=T:System.String&format=html&embedded=true");
    EXPECT_EQ(embedded.find("OH_leftNav"), std::string::npos);
    // instance choice by version and locale; real content links carry only an id
    EXPECT_NE(s->Ask("method=page&id=T:System.Windows.Forms.Button&topicversion=95").find("Button Class (Silverlight)"),
              std::string::npos);
    EXPECT_NE(s->Ask("method=page&id=T:System.Windows.Forms.Button&topiclocale=DE-DE").find("Button-Klasse"),
              std::string::npos);
    EXPECT_NE(s->Ask("Id=ide-glued").find("<title>Solution Explorer</title><meta"), std::string::npos);
    // the locale switch finds the German instance in the German catalog
    std::string de = s->Ask("product=VS&productVersion=100&locale=de-DE&method=page&id=whats-new&format=html");
    EXPECT_NE(de.find("Neues in Visual Studio 2010"), std::string::npos);
    // no product: the default catalog
    EXPECT_NE(standin::HandleHelpQuery(s->store, {}, "method=page&id=whats-new").body.find("What\xC3\xA2\xE2\x82\xAC\xE2\x84\xA2s New"),
              std::string::npos);
}

TEST_F(StandinReplies, UnknownTopicsGetAPageWithoutIdUnlessAskedFor) {
    int status = 0;
    std::string page = s->Ask("method=page&id=no-such-topic&format=html", {}, &status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(page.find("Microsoft.Help.Id"), std::string::npos);
    AgentOptions withId;
    withId.notFoundId = true;
    EXPECT_NE(s->Ask("method=page&id=no-such-topic", withId).find("content=\"no-such-topic\""), std::string::npos);
    s->Ask("method=unknown", {}, &status);
    EXPECT_EQ(status, 404);
    standin::Reply r = standin::HandleHelpQuery(s->store, {}, "product=XX&productVersion=1&method=children&id=-1");
    EXPECT_EQ(r.status, 404);
    EXPECT_TRUE(r.body.empty());
}

TEST_F(StandinReplies, F1TriesEachQueryInOrder) {
    std::string page = s->Ask("method=f1&query=No.Such.Keyword&query=system.string&format=html");
    EXPECT_NE(page.find("content=\"T:System.String\""), std::string::npos);
    EXPECT_NE(s->Ask("method=f1&query=VS.CodeEditor").find("content=\"f1-editor\""), std::string::npos);
    std::string none = s->Ask("method=f1&query=Nothing.Here");
    EXPECT_NE(none.find("Topic not found"), std::string::npos);
    EXPECT_EQ(none.find("Microsoft.Help.Id"), std::string::npos);
}

TEST_F(StandinReplies, KeywordPagesCoverTheIndexExactlyOnce) {
    std::string all = s->Ask("method=keywords&query=&format=xml&pagesize=50000&pagenumber=1");
    Strings every = Values(all, "keyword", "value");
    std::string total = Values(all, "keywords", "totalkeywords").at(0);
    EXPECT_EQ(total, std::to_string(every.size()));
    ASSERT_GT(every.size(), 30u);
    Strings paged;
    for (int page = 1;; ++page) {
        std::string xml = s->Ask("method=keywords&query=&format=xml&pagesize=10&pagenumber=" + std::to_string(page));
        EXPECT_EQ(Values(xml, "keywords", "totalkeywords").at(0), total);
        Strings got = Values(xml, "keyword", "value");
        EXPECT_EQ(Values(xml, "keywords", "returnedkeywords").at(0), std::to_string(got.size()));
        if (got.empty()) break;
        paged.insert(paged.end(), got.begin(), got.end());
        ASSERT_LT(page, 100);
    }
    EXPECT_EQ(paged, every);
    // escaping of keyword text and the sub-key attributes
    EXPECT_NE(all.find("<keyword value=\"&amp;&amp; operator [C#]\">"), std::string::npos);
    EXPECT_NE(all.find("<subkey display=\"&lt; and &gt;\" keyvalue=\"operators [C#],&lt; and &gt;\" />"), std::string::npos);
    EXPECT_NE(all.find("value=\"Dictionary%3CTKey%2C TValue%3E class\""), std::string::npos);
    EXPECT_NE(all.find("value=\"\xC3\x9C" "ber-Widgets\""), std::string::npos);
}

TEST_F(StandinReplies, KeywordPrefixQueriesIgnoreCase) {
    std::string b = s->Ask("method=keywords&query=b&format=xml&pagesize=50000&pagenumber=1");
    EXPECT_EQ(Values(b, "keyword", "value"), (Strings{"Binding class [WPF]", "Button class"}));
    EXPECT_EQ(Values(b, "subkey", "display"), (Strings{"about Button class", "events"}));
    std::string lt = s->Ask("method=keywords&query=%253C&format=xml&pagesize=2000&pagenumber=1");
    EXPECT_EQ(Values(lt, "keyword", "value"), (Strings{"&lt; operator [C#]", "&lt;&lt; operator [C#]"}));
    std::string dict = s->Ask("method=keywords&query=dictionary%253C&format=xml&pagesize=2000&pagenumber=1");
    EXPECT_EQ(Values(dict, "keyword", "value").size(), 1u);
    std::string past = s->Ask("method=keywords&query=b&format=xml&pagesize=50000&pagenumber=2");
    EXPECT_NE(past.find("totalkeywords=\"2\" returnedkeywords=\"0\""), std::string::npos);
}

TEST_F(StandinReplies, KeywordTopicsForBothAgentKinds) {
    std::string q = "method=keywords&query=Button+class,about+Button+class&format=xml&pagesize=1000&pagenumber=1";
    std::string hits = s->Ask(q + "&category=topic");
    EXPECT_EQ(Values(hits, "topic", "topicVersion"), (Strings{"100", "90", "95", "100"}));
    EXPECT_EQ(Values(hits, "topic", "topicLocale"), (Strings{"en-US", "en-US", "en-US", "de-DE"}));
    // a top-level keyword that only has sub-keys has no topics
    EXPECT_EQ(Count(s->Ask("method=keywords&query=Button+class&format=xml&category=topic"), "<topic "), 0u);
    // the viewer's escaping of generic names and of entities
    EXPECT_EQ(Count(s->Ask("method=keywords&query=Dictionary%253CTKey%252C+TValue%253E+class&format=xml&category=topic"), "<topic "), 1u);
    EXPECT_EQ(Count(s->Ask("method=keywords&query=%253C%253C+operator+[C%23]&format=xml&category=topic"), "<topic "), 1u);
    EXPECT_EQ(Count(s->Ask("method=keywords&query=&amp;&amp;+operator+[C%23]&format=xml&category=topic"), "<topic "), 1u);
    EXPECT_EQ(Count(s->Ask("method=keywords&query=&#220;ber-Widgets&format=xml&category=topic"), "<topic "), 1u);
    EXPECT_EQ(Count(s->Ask("method=keywords&query=operators+[C%23],%253C+and+%253E&format=xml&category=topic"), "<topic "), 1u);
    // new agents answer a plain keyword query with keywords only; old ones add the topics of an exact match
    std::string plain = "method=keywords&query=CompareTo+method&format=xml&pagesize=1000&pagenumber=1";
    EXPECT_EQ(Count(s->Ask(plain), "<topic "), 0u);
    AgentOptions old;
    old.newAgent = false;
    std::string oldReply = s->Ask(plain, old);
    EXPECT_EQ(Count(oldReply, "<topic "), 1u);
    EXPECT_EQ(Count(oldReply, "<keyword "), 1u);
}

TEST_F(StandinReplies, KeywordAndSearchPagesAreHtmlWithoutTopicId) {
    std::string none = s->Ask("method=keywords&query=Button+class&format=html");
    EXPECT_NE(none.find("No topics found"), std::string::npos);
    EXPECT_EQ(none.find("Microsoft.Help.Id"), std::string::npos);
    std::string some = s->Ask("method=keywords&query=CompareTo+method&format=html&category=topic");
    EXPECT_NE(some.find("method=page&amp;id=M:SYSTEM.ICOMPARABLE.COMPARETO(SYSTEM.OBJECT)"), std::string::npos);

    std::string first = s->Ask("method=search&query=widget&format=html&PageSize=2&PageNumber=1");
    EXPECT_EQ(first.find("Microsoft.Help.Id"), std::string::npos);
    EXPECT_EQ(Count(first, "class=\"OH_searchResult\""), 2u);
    EXPECT_NE(first.find("Widget Class"), std::string::npos);  // title hits rank first
    EXPECT_NE(first.find("class=\"OH_searchPaging\""), std::string::npos);
    EXPECT_NE(first.find("method=search&amp;query=widget&amp;PageSize=2&amp;PageNumber=2\">Next"), std::string::npos);
    EXPECT_EQ(first.find(">Previous<"), std::string::npos);
    std::string last = s->Ask("method=search&query=widget&format=html&PageSize=2&PageNumber=2");
    EXPECT_NE(last.find(">Previous<"), std::string::npos);
    EXPECT_NE(s->Ask("method=search&query=zzzqqq&format=html").find("No results found"), std::string::npos);
}

TEST_F(StandinReplies, AssetsComeFromTheStoreAndStayInsideIt) {
    int status = 0;
    s->Ask("content\\\\Microsoft\\\\store\\\\dev10-IE6.mshc;/VS-logo.png", {}, &status);
    EXPECT_EQ(status, 200);
    standin::Reply logo = standin::HandleHelpQuery(s->store, {}, "content\\Microsoft\\store\\dev10-IE6.mshc;/VS-logo.png");
    EXPECT_EQ(logo.contentType, "image/png");
    EXPECT_EQ(logo.body.compare(1, 3, "PNG"), 0);
    EXPECT_EQ(standin::HandleHelpQuery(s->store, {}, "content\\..\\..\\x.mshc;/secret.txt").status, 404);
    EXPECT_EQ(standin::HandleHelpQuery(s->store, {}, "content\\Microsoft\\store\\dev10-IE6.mshc;/none.png").status, 404);
}

TEST_F(StandinReplies, HugePageNumbersGiveEmptyPages) {
    std::string all = s->Ask("method=keywords&query=&format=xml");
    std::string total = Values(all, "keywords", "totalkeywords").at(0);
    // page offsets past the 64-bit range
    for (const char* page : {"999999999999", "9223374", "18446745"}) {
        std::string huge = s->Ask("method=keywords&query=&format=xml&pagesize=999999999999&pagenumber=" + std::string(page));
        EXPECT_NE(huge.find("totalkeywords=\"" + total + "\" returnedkeywords=\"0\""), std::string::npos)
            << page << ": " << huge.substr(0, 200);
        EXPECT_EQ(Count(huge, "<keyword "), 0u) << page;
    }
    std::string big = s->Ask("method=keywords&query=&format=xml&pagesize=999999999999&pagenumber=1");
    EXPECT_EQ(Values(big, "keywords", "returnedkeywords").at(0), total);
    for (const char* page : {"999999999999", "9223374", "18446745"}) {
        std::string search = s->Ask("method=search&query=widget&format=html&PageSize=999999999999&PageNumber=" + std::string(page));
        EXPECT_EQ(Count(search, "class=\"OH_searchResult\""), 0u) << page;
        EXPECT_EQ(search.find(">Next<"), std::string::npos) << page;
    }
}

TEST(StandinInstances, AnEmptyTopicVersionPicksTheInstanceWithoutVersion) {
    auto topic = [](const wchar_t* id, const wchar_t* title, const wchar_t* version, const wchar_t* parent, int order) {
        standin::Topic t;
        t.id = id;
        t.key = standin::LowerAscii(t.id);
        t.title = title;
        t.version = version;
        t.locale = L"en-US";
        t.parent = parent;
        t.parentKey = standin::LowerAscii(t.parent);
        t.order = order;
        t.vendor = L"Microsoft";
        t.generated = true;
        return t;
    };
    standin::Store store;
    store.AddCatalog(L"VS", L"100", L"en-US", L"Versions",
                     {topic(L"book", L"Book", L"100", L"-1", 1), topic(L"book", L"Old Book", L"", L"-1", 2),
                      topic(L"new-page", L"New Page", L"100", L"book", 1), topic(L"old-page", L"Old Page", L"", L"book", 1)});
    std::string p = "product=VS&productVersion=100&locale=en-US&";
    // the viewer sends "topicversion=" empty for a topic that came without a version
    std::string old = standin::HandleHelpQuery(store, {}, p + "method=children&id=book&topicversion=&topiclocale=EN-US&format=xml").body;
    EXPECT_NE(old.find("Old Page"), std::string::npos) << old;
    EXPECT_EQ(old.find("New Page"), std::string::npos);
    std::string page = standin::HandleHelpQuery(store, {}, p + "method=page&id=book&topicversion=&format=html").body;
    EXPECT_NE(page.find("<title>Old Book</title>"), std::string::npos);
    // without the parameter the catalog's own version is chosen
    std::string plain = standin::HandleHelpQuery(store, {}, p + "method=children&id=book&format=xml").body;
    EXPECT_NE(plain.find("New Page"), std::string::npos);
}
