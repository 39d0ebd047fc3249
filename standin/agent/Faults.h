// Faults on purpose: the switch STANDIN_AGENT_FAULTS makes chosen answers go wrong the ways
// a real agent's can (damaged or cut bodies, error pages, stalls, connections closed
// mid-reply), so that clients can be tried against them.
//
//   STANDIN_AGENT_FAULTS = rule[;rule...]
//   rule     = method[#which]=fault
//   method   = page|children|ancestors|toc|keywords|search|f1|asset|other|*
//   which    = N | N-M | N-      requests of that method, counted from 1 as they arrive
//                                (for "*": all requests); every one when left out
//   fault    = garbage           body replaced by as many random bytes (at least 64)
//            | cut               body cut to half (Content-Length says the cut size)
//            | error[:STATUS]    an HTML error page with STATUS (default 500)
//            | stall:MS          wait MS milliseconds before answering
//            | close             headers with the full length, half the body, then close
//
// Every rule that matches a request applies, in order. The private quit request is never
// touched.
#pragma once

#include "AgentReplies.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace standin {

enum class FaultKind { Garbage, Cut, Error, Stall, Close };

struct FaultRule {
    std::string method;  // lower case, "*" for any
    unsigned first = 1;
    unsigned last = 0xFFFFFFFFu;
    FaultKind kind = FaultKind::Garbage;
    int value = 0;       // status (error) or milliseconds (stall)
};

// False, with the offending rule in error, when Text is not a rule list.
bool ParseFaultRules(const std::wstring& text, std::vector<FaultRule>& rules, std::wstring& error);

// The method a request target counts under: the query's method (lower case; "page" when
// none), "asset" for store files, "other" outside the agent's path, "" for the quit request.
std::string RequestMethod(const std::string& target);

// What happens to one answer.
struct FaultPlan {
    int stallMs = 0;
    bool close = false;
    std::vector<FaultRule> bodyFaults;  // garbage, cut and error rules, in order
    unsigned number = 0;                // the request's number under its method
    bool Any() const { return stallMs > 0 || close || !bodyFaults.empty(); }
};

class FaultSwitch {
public:
    FaultSwitch() = default;
    explicit FaultSwitch(std::vector<FaultRule> rules) : rules_(std::move(rules)) {}
    bool Empty() const { return rules_.empty(); }
    // Counts a request of Method and gives the faults that apply to it.
    FaultPlan Next(const std::string& method);

private:
    std::vector<FaultRule> rules_;
    std::mutex lock_;
    std::map<std::string, unsigned> counts_;
    unsigned total_ = 0;
};

// Applies the plan's body faults to Reply (random bytes seeded by the request's number).
void ApplyBodyFaults(const FaultPlan& plan, Reply& reply);

}  // namespace standin
