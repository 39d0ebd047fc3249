#include "FakeBrowserView.h"

#include "UH3_Agent.h"

#include <cwctype>

namespace browserfakes {

namespace {

constexpr UINT WM_FAKE_BROWSER_STEP = WM_APP + 0x2B6;
// What the control reports for a page that did not arrive.
constexpr long DownloadFailure = static_cast<long>(0x800C0008); // INET_E_DOWNLOAD_FAILURE

std::wstring Lower(std::wstring s) {
    for (auto& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

bool IsHttp(const std::wstring& Url) {
    const std::wstring u = Lower(Url);
    return u.rfind(L"http://", 0) == 0 || u.rfind(L"https://", 0) == 0;
}

std::wstring WithoutFragment(const std::wstring& Url) { return Url.substr(0, Url.find(L'#')); }

// The text of the page's <title> element, "" when it has none.
std::wstring TitleOf(const std::wstring& Text) {
    const std::wstring lower = Lower(Text);
    size_t open = lower.find(L"<title");
    if (open == std::wstring::npos)
        return {};
    size_t start = lower.find(L'>', open);
    size_t end = start == std::wstring::npos ? start : lower.find(L"</title", start);
    if (end == std::wstring::npos)
        return {};
    std::wstring title = Text.substr(start + 1, end - start - 1);
    while (!title.empty() && std::iswspace(title.back()))
        title.pop_back();
    size_t first = 0;
    while (first < title.size() && std::iswspace(title[first]))
        ++first;
    return title.substr(first);
}

class FakePageElement : public TPageElement {
public:
    FakePageElement(std::shared_ptr<FakeDocumentState> Doc, int Index, std::shared_ptr<FakePageLog> Log,
                    FakeBrowserView* View, std::shared_ptr<bool> Alive)
        : FDoc(std::move(Doc)), FIndex(Index), FLog(std::move(Log)), FView(View), FAlive(std::move(Alive)) {}
    std::wstring TagName() override { return Item().Tag; }
    std::wstring Href() override {
        const std::wstring& tag = Item().Tag;
        return tag == L"A" || tag == L"IMG" || tag == L"AREA" ? Item().Href : std::wstring();
    }
    bool Click() override {
        FLog->Clicks.push_back(Item().Tag);
        if (!Item().Href.empty() && *FAlive) // a link navigates
            FView->Navigate(Item().Href);
        return true;
    }

private:
    const FakeElement& Item() const { return FDoc->Elements.at(static_cast<size_t>(FIndex)); }
    std::shared_ptr<FakeDocumentState> FDoc;
    int FIndex;
    std::shared_ptr<FakePageLog> FLog;
    FakeBrowserView* FView;
    std::shared_ptr<bool> FAlive;
};

class FakePageDocument : public TPageDocument {
public:
    FakePageDocument(std::shared_ptr<FakeDocumentState> Doc, std::shared_ptr<FakePageLog> Log, FakeBrowserView* View,
                     std::shared_ptr<bool> Alive, std::function<int(int, int)> ElementAt)
        : FDoc(std::move(Doc)), FLog(std::move(Log)), FView(View), FAlive(std::move(Alive)),
          FElementAt(std::move(ElementAt)) {}

    bool RunScript(const std::wstring& Script, const std::wstring& Language) override {
        FLog->Scripts.push_back(Language + L": " + Script);
        return true;
    }
    int ImageCount() override { return static_cast<int>(FDoc->Images.size()); }
    std::wstring ImageSrc(int Index) override { return InRange(Index, FDoc->Images) ? FDoc->Images[Index] : L""; }
    bool SetImageSrc(int Index, const std::wstring& Src) override {
        if (!InRange(Index, FDoc->Images))
            return false;
        FLog->ImageWrites.push_back(std::to_wstring(Index) + L": " + Src);
        FDoc->Images[Index] = Src;
        return true;
    }
    int ElementCount() override { return static_cast<int>(FDoc->Elements.size()); }
    std::wstring ElementTag(int Index) override { return InRange(Index, FDoc->Elements) ? FDoc->Elements[Index].Tag : L""; }
    std::wstring ElementClass(int Index) override {
        return InRange(Index, FDoc->Elements) ? FDoc->Elements[Index].Class : L"";
    }
    std::wstring ElementCssText(int Index) override {
        return InRange(Index, FDoc->Elements) ? FDoc->Elements[Index].CssText : L"";
    }
    bool SetElementCssText(int Index, const std::wstring& CssText) override {
        if (!InRange(Index, FDoc->Elements))
            return false;
        FLog->CssWrites.push_back(std::to_wstring(Index) + L": " + CssText);
        FDoc->Elements[Index].CssText = CssText;
        return true;
    }
    bool SetBodyZoom(double Zoom) override {
        FLog->Zooms.push_back(Zoom);
        return true;
    }
    bool SetBodyBorder(const std::wstring& Style, const std::wstring& Color, const std::wstring& Width) override {
        FLog->Borders.push_back(Style + L" " + Color + L" " + Width);
        return true;
    }
    bool Focus() override {
        ++FLog->FocusCalls;
        FDoc->HasFocus = true;
        return true;
    }
    bool ActivateBody() override {
        ++FLog->BodyActivations;
        return true;
    }
    bool HasFocus() override { return FDoc->HasFocus; }
    std::wstring SelectionHtml() override { return FDoc->Selection; }
    std::wstring BodyHtml() override { return FDoc->Body; }
    std::unique_ptr<TPageElement> ElementFromPoint(int X, int Y) override {
        const int index = FElementAt ? FElementAt(X, Y) : -1;
        if (!InRange(index, FDoc->Elements))
            return nullptr;
        return std::make_unique<FakePageElement>(FDoc, index, FLog, FView, FAlive);
    }

private:
    template <class V>
    static bool InRange(int Index, const V& v) {
        return Index >= 0 && static_cast<size_t>(Index) < v.size();
    }
    std::shared_ptr<FakeDocumentState> FDoc;
    std::shared_ptr<FakePageLog> FLog;
    FakeBrowserView* FView;
    std::shared_ptr<bool> FAlive;
    std::function<int(int, int)> FElementAt;
};

} // namespace

FakeBrowserView::FakeBrowserView(TComponent* AOwner) : TCustomControl(AOwner) {
    FTabStop = true;
    Fetch = [](const std::wstring& Url) {
        std::wstring text;
        if (IsHttp(Url))
            HttpGetText(Url, text);
        return text;
    };
}

FakeBrowserView::~FakeBrowserView() { *FAlive = false; }

void FakeBrowserView::Queue(std::function<void()> Step) {
    FSteps.push_back(std::move(Step));
    if (HandleAllocated() && !FStepPosted)
        FStepPosted = PostMessageW(FHandle, WM_FAKE_BROWSER_STEP, 0, 0) != 0;
}

void FakeBrowserView::RunStep() {
    if (FSteps.empty())
        return;
    std::function<void()> step = std::move(FSteps.front());
    FSteps.pop_front();
    step();
}

void FakeBrowserView::Flush() {
    std::shared_ptr<bool> alive = FAlive;
    for (int i = 0; i < 1000 && *alive && !FSteps.empty(); ++i)
        RunStep();
}

void FakeBrowserView::WndProc(TMessage& Message) {
    if (Message.Msg == WM_FAKE_BROWSER_STEP) {
        FStepPosted = false;
        std::shared_ptr<bool> alive = FAlive;
        RunStep();
        if (*alive && !FSteps.empty() && !FStepPosted)
            FStepPosted = PostMessageW(FHandle, WM_FAKE_BROWSER_STEP, 0, 0) != 0;
        return;
    }
    if (Message.Msg == WM_DESTROY && !FDestroyingWnd)
        ++PagesLost;
    TCustomControl::WndProc(Message);
}

void FakeBrowserView::DestroyWnd() {
    FDestroyingWnd = true;
    struct Reset {
        bool& Flag;
        ~Reset() { Flag = false; }
    } reset{FDestroyingWnd};
    TCustomControl::DestroyWnd();
}

bool FakeBrowserView::Navigate(const std::wstring& Url) {
    Navigations.push_back(Url);
    if (Fails)
        return false;
    FSteps.clear(); // a navigation still on its way is given up
    Start(Url, -1);
    return true;
}

void FakeBrowserView::Start(const std::wstring& Url, int HistoryIndex) {
    Queue([this, Url, HistoryIndex] { Load(Url, HistoryIndex); });
}

void FakeBrowserView::Load(const std::wstring& Url, int HistoryIndex) {
    std::shared_ptr<bool> alive = FAlive;
    bool cancel = false;
    Note(L"before " + Url);
    if (auto handler = Events.BeforeNavigate2)
        handler(Url, cancel);
    if (!*alive)
        return;
    if (cancel) {
        Note(L"cancelled " + Url);
        return;
    }
    if (FDocument && Url.find(L'#') != std::wstring::npos && WithoutFragment(Url) == WithoutFragment(FLocation)) {
        Queue([this, Url, HistoryIndex] { Complete(Url, L"", false, HistoryIndex); });
        return;
    }
    const std::wstring lower = Lower(Url);
    if (!IsHttp(Url) && lower.rfind(L"about:", 0) != 0 && lower.rfind(L"file:", 0) != 0) {
        Note(L"outside " + Url); // mailto: and the like go to another program
        return;
    }
    std::wstring text;
    if (IsHttp(Url)) {
        Fetched.push_back(Url);
        text = Fetch ? Fetch(Url) : std::wstring();
        if (!*alive)
            return;
        if (text.empty()) {
            Note(L"error " + Url + L" " + std::to_wstring(DownloadFailure));
            cancel = false;
            if (auto handler = Events.NavigateError)
                handler(Url, DownloadFailure, cancel);
            if (!*alive || cancel)
                return;
        }
    }
    if (!LoadsDocuments) {
        Note(L"no document " + Url);
        return;
    }
    const std::wstring title = TitleOf(text);
    Queue([this, Url, title, HistoryIndex] { Complete(Url, title.empty() ? Url : title, true, HistoryIndex); });
}

void FakeBrowserView::Complete(const std::wstring& Url, const std::wstring& Title, bool NewDocument, int HistoryIndex) {
    std::shared_ptr<bool> alive = FAlive;
    if (NewDocument)
        FDocument = std::make_shared<FakeDocumentState>(Page);
    FLocation = Url;
    if (HistoryIndex >= 0) {
        FHistoryIndex = HistoryIndex;
    } else {
        FHistory.resize(static_cast<size_t>(FHistoryIndex + 1));
        FHistory.push_back(Url);
        FHistoryIndex = static_cast<int>(FHistory.size()) - 1;
    }
    Note(L"complete " + Url);
    if (auto handler = Events.NavigateComplete2)
        handler(Url);
    if (!*alive)
        return;
    FireCommandState(CSC_NAVIGATEFORWARD, FHistoryIndex + 1 < static_cast<int>(FHistory.size()));
    if (!*alive)
        return;
    FireCommandState(CSC_NAVIGATEBACK, FHistoryIndex > 0);
    if (!*alive || !NewDocument)
        return;
    Note(L"title " + Title);
    if (auto handler = Events.TitleChange)
        handler(Title);
    if (!*alive)
        return;
    Note(L"document " + Url);
    if (auto handler = Events.DocumentComplete)
        handler(Url);
}

void FakeBrowserView::Stop() {
    ++Stops;
    FSteps.clear();
}

bool FakeBrowserView::GoBack() {
    if (Fails || FHistoryIndex <= 0)
        return false;
    Start(FHistory[FHistoryIndex - 1], FHistoryIndex - 1);
    return true;
}

bool FakeBrowserView::GoForward() {
    if (Fails || FHistoryIndex + 1 >= static_cast<int>(FHistory.size()))
        return false;
    Start(FHistory[FHistoryIndex + 1], FHistoryIndex + 1);
    return true;
}

bool FakeBrowserView::Refresh() {
    if (Fails || FLocation.empty())
        return false;
    ++Refreshes;
    if (IsHttp(FLocation) && Fetch) {
        Fetched.push_back(FLocation);
        Fetch(FLocation);
    }
    return true;
}

bool FakeBrowserView::ShowFind() {
    ++FindShown;
    return FDocument != nullptr;
}

bool FakeBrowserView::SetTextSize(int Size) {
    TextSizes.push_back(Size);
    return FDocument != nullptr;
}

std::unique_ptr<TPageDocument> FakeBrowserView::Document() {
    if (!FDocument)
        return nullptr;
    return std::make_unique<FakePageDocument>(FDocument, Log, this, FAlive, ElementAt);
}

HRESULT FakeBrowserView::TranslateAccelerator(MSG& Msg) {
    Keys.push_back(Msg.wParam);
    return FDocument ? AcceleratorAnswer : E_NOINTERFACE;
}

void FakeBrowserView::FireNewWindow(const std::wstring& Url) {
    Note(L"new window " + Url);
    TBrowserView* target = nullptr;
    bool cancel = false;
    if (auto handler = Events.NewWindow2)
        handler(target, cancel);
    if (cancel)
        return;
    if (target)
        target->Navigate(Url);
    else
        Note(L"outside " + Url);
}

void FakeBrowserView::FireProgress(long Progress, long ProgressMax) {
    Note(L"progress " + std::to_wstring(Progress) + L"/" + std::to_wstring(ProgressMax));
    if (auto handler = Events.ProgressChange)
        handler(Progress, ProgressMax);
}

void FakeBrowserView::FireCommandState(long Command, bool Enable) {
    Note(L"command " + std::to_wstring(Command) + (Enable ? L" on" : L" off"));
    if (auto handler = Events.CommandStateChange)
        handler(Command, Enable);
}

FakeViewsInPlace::FakeViewsInPlace() : FSaved(BrowserViewFactory()) {
    BrowserViewFactory() = [](TComponent* Owner, TWinControl* Parent) -> TBrowserView* {
        auto* view = new FakeBrowserView(Owner);
        view->SetParent(Parent);
        return view;
    };
}

FakeViewsInPlace::~FakeViewsInPlace() { BrowserViewFactory() = FSaved; }

} // namespace browserfakes
