// Page source formatting.
#include "USourceFormat.h"

#include "HtmlTags.h"

#include <vector>

namespace {

bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

int NormaliseBreaks(std::wstring& Text, const wchar_t* Break) {
    const std::wstring target = Break;
    std::wstring out;
    out.reserve(Text.size() + Text.size() / 16);
    int changes = 0;
    const size_t n = Text.size();
    for (size_t i = 0; i < n; ++i) {
        const wchar_t c = Text[i];
        if (!IsBreak(c)) {
            out += c;
            continue;
        }
        size_t len = 1;
        if (c == L'\r' && i + 1 < n && Text[i + 1] == L'\n') len = 2;
        if (Text.compare(i, len, target) != 0) ++changes;
        out += target;
        i += len - 1;
    }
    if (changes) Text.swap(out);
    return changes;
}

int JoinLines(std::wstring& Text) {
    std::wstring out;
    out.reserve(Text.size());
    int changes = 0;
    const size_t n = Text.size();
    for (size_t i = 0; i < n;) {
        const wchar_t c = Text[i];
        if (c != L' ' && c != L'\t' && !IsBreak(c)) {
            out += c;
            ++i;
            continue;
        }
        size_t j = i;
        bool joins = false;
        while (j < n && (Text[j] == L' ' || Text[j] == L'\t' || IsBreak(Text[j]))) {
            joins = joins || Text[j] != L' ';
            ++j;
        }
        if (joins) {
            out += L' ';
            ++changes;
        } else {
            out.append(Text, i, j - i);
        }
        i = j;
    }
    size_t b = 0, e = out.size();
    while (b < e && out[b] == L' ') ++b;
    while (e > b && out[e - 1] == L' ') --e;
    if (b != 0 || e != out.size()) {
        out = out.substr(b, e - b);
        ++changes;
    }
    if (changes) Text.swap(out);
    return changes;
}

int IndentBlocks(std::wstring& Text) {
    THTML_TagRipper ripper(Text);
    ripper.BuildTagList();
    const std::vector<THtmlTagRec>& tags = ripper.TagList;

    // Block tags only; pair each end tag with the nearest open start tag of the same id.
    std::vector<int> blocks;
    for (int i = 0; i < static_cast<int>(tags.size()); ++i) {
        const THtmlTagRec& t = tags[static_cast<size_t>(i)];
        if (t.TagId != 0 && t.TagId <= HtmlTagCount && HtmlTagTable[t.TagId].Layout != 0) blocks.push_back(i);
    }
    std::vector<char> matched(tags.size(), 0);
    std::vector<int> open;
    for (int i : blocks) {
        const THtmlTagRec& t = tags[static_cast<size_t>(i)];
        if (!t.IsEndTag) {
            if (!t.IsSelfClosing) open.push_back(i);
            continue;
        }
        for (size_t k = open.size(); k-- > 0;) {
            if (tags[static_cast<size_t>(open[k])].TagId == t.TagId) {
                matched[static_cast<size_t>(open[k])] = 1;
                matched[static_cast<size_t>(i)] = 1;
                open.resize(k);
                break;
            }
        }
    }

    std::wstring out;
    out.reserve(Text.size() + Text.size() / 8);
    size_t copied = 0;
    int depth = 0;
    int changes = 0;
    for (int i : blocks) {
        const THtmlTagRec& t = tags[static_cast<size_t>(i)];
        const bool isMatched = matched[static_cast<size_t>(i)] != 0;
        if (t.IsEndTag && isMatched && depth > 0) --depth;
        const std::wstring indent(static_cast<size_t>(depth) * 2, L' ');
        const size_t s = static_cast<size_t>(t.TagStart - 1);
        if (s < copied || s >= Text.size()) continue;
        size_t ls = s;
        while (ls > copied && (Text[ls - 1] == L' ' || Text[ls - 1] == L'\t')) --ls;
        const bool startsLine = ls == 0 || IsBreak(Text[ls - 1]);
        if (startsLine) {
            out.append(Text, copied, ls - copied);
            if (Text.compare(ls, s - ls, indent) != 0) ++changes;
            out += indent;
        } else {
            out.append(Text, copied, s - copied);
            out += L"\r\n";
            out += indent;
            ++changes;
        }
        copied = s;
        if (!t.IsEndTag && isMatched) ++depth;
    }
    out.append(Text, copied, std::wstring::npos);
    if (changes) Text.swap(out);
    return changes;
}

void CountLines(const std::wstring& Text, TSourceCounts& Counts) {
    Counts = TSourceCounts{};
    bool blank = true;
    const size_t n = Text.size();
    for (size_t i = 0; i < n; ++i) {
        const wchar_t c = Text[i];
        if (IsBreak(c)) {
            if (c == L'\r' && i + 1 < n && Text[i + 1] == L'\n') ++i;
            ++Counts.LineBreaks;
            if (blank) ++Counts.BlankLines;
            blank = true;
        } else if (c != L' ' && c != L'\t') {
            blank = false;
        }
    }
}

} // namespace

int FormatSourceText(std::wstring& Text, int Mode, TSourceCounts& Counts) {
    int changes = 0;
    switch (Mode) {
    case 1: changes = NormaliseBreaks(Text, L"\r\n"); break;
    case 2: changes = NormaliseBreaks(Text, L"\r"); break;
    case 3: changes = NormaliseBreaks(Text, L"\n"); break;
    case 4: changes = JoinLines(Text); break;
    case 5: changes = IndentBlocks(Text); break;
    default: break;
    }
    CountLines(Text, Counts);
    return changes;
}

int IndentHtmlTags(std::wstring& Text) {
    TSourceCounts counts;
    return FormatSourceText(Text, 5, counts);
}
