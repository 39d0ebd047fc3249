// A browser view for the viewer's tests, in place of the web browser control (which loads no
// page under Wine). A navigation runs as the control's does, from the message loop:
//   BeforeNavigate2 (Cancel stops it here: nothing is requested)
//   -> the page is fetched over HTTP (the agent's request log shows it)
//   -> NavigateComplete2 -> CommandStateChange (back, forward) -> TitleChange (the page's
//      <title>, else its address) -> DocumentComplete.
// A page that cannot be fetched fires NavigateError. A jump within the page shown ("#")
// fires BeforeNavigate2 and NavigateComplete2 only. A new navigation gives up one still on
// its way. The document it then offers holds the
// elements and images the test gives and records everything done to it.
#pragma once

#include "UBrowserView.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace browserfakes {

struct FakeElement {
    std::wstring Tag;
    std::wstring Class;
    std::wstring CssText;
    std::wstring Href;
};

// What was done to the pages of one view, across navigations.
struct FakePageLog {
    std::vector<std::wstring> Scripts;     // "language: script"
    std::vector<double> Zooms;
    std::vector<std::wstring> Borders;     // "style color width"
    std::vector<std::wstring> CssWrites;   // "index: text"
    std::vector<std::wstring> ImageWrites; // "index: src"
    std::vector<std::wstring> Clicks;      // tag of each element clicked
    int FocusCalls = 0;
    int BodyActivations = 0;
};

// The document of the page shown: the test's elements and images, fresh for each page.
struct FakeDocumentState {
    std::vector<FakeElement> Elements;
    std::vector<std::wstring> Images;
    std::wstring Selection;
    std::wstring Body;
    bool HasFocus = false;
};

class FakeBrowserView : public TCustomControl, public TBrowserView {
public:
    VORLANE_CLASS_NAME(FakeBrowserView)
    explicit FakeBrowserView(TComponent* AOwner);
    ~FakeBrowserView() override;

    // --- what the test sets up
    // A view that "could not be made": no navigation, no document, Failure() says why.
    bool Fails = false;
    std::wstring FailureText = L"Cannot create the control: class not registered";
    // The document each page loads with (copied at each page).
    FakeDocumentState Page;
    // The element index under a point of the page, or -1 (used by ElementFromPoint).
    std::function<int(int X, int Y)> ElementAt;
    // The page's text for a URL; by default http(s) pages come from HttpGetText and other
    // addresses have none. Empty text for an http(s) page is a failed navigation.
    std::function<std::wstring(const std::wstring& Url)> Fetch;
    // False: as the control under Wine, a navigation fetches its page and then fires
    // nothing more (no navigate-complete, no document-complete, no document).
    bool LoadsDocuments = true;
    // What the page's keyboard handling answers.
    HRESULT AcceleratorAnswer = S_FALSE;

    // --- driving it
    // Runs every queued step now (also when the view has no window).
    void Flush();
    // The page opens Url in a new window.
    void FireNewWindow(const std::wstring& Url);
    void FireProgress(long Progress, long ProgressMax);
    void FireCommandState(long Command, bool Enable);

    // --- what it saw
    std::vector<std::wstring> Navigations;  // every Navigate call
    std::vector<std::wstring> Fetched;      // every page fetched
    // "before URL", "cancelled URL", "error URL CODE", "complete URL", "title TEXT",
    // "document URL", "command N on|off", "progress P/M", "new window URL"
    std::vector<std::wstring> EventLog;
    std::shared_ptr<FakePageLog> Log = std::make_shared<FakePageLog>();
    std::vector<WPARAM> Keys;
    std::vector<int> TextSizes;
    int Stops = 0;
    int Refreshes = 0;
    int FindShown = 0;

    // --- TBrowserView
    TWinControl* Control() override { return this; }
    bool Available() override { return !Fails; }
    std::wstring Failure() override { return Fails ? FailureText : std::wstring(); }
    bool Navigate(const std::wstring& Url) override;
    void Stop() override;
    bool Busy() override { return !FSteps.empty(); }
    std::wstring Location() override { return FLocation; }
    bool GoBack() override;
    bool GoForward() override;
    bool Refresh() override;
    bool Silent() override { return FSilent; }
    void SetSilent(bool Value) override { FSilent = Value; }
    bool ShowFind() override;
    bool SetTextSize(int Size) override;
    std::unique_ptr<TPageDocument> Document() override;
    HRESULT TranslateAccelerator(MSG& Msg) override;

    void WndProc(TMessage& Message) override;

    // Windows of this view that went with a parent's window instead of through its own
    // DestroyWnd: the web browser control then loses its page, as it cannot move it first.
    int PagesLost = 0;

protected:
    void DestroyWnd() override;

private:
    bool FDestroyingWnd = false;
    void Queue(std::function<void()> Step);
    void RunStep();
    void Start(const std::wstring& Url, int HistoryIndex);
    void Load(const std::wstring& Url, int HistoryIndex);
    void Complete(const std::wstring& Url, const std::wstring& Title, bool NewDocument, int HistoryIndex);
    void Note(const std::wstring& Line) { EventLog.push_back(Line); }

    std::deque<std::function<void()>> FSteps;
    bool FStepPosted = false;
    std::wstring FLocation;
    std::shared_ptr<FakeDocumentState> FDocument;
    std::vector<std::wstring> FHistory;
    int FHistoryIndex = -1;
    bool FSilent = false;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// Browser doubles in place of the web browser control while it lives: every view the frames
// make is a FakeBrowserView in the given parent.
class FakeViewsInPlace {
public:
    FakeViewsInPlace();
    ~FakeViewsInPlace();
    FakeViewsInPlace(const FakeViewsInPlace&) = delete;
    FakeViewsInPlace& operator=(const FakeViewsInPlace&) = delete;

private:
    TBrowserViewFactory FSaved;
};

} // namespace browserfakes
