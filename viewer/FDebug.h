// The debug window: a normally hidden window whose memo is the log of the debug log
// routine (it is the routine's sink while it exists), with a find function over the log,
// the time-stamp switch, the keyword index's two page sizes and two developer buttons.
// One instance lives for the whole run, made hidden by the main window.
#pragma once

#include "TntForms.h"
#include "UDebugLog.h"

#include <string>

class TActionList;
class TAdvSpinEdit;
class TQXSuperTip;
class TTimer;
class TTntAction;
class TTntButton;
class TTntCheckBox;
class TTntEdit;
class TTntLabel;
class TTntMemo;
class TTntPanel;

// The question when a find reaches the end of the log (translatable).
extern std::wstring MsgTxt_EndOfFileSearchfromStart; // "End of file. Search from start?"
// The window's caption from the language file; empty keeps "Vorlane Debug".
extern std::wstring DebugPage_Title;

class TDebugForm : public TTntForm, public TDebugLogSink {
public:
    VORLANE_CLASS_NAME(TDebugForm)
    // Made hidden with an empty log; becomes the log routine's sink.
    explicit TDebugForm(TComponent* AOwner);
    ~TDebugForm() override;

    TTntPanel* Panel1;          // fills the window: the log above the bottom panel
    TTntMemo* Memo1;
    TTntPanel* Panel2;          // the bottom panel, folded and unfolded by ExtraDebugLable
    TTntEdit* FindTextEdit;
    TTntButton* DebugPage_FindBtn;
    TQXSuperTip* DebugPage_FindBtnSuperTip;
    TTntCheckBox* TimeStampLogCbx;
    TQXSuperTip* QXSuperTip3;
    TTntLabel* ExtraDebugLable;
    TTntLabel* Label2;
    TTntLabel* Label1;
    TAdvSpinEdit* SmallPageSizeSpinEdit; // page size of whole-text partial index loads
    TAdvSpinEdit* PageSizeSpinEdit;      // page size of full and first-key index loads
    TQXSuperTip* QXSuperTip4;
    TTntButton* ButtonDebug_PortCheck;
    TTntButton* StringTestBtn;
    TActionList* ActionList1;
    TTntAction* actSelectAll;   // Ctrl+A
    TTntAction* actCopy;        // Ctrl+C
    TTntAction* actPaste;       // Ctrl+V
    TTntAction* actCut;         // Ctrl+X
    TTntAction* actFindNext;    // F3
    TTntAction* actFindText;    // Ctrl+F
    TTntAction* actClose;       // Esc

    // Shows the window at its saved position, or hides it (saving the position).
    void ShowDebugWindow(bool Show);

    // Finds the next occurrence of the find text in the log (the button, F3, and Enter in
    // the find box): from the end of the selected occurrence, or at the caret; at the end
    // of the log the user is asked whether to go on from the start.
    void DebugPage_FindBtnClick();
    // Folds the bottom panel down to the find row, or unfolds it.
    void ExtraDebugLableClick();
    void ButtonDebug_PortCheckClick();
    void StringTestBtnClick();

    // The log sink. While the log is not on the screen its lines are collected and go into
    // the memo together: once the messages queued now are handled, or at once when
    // anything reads or changes the memo (its text, its lines, the selection; also from
    // another process) or the window shows. A showing log takes a line at once and
    // repaints, unless it did so less than LiveFlushMs ago: then the lines wait at most
    // that long (adding to a long log costs the system's edit control milliseconds).
    bool SinkShowing() override;
    bool SinkTimeStamps() override;
    void SinkAddLine(const std::wstring& Line) override;
    // Puts the collected lines into the memo now.
    void FlushLog();
    static constexpr unsigned LiveFlushMs = 50;

private:
    void FormClose(TCloseAction& Action);
    void FormHide();
    void FindFrom(const std::wstring& Text, const std::wstring& Find, int Start, bool MayWrap);
    // Lines not yet in the memo, each with its line break.
    std::wstring FPending;
    bool FFlushPosted = false;
    bool FMirrored = false; // the children stand mirrored (right-to-left reading)
    DWORD FLastFlush = 0;
    TTimer* FLiveFlushTimer;
    // Text length of the memo after our last line (-1: unknown, the user may have typed).
    int FLogEnd = -1;
};

// The one debug window (made by the main window; null before and after).
extern TDebugForm* DebugForm;
