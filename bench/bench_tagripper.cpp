// Speed of the tag scanner on the two largest texts the program reads: a keyword-index
// reply of 50,000 keywords and a large table-of-contents reply. Each text is scanned
// several times; the figures are the median run. Next to the scanner, measured on the
// same text in the same run:
//   - the floor: a pass that only finds every '<' (the scanner's own fast search);
//   - pugixml (wide mode), when it was built in, parsing the same text into its tree;
//     the ratios printed are pugixml's time over ours, the median of rounds that run each
//     side once in turn (goal: at least 1.0 for the scanner with its values, the way the
//     program's readers take them).
// Also the byte side of a reply: encoding detection and the UTF-8 to UTF-16 conversion.
//
// MB/s counts the UTF-16 text (2 bytes per character) for the scans and the UTF-8 bytes
// for the conversion; 1 MB = 1,000,000 bytes.
#include "BenchTiming.h"
#include "HtmlTags.h"
#include "UHtmlEntities.h"
#include "UTocData.h"
#include "UUnicode.h"

#ifdef VORLANE_BENCH_PUGIXML
#include <pugixml.hpp>
#endif

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace std::string_view_literals;

namespace {

using bench::Measure;

// A small deterministic generator for the synthetic texts.
struct TRandom {
    unsigned State = 12345;
    unsigned Next() {
        State = State * 1103515245u + 12345u;
        return (State >> 8) & 0xFFFFFF;
    }
    std::wstring Word() {
        static const wchar_t* const words[] = {
            L"Add",       L"method",   L"System",      L"Collections", L"Generic", L"List",    L"property",
            L"class",     L"Windows",  L"Forms",       L"Control",     L"event",   L"Text",    L"&amp;",
            L"operator",  L"Visual",   L"C++",         L"compiler",    L"error",   L"C2065",   L"Item",
            L"interface", L"IEnumerable", L"Sub",      L"Function",    L"(T)",     L"&lt;T&gt;", L"Data",
            L"caf\x00E9",  L"\x8A2D\x5B9A"};
        return words[Next() % (sizeof(words) / sizeof(words[0]))];
    }
    std::wstring Phrase(int n) {
        std::wstring s = Word();
        for (int i = 1; i < n; ++i) s += L" " + Word();
        return s;
    }
    std::wstring Guid() {
        wchar_t buf[48];
        swprintf(buf, 48, L"%08x-%04x-%04x-%04x-%06x%06x", Next() * 97u, Next() & 0xFFFF, Next() & 0xFFFF,
                 Next() & 0xFFFF, Next(), Next());
        return buf;
    }
};

// The agent's keyword reply: 50,000 top-level keywords, some with sub-keys.
std::wstring KeywordReply(int keywords) {
    TRandom rnd;
    std::wstring s = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<keywords totalkeywords=\"" +
                     std::to_wstring(keywords * 3) + L"\" returnedkeywords=\"" + std::to_wstring(keywords) + L"\">\r\n";
    for (int i = 0; i < keywords; ++i) {
        const std::wstring kw = rnd.Phrase(2 + static_cast<int>(rnd.Next() % 4));
        s += L"  <keyword value=\"" + kw + L"\" />\r\n";
        if (rnd.Next() % 3 == 0) {
            const int subs = 1 + static_cast<int>(rnd.Next() % 3);
            for (int k = 0; k < subs; ++k) {
                const std::wstring d = rnd.Phrase(1 + static_cast<int>(rnd.Next() % 3));
                s += L"  <subkey display=\"" + d + L"\" keyvalue=\"" + kw + L", " + d + L"\" />\r\n";
            }
        }
    }
    s += L"</keywords>\r\n";
    return s;
}

// A table-of-contents reply: parents, siblings and a long list of children.
std::wstring TocReply(int topics) {
    TRandom rnd;
    std::wstring s = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<toc>\r\n";
    const wchar_t* const lists[] = {L"parents", L"siblings", L"children"};
    for (int l = 0; l < 3; ++l) {
        const int count = l == 2 ? topics : 20;
        s += L"  <" + std::wstring(lists[l]) + L">\r\n";
        for (int i = 0; i < count; ++i) {
            const std::wstring id = rnd.Guid();
            s += L"    <topic id=\"" + id + L"\">\r\n      <title>" + rnd.Phrase(3 + static_cast<int>(rnd.Next() % 5)) +
                 L"</title>\r\n      <url>ms-xhelp:///?Id=" + id +
                 L"&amp;topicversion=100&amp;topiclocale=EN-US&amp;SQM=2</url>\r\n"
                 L"      <description>" + rnd.Phrase(12) + L"</description>\r\n    </topic>\r\n";
        }
        s += L"  </" + std::wstring(lists[l]) + L">\r\n";
    }
    s += L"</toc>\r\n";
    return s;
}

void Report(const char* what, double seconds, size_t chars, long long items, const char* itemName) {
    const double mb = static_cast<double>(chars) * 2.0 / 1e6;
    std::printf("  %-34s %8.2f ms %9.1f MB/s %8.1f Mchar/s", what, seconds * 1e3, mb / seconds,
                static_cast<double>(chars) / seconds / 1e6);
    if (itemName) std::printf(" %8.2f M%s/s (%lld)", static_cast<double>(items) / seconds / 1e6, itemName, items);
    std::printf("\n");
}

void BenchText(const char* name, const std::wstring& text, int runs, bool Toc) {
    std::printf("\n%s: %zu characters (%.1f MB as UTF-16)\n", name, text.size(), text.size() * 2.0 / 1e6);
    long long n = 0;

    double t = Measure(runs, [&] {
        long long count = 0;
        const wchar_t* p = text.data();
        const wchar_t* end = p + text.size();
        while ((p = HtmlFindChar(p, end, L'<')) < end) {
            ++count;
            ++p;
        }
        return count;
    }, n);
    Report("floor: find every '<'", t, text.size(), n, "'<'");

    t = Measure(runs, [&] {
        THTML_TagRipper r(text);
        long long count = 0;
        int pos = 1;
        while (r.NextTag(pos)) ++count;
        return count;
    }, n);
    Report("THTML_TagRipper.NextTag", t, text.size(), n, "tags");
    const long long tags = n;

    // The values as the program's readers take them: views of the names and values, each
    // value copied once into the store that keeps it, decoded only where it holds a '&'.
    std::wstring store;
    store.reserve(text.size());
    const std::function<long long()> valuesRun = [&] {
        THTML_TagRipper r(text);
        store.clear();
        int pos = 1;
        auto take = [&](std::wstring_view v) {
            if (v.find(L'&') == std::wstring_view::npos)
                store.append(v);
            else
                AppendDecodedHtmlText(store, v);
        };
        while (r.NextTag(pos)) {
            if (r.IsEndTag) continue;
            const std::wstring_view name = r.TagNameView();
            if (name == L"keyword"sv) take(r.AttributeView(L"value"sv));
            else if (name == L"subkey"sv) take(r.AttributeView(L"display"sv));
            else if (name == L"topic"sv) take(r.AttributeView(L"id"sv));
            else if (name == L"title"sv || name == L"url"sv) take(r.ElementTextView(&pos));
        }
        return static_cast<long long>(store.size());
    };
    const double values = Measure(runs, valuesRun, n);
    Report("scanner + values (views, one copy)", values, text.size(), tags, "tags");

    // The same with a new string per name and value (GetNextTagName, GetAttribute,
    // GetElementText), for comparison.
    t = Measure(runs, [&] {
        THTML_TagRipper r(text);
        long long count = 0;
        int pos = 1;
        std::wstring tagName, value;
        while (r.GetNextTagName(pos, true, tagName)) {
            if (tagName == L"keyword" || tagName == L"topic") value = r.GetAttribute(tagName == L"topic" ? L"id" : L"value");
            else if (tagName == L"subkey") value = r.GetAttribute(L"display");
            else if (tagName == L"title" || tagName == L"url") value = r.GetElementText();
            else continue;
            count += static_cast<long long>(value.size());
        }
        return count;
    }, n);
    Report("scanner + a string per value", t, text.size(), tags, "tags");

    const std::function<long long()> readerRun = [&] {
        TTocReturn toc;
        ReadTocContext(text, toc);
        return static_cast<long long>(toc.Parents.size() + toc.Siblings.size() + toc.Children.size());
    };
    if (Toc) {
        // Measured first: the count printed is the one this run found.
        const double reader = Measure(runs, readerRun, n);
        Report("contents reader (ReadTocContext)", reader, text.size(), n, "topics");
    }

#ifdef VORLANE_BENCH_PUGIXML
    std::wstring copy(text.size(), L'\0');
    auto pugi = [&](unsigned options) {
        // In-place parse (pugixml's fastest way) of a fresh copy; the copy's time is
        // measured on its own and taken off.
        std::memcpy(copy.data(), text.data(), text.size() * sizeof(wchar_t));
        pugi::xml_document doc;
        const pugi::xml_parse_result res =
            doc.load_buffer_inplace(copy.data(), copy.size() * sizeof(wchar_t), options, pugi::encoding_wchar);
        if (!res) return -1LL;
        long long count = 0;
        for (pugi::xml_node child = doc.first_child(); child; child = child.next_sibling()) ++count;
        return count;
    };
    double copyTime = Measure(runs, [&] {
        std::memcpy(copy.data(), text.data(), text.size() * sizeof(wchar_t));
        return 1LL;
    }, n);
    const double pugiDefault = Measure(runs, [&] { return pugi(pugi::parse_default); }, n) - copyTime;
    Report("pugixml load (parse_default)", pugiDefault, text.size(), tags, "tags");
    t = Measure(runs, [&] { return pugi(pugi::parse_minimal); }, n) - copyTime;
    Report("pugixml load (parse_minimal)", t, text.size(), tags, "tags");
    // The ratios from rounds of one run each, one after another (a copy, pugixml, ours), so
    // that both sides of a ratio meet the same load of the machine; the median round.
    std::vector<double> valueRatios, readerRatios;
    for (int k = 0; k < runs; ++k) {
        double t0 = bench::Seconds();
        std::memcpy(copy.data(), text.data(), text.size() * sizeof(wchar_t));
        const double copyOnce = bench::Seconds() - t0;
        t0 = bench::Seconds();
        pugi(pugi::parse_default);
        const double pugiOnce = bench::Seconds() - t0 - copyOnce;
        t0 = bench::Seconds();
        valuesRun();
        valueRatios.push_back(pugiOnce / (bench::Seconds() - t0));
        if (Toc) {
            t0 = bench::Seconds();
            readerRun();
            readerRatios.push_back(pugiOnce / (bench::Seconds() - t0));
        }
    }
    std::printf("  ratio to pugixml parse_default (median of %d rounds): scanner + values %.2fx", runs,
                bench::Median(valueRatios));
    if (Toc) std::printf(", contents reader %.2fx", bench::Median(readerRatios));
    std::printf(" (goal >= 1.0)\n");
#else
    std::printf("  pugixml: not built in (scripts/fetch-bench-deps.sh could not fetch it)\n");
#endif
}

void BenchBytes(const char* name, const std::wstring& text, int runs) {
    std::string utf8;
    WideToUtf8(text, utf8);
    std::printf("\n%s as UTF-8 bytes: %zu bytes\n", name, utf8.size());
    long long n = 0;
    double t = Measure(runs, [&] {
        bool bom = false;
        return static_cast<long long>(DetectEncoding(utf8, bom));
    }, n);
    std::printf("  %-34s %8.2f ms %9.1f MB/s  (encoding %lld)\n", "DetectEncoding", t * 1e3, utf8.size() / t / 1e6, n);
    std::wstring wide;
    t = Measure(runs, [&] {
        BufferToWide(-1, utf8, 0, wide);
        return static_cast<long long>(wide.size());
    }, n);
    std::printf("  %-34s %8.2f ms %9.1f MB/s  (%lld characters)\n", "BufferToWide (detect + convert)", t * 1e3,
                utf8.size() / t / 1e6, n);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 7;
    std::printf("Tag scanner benchmark (median of %d runs)\n", runs);
    const std::wstring keywords = KeywordReply(50000);
    const std::wstring toc = TocReply(60000);
    BenchText("Keyword reply, 50,000 keywords", keywords, runs, false);
    BenchText("Table-of-contents reply, 60,000 topics", toc, runs, true);
    BenchBytes("Keyword reply", keywords, runs);
    return 0;
}
