// Reading the request target of an agent URL: the query pairs and their values, decoded the
// way the viewer's escaping needs.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace standin {

// The target without a "#..." part; a '#' inside an entity ("&#233;") is not a fragment mark.
std::string StripFragment(const std::string& target);

class QueryParams {
public:
    QueryParams() = default;
    // Pairs as the viewer's own query reader reads them: a value runs to the next '&' that
    // starts a key ("name="), so an '&' of a character reference or one followed by no key
    // stays in the value. Names folded to lower case.
    explicit QueryParams(const std::string& query);
    // The raw value of the first pair of that name (lower case); empty when absent.
    const std::string& Raw(const std::string& name) const;
    bool Has(const std::string& name) const;
    // The decoded value of the first pair of that name.
    std::wstring Get(const std::string& name) const;
    std::vector<std::wstring> GetAll(const std::string& name) const;
    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs_; }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
};

// '+' to blank, percent escapes decoded once (a malformed '%' stays), UTF-8 (else
// Windows-1252) to wide text.
std::wstring PercentDecode(const std::string& raw);
// PercentDecode, then character references.
std::wstring DecodeValue(const std::string& raw);
// Turns "%3C", "%3E", "%2C" (hex digits in either case) into '<', '>', ','.
std::wstring DecodeKeywordEscapes(const std::wstring& text);
// The comparison key of a keyword text: escapes above decoded, letters lower-cased.
std::wstring KeywordKey(const std::wstring& text);

struct KeywordQuery {
    std::wstring whole;   // the entire query, decoded, unsplit
    std::wstring parent;  // text before the first raw ','
    std::wstring sub;     // text after it
    bool hasSub = false;
};
KeywordQuery DecodeKeywordQuery(const std::string& raw);

// Percent-escapes a value for the agent's own links (everything but unreserved characters).
std::wstring UrlEscape(const std::wstring& value);

}  // namespace standin
