#include "Faults.h"

#include "StText.h"
#include "UrlQuery.h"

#include <random>

namespace standin {

namespace {

const char* const kMethods[] = {"page", "children", "ancestors", "toc", "keywords", "search", "f1", "asset", "other", "*"};

bool ParseCount(const std::wstring& text, unsigned& value) {
    long long v = ParseNumber(text);
    if (v < 1 || v > 0xFFFFFFFFll) return false;
    value = (unsigned)v;
    return true;
}

bool ParseRule(const std::wstring& text, FaultRule& rule) {
    size_t eq = text.find(L'=');
    if (eq == std::wstring::npos) return false;
    std::wstring selector = LowerAscii(Trim(text.substr(0, eq))), fault = LowerAscii(Trim(text.substr(eq + 1)));
    size_t hash = selector.find(L'#');
    std::string method = ToUtf8(Trim(selector.substr(0, hash)));
    bool known = false;
    for (const char* m : kMethods) known = known || method == m;
    if (!known) return false;
    rule.method = method;
    if (hash != std::wstring::npos) {
        std::wstring which = Trim(selector.substr(hash + 1));
        size_t dash = which.find(L'-');
        if (!ParseCount(which.substr(0, dash), rule.first)) return false;
        if (dash == std::wstring::npos) rule.last = rule.first;
        else if (Trim(which.substr(dash + 1)).empty()) rule.last = 0xFFFFFFFFu;
        else if (!ParseCount(which.substr(dash + 1), rule.last) || rule.last < rule.first) return false;
    }
    size_t colon = fault.find(L':');
    std::wstring name = Trim(fault.substr(0, colon)), arg = colon == std::wstring::npos ? L"" : Trim(fault.substr(colon + 1));
    long long value = arg.empty() ? -1 : ParseNumber(arg);
    if (name == L"garbage" || name == L"cut" || name == L"close") {
        if (colon != std::wstring::npos) return false;
        rule.kind = name == L"garbage" ? FaultKind::Garbage : name == L"cut" ? FaultKind::Cut : FaultKind::Close;
    } else if (name == L"error") {
        rule.kind = FaultKind::Error;
        if (colon != std::wstring::npos && (value < 100 || value > 599)) return false;
        rule.value = colon == std::wstring::npos ? 500 : (int)value;
    } else if (name == L"stall") {
        if (value < 0 || value > 600000) return false;
        rule.kind = FaultKind::Stall;
        rule.value = (int)value;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool ParseFaultRules(const std::wstring& text, std::vector<FaultRule>& rules, std::wstring& error) {
    rules.clear();
    for (const std::wstring& part : Split(text, L';')) {
        if (Trim(part).empty()) continue;
        FaultRule rule;
        if (!ParseRule(part, rule)) {
            error = L"bad fault rule \"" + Trim(part) + L"\"";
            rules.clear();
            return false;
        }
        rules.push_back(rule);
    }
    return true;
}

std::string RequestMethod(const std::string& target) {
    std::string t = StripFragment(target);
    if (t.compare(0, 7, "http://") == 0) {
        size_t slash = t.find('/', 7);
        t = slash == std::string::npos ? "/" : t.substr(slash);
    }
    size_t q = t.find('?');
    std::string path = LowerAsciiA(t.substr(0, q)), query = q == std::string::npos ? "" : t.substr(q + 1);
    if (path == "/standin/quit") return "";
    while (!path.empty() && path.back() == '/') path.pop_back();
    if (path.compare(0, 6, "/help/") != 0 || path.size() < 8 || path.compare(path.size() - 8, 8, "/ms.help") != 0)
        return "other";
    std::string lower = LowerAsciiA(query);
    size_t mshc = lower.find(".mshc;");
    if (mshc != std::string::npos && lower.find('=') > mshc) return "asset";
    std::string method = ToUtf8(LowerAscii(Trim(QueryParams(query).Get("method"))));
    return method.empty() ? "page" : method;
}

FaultPlan FaultSwitch::Next(const std::string& method) {
    FaultPlan plan;
    if (rules_.empty() || method.empty()) return plan;
    unsigned number, all;
    {
        std::lock_guard<std::mutex> lock(lock_);
        number = ++counts_[method];
        all = ++total_;
    }
    plan.number = number;
    for (const FaultRule& r : rules_) {
        unsigned n = r.method == "*" ? all : number;
        if ((r.method != "*" && r.method != method) || n < r.first || n > r.last) continue;
        if (r.kind == FaultKind::Stall) plan.stallMs += r.value;
        else if (r.kind == FaultKind::Close) plan.close = true;
        else plan.bodyFaults.push_back(r);
    }
    return plan;
}

void ApplyBodyFaults(const FaultPlan& plan, Reply& reply) {
    for (const FaultRule& r : plan.bodyFaults) {
        switch (r.kind) {
            case FaultKind::Garbage: {
                std::mt19937 random(plan.number * 2654435761u + 17);
                std::string bytes(std::max<size_t>(reply.body.size(), 64), '\0');
                for (char& c : bytes) c = (char)(random() & 0xFF);
                reply.body = bytes;
                break;
            }
            case FaultKind::Cut:
                reply.body.resize(reply.body.size() / 2);
                break;
            case FaultKind::Error: {
                std::string code = std::to_string(r.value);
                reply.status = r.value;
                reply.contentType = "text/html; charset=utf-8";
                reply.body = "<html><head><title>" + code + " Server Error</title></head><body><h1>HTTP Error " + code +
                             ". The agent could not answer the request.</h1></body></html>";
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace standin
