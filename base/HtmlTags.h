// The program's reader of XML and HTML: a forward tag scanner over a wide string the
// caller owns. It records positions only; text is copied out on request.
#pragma once

#include "Classes.h"

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------------
// Tag table: ids 1..106 (0 = a name that is not in the table).

struct THtmlTagRow {
    std::wstring_view Name;      // lower case
    std::wstring_view UpperName; // upper case
    int NameLength;
    int Layout;                  // 0 inline, 1 block, 2 structural
};

constexpr int HtmlTagCount = 106;
// Row 0 is an empty placeholder so that the table is indexed by tag id.
extern const THtmlTagRow HtmlTagTable[HtmlTagCount + 1];

// Tag ids the program tests by name.
enum : uint8_t {
    tagNone = 0,
    tagXmlDecl = 1,      // "?xml"
    tagComment = 2,      // "!--"
    tagDoctype = 3,      // "!doctype"
    tagA = 4,
    tagBody = 16,
    tagHead = 38,
    tagMeta = 60,
    tagMsHelpAttr = 61,
    tagMsHelpFtsIndex = 62,
    tagMsHelpInclude = 63,
    tagMsHelpKeyword = 64,
    tagMsHelpNoSearch = 65,
    tagMsHelpRlTitle = 66,
    tagMsHelpTocTitle = 67,
    tagMsHelpVTopic = 68,
    tagMsHelpLink = 69,
    tagTitle = 99,
    tagXml = 105,
};

// Help metadata names (row 0 is the placeholder "???").
struct TH3TagRow {
    std::wstring_view Name;
    std::wstring_view LowerName;
};
constexpr int H3TagCount = 16;
extern const TH3TagRow TH3Tags[H3TagCount];

// Special codes of the current tag (-1 when none). In a namespace of their own: the
// shortcut constants of actions and menus use some of the same names (scNone).
namespace HtmlSpecial {
enum : int32_t {
    scNone = -1,
    scMsHelpAttr = 1,         // ... through scMsHelpVTopic = 8, by tag id 61..68
    scMsHelpVTopic = 8,
    scMetaMsHkwd = 101,
    scMetaMsHaid = 102,
    scMetaDescription = 104,
    scMetaTitle = 105,
    scMetaMicrosoftOther = 118,
    scMetaH3Base = 119,       // 119 + row - 1 for TH3Tags rows 1..15
    scMetaH3Locale = 119,
    scMetaH3TopicVersion = 120,
    scMetaH3TopicLocale = 121,
    scMetaH3Keywords = 122,
    scMetaH3Id = 123,
    scMetaH3F1 = 124,
    scMetaH3TocParent = 125,
    scMetaH3TocOrder = 126,
    scMetaH3TocInfo = 127,
    scMetaH3Product = 128,
    scMetaH3ProductVersion = 129,
    scMetaH3Category = 130,
    scMetaH3ContentFilter = 131,
    scMetaH3ContentType = 132,
    scMetaH3SelfBranded = 133,
    scXmlStart = 207,
    scXmlEnd = 208,
    scTitleStart = 300,
    scTitleEnd = 301,
    scHeadStart = 303,
    scHeadEnd = 304,
};
} // namespace HtmlSpecial

// One attribute of the current tag: 1-based positions; the value range includes its
// quotes and is 0/0 when the attribute has no value.
struct THtmlAttr {
    int NamePos;
    int NameLen;
    int ValuePos;
    int ValueLen;
};

// One record of the tag list.
struct THtmlTagRec {
    uint8_t TagId;
    bool IsEndTag;
    bool IsSelfClosing;
    int TagStart;
    int TagLength;
    int TagExtent;
    int TagIndent;
    int32_t SpecialCode;
    int NamePos;
    int NameLen;
};

constexpr int HtmlMaxAttrs = 99;

// The tag being looked at: everything a parse fills in.
struct THtmlCurrentTag {
    uint8_t TagId = 0;
    bool IsEndTag = false;
    bool IsSelfClosing = false;
    bool ParseError = false;   // unterminated comment/tag/quote, bad attribute, 100th attribute
    int TagStart = 0;          // position of '<'
    int TagLength = 0;         // '<' through '>'
    int TagExtent = 0;         // TagLength plus following spaces and one line break
    int TagIndent = 0;         // spaces before the tag when it begins a line
    int32_t SpecialCode = HtmlSpecial::scNone;
    int NamePos = 0;           // the name as written
    int NameLen = 0;
    int AttrCount = 0;
    int CharsetPos = 0;        // value after "charset=" in a meta http-equiv tag
    int CharsetLen = 0;
};

