#include "HtmlTags.h"

// The scanner goes together with forms, menus and actions in one unit (the viewer's speech
// and browser frame need both): no name of one clashes with the other.
#include "ActnList.h"
#include "Forms.h"
#include "Menus.h"
#include "TestHarness.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Every tag of a text as "name" / "/name" (with id), in order.
std::vector<std::wstring> Walk(const std::wstring& text, std::vector<int>* ids = nullptr) {
    THTML_TagRipper r(text);
    std::vector<std::wstring> out;
    int pos = 1;
    std::wstring name;
    while (r.NextTagName(pos, name)) {
        out.push_back((r.IsEndTag ? L"/" : L"") + name);
        if (ids) ids->push_back(r.TagId);
    }
    return out;
}

} // namespace

TEST(HtmlTagsTable, RowsAndLayouts) {
    EXPECT_EQ(HtmlTagTable[1].Name, L"?xml");
    EXPECT_EQ(HtmlTagTable[61].Name, L"mshelp:attr");
    EXPECT_EQ(HtmlTagTable[61].UpperName, L"MSHELP:ATTR");
    EXPECT_EQ(HtmlTagTable[106].Name, L"xmp");
    int layout1 = 0, layout2 = 0;
    for (int id = 1; id <= HtmlTagCount; ++id) {
        EXPECT_EQ(HtmlTagTable[id].NameLength, static_cast<int>(HtmlTagTable[id].Name.size()));
        layout1 += HtmlTagTable[id].Layout == 1;
        layout2 += HtmlTagTable[id].Layout == 2;
    }
    EXPECT_EQ(layout1, 28);
    EXPECT_EQ(layout2, 36);
    EXPECT_EQ(HtmlTagTable[69].Layout, 0); // mshelp:link is not structural
    EXPECT_EQ(TH3Tags[5].LowerName, L"microsoft.help.id");
}

TEST(HtmlTagsScan, TagIdsAndNames) {
    std::wstring t = L"<abbr><ab><A HREF=x>z</a><mshelp:keyword index=\"K\"/><br/><?xml version=\"1.0\"?>";
    std::vector<int> ids;
    EXPECT_EQ(Walk(t, &ids), (std::vector<std::wstring>{L"abbr", L"ab", L"A", L"/a", L"mshelp:keyword", L"br",
                                                         L"?xml"}));
    EXPECT_EQ(ids, (std::vector<int>{5, 0, 4, 4, 64, 17, 1}));

    THTML_TagRipper r(t);
    int pos = 1;
    ASSERT_TRUE(r.FindTagId(pos, tagA));
    EXPECT_EQ(r.GetAttribute(L"href"), L"x");
    EXPECT_EQ(r.IndexOfAttribute(L"HREF"), 0);
    EXPECT_EQ(r.IndexOfAttribute(L"name"), -1);
    ASSERT_TRUE(r.FindTagId(pos, tagMsHelpKeyword));
    EXPECT_EQ(r.SpecialCode, 4);
    EXPECT_TRUE(r.IsSelfClosing);
    EXPECT_EQ(r.TagIdAt(r.TagStart), tagMsHelpKeyword);
    EXPECT_EQ(r.TagIdAt(r.TagStart + 1), tagMsHelpKeyword);
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_TRUE(r.IsSelfClosing);
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagId, tagXmlDecl);
    EXPECT_FALSE(r.ParseError); // the closing "?>" of a declaration is no error
    EXPECT_EQ(r.GetAttribute(L"version"), L"1.0");
    EXPECT_FALSE(r.NextTag(pos));
}

