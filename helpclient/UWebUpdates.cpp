// The web update check.
#include "UWebUpdates.h"

#include "FCancel.h"
#include "Forms.h"
#include "Threads.h"
#include "SysUtils.h"
#include "UAppSettings.h"
#include "UAuxFile.h"
#include "UFileVersion.h"
#include "UNetThread.h"
#include "UShellExec.h"
#include "UShotTimer.h"
#include "UTrayBalloon.h"
#include "UUtilsW.h"

#include <cmath>

const wchar_t* const DefaultUpdateUrl = L"https://www.quorvex.com/updates/zeb5update.dat";
const wchar_t* const DefaultHomeUrl = L"https://www.quorvex.com/vorlane/";

std::wstring WebCheck_CouldNotConnect = L"Could not connect to the web.\r\rOpen %1 web page?";
std::wstring WebCheck_ContactingServer = L"Contacting Server";
std::wstring WebCheck_PleaseWait = L"Please wait...";
std::wstring WebCheck_CouldNotGetUpdateInfo = L"Could not get update information.\r\rOpen %1 web page?";
std::wstring WebCheck_YouHaveTheLatest = L"You have the latest version of %1";
std::wstring WebCheck_VersionNowAvailable = L"%1 version %2 is now available for download.\r\rOpen %3 web page?";
std::wstring WebCheck_BlogUpdate = L"%1 Blog Update";
std::wstring WebCheck_NewBlogAvailable = L"There is a new blog post available for %1";
std::wstring WebCheck_NewBlogPostFor = L"New blog post for %1";
std::wstring WebCheck_Update = L"%1 Update";
std::wstring WebCheck_NowAvailable = L"%1 %2 is now available for download.";
std::wstring WebCheck_UpdateAvailable = L"%1 update available";

TWebUpdates* WebUpdates = nullptr;

namespace {

// Replaces the first Placeholder of S by Value (as plain text).
std::wstring ReplaceFirst(std::wstring S, const std::wstring& Placeholder, const std::wstring& Value) {
    const size_t p = S.find(Placeholder);
    if (p != std::wstring::npos)
        S.replace(p, Placeholder.size(), Value);
    return S;
}

bool StartsWithText(const std::wstring& S, const std::wstring& Prefix) {
    return S.size() >= Prefix.size() && LowerCase(S.substr(0, Prefix.size())) == LowerCase(Prefix);
}

} // namespace

TWebUpdateRec DefaultWebUpdateRec() {
    TWebUpdateRec r;
    r.UpdateUrl = DefaultUpdateUrl;
    r.HomeUrl = DefaultHomeUrl;
    r.LocalFile = GetTempFolderChecked() + L"\\zeb5info_vorlane.dat";
    return r;
}

std::wstring ListValue(const TTntStrings* List, const std::wstring& Key) {
    if (!List || Key.empty())
        return std::wstring();
    for (int i = 0; i < List->Count(); ++i) {
        const std::wstring line = List->Strings(i);
        if (StartsWithText(line, Key))
            return Trim(line.substr(Key.size()));
    }
    return std::wstring();
}

bool UpdateDownloadDue(const std::wstring& LastReadDate, int Today, int Days, int OldListCount) {
    const int day = StrToIntDefW(Trim(LastReadDate), 0);
    const long long age = static_cast<long long>(Today) - day;
    const bool recent = age >= 0 && age < Days;
    return !recent || OldListCount < 2;
}

TUpdateNews DecideUpdateNews(const TTntStrings* OldList, const TTntStrings* NewList, const std::wstring& ExeVersion,
                             const std::wstring& VersionKey, const std::wstring& RssKey) {
    TUpdateNews news;
    const std::wstring newVersion = ListValue(NewList, VersionKey);
    std::wstring oldVersion = ListValue(OldList, VersionKey);
    if (oldVersion.empty())
        oldVersion = ExeVersion;
    if (!newVersion.empty() && CompareVersionStrPartial(newVersion, oldVersion) > 0 &&
        CompareVersionStrPartial(newVersion, ExeVersion) > 0)
        news.NewVersion = newVersion;
    const std::wstring rss = ListValue(NewList, RssKey);
    if (!rss.empty() && rss != ListValue(OldList, RssKey))
        news.NewsUrl = rss;
    return news;
}

bool IsWebAddress(const std::wstring& Url) {
    return StartsWithText(Url, L"http://") || StartsWithText(Url, L"https://");
}

