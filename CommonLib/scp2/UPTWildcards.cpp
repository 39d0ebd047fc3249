#include "UPTWildcards.h"

#include "UPTUnicode.h"

namespace {

std::wstring_view UpToNul(std::wstring_view S) {
    const size_t nul = S.find(L'\0');
    return nul == std::wstring_view::npos ? S : S.substr(0, nul);
}

class TMaskMatcher {
public:
    TMaskMatcher(std::wstring_view Text, std::wstring_view Mask, TPTMatchFlags Flags)
        : T(Text), P(Mask), FCaseSensitive((Flags & ptmfCaseSensitive) != 0), FSets((Flags & ptmfSets) != 0) {}

    bool Match(size_t p, size_t t) const {
        bool matched = true;
        while (matched && p < P.size() && t < T.size()) {
            const wchar_t c = P[p];
            if (c == L'[' && FSets) {
                matched = MatchSet(p, t);
            } else if (c == L'*') {
                return MatchStar(p, t);
            } else if (c == L'?') {
                ++t;
            } else {
                matched = Same(c, T[t]);
                ++t;
            }
            ++p;
        }
        if (matched)
            while (p < P.size() && P[p] == L'*')
                ++p;
        return matched && t == T.size() && p == P.size();
    }

private:
    bool Same(wchar_t A, wchar_t B) const { return FCaseSensitive ? A == B : PTChrCmpIW(A, B) == 0; }

    // p at the "[": on return p is at the closing "]" (or past the mask when there is
    // none, which never matches) and t has moved past a matching character.
    bool MatchSet(size_t& p, size_t& t) const {
        size_t q = p + 1;
        bool negate = false;
        if (q < P.size() && P[q] == L'!') {
            negate = true;
            ++q;
        }
        const wchar_t ch = T[t];
        bool found = false;
        for (bool first = true;; first = false) {
            if (q >= P.size()) {
                p = P.size();
                return false;
            }
            const wchar_t m = P[q];
            if (m == L']' && !first)
                break;
            if (q + 2 < P.size() && P[q + 1] == L'-' && P[q + 2] != L']' && m < P[q + 2]) {
                found = found || (ch >= m && ch <= P[q + 2]);
                q += 3;
            } else {
                found = found || Same(m, ch);
                ++q;
            }
        }
        p = q;
        if (found == negate)
            return false;
        ++t;
        return true;
    }

    // p at the "*": decides the rest of the match.
    bool MatchStar(size_t p, size_t t) const {
        ++p;
        // Fold the run of "*" and "?" that follows; each "?" takes one character.
        while (p < P.size() && (P[p] == L'*' || P[p] == L'?')) {
            if (P[p] == L'?') {
                if (t == T.size())
                    break;
                ++t;
            }
            ++p;
        }
        if (p == P.size())
            return true; // a trailing run matches whatever is left
        if (t == T.size())
            return false;
        const wchar_t next = P[p];
        const bool anyNext = next == L'[' && FSets;
        for (;;) {
            if (Match(p, t))
                return true;
            // Skip ahead to the next character that can start the rest of the mask.
            ++t;
            if (!anyNext)
                while (t < T.size() && !Same(next, T[t]))
                    ++t;
            if (t >= T.size())
                return false;
        }
    }

    std::wstring_view T, P;
    bool FCaseSensitive, FSets;
};

} // namespace

bool WideMatchesMask(std::wstring_view FileName, std::wstring_view Mask, TPTMatchFlags Flags) {
    return TMaskMatcher(UpToNul(FileName), UpToNul(Mask), Flags).Match(0, 0);
}

bool WideMatchesMaskList(std::wstring_view FileName, std::wstring_view Masks, TPTMatchFlags Flags) {
    if (Masks.empty())
        return false;
    size_t start = 0;
    for (;;) {
        const size_t semi = Masks.find(L';', start);
        const std::wstring_view piece = Masks.substr(start, semi == std::wstring_view::npos ? semi : semi - start);
        if (WideMatchesMask(FileName, piece, Flags))
            return true;
        if (semi == std::wstring_view::npos)
            return false;
        start = semi + 1;
    }
}