TEST(HtmlTagsScan, ShortTagsAtTheEndOfTheText) {
    // A complete tag is found however close to the end it is.
    EXPECT_EQ(Walk(L"x<b>"), (std::vector<std::wstring>{L"b"}));
    EXPECT_EQ(Walk(L"<p>text</p>"), (std::vector<std::wstring>{L"p", L"/p"}));
    EXPECT_EQ(Walk(L"line<br>"), (std::vector<std::wstring>{L"br"}));
    EXPECT_EQ(Walk(L"<a>"), (std::vector<std::wstring>{L"a"}));
    // Incomplete ones are not tags, and nothing reads past the end.
    EXPECT_TRUE(Walk(L"<").empty());
    EXPECT_TRUE(Walk(L"</").empty());
    EXPECT_TRUE(Walk(L"<b").empty());
    EXPECT_TRUE(Walk(L"<br").empty());
    EXPECT_TRUE(Walk(L"<a href=").empty());
    EXPECT_TRUE(Walk(L"<a href=\"x").empty());
    EXPECT_TRUE(Walk(L"<!--").empty());
    EXPECT_TRUE(Walk(L"<!-- x --").empty());
    EXPECT_TRUE(Walk(L"<!doctype").empty());
    EXPECT_TRUE(Walk(L"< p>").empty());
    EXPECT_TRUE(Walk(L"a < b").empty());

    std::wstring t = L"ab<br/";
    THTML_TagRipper r(t);
    EXPECT_EQ(r.TagIdAt(3), 17);
    EXPECT_FALSE(r.ParseTagAt(3)); // no '>'
    EXPECT_TRUE(r.ParseError);
    std::wstring u = L"ab<br";
    r.SetText(u);
    EXPECT_EQ(r.TagIdAt(3), 0); // a name must be followed by something
}

TEST(HtmlTagsScan, CommentsAndDoctype) {
    std::wstring t = L"<!DOCTYPE html><!-- a > b --><p><!--x-->";
    std::vector<int> ids;
    Walk(t, &ids);
    EXPECT_EQ(ids, (std::vector<int>{3, 2, 77, 2}));

    THTML_TagRipper r(t);
    int pos = 1;
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagLength, 15);
    EXPECT_EQ(r.AttrCount, 0);
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagStart, 16);
    EXPECT_EQ(r.TagLength, 14); // through "-->", not the '>' inside
    EXPECT_EQ(r.NameLen, 3);

    // "-->" must come after the opening "<!--".
    std::wstring open = L"<!-->text<b>";
    THTML_TagRipper r2(open);
    EXPECT_FALSE(r2.ParseTagAt(1));
    EXPECT_TRUE(r2.ParseError);
    pos = 1;
    ASSERT_TRUE(r2.NextTag(pos)); // the scan steps over the broken comment
    EXPECT_EQ(r2.TagName(), L"b");
}

TEST(HtmlTagsScan, AttributeForms) {
    std::wstring t =
        L"<a x='v1' y=\"v2\" z = bare w checked href=http://h/p/q.htm img=a/><td nowrap width=50%>"
        L"<img src=x.gif/><p class=\"open>after</p>";
    THTML_TagRipper r(t);
    int pos = 1;
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_FALSE(r.ParseError);
    EXPECT_TRUE(r.IsSelfClosing);
    EXPECT_EQ(r.AttrCount, 7);
    EXPECT_EQ(r.GetAttribute(L"x"), L"v1");
    EXPECT_EQ(r.GetAttributeValue(0, false), L"'v1'");
    EXPECT_EQ(r.GetAttribute(L"y"), L"v2");
    EXPECT_EQ(r.GetAttributeValue(1, false), L"\"v2\"");
    EXPECT_EQ(r.GetAttribute(L"z"), L"bare");
    EXPECT_EQ(r.Attr(3).ValuePos, 0); // w has no value
    EXPECT_EQ(r.GetAttribute(L"w"), L"");
    EXPECT_EQ(r.GetAttributeDef(L"w", L"dflt"), L"");
    EXPECT_EQ(r.GetAttributeDef(L"missing", L"dflt"), L"dflt");
    EXPECT_EQ(r.GetAttribute(L"href"), L"http://h/p/q.htm"); // a '/' inside a bare value stays
    EXPECT_EQ(r.GetAttribute(L"img"), L"a");                 // a bare value ends before "/>"
    EXPECT_EQ(r.GetAttributeValue(7, true), L"");
    EXPECT_EQ(r.GetAttributeValue(-1, true), L"");

    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.GetAttribute(L"width"), L"50%");
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_TRUE(r.IsSelfClosing);
    EXPECT_EQ(r.GetAttribute(L"src"), L"x.gif");

    // An unterminated quote: error, the tag ends at the next '>', the scan goes on.
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_TRUE(r.ParseError);
    EXPECT_EQ(r.TagName(), L"p");
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_TRUE(r.IsEndTag);
    EXPECT_FALSE(r.ParseError); // the next tag starts clean

    // Bad attribute starts and empty bare values are errors that still end the tag.
    std::wstring bad = L"<a =x><b c=>";
    THTML_TagRipper r2(bad);
    ASSERT_TRUE(r2.ParseTagAt(1));
    EXPECT_TRUE(r2.ParseError);
    EXPECT_EQ(r2.TagLength, 6);
    ASSERT_TRUE(r2.ParseTagAt(7));
    EXPECT_TRUE(r2.ParseError);
    EXPECT_EQ(r2.AttrCount, 1);
}