int TodayDayNumber() { return static_cast<int>(std::floor(static_cast<double>(Date()))); }

// ---------------------------------------------------------------------------------

TWebUpdates::TWebUpdates(const TWebUpdateRec& AConfig)
    : Config(AConfig), OldList(std::make_unique<TTntStringList>()), NewList(std::make_unique<TTntStringList>()),
      ExeVersion(GetExeVersionStr()) {
    std::wstring stored;
    RegReadStringDef(HKEY_CURRENT_USER, Config.RegKey, L"LastDLFile", stored, L"");
    OldList->SetText(stored);
    if (!Config.Enabled)
        return;
    std::wstring lastRead;
    RegReadStringDef(HKEY_CURRENT_USER, Config.RegKey, L"LastReadDate", lastRead, L"");
    std::wstring ieVersion;
    if (UpdateDownloadDue(lastRead, TodayDayNumber(), Config.Days, OldList->Count()) && IsIE471OrLater(ieVersion))
        TimerId = SetShotTimer(static_cast<unsigned>(Config.DelayMs > 0 ? Config.DelayMs : 0),
                               [this](TObject*) { TimerFired(); });
}

TWebUpdates::~TWebUpdates() {
    // Waiting for the download thread serves its pending calls, its completion among
    // them: that one must not store lists, show a balloon or call the handler of an
    // object on its way out.
    FClosing = true;
    KillShotTimer(TimerId);
    FreeNetThread();
}

void TWebUpdates::TimerFired() {
    TimerId = 0;
    Started = true;
    StartNetThread(Config.UpdateUrl, Config.LocalFile, [this](TObject*) {
        if (!FClosing)
            ProcessDownload(true);
    }, 0);
}

bool TWebUpdates::GetListValue(const std::wstring& Key, std::wstring& Value) const {
    Value = ListValue(NewList->Count() > 0 ? NewList.get() : OldList.get(), Key);
    return !Value.empty();
}

void TWebUpdates::GetNewVersion(std::wstring& Version) const {
    GetListValue(Config.VersionKey, Version);
    if (!Version.empty() && CompareVersionStrPartial(Version, ExeVersion) <= 0)
        Version.clear();
}

void TWebUpdates::ProcessDownload(bool Balloons) {
    const std::wstring text = DownloadedText();
    if (!text.empty()) {
        NewList->SetText(text);
        if (NewList->Count() > 3) {
            std::wstring joined;
            for (int i = 0; i < NewList->Count(); ++i)
                joined += NewList->Strings(i) + L"\r\n";
            RegWriteString(HKEY_CURRENT_USER, Config.RegKey, L"LastDLFile", joined);
            RegWriteString(HKEY_CURRENT_USER, Config.RegKey, L"LastReadDate", std::to_wstring(TodayDayNumber()));
            GotList = true;
            if (Balloons)
                ShowBalloon(DecideUpdateNews(OldList.get(), NewList.get(), ExeVersion, Config.VersionKey,
                                             Config.RssKey));
        }
    }
    if (OnUpdateInfo)
        OnUpdateInfo(this);
}

void TWebUpdates::ShowBalloon(const TUpdateNews& News) {
    const std::wstring& product = Config.ProductName;
    if (!News.NewVersion.empty()) {
        ShowTrayBalloon(ReplaceFirst(WebCheck_Update, L"%1", product),
                        ReplaceFirst(ReplaceFirst(WebCheck_NowAvailable, L"%1", product), L"%2", News.NewVersion),
                        ReplaceFirst(WebCheck_UpdateAvailable, L"%1", product));
        if (TrayBalloon())
            TrayBalloon()->SetUrl(Config.HomeUrl);
    } else if (!News.NewsUrl.empty()) {
        ShowTrayBalloon(ReplaceFirst(WebCheck_BlogUpdate, L"%1", product),
                        ReplaceFirst(WebCheck_NewBlogAvailable, L"%1", product),
                        ReplaceFirst(WebCheck_NewBlogPostFor, L"%1", product));
        // The address comes from the downloaded file: only a web address is ever opened.
        if (TrayBalloon())
            TrayBalloon()->SetUrl(IsWebAddress(News.NewsUrl) ? News.NewsUrl : std::wstring());
    }
}

bool TWebUpdates::AskOpenHome(const std::wstring& Text) {
    if (UserMessage(miInfo, Config.ProductName, ReplaceFirst(Text, L"%1", Config.ProductName), mbYesNo)) {
        ShellExec(Config.HomeUrl);
        return true;
    }
    return false;
}

