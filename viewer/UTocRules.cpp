// Rules of the contents tree.
#include "UTocRules.h"

#include "SysUtils.h"
#include "UHtmlEntities.h"

namespace {

wchar_t FoldAZ(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool SameAZ(const std::wstring& A, const std::wstring& B) {
    if (A.size() != B.size())
        return false;
    for (size_t i = 0; i < A.size(); ++i)
        if (FoldAZ(A[i]) != FoldAZ(B[i]))
            return false;
    return true;
}

// Whether Text holds Name (A-Z folded) at Pos.
bool NameAt(const std::wstring& Text, size_t Pos, const std::wstring& Name) {
    return Pos + Name.size() <= Text.size() && SameAZ(Text.substr(Pos, Name.size()), Name);
}

} // namespace

TTocImageKind TocImageKind(const std::vector<TTocImageLevel>& Chain) {
    int highestOrphan = 0;
    int changes = 0;
    for (size_t i = 0; i < Chain.size(); ++i) {
        const TTocImageLevel& level = Chain[i];
        if (level.Orphan) {
            highestOrphan = static_cast<int>(i) + 1;
            continue;
        }
        if (i + 1 >= Chain.size())
            continue; // the top-level node has no parent
        const TTocImageLevel& parent = Chain[i + 1];
        if (level.Version != parent.Version || level.Locale != parent.Locale)
            ++changes;
    }
    if (highestOrphan > 0 && (highestOrphan == 1 || changes == 0))
        return TTocImageKind::Orphan;
    if (changes % 2 == 1)
        return TTocImageKind::Mixed;
    return TTocImageKind::Normal;
}

int TocImageIndex(TTocImageKind Kind, bool HasChildren, bool Expanded) {
    return static_cast<int>(Kind) * 3 + (HasChildren ? (Expanded ? 2 : 1) : 0);
}

std::wstring OrphanEntry(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale) {
    return L"&id=" + Id + L"&topicversion=" + Version + L"&topiclocale=" + Locale;
}

bool ParseOrphanEntry(const std::wstring& Entry, std::wstring& Id, std::wstring& Version, std::wstring& Locale) {
    static const std::wstring idName = L"&id=", versionName = L"&topicversion=", localeName = L"&topiclocale=";
    Id.clear();
    Version.clear();
    Locale.clear();
    if (!NameAt(Entry, 0, idName))
        return false;
    // Three values, each ended by the next '&' (the last by the end); the names in order.
    const size_t idStart = idName.size();
    const size_t versionAt = Entry.find(L'&', idStart);
    if (versionAt == std::wstring::npos || !NameAt(Entry, versionAt, versionName))
        return false;
    const size_t versionStart = versionAt + versionName.size();
    const size_t localeAt = Entry.find(L'&', versionStart);
    if (localeAt == std::wstring::npos || !NameAt(Entry, localeAt, localeName))
        return false;
    const size_t localeStart = localeAt + localeName.size();
    if (Entry.find(L'&', localeStart) != std::wstring::npos)
        return false;
    Id = Entry.substr(idStart, versionAt - idStart);
    if (Id.empty() || Id.find(L'=') != std::wstring::npos)
        return false;
    Version = Entry.substr(versionStart, localeAt - versionStart);
    Locale = Entry.substr(localeStart);
    return true;
}

int FindTocRecord(const TTocItemArray& List, const std::wstring& Id, const std::wstring& Version,
                  const std::wstring& Locale) {
    for (size_t i = 0; i < List.size(); ++i)
        if (List[i].TopicVersion == Version && List[i].TopicLocale == Locale && SameAZ(List[i].Id, Id))
            return static_cast<int>(i);
    return -1;
}

std::vector<int> RemoveTocRecords(TTocItemArray& List, const std::vector<bool>& Remove) {
    std::vector<int> map(List.size(), -1);
    size_t kept = 0;
    for (size_t i = 0; i < List.size(); ++i) {
        if (i < Remove.size() && Remove[i])
            continue;
        if (kept != i)
            List[kept] = std::move(List[i]);
        map[i] = static_cast<int>(kept++);
    }
    List.resize(kept);
    return map;
}

TTocItemArray DirtySyncList(const TTocReturn& Toc, const std::wstring& Id, const std::wstring& Version,
                            const std::wstring& Locale) {
    TTocItemArray list;
    const auto append = [&list](TTocItem Item) {
        DecodeTitleText(Item.Title);
        list.push_back(std::move(Item));
        TTocData::TidyListTitle(list.back().Title, list, static_cast<int>(list.size()) - 2);
    };
    const auto sameInstance = [&](const TTocEntry& Entry) {
        return Entry.TopicVersion == Version && Entry.TopicLocale == Locale;
    };
    std::wstring id;
    DecodeUrlEscapes(Id, id);
    for (const TTocEntry& parent : Toc.Parents)
        append(parent.Item());
    bool topicIsSibling = false;
    for (const TTocEntry& sibling : Toc.Siblings) {
        if (!sameInstance(sibling))
            continue;
        std::wstring siblingId;
        DecodeUrlEscapes(std::wstring(sibling.Id), siblingId);
        topicIsSibling = topicIsSibling || SameAZ(siblingId, id);
        append(sibling.Item());
    }
    if (topicIsSibling)
        for (const TTocEntry& child : Toc.Children)
            if (sameInstance(child))
                append(child.Item());
    return list;
}
