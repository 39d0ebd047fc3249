#include "HelpClientFakes.h"

#include "SysUtils.h"

namespace hcfakes {

std::wstring DataText(const std::wstring& Name) {
    std::string bytes = testing_support::ReadBytes(testing_support::TestDataDir() + L"\\" + Name);
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    return Utf8ToWide(bytes);
}

std::wstring FakeAgent::MakeAgentUrl(const std::vector<std::wstring>& Params) {
    std::wstring q;
    for (size_t i = 0; i < Params.size(); ++i) {
        if (i % 2 == 0 && i > 0) q += L"&";
        if (i % 2 == 1) q += L"=";
        q += Params[i];
    }
    return L"fake:" + q;
}

std::wstring FakeAgent::HttpGet(const std::wstring& Url) {
    const std::wstring q = Url.substr(5);
    Requests.push_back(q);
    if (OnRequest)
        OnRequest(q);
    auto it = Replies.find(q);
    return it == Replies.end() ? std::wstring() : it->second;
}

TTocNode FakeTree::AddChild(TTocNode Parent, const std::wstring& Text, intptr_t Data) {
    FakeNode* owner = Own(Parent);
    auto node = std::make_unique<FakeNode>();
    node->Text = Text;
    node->Data = Data;
    node->Parent = owner;
    owner->Children.push_back(std::move(node));
    owner->ChildMark = owner != &FRoot;
    return Ref(owner->Children.back().get());
}

void FakeTree::Delete(TTocNode Node) {
    FakeNode* n = N(Node);
    auto& siblings = n->Parent->Children;
    for (auto it = siblings.begin(); it != siblings.end(); ++it)
        if (it->get() == n) {
            FakeNode* parent = n->Parent;
            siblings.erase(it);
            if (siblings.empty()) parent->ChildMark = false;
            return;
        }
}

TTocNode FakeTree::GetFirstChild(TTocNode Node) {
    FakeNode* owner = Own(Node);
    return owner->Children.empty() ? nullptr : Ref(owner->Children.front().get());
}

TTocNode FakeTree::GetNextSibling(TTocNode Node) {
    FakeNode* n = N(Node);
    auto& siblings = n->Parent->Children;
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == n) return Ref(siblings[i + 1].get());
    return nullptr;
}

std::vector<std::wstring> FakeTree::Texts(TTocNode Parent) {
    std::vector<std::wstring> r;
    for (auto& c : Own(Parent)->Children) r.push_back(c->Text);
    return r;
}

std::wstring TopicReply(const std::wstring& Container, const std::vector<TopicFields>& Topics) {
    std::wstring s = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<" + Container + L">\r\n";
    for (const auto& t : Topics) {
        s += L"  <topic id=\"" + t.Id + L"\"><title>" + t.Title + L"</title><url>ms-xhelp:///?method=page&amp;id=" +
             t.Id + L"&amp;product=VS&amp;productversion=100&amp;topicversion=" + t.Version +
             L"&amp;locale=en-US&amp;topiclocale=" + t.Locale + L"</url></topic>\r\n";
    }
    s += L"</" + Container + L">\r\n";
    return s;
}

} // namespace hcfakes