TEST(HtmlTagsScan, NinetyNineAttributesAtMost) {
    std::wstring t = L"<p";
    for (int i = 0; i < 100; ++i) t += L" a" + std::to_wstring(i) + L"=" + std::to_wstring(i);
    t += L"><b>";
    THTML_TagRipper r(t);
    int pos = 1;
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_TRUE(r.ParseError);
    EXPECT_EQ(r.AttrCount, 99);
    EXPECT_EQ(r.GetAttribute(L"a98"), L"98");
    EXPECT_EQ(r.IndexOfAttribute(L"a99"), -1);
    EXPECT_EQ(r.TagStart + r.TagLength - 1, static_cast<int>(t.size()) - 3); // ends at its own '>'
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagName(), L"b");
}

TEST(HtmlTagsScan, PageHeadMetaTags) {
    std::wstring t =
        L"<html><head><title> Hello </title>\r\n"
        L"<meta name=\"Microsoft.Help.Id\" content=\"abc-123\" />\r\n"
        L"<META NAME='microsoft.help.TOPICVERSION' CONTENT='VS.100'>\n"
        L"<meta name=\"microsoft.help.other\" content=\"x\"/>\r"
        L"<meta name=MS-HKWD content=k1><meta name=ms-haid content=a>"
        L"<meta name=\"Description\" content=d><meta name=title content=t><meta name=\"MS-XXXX\">"
        L"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
        L"<meta http-equiv='content-type' content='text/html; CHARSET=windows-1252'/>"
        L"<xml><mshelp:attr name=\"DocSet\" value=\"x\"/></xml></head><body><p>b</p></body></html>";
    THTML_TagRipper r(t);
    std::vector<int> codes;
    std::vector<std::wstring> charsets;
    int pos = 1;
    while (r.NextTag(pos)) {
        if (r.TagId == tagMeta) {
            codes.push_back(r.SpecialCode);
            if (r.CharsetLen > 0) charsets.push_back(t.substr(r.CharsetPos - 1, r.CharsetLen));
        } else if (r.SpecialCode > 0) {
            codes.push_back(r.SpecialCode);
        }
    }
    EXPECT_EQ(codes, (std::vector<int>{303, 300, 301, 123, 120, 118, 101, 102, 104, 105, -1, -1, -1, 207, 1, 208,
                                       304}));
    EXPECT_EQ(charsets, (std::vector<std::wstring>{L"utf-8", L"windows-1252"}));

    // Element text and the current tag being kept.
    pos = 1;
    ASSERT_TRUE(r.FindTagId(pos, tagTitle));
    const int start = r.TagStart;
    EXPECT_EQ(r.GetElementText(), L"Hello");
    EXPECT_EQ(r.TagStart, start);
    EXPECT_EQ(r.TagId, tagTitle);
    ASSERT_TRUE(r.FindTagByName(pos, L"META", true));
    EXPECT_EQ(r.GetAttribute(L"content"), L"abc-123");
    EXPECT_EQ(r.GetElementText(), L""); // the next meta is no end tag
    EXPECT_EQ(r.GetAttribute(L"content"), L"abc-123");

    // Searches that stop at the body.
    pos = 1;
    EXPECT_FALSE(r.FindTagIdEx(pos, 77, true));
    EXPECT_EQ(r.TagId, tagBody);
    pos = 1;
    EXPECT_TRUE(r.FindTagIdEx(pos, 77, false));
    pos = 1;
    EXPECT_FALSE(r.FindTagByName(pos, L"p", true));
    EXPECT_EQ(r.FindTagAttribute(L"meta", L"content"), L"abc-123");
    EXPECT_EQ(r.FindTagAttribute(L"nosuch", L"content"), L"");
}

