// The agent's fault switch: its rule grammar, which requests it picks, and what each fault
// does to an answer on the wire.
#include "Faults.h"
#include "SampleStore.h"

using namespace standin;
using namespace standin_test;

namespace {

std::vector<FaultRule> Rules(const std::wstring& text) {
    std::vector<FaultRule> rules;
    std::wstring error;
    EXPECT_TRUE(ParseFaultRules(text, rules, error)) << error;
    return rules;
}

// Status line, the Content-Length value and the body of a raw answer.
struct Answer {
    std::string status, body;
    long long length = -1;
    explicit Answer(const std::string& raw) {
        status = raw.substr(0, raw.find("\r\n"));
        size_t cl = raw.find("Content-Length: ");
        if (cl != std::string::npos) length = std::stoll(raw.substr(cl + 16, raw.find("\r\n", cl) - cl - 16));
        size_t p = raw.find("\r\n\r\n");
        body = p == std::string::npos ? "" : raw.substr(p + 4);
    }
};

}  // namespace

TEST(StandinFaults, RuleGrammar) {
    auto r = Rules(L" Children#2=cut ; keywords#3-5=error:503;*#7-=stall:250;page=close;toc=garbage;search=error;");
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].method, "children");
    EXPECT_EQ(std::make_pair(r[0].first, r[0].last), std::make_pair(2u, 2u));
    EXPECT_TRUE(r[0].kind == FaultKind::Cut);
    EXPECT_EQ(std::make_pair(r[1].first, r[1].last), std::make_pair(3u, 5u));
    EXPECT_EQ(r[1].value, 503);
    EXPECT_EQ(r[2].method, "*");
    EXPECT_EQ(std::make_pair(r[2].first, r[2].last), std::make_pair(7u, 0xFFFFFFFFu));
    EXPECT_TRUE(r[2].kind == FaultKind::Stall);
    EXPECT_EQ(r[2].value, 250);
    EXPECT_EQ(std::make_pair(r[3].first, r[3].last), std::make_pair(1u, 0xFFFFFFFFu));
    EXPECT_EQ(r[5].value, 500);
    EXPECT_TRUE(Rules(L"").empty());
    for (const wchar_t* bad : {L"children", L"pages=cut", L"page#0=cut", L"page#3-2=cut", L"page#x=cut", L"page=stall",
                               L"page=stall:-1", L"page=error:99", L"page=cut:1", L"page=explode", L"page#1-2-3=cut"}) {
        std::vector<FaultRule> rules;
        std::wstring error;
        EXPECT_FALSE(ParseFaultRules(std::wstring(L"toc=cut;") + bad, rules, error)) << bad;
        EXPECT_NE(error.find(bad), std::wstring::npos) << error;
        EXPECT_TRUE(rules.empty());
    }
}

TEST(StandinFaults, RequestsAreCountedPerMethod) {
    EXPECT_EQ(RequestMethod("/help/1-5/ms.help?product=VS&method=Children&id=-1"), "children");
    EXPECT_EQ(RequestMethod("http://127.0.0.1:80/help/1/ms.help/?id=x"), "page");
    EXPECT_EQ(RequestMethod("/help/1/ms.help?x.mshc;/img/a.png"), "asset");
    EXPECT_EQ(RequestMethod("/favicon.ico"), "other");
    EXPECT_EQ(RequestMethod("/standin/quit"), "");

    FaultSwitch faults(Rules(L"children#2=cut;children#2-3=garbage;*#4=stall:100;*#4=stall:50;page=close"));
    std::vector<std::string> seen;
    for (const char* m : {"children", "children", "page", "children", "keywords", ""}) {
        FaultPlan p = faults.Next(m);
        std::string s = std::to_string(p.number) + ":";
        for (auto& f : p.bodyFaults) s += f.kind == FaultKind::Cut ? "cut," : "garbage,";
        s += p.close ? "close," : "";
        s += p.stallMs ? std::to_string(p.stallMs) : "";
        seen.push_back(s);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1:", "2:cut,garbage,", "1:close,", "3:garbage,150", "1:", "0:"}));
}

TEST(StandinFaults, TheAgentAppliesThemOnTheWire) {
    SampleStore& sample = SampleStore::Get();
    ASSERT_TRUE(sample.loaded) << sample.inst.output;
    AgentProcess agent;
    ASSERT_TRUE(agent.Start(sample.inst, FreePort(),
                            {{L"STANDIN_AGENT_REQUIRE_PID", L"0"},
                             {L"STANDIN_AGENT_FAULTS",
                              L"children#2=cut;children#3=garbage;keywords=error:503;toc=stall:400;page#1=close"}}));
    ASSERT_TRUE(agent.WaitForPort());
    auto ask = [&](const std::string& query) {
        return Answer(RawRequest(agent.Port(), "GET /help/1/ms.help?product=VS&productVersion=100&locale=en-US&" + query +
                                                   " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    };
    std::string children = sample.Ask("method=children&id=-1&format=xml");
    Answer whole = ask("method=children&id=-1&format=xml"), cut = ask("method=children&id=-1&format=xml"),
           garbage = ask("method=children&id=-1&format=xml");
    EXPECT_EQ(whole.body, children);
    EXPECT_EQ(cut.body, children.substr(0, children.size() / 2));
    EXPECT_EQ(cut.length, (long long)cut.body.size());
    EXPECT_EQ(garbage.body.size(), children.size());
    EXPECT_NE(garbage.body, children);

    Answer error = ask("method=keywords&query=a&format=xml");
    EXPECT_EQ(error.status, "HTTP/1.1 503 Service Unavailable");
    EXPECT_NE(error.body.find("<html>"), std::string::npos);

    DWORD start = GetTickCount();
    Answer stalled = ask("method=toc&id=-1&format=xml");
    EXPECT_GE(GetTickCount() - start, 380u);
    EXPECT_EQ(stalled.status, "HTTP/1.1 200 OK");

    // the first page: the full length announced, half the body, then the connection ends
    Answer closed = ask("method=page&id=-1");
    EXPECT_EQ(closed.status, "HTTP/1.1 200 OK");
    EXPECT_GT(closed.length, 0);
    EXPECT_EQ((long long)closed.body.size(), closed.length / 2);
    EXPECT_EQ((long long)ask("method=page&id=-1").body.size(), closed.length);

    // a rule the agent cannot read stops it before it listens
    AgentProcess bad;
    ASSERT_TRUE(bad.Start(sample.inst, FreePort(), {{L"STANDIN_AGENT_FAULTS", L"page=sometimes"}}));
    EXPECT_EQ(bad.WaitExit(10000), 6);
}
