#include "USpeechText.h"

#include "HtmlTags.h"
#include "SysUtils.h"

namespace {

constexpr size_t SentenceBreakAfter = 80; // '!', '?', ". "
constexpr size_t PauseBreakAfter = 160;   // ',' or a blank

bool IsDiv(const THTML_TagRipper& Ripper) {
    return Ripper.TagId != 0 && HtmlTagTable[Ripper.TagId].Name == L"div";
}

} // namespace

bool RemoveLeftNav(std::wstring& Text) {
    THTML_TagRipper ripper(Text);
    int pos = 1;
    while (ripper.NextTag(pos)) {
        if (ripper.IsEndTag || !IsDiv(ripper) || !SameText(ripper.GetAttribute(L"class"), L"OH_leftNav"))
            continue;
        int start = ripper.TagStart;
        int depth = ripper.IsSelfClosing ? 0 : 1;
        while (depth > 0 && ripper.NextTag(pos)) {
            if (!IsDiv(ripper))
                continue;
            if (ripper.IsEndTag)
                --depth;
            else if (!ripper.IsSelfClosing)
                ++depth;
        }
        if (depth > 0)
            return false;
        int end = ripper.TagStart + ripper.TagLength; // 1-based, just past the closing tag
        Text.erase(static_cast<size_t>(start - 1), static_cast<size_t>(end - start));
        return true;
    }
    return false;
}

std::vector<std::wstring> SpeechReadingLines(const std::wstring& Text) {
    std::vector<std::wstring> lines;
    auto add = [&](size_t from, size_t to) {
        std::wstring line = Trim(std::wstring_view(Text).substr(from, to - from));
        if (!line.empty())
            lines.push_back(std::move(line));
    };
    const size_t n = Text.size();
    size_t start = 0;
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = Text[i];
        size_t before = i - start;
        bool ends = c == L'\r' ||
                    ((c == L'!' || c == L'?') && before > SentenceBreakAfter) ||
                    (c == L'.' && i + 1 < n && Text[i + 1] == L' ' && before > SentenceBreakAfter) ||
                    ((c == L',' || c == L' ') && before > PauseBreakAfter);
        if (ends) {
            add(start, i + 1);
            start = i + 1;
        }
    }
    if (start < n)
        add(start, n);
    return lines;
}

std::wstring SpeechText(std::wstring Source, bool RemoveNav) {
    if (RemoveNav)
        RemoveLeftNav(Source);
    std::wstring text;
    for (const std::wstring& line : SpeechReadingLines(Source)) {
        text += line;
        text += L"\r\n";
    }
    return text;
}