class THTML_TagRipper : public TObject, public THtmlCurrentTag {
public:
    VORLANE_CLASS_NAME(THTML_TagRipper)

    // An empty scanner without text.
    THTML_TagRipper() = default;
    // The usual way: a scanner over the caller's variable (which must outlive it).
    explicit THTML_TagRipper(const std::wstring& Text) { SetText(Text); }
    explicit THTML_TagRipper(const std::wstring&& Text) = delete;

    // Points the scanner at the caller's variable; the tag list no longer applies. The
    // scanner remembers where its searches for a tag's end, a closing quote or a comment's
    // end have failed, so that damaged text is scanned once; a change of the text's length
    // or buffer is noticed, a caller that rewrites characters in place calls SetText again.
    void SetText(const std::wstring& Text);
    void SetText(const std::wstring&& Text) = delete;
    const std::wstring* Text() const { return FText; }

    // Next tag at or after Pos; the current tag describes it and Pos is moved past it.
    bool NextTag(int& Pos);
    // NextTag over a text that is still growing: stops (false, Pos at its '<') at a '<'
    // whose tag does not parse whole yet (its end not there, or an error that more text
    // may mend), so that the caller goes on from there when more text has come. The tags
    // it gives are the ones NextTag gives on the whole text. The scanner keeps where it
    // stopped: it parses that tag again only once the text after its '<' has doubled, so
    // that waiting for the end of a long tag (an unclosed comment or quote) costs time
    // linear in the text however small the pieces it comes in (the tag is whole by the
    // time the caller reads the finished text with NextTag).
    bool NextWholeTag(int& Pos);
    // Characters from a '<' to the end of the text that NextWholeTag parsed without finding
    // the tag whole, added up over the scanner's life: the work of waiting.
    long long WaitWork() const { return FWaitWork; }
    // NextTag; Name = the tag's name as written ('' at the end).
    bool NextTagName(int& Pos, std::wstring& Name);
    // NextTag until a tag whose IsEndTag differs from SkipEndTags.
    bool GetNextTagName(int& Pos, bool SkipEndTags, std::wstring& Name);
    // Parses the tag whose '<' is at Pos.
    bool ParseTagAt(int Pos);
    // Tag id of the name at Pos (Pos just after '<'; a '<' at Pos is stepped over).
    int TagIdAt(int Pos) const;

    // The current tag's name as written.
    std::wstring TagName() const;
    // The same as a view into the text (valid while the text is unchanged).
    std::wstring_view TagNameView() const {
        if (!FText || NameLen <= 0) return {};
        return std::wstring_view(FText->data() + NamePos - 1, static_cast<size_t>(NameLen));
    }
    // 0-based index of the attribute Name (ASCII case ignored), -1 when absent.
    int IndexOfAttribute(std::wstring_view Name) const {
        if (!FText) return -1;
        const wchar_t* s = FText->data();
        for (int k = 0; k < AttrCount; ++k) {
            const THtmlAttr& a = FAttrs[k];
            if (a.NameLen == static_cast<int>(Name.size()) && SameAsciiFold(s + a.NamePos - 1, Name)) return k;
        }
        return -1;
    }
    // Value text of attribute Index ('' beyond AttrCount - 1 or without value).
    std::wstring GetAttributeValue(int Index, bool StripQuotes) const;
    // Value of attribute Name with quotes stripped; '' when absent.
    std::wstring GetAttribute(std::wstring_view Name) const;
    std::wstring GetAttributeDef(std::wstring_view Name, std::wstring_view Default) const;
    // GetAttribute as a view into the text: nothing is copied.
    std::wstring_view AttributeView(std::wstring_view Name) const {
        const int k = IndexOfAttribute(Name);
        if (k < 0) return {};
        const THtmlAttr& a = FAttrs[k];
        if (a.ValueLen <= 0) return {};
        const wchar_t* v = FText->data() + a.ValuePos - 1;
        int len = a.ValueLen;
        if (len >= 2 && (v[0] == L'"' || v[0] == L'\'') && v[len - 1] == v[0]) {
            ++v;
            len -= 2;
        }
        return std::wstring_view(v, static_cast<size_t>(len));
    }
    // The current tag's attributes (AttrCount of them are valid).
    const THtmlAttr& Attr(int Index) const { return FAttrs[Index]; }