TEST(HtmlTagsScan, ElementTextWithoutEndTag) {
    std::wstring t = L"<p>a<p>b";
    THTML_TagRipper r(t);
    int pos = 1;
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.GetElementText(), L"");
    std::wstring u = L"<title>\r\n\t \r\n</title>";
    THTML_TagRipper r2(u);
    pos = 1;
    ASSERT_TRUE(r2.NextTag(pos));
    EXPECT_EQ(r2.GetElementText(), L"");

    // The text as a view, and the walk going on past the end tag only where the end tag
    // follows at once as written; elsewhere the text and the walk are as before.
    struct TCase {
        const wchar_t* Text;
        const wchar_t* Element;
        int After;  // where the walk goes on (unchanged: just past the start tag)
    };
    const TCase cases[] = {
        {L"<url> u </url><x>", L"u", 15},
        {L"<TITLE> T </title><x>", L"T", 8},       // another case: found by the search
        {L"<url>a<q2>c</q2></url><x>", L"", 6},   // the next tag of id 0 is <q2>
        {L"<title>a<b>c</b></title><x>", L"a<b>c</b>", 8},
        {L"<url>a</urlx><x>", L"a", 6},           // as the search has it: </urlx> has id 0 too
        {L"<url x='1'>a</url >", L"a", 12},      // a blank in the end tag: found by the search
        {L"<url>a</url", L"", 6},
    };
    for (const TCase& c : cases) {
        std::wstring text = c.Text;
        THTML_TagRipper v(text);
        pos = 1;
        ASSERT_TRUE(v.NextTag(pos)) << c.Text;
        int after = pos;
        EXPECT_EQ(v.ElementTextView(&after), c.Element) << c.Text;
        EXPECT_EQ(v.GetElementText(), c.Element) << c.Text;
        EXPECT_EQ(after, c.After) << c.Text;
        EXPECT_EQ(v.TagStart, 1) << c.Text;
    }
}

TEST(HtmlTagsScan, ExtentAndIndentOverLineBreaks) {
    // LF, CRLF and lone CR each end a tag's extent once.
    std::wstring t = L"  <a>  \n<b>\r\n\r\n  x <c>\r<d>";
    THTML_TagRipper r(t);
    int pos = 1;
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagIndent, 2);
    EXPECT_EQ(r.TagExtent, 3 + 2 + 1);
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagIndent, 0);
    EXPECT_EQ(r.TagExtent, 3 + 2);
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagIndent, 0); // the spaces before it follow text
    EXPECT_EQ(r.TagExtent, 4);
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagExtent, 3); // at the end of the text
}

