// Mutation runs over the common library's readers of outside text: the tag scanner and the
// one-section INI reader. Longer runs: see tests/harness/Mutation.h.
#include "HtmlTags.h"
#include "Mutation.h"
#include "TestHarness.h"
#include "UFakeIniW.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const std::vector<std::wstring> MarkupSeeds = {
    L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<children>\r\n  <topic id=\"a\"><title>A &amp; B</title>"
    L"<url>ms-xhelp:///?method=page&amp;id=a&amp;topicversion=100&amp;topiclocale=en-US</url></topic>\r\n"
    L"  <topic id='b'><title><![CDATA[<b>]]></title></topic>\r\n</children>\r\n",
    L"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0//EN\">\r\n<html><HEAD>\r\n  <TITLE> Home </TITLE>\r\n"
    L"  <meta name=\"Microsoft.Help.Id\" content=\"-1\" />\r\n  <meta http-equiv=\"Content-Type\" "
    L"content=\"text/html; charset=utf-8\">\r\n  <!-- a comment <meta name=x> -->\r\n"
    L"  <script type=\"text/javascript\">if (a < b && c > d) {}</script>\r\n</HEAD>\r\n"
    L"<body><div class=\"OH_leftNav\"><div><a href=\"ms.help?id=1\">x</a></div></div>\r\n"
    L"<p align=center>Text<br/>more</p><mshelp:keyword index=\"K\" term=\"word\"/></body></html>",
    L"<configuration>\r\n<appSettings>\r\n   <add key=\"helpmode\" value=\"offline\" />\r\n</appSettings>\r\n"
    L"</configuration>",
};

// Every tag the scanner reports lies inside the text and the walk moves forward.
void WalkTags(const std::wstring& Text) {
    const int n = static_cast<int>(Text.size());
    THTML_TagRipper r(Text);
    int pos = 1, steps = 0;
    while (r.NextTag(pos)) {
        ASSERT_GE(r.TagStart, 1);
        ASSERT_LE(r.TagStart + r.TagLength - 1, n);
        ASSERT_GT(pos, r.TagStart);
        ASSERT_LE(r.AttrCount, HtmlMaxAttrs);
        for (int i = 0; i < r.AttrCount; ++i) {
            const THtmlAttr& a = r.Attr(i);
            ASSERT_TRUE(a.NamePos >= 1 && a.NamePos + a.NameLen - 1 <= n);
            ASSERT_TRUE(a.ValueLen == 0 || (a.ValuePos >= 1 && a.ValuePos + a.ValueLen - 1 <= n));
            r.GetAttributeValue(i, i % 2 == 0);
        }
        r.TagName();
        r.GetAttribute(L"content");
        if (++steps % 5 == 0)
            r.GetElementText();
        ASSERT_LT(steps, n + 2);
    }
    int count = r.BuildTagList();
    ASSERT_EQ(count, static_cast<int>(r.TagList.size()));
    for (const THtmlTagRec& t : r.TagList)
        ASSERT_TRUE(t.TagStart >= 1 && t.TagStart + t.TagLength - 1 <= n);
    r.FindTagAttribute(L"meta", L"content");
    pos = 1;
    r.FindTagByName(pos, L"title", true);
    pos = 1;
    r.BuildTagListEx(pos, 0, 1);
}

} // namespace

TEST(Mutation, TagScanner) {
    TMutator<std::wstring> m(MarkupSeeds, {}, MutationMaxSize(16384));
    RunMutations("tag scanner", m, MutationCount(1500), WalkTags);
}

TEST(Mutation, OneSectionReader) {
    TempDir dir;
    const std::wstring file = dir.File(L"vorlane.lang.xx");
    const std::string utf16 = "\xFF\xFE[\0m\0a\0i\0n\0]\0\r\0\n\0k\0=\0\x16\x04\r\0\n\0";
    TMutator<std::string> m({"[Translator]\r\nLanguage=German\r\nName = \"Hans\"\r\n\r\n[main]\r\nmmnuPage=&Seite\r\n"
                             "; comment\r\nMsgTxt_PleaseWait=Bitte warten|...\r\nZoom=-12\r\nFlag=y\r\n[other]\r\nx=1\r\n",
                             std::string(utf16.data(), utf16.size()),
                             "\xEF\xBB\xBF[main]\nk=\xC3\xA4\n\n[main]\nk=second\n"},
                            {"[", "]", "=", ";", "\"", "'", "\r\n", "\n", "\r", "[main]", "main", " ", "\xFF\xFE",
                             "\xEF\xBB\xBF", std::string(1, '\0'), "-", "2147483648"},
                            MutationMaxSize(8192));
    RunMutations("one-section reader", m, MutationCount(400), [&](const std::string& Bytes) {
        WriteBytes(file, Bytes);
        TFakeIniW ini(file, L"main");
        for (int i = 0; i < ini.GetCount(); ++i) {
            ini.GetKeyName(i);
            ini.GetValue(i);
        }
        ini.ReadString(L"k", L"*");
        ini.ReadInteger(L"Zoom", 0);
        ini.ReadBool(L"Flag", false);
        ini.ReadSectionString(L"Translator", L"Language", L"*");
        // a value written back is read back
        ini.OpenSection(L"main");
        ini.Lines->Add(L"zzAdded=value \u0416");
        ini.Modified = true;
        ini.UpdateFile(1);
        TFakeIniW again(file, L"main");
        ASSERT_EQ(again.ReadString(L"zzAdded", L"*"), L"value \u0416");
    });
}
