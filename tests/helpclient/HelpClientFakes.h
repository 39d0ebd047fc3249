// Test doubles of the help library client's models: an agent that answers from canned
// replies and records the requests, a tree, and a breadcrumb bar.
#pragma once

#include "UAgentLink.h"
#include "UPathViewer.h"
#include "UTocData.h"

#include "TestHarness.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hcfakes {

// The text of a reply file of tests/helpclient/data (UTF-8).
std::wstring DataText(const std::wstring& Name);

// Requests become "fake:" + name=value pairs joined by '&' (no escaping); replies are
// looked up by that query.
class FakeAgent : public TAgentLink {
public:
    std::wstring MakeAgentUrl(const std::vector<std::wstring>& Params) override;
    std::wstring HttpGet(const std::wstring& Url) override;
    std::wstring CatalogVersion() override { return Version; }
    std::wstring CatalogLocale() override { return Locale; }

    void Reply(const std::wstring& Query, const std::wstring& Text) { Replies[Query] = Text; }
    void ReplyFile(const std::wstring& Query, const std::wstring& DataFile) { Replies[Query] = DataText(DataFile); }

    std::map<std::wstring, std::wstring> Replies;
    std::vector<std::wstring> Requests; // queries asked, in order
    // Runs at each request before it is answered, as the messages a wait lets run do.
    std::function<void(const std::wstring& Query)> OnRequest;
    std::wstring Version = L"100";
    std::wstring Locale = L"en-US";
};

struct FakeNode {
    std::wstring Text;
    intptr_t Data = -1;
    FakeNode* Parent = nullptr;
    std::vector<std::unique_ptr<FakeNode>> Children;
    bool Expanded = false;
    bool ChildMark = false; // shows an expand button (set by a child, or without children)
    int Image = -1;
    int ImageWrites = 0;
};

class FakeTree : public TTocTree {
public:
    TTocNode AddChild(TTocNode Parent, const std::wstring& Text, intptr_t Data) override;
    void Delete(TTocNode Node) override;
    TTocNode GetParent(TTocNode Node) override { return Ref(N(Node)->Parent == &FRoot ? nullptr : N(Node)->Parent); }
    TTocNode GetFirstChild(TTocNode Node) override;
    TTocNode GetNextSibling(TTocNode Node) override;
    int ChildCount(TTocNode Node) override { return static_cast<int>(Own(Node)->Children.size()); }
    bool HasChildren(TTocNode Node) override { return N(Node)->ChildMark; }
    void SetHasChildren(TTocNode Node, bool Value) override { N(Node)->ChildMark = Value; }
    bool Expanded(TTocNode Node) override { return N(Node)->Expanded; }
    std::wstring GetText(TTocNode Node) override { return N(Node)->Text; }
    intptr_t GetData(TTocNode Node) override { return N(Node)->Data; }
    int GetImageIndex(TTocNode Node) override { return N(Node)->Image; }
    void SetImageIndex(TTocNode Node, int Index) override {
        N(Node)->Image = Index;
        ++N(Node)->ImageWrites;
    }

    static FakeNode* N(TTocNode Node) { return reinterpret_cast<FakeNode*>(Node); }
    static TTocNode Ref(FakeNode* Node) { return reinterpret_cast<TTocNode>(Node); }
    // Top-level nodes (null) or a node's children.
    FakeNode* Own(TTocNode Node) { return Node ? N(Node) : &FRoot; }
    std::vector<std::wstring> Texts(TTocNode Parent);

private:
    FakeNode FRoot;
};

class FakeBar : public TPathBar {
public:
    void SetPathSepertor(wchar_t Separator) override { Sep = Separator; }
    void SetAllowEdit(bool Value) override { AllowEdit = Value; }
    void SetImages(TCustomImageList* AImages) override { Images = AImages; }
    void SetImageIdx(int Index) override { ImageIdx = Index; }
    void ClearSegments() override { Segments.clear(); }
    void AddSegment(const std::wstring& Caption) override { Segments.push_back(Caption); }
    void Invalidate() override { ++Invalidates; }
    void SetHasSubItems(bool Value) override { HasSubItems = Value; }

    wchar_t Sep = L'\\';
    bool AllowEdit = true;
    TCustomImageList* Images = nullptr;
    int ImageIdx = -1;
    std::vector<std::wstring> Segments;
    int Invalidates = 0;
    bool HasSubItems = false;
};

// A reply of method=children or method=ancestors: container Tag holding topics given as
// {id, title, version, locale}.
struct TopicFields {
    std::wstring Id, Title, Version, Locale;
};
std::wstring TopicReply(const std::wstring& Container, const std::vector<TopicFields>& Topics);

} // namespace hcfakes