TEST(HtmlTagsScan, AgentReplyShapes) {
    // Keyword reply.
    std::wstring kw =
        L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<keywords totalkeywords=\"3\" returnedkeywords=\"3\">"
        L"<keyword value=\"a&amp;b\"/><subkey display=\"x, y\" keyvalue=\"a&amp;b, x, y\"/>"
        L"<keyword value='&lt;c&gt;'/></keywords>";
    THTML_TagRipper r(kw);
    int pos = 1;
    std::wstring name;
    std::vector<std::wstring> got;
    while (r.GetNextTagName(pos, true, name)) {
        if (name == L"keywords") got.push_back(L"total=" + r.GetAttribute(L"totalkeywords"));
        else if (name == L"keyword") got.push_back(r.GetAttribute(L"value"));
        else if (name == L"subkey") got.push_back(r.GetAttribute(L"display") + L"|" + r.GetAttribute(L"keyvalue"));
    }
    EXPECT_EQ(got, (std::vector<std::wstring>{L"total=3", L"a&amp;b", L"x, y|a&amp;b, x, y", L"&lt;c&gt;"}));
    EXPECT_TRUE(name.empty());

    // Children reply: topic elements with title and url children.
    std::wstring ch =
        L"<children>\n  <topic id=\"t1\">\n    <title>First &amp; one</title>\n"
        L"    <url>ms-xhelp:///?Id=t1&amp;topicversion=100&amp;topiclocale=EN-US</url>\n  </topic>\n"
        L"  <topic id=\"t2\"><title>Second</title><url>u2</url></topic>\n</children>";
    THTML_TagRipper c(ch);
    pos = 1;
    got.clear();
    while (c.NextTag(pos)) {
        if (c.IsEndTag) continue;
        const std::wstring n = c.TagName();
        if (n == L"topic") got.push_back(L"id:" + c.GetAttribute(L"id"));
        else if (n == L"title" || n == L"url") got.push_back(c.GetElementText());
    }
    EXPECT_EQ(got, (std::vector<std::wstring>{L"id:t1", L"First &amp; one",
                                              L"ms-xhelp:///?Id=t1&amp;topicversion=100&amp;topiclocale=EN-US",
                                              L"id:t2", L"Second", L"u2"}));

    // Store manifest: start tags with attributes, element text.
    std::wstring manifest =
        L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<queryManifest version=\"1.0\">\n  <catalogs>\n"
        L"    <catalog productId=\"VS\" productVersion=\"100\" productLocale=\"en-US\"\n"
        L"             productDisplayName=\"Visual Studio 2010\" sourceType=\"Package\">\n"
        L"      <contentPath>C:\\ProgramData\\Microsoft\\HelpLibrary\\content</contentPath>\n"
        L"      <contentFile fileName=\"a.mshc\" vendorPath=\"Microsoft\"/>\n    </catalog>\n"
        L"  </catalogs>\n</queryManifest>";
    THTML_TagRipper m(manifest);
    pos = 1;
    got.clear();
    while (m.GetNextTagName(pos, true, name)) {
        if (name == L"catalog") got.push_back(m.GetAttribute(L"productDisplayName") + L"/" + m.GetAttribute(L"productLocale"));
        else if (name == L"contentPath") got.push_back(m.GetElementText());
        else if (name == L"contentFile") got.push_back(m.GetAttribute(L"fileName"));
    }
    EXPECT_EQ(got, (std::vector<std::wstring>{L"Visual Studio 2010/en-US",
                                              L"C:\\ProgramData\\Microsoft\\HelpLibrary\\content", L"a.mshc"}));

    // Help-mode file.
    std::wstring cfg =
        L"\xFEFF<?xml version=\"1.0\"?>\r\n<configuration>\r\n  <appSettings>\r\n"
        L"    <!-- <add key=\"helpmode\" value=\"commented\"/> -->\r\n"
        L"    <add key=\"helpmode\" value=\"online\" />\r\n  </appSettings>\r\n</configuration>\r\n";
    THTML_TagRipper f(cfg);
    pos = 1;
    std::wstring mode;
    while (f.FindTagByName(pos, L"add", false))
        if (f.GetAttribute(L"key") == L"helpmode") {
            mode = f.GetAttribute(L"value");
            break;
        }
    EXPECT_EQ(mode, L"online");
    EXPECT_EQ(f.TagIndent, 4);
}

