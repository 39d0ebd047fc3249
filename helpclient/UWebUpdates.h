// The web update check: a small update list fetched from the maker's site at most every
// few days (a tray balloon tells of a newer version or a new blog post), and the manual
// check of the About box and the Help menu.
#pragma once

#include "Classes.h"
#include "TntClasses.h"

#include <memory>
#include <string>

struct TWebUpdateRec {
    int DelayMs = 20000;
    int Days = 5;
    bool Enabled = true;
    std::wstring UpdateUrl;     // the update list "zeb5update.dat" on the maker's site
    std::wstring LocalFile;     // temporary folder + "\zeb5info_vorlane.dat"
    std::wstring RegKey = L"\\Software\\Quorvex\\Update";
    std::wstring HomeUrl;       // the viewer's page on the maker's site
    std::wstring ProductName = L"Vorlane";
    std::wstring VersionKey = L"Vorlane_Version=";
    std::wstring RssKey = L"Vorlane_RSS=";
};

// The maker's addresses (configuration).
extern const wchar_t* const DefaultUpdateUrl;
extern const wchar_t* const DefaultHomeUrl;
// The record the main window passes (LocalFile in the temporary folder).
TWebUpdateRec DefaultWebUpdateRec();

// Messages (translatable; "%1"/"%3" product, "%2" version).
extern std::wstring WebCheck_CouldNotConnect;
extern std::wstring WebCheck_ContactingServer;
extern std::wstring WebCheck_PleaseWait;
extern std::wstring WebCheck_CouldNotGetUpdateInfo;
extern std::wstring WebCheck_YouHaveTheLatest;
extern std::wstring WebCheck_VersionNowAvailable;
extern std::wstring WebCheck_BlogUpdate;
extern std::wstring WebCheck_NewBlogAvailable;
extern std::wstring WebCheck_NewBlogPostFor;
extern std::wstring WebCheck_Update;
extern std::wstring WebCheck_NowAvailable;
extern std::wstring WebCheck_UpdateAvailable;

// ---------------------------------------------------------------------------------
// The decisions, free of windows and network.

// The value after Key on the first line that starts with Key (case ignored), trimmed.
std::wstring ListValue(const TTntStrings* List, const std::wstring& Key);
// Whether the start-up download is due: the last read day is not within Days of Today,
// or the stored list has fewer than 2 lines.
bool UpdateDownloadDue(const std::wstring& LastReadDate, int Today, int Days, int OldListCount);
struct TUpdateNews {
    std::wstring NewVersion; // newer than the old list's version and the program's
    std::wstring NewsUrl;    // the blog address when it changed
};
TUpdateNews DecideUpdateNews(const TTntStrings* OldList, const TTntStrings* NewList, const std::wstring& ExeVersion,
                             const std::wstring& VersionKey, const std::wstring& RssKey);
// True for an address the program may open from the downloaded list.
bool IsWebAddress(const std::wstring& Url);
// Today as a day number (whole days since 30 December 1899).
int TodayDayNumber();

class TWebUpdates : public TObject {
public:
    VORLANE_CLASS_NAME(TWebUpdates)
    explicit TWebUpdates(const TWebUpdateRec& AConfig);
    ~TWebUpdates() override;

    TWebUpdateRec Config;
    bool Started = false;
    bool GotList = false;
    UINT_PTR TimerId = 0;
    std::unique_ptr<TTntStringList> OldList;
    std::unique_ptr<TTntStringList> NewList;
    TNotifyEvent OnUpdateInfo;
    // The program's own version (read from its file).
    std::wstring ExeVersion;

    void SetOnUpdateInfo(TNotifyEvent Handler) { OnUpdateInfo = std::move(Handler); }
    // The value in NewList when it has lines, else in OldList.
    bool GetListValue(const std::wstring& Key, std::wstring& Value) const;
    // The listed version when it is newer than the program's, else ''.
    void GetNewVersion(std::wstring& Version) const;
    // The manual check. It waits for its download (the user may cancel); one runs at a time.
    void CheckForUpdatesNow();
    // True while a manual check waits for its download.
    bool Checking() const { return FChecking; }
    // Ends the wait of a manual check as its Cancel button does (the program is closing).
    void CancelCheck() { FCancelCheck = true; }
    // Handles a finished download (balloons only in the automatic mode).
    void ProcessDownload(bool Balloons);
    // Shows every message and balloon with sample versions, then the cancel window.
    void TestMessages();

private:
    // Set while the object is being freed: a download that finishes then is not processed.
    bool FClosing = false;
    bool FChecking = false;
    bool FCancelCheck = false;
    // Freed while its manual check waited: the check frees it when its wait has ended.
    bool FFreeWhenChecked = false;
    friend void FreeWebUpdates();
    void CheckNow();
    void TimerFired();
    void ShowBalloon(const TUpdateNews& News);
    bool AskOpenHome(const std::wstring& Text);
};

extern TWebUpdates* WebUpdates;
void CreateWebUpdates(const TWebUpdateRec& Config);
// Frees the checker; one whose manual check waits is freed when that wait has ended (the
// wait is cancelled).
void FreeWebUpdates();
void CheckForUpdatesNow();