    bool FindTagId(int& Pos, int Id);
    bool FindTagIdEx(int& Pos, int Id, bool StopAtBody);
    bool FindTagByName(int& Pos, std::wstring_view Name, bool StopAtBody);
    // From position 1: the first tag named TagName, then its attribute AttrName.
    std::wstring FindTagAttribute(std::wstring_view TagName, std::wstring_view AttrName);
    // Text between the current tag and its end tag, blanks trimmed; '' when the next tag
    // of the same id is not an end tag. The current tag is left as it was.
    std::wstring GetElementText();
    // The same as a view into the text. When the end tag follows the text at once (the
    // usual case) and After is given, After is moved just past the end tag, so that a
    // reader with no use for it does not parse it a second time; otherwise After is left.
    std::wstring_view ElementTextView(int* After = nullptr);

    // Every tag of the text into TagList; sets TagListBuilt.
    int BuildTagList();
    // Mode 0: all tags (stop after the first with id StopId when StopId is not 0);
    // mode 1: comments skipped, stop at the first tag that is neither an mshelp tag nor
    // "xml"; mode 1001: only tags with id StopId.
    int BuildTagListEx(int Pos, int StopId, int Mode);
    bool SameTagName(int I, int J) const;

    // First position of S in Text[Pos .. Pos+Len-1] (Len cut at the end), -1 when absent.
    int FindText(int Pos, int Len, bool CaseSensitive, std::wstring_view S) const;
    // Text[Pos .. Pos+Len-1] equals S, ASCII case ignored.
    bool SameTextAt(int Pos, int Len, std::wstring_view S) const;

    std::vector<THtmlTagRec> TagList;
    bool TagListBuilt = false;

private:
    // A.. equals B, ASCII letters of either case alike.
    static bool SameAsciiFold(const wchar_t* A, std::wstring_view B) {
        for (size_t k = 0; k < B.size(); ++k) {
            const wchar_t a = A[k], b = B[k];
            if (a != b && ((a | 0x20) != (b | 0x20) || (a | 0x20) < L'a' || (a | 0x20) > L'z')) return false;
        }
        return true;
    }
    bool ParseTag(int Pos);
    bool ParseTagWide(int Pos);
    bool NextTagBody(int& Pos);
    bool NextTagWide(int& Pos);
    bool NextWholeTagBody(int& Pos);
    bool NextWholeTagWide(int& Pos);
    void ResetTag(int Pos);
    void CheckSearchMemo();
    int FindCommentEnd(const wchar_t* s, int n, int From);
    void MeasureTagExtent(const wchar_t* s, int n);
    void ClassifyMeta(const wchar_t* s, const THtmlAttr& a);
    void FindCharset(const wchar_t* s, int n);
    THtmlTagRec CurrentRecord() const;

    const std::wstring* FText = nullptr;
    THtmlAttr FAttrs[HtmlMaxAttrs];

    // Searches known to fail on the current text: no '>', no '"', no apostrophe at or
    // after these indexes, and no comment end for a comment whose search starts at or
    // after FNoCommentEndFrom. A large value means nothing is known.
    struct TSearchMemo {
        const wchar_t* Data = nullptr;
        size_t Size = 0;
        int NoGtFrom = INT_MAX;
        int NoQuoteFrom = INT_MAX;
        int NoAposFrom = INT_MAX;
        int NoCommentEndFrom = INT_MAX;
    };
    TSearchMemo FMemo;
    // Where NextWholeTag stopped last (1-based '<', 0 none) and the text's length then.
    int FWaitPos = 0;
    int FWaitSize = 0;
    long long FWaitWork = 0;
};

// Index of the next code unit equal to c in [from, end), or end when none. Uses SSE2
// when the processor has it.
const wchar_t* HtmlFindChar(const wchar_t* from, const wchar_t* end, wchar_t c) noexcept;
// The same for the first code unit equal to a or to b.
const wchar_t* HtmlFindEither(const wchar_t* from, const wchar_t* end, wchar_t a, wchar_t b) noexcept;