TEST(HtmlTagsScan, TagLists) {
    std::wstring t =
        L"<html><head><xml><!-- c --><MSHelp:TOCTitle Title=\"T\"/><mshelp:keyword index=\"K\" term=\"k\"/>"
        L"</xml><title>x</title></head><body><P>1</p><p>2</P></body></html>";
    THTML_TagRipper r(t);
    EXPECT_EQ(r.BuildTagList(), 17);
    EXPECT_TRUE(r.TagListBuilt);
    EXPECT_EQ(r.TagList.size(), 17u);
    EXPECT_EQ(r.TagList[4].TagId, tagMsHelpTocTitle);
    EXPECT_EQ(r.TagList[4].SpecialCode, 7);
    EXPECT_TRUE(r.SameTagName(11, 12)); // <P> and </p>
    EXPECT_FALSE(r.SameTagName(11, 10));
    EXPECT_FALSE(r.SameTagName(0, 17));

    EXPECT_EQ(r.BuildTagListEx(1, tagHead, 0), 2); // stops after the first head tag
    EXPECT_EQ(r.BuildTagListEx(1, 77, 1001), 4);   // only p tags
    int pos = 1;
    ASSERT_TRUE(r.FindTagId(pos, tagXml));
    EXPECT_EQ(r.BuildTagListEx(r.TagStart, 0, 1), 4); // xml island: comments skipped, ends at title
    EXPECT_EQ(r.TagList.back().SpecialCode, HtmlSpecial::scXmlEnd);

    std::wstring other = L"<p>";
    r.SetText(other);
    EXPECT_FALSE(r.TagListBuilt);
}

TEST(HtmlTagsScan, FindTextAndSameTextAt) {
    std::wstring t = L"abc Charset=UTF-8 charset=x";
    THTML_TagRipper r(t);
    EXPECT_EQ(r.FindText(1, 100, false, L"charset="), 5);
    EXPECT_EQ(r.FindText(1, 100, true, L"charset="), 19);
    EXPECT_EQ(r.FindText(6, 100, false, L"charset="), 19);
    EXPECT_EQ(r.FindText(1, 12, false, L"charset="), 5);
    EXPECT_EQ(r.FindText(1, 11, false, L"charset="), -1); // must lie inside the range
    EXPECT_EQ(r.FindText(27, 5, true, L"x"), 27);
    EXPECT_EQ(r.FindText(28, 5, true, L"x"), -1);
    EXPECT_EQ(r.FindText(1, 100, true, L""), -1);
    EXPECT_TRUE(r.SameTextAt(5, 7, L"CHARSET"));
    EXPECT_FALSE(r.SameTextAt(5, 6, L"CHARSET"));
    EXPECT_FALSE(r.SameTextAt(26, 7, L"charset"));
}

TEST(HtmlTagsScan, SeesTheCallersEdits) {
    std::wstring t = L"<a>";
    THTML_TagRipper r(t);
    t = L"text <b x=1>";
    int pos = 1;
    ASSERT_TRUE(r.NextTag(pos));
    EXPECT_EQ(r.TagName(), L"b");
    EXPECT_EQ(r.GetAttribute(L"x"), L"1");
    // A search that failed before the edit is made again after it.
    std::wstring open = L"<!-- a <b x=\"1";
    THTML_TagRipper o(open);
    pos = 1;
    EXPECT_FALSE(o.NextTag(pos));
    open += L"\">-->";
    pos = 1;
    ASSERT_TRUE(o.NextTag(pos));
    EXPECT_EQ(o.TagId, tagComment);
    EXPECT_TRUE(o.ParseTagAt(8));
    EXPECT_EQ(o.GetAttribute(L"x"), L"1");
    THTML_TagRipper none;
    pos = 1;
    EXPECT_FALSE(none.NextTag(pos));
    EXPECT_EQ(none.GetAttribute(L"x"), L"");
}

TEST(HtmlTagsScan, FindCharAcrossBlockBoundaries) {
    // The vector search must find a character at every offset and never read past the end.
    for (int len = 0; len < 40; ++len) {
        for (int at = 0; at <= len; ++at) {
            std::wstring s(len, L'x');
            if (at < len) s[at] = L'<';
            const wchar_t* hit = HtmlFindChar(s.data(), s.data() + len, L'<');
            ASSERT_EQ(hit - s.data(), at) << len << " " << at;
        }
    }
}