void TWebUpdates::CheckForUpdatesNow() {
    if (FChecking)
        return;
    FChecking = true;
    FCancelCheck = false;
    // The object may have been freed during the wait: it goes now, after the check.
    struct TEnd {
        TWebUpdates* Updates;
        ~TEnd() {
            Updates->FChecking = false;
            if (Updates->FFreeWhenChecked)
                delete Updates;
        }
    } end{this};
    CheckNow();
}

void TWebUpdates::CheckNow() {
    std::wstring ieVersion;
    if (!IsIE471OrLater(ieVersion)) {
        AskOpenHome(WebCheck_CouldNotConnect);
        return;
    }
    bool offline = false;
    if (!GotList) {
        KillShotTimer(TimerId);
        FreeNetThread();
        if (!StartNetThread(Config.UpdateUrl, Config.LocalFile, nullptr, 0)) {
            offline = true;
        } else {
            bool cancelled = false;
            TCancelWrap wrap(0, 0, WebCheck_ContactingServer, WebCheck_PleaseWait, &cancelled);
            for (;;) {
                // A cancel, or the program closing, ends the check.
                if (wrap.Cancelled() || cancelled || FCancelCheck || (Application && Application->Terminated()))
                    return;
                CheckSynchronize(); // the download thread's calls
                const int net = NetStatus;
                const int dl = DownloadStatus;
                if (net == nsNotConnected)
                    break;
                if (net == nsConnected && (dl == dsFailed || dl == dsSucceeded))
                    break;
                Sleep(10);
            }
            offline = NetStatus == nsNotConnected;
            if (!offline && DownloadStatus == dsSucceeded)
                ProcessDownload(false);
        }
    }
    if (offline) {
        AskOpenHome(WebCheck_CouldNotConnect);
        return;
    }
    std::wstring listed;
    if (GetListValue(Config.VersionKey, listed)) {
        std::wstring newer;
        GetNewVersion(newer);
        if (!newer.empty()) {
            std::wstring text = ReplaceFirst(WebCheck_VersionNowAvailable, L"%2", newer);
            text = ReplaceFirst(text, L"%3", Config.ProductName);
            AskOpenHome(text);
        } else {
            UserMessage(miInfo, Config.ProductName, ReplaceFirst(WebCheck_YouHaveTheLatest, L"%1", Config.ProductName),
                        mbOk);
        }
    } else {
        AskOpenHome(WebCheck_CouldNotGetUpdateInfo);
    }
}

void TWebUpdates::TestMessages() {
    const std::wstring& product = Config.ProductName;
    const std::wstring newVersion = L"1.1.1.1";
    UserMessage(miInfo, product, ReplaceFirst(WebCheck_CouldNotConnect, L"%1", product), mbYesNo);
    UserMessage(miInfo, product, ReplaceFirst(WebCheck_CouldNotGetUpdateInfo, L"%1", product), mbYesNo);
    UserMessage(miInfo, product, ReplaceFirst(WebCheck_YouHaveTheLatest, L"%1", product), mbOk);
    UserMessage(miInfo, product,
                ReplaceFirst(ReplaceFirst(ReplaceFirst(WebCheck_VersionNowAvailable, L"%1", product), L"%2", newVersion),
                             L"%3", product),
                mbYesNo);
    ShowBalloon(TUpdateNews{newVersion, std::wstring()});
    ShowBalloon(TUpdateNews{std::wstring(), Config.HomeUrl});
    bool cancelled = false;
    TCancelWrap wrap(0, 0, WebCheck_ContactingServer, WebCheck_PleaseWait, &cancelled);
    while (!wrap.Cancelled() && !cancelled && !(Application && Application->Terminated()))
        Sleep(10);
}

void CreateWebUpdates(const TWebUpdateRec& Config) {
    if (!WebUpdates)
        WebUpdates = new TWebUpdates(Config);
}

void FreeWebUpdates() {
    FreeTrayBalloon();
    TWebUpdates* updates = WebUpdates;
    WebUpdates = nullptr;
    if (updates && updates->Checking()) {
        updates->CancelCheck();
        updates->FFreeWhenChecked = true;
        return;
    }
    delete updates;
}

void CheckForUpdatesNow() {
    if (WebUpdates)
        WebUpdates->CheckForUpdatesNow();
}