namespace {

// A fixed-seed generator of help-store, agent-reply and page texts, whole and damaged.
struct TTextMill {
    uint32_t State;
    explicit TTextMill(uint32_t Seed) : State(Seed) {}
    uint32_t Next(uint32_t Below) {
        State = State * 1664525u + 1013904223u;
        return (State >> 8) % Below;
    }
    std::wstring Piece() {
        static const wchar_t* const pieces[] = {
            L"<?xml version=\"1.0\" encoding=\"utf-8\"?>",
            L"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0//EN\">",
            L"<!-- a comment with <b>tags</b> and -- dashes -->",
            L"<meta name=\"Microsoft.Help.Id\" content=\"abc\"/>",
            L"<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
            L"<meta name='MS-HKWD' content='k'>",
            L"<a href='x' title=\"y\">text</a>",
            L"<topic id=\"1\"><title>T &amp; U</title><url>http://127.0.0.1/?a=b&amp;c=d</url></topic>",
            L"<contentFile fileName=\"a.mshc\" vendorPath=\"Microsoft\\VS\"/>",
            L"<br>",
            L"<p>para",
            L"<mshelp:keyword index=\"K\" term=\"x\"/>",
            L"<title> Hello </title>",
            L"<xml>",
            L"</xml>",
            L"<head>",
            L"</head>",
            L"<foo:bar x=1 y = '2' z>",
            L"<img src=a.png alt=x/>",
            L"<!doctype x>",
            L"</p>",
            L"  \r\n    ",
            L"plain text, more text",
            L"<?xml-stylesheet href=\"s\"?>",
            L"<body class=b>",
            L"<!-- open ",
            L"<a b=\"open ",
            L"<a b='open ",
            L"<!DOCTYPE open ",
            L"<?xml open ",
        };
        return pieces[Next(sizeof(pieces) / sizeof(pieces[0]))];
    }
    std::wstring Document() {
        std::wstring s;
        const uint32_t count = 5 + Next(40);
        for (uint32_t i = 0; i < count; ++i) {
            s += Piece();
            if (Next(3) == 0) s += Next(2) ? L"\r\n  " : L" ";
        }
        return s;
    }
    void Damage(std::wstring& s) {
        static const wchar_t marks[] = L"<>\"'-!/=? \r\nax";
        const uint32_t edits = 1 + Next(6);
        for (uint32_t e = 0; e < edits && !s.empty(); ++e) {
            const size_t at = Next(static_cast<uint32_t>(s.size()));
            switch (Next(6)) {
            case 0: s.erase(at, 1); break;
            case 4: {
                const size_t k = s.find_first_of(Next(2) ? L">" : L"\"'", at);
                if (k != std::wstring::npos) s.erase(k, 1);
                break;
            }
            case 5: s.insert(at, Next(2) ? L"<!--" : L"-->"); break;
            case 1: s.insert(at, 1, marks[Next(sizeof(marks) / sizeof(marks[0]) - 1)]); break;
            case 2: s.insert(at, s.substr(Next(static_cast<uint32_t>(s.size())), 1 + Next(20))); break;
            default: s.resize(at); break;
            }
        }
    }
};

struct TDigest {
    uint64_t Value = 1469598103934665603ull;
    void Add(int64_t v) {
        for (int k = 0; k < 8; ++k) {
            Value ^= static_cast<uint8_t>(v >> (8 * k));
            Value *= 1099511628211ull;
        }
    }
    void Add(const std::wstring& s) {
        Add(static_cast<int64_t>(s.size()));
        for (wchar_t c : s) Add(c);
    }
    void AddTag(const THTML_TagRipper& r) {
        for (int64_t v : {int64_t(r.TagId), int64_t(r.IsEndTag), int64_t(r.IsSelfClosing), int64_t(r.ParseError),
                          int64_t(r.TagStart), int64_t(r.TagLength), int64_t(r.TagExtent), int64_t(r.TagIndent),
                          int64_t(r.SpecialCode), int64_t(r.NamePos), int64_t(r.NameLen), int64_t(r.AttrCount),
                          int64_t(r.CharsetPos), int64_t(r.CharsetLen)})
            Add(v);
        for (int k = 0; k < r.AttrCount; ++k) {
            const THtmlAttr& a = r.Attr(k);
            for (int64_t v : {a.NamePos, a.NameLen, a.ValuePos, a.ValueLen}) Add(v);
        }
    }
};

} // namespace

// Every result of the scanner over a few thousand whole and damaged texts, reduced to one
// digest: walking, element texts (which search ahead and come back), tag lists and parses
// at arbitrary positions in arbitrary order. The digest was taken from the scanner before
// it remembered its failed searches; any change in any result changes it.
TEST(HtmlTagsScan, SameResultsOverManyDamagedTexts) {
    TTextMill mill(20240517u);
    TDigest digest;
    int tags = 0;
    for (int doc = 0; doc < 3000; ++doc) {
        std::wstring text = mill.Document();
        if (doc >= 500) mill.Damage(text);
        THTML_TagRipper r(text);
        int pos = 1;
        while (r.NextTag(pos)) {
            ++tags;
            digest.AddTag(r);
            if (mill.Next(3) == 0) digest.Add(r.GetElementText());
            digest.Add(pos);
        }
        for (const auto& mode : {std::pair<int, int>{0, 0}, {tagTitle, 1001}, {0, 1}, {tagHead, 0}}) {
            digest.Add(r.BuildTagListEx(1, mode.first, mode.second));
            for (const THtmlTagRec& t : r.TagList)
                for (int64_t v : {int64_t(t.TagId), int64_t(t.TagStart), int64_t(t.TagLength), int64_t(t.TagExtent),
                                  int64_t(t.SpecialCode)})
                    digest.Add(v);
        }
        std::vector<int> starts;
        for (size_t k = 0; k < text.size(); ++k)
            if (text[k] == L'<') starts.push_back(static_cast<int>(k) + 1);
        for (int k = 0; k < 40 && !starts.empty(); ++k) {
            digest.Add(r.ParseTagAt(starts[mill.Next(static_cast<uint32_t>(starts.size()))]));
            digest.AddTag(r);
        }
        // Backwards from the end, each parse as a scanner new to the text makes it.
        for (auto p = starts.rbegin(); p != starts.rend(); ++p) {
            TDigest seen, fresh;
            seen.Add(r.ParseTagAt(*p));
            seen.AddTag(r);
            THTML_TagRipper f(text);
            fresh.Add(f.ParseTagAt(*p));
            fresh.AddTag(f);
            if (seen.Value != fresh.Value) {
                ADD_FAILURE() << "text " << doc << ", tag at " << *p;
                break;
            }
        }
        pos = 1;
        digest.Add(r.FindTagByName(pos, L"title", true));
        digest.Add(pos);
    }
    EXPECT_EQ(tags, 47867);
    EXPECT_EQ(digest.Value, 16492411102833741461ull);
}

// Runs of unterminated constructs: every '<' fails, and the scan stays linear (a search
// that failed is not made again from a later start). 100 times the text may take at most
// 300 times as long; quadratic scanning would take about 10,000 times.
TEST(HtmlTagsScan, UnterminatedConstructsScanInLinearTime) {
    for (const std::wstring unit : {L"<!-- ", L"<a ", L"<?xml ", L"<!DOCTYPE ", L"<a b=\"", L"<a b='x' c='"}) {
        const double ratio = testing_support::GrowthRatio(
            [&unit](int n) {
                auto text = std::make_shared<std::wstring>();
                for (int i = 0; i < n; ++i) *text += unit;
                return [text] {
                    THTML_TagRipper r(*text);
                    int pos = 1;
                    while (r.NextTag(pos)) {
                    }
                };
            },
            2000, 200000);
        EXPECT_LT(ratio, 300.0) << "'" << std::string(unit.begin(), unit.end()) << "'";
    }
}

TEST(HtmlTags, SpecialCodesLiveBesideTheShortcutsOfMenus) {
    EXPECT_EQ(HtmlSpecial::scNone, -1);
    EXPECT_EQ(scNone, 0); // the shortcut constant of actions and menus
    THtmlCurrentTag tag;
    EXPECT_EQ(tag.SpecialCode, HtmlSpecial::scNone);
}
