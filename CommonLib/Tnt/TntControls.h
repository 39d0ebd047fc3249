// Unicode windows for the controls of the Unicode set: window classes named
// "<ClassName>.UnicodeClass" that imitate a system class, wide text and hint access that
// survives window re-creation, and the wide hint window.
//
// The GUI class library underneath is wide already (W functions, W messages, wide text
// stored in every control), so a window made here is an ordinary library window with a
// Unicode class of its own; nothing needs to be re-routed between ANSI and wide paths.
#pragma once

#include "Controls.h"
#include "Forms.h"
#include "System.h"

// Makes the control's window from Params through a Unicode twin of its class that
// imitates SubClass ("EDIT", "COMBOBOX", "RichEdit20W", ...; '' for a plain window).
// Every windowed control of the set calls it from its CreateWindowHandle.
void CreateUnicodeHandle(TWinControl* Control, const TCreateParams& Params, const WideString& SubClass);
// The same for common controls (SubClass must not be empty); the control is then told
// to send Unicode notifications (CCM_SETUNICODEFORMAT).
void CreateUnicodeHandle_ComCtl(TWinControl* Control, const TCreateParams& Params, const WideString& SubClass);
// Registers "<Params.WinClassName>.UnicodeClass" (once; a class of that name with a
// foreign procedure is replaced) and returns the name.
void RegisterUnicodeWindowClass(const TCreateParams& Params, WideString& WideWinClassName);
// Finishes a new Unicode window: its caption is set. Raises ETntInternalError when the
// control's window is not a Unicode window.
void SubClassUnicodeControl(TWinControl* Control, const WideString& Caption);

// Wide text and hint of any control. The text of a windowed control lives in its window
// while it has one, else in the control (so it survives re-creation); setting the same
// text again sends nothing.
WideString GetControlWideText(TControl* Control);
void SetControlWideText(TControl* Control, const WideString& Text);
WideString GetControlWideHint(TControl* Control);
void SetControlWideHint(TControl* Control, const WideString& Hint);
// The hint of the control, or of its nearest parent whose hint is not empty.
WideString GetHintOfControlOrParent(TControl* Control);
// The part before / after the first "|"; the whole text when there is none.
WideString WideShortHint(const WideString& Hint);
WideString WideLongHint(const WideString& Hint);
// WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH.
bool IsTextMessage(UINT Msg);
// Prepares the hint of a control of the set (on CM_HINTSHOW): the plain hint window
// class becomes the wide one, the data marks the hint as wide, the text is the short
// hint of the control or its parents.
void PrepareWideHintInfo(THintInfo& Info);

// The hint window of the set: wide caption drawn with DrawTextW.
class TTntCustomHintWindow : public THintWindow {
public:
    VORLANE_CLASS_NAME(TTntCustomHintWindow)
    using THintWindow::THintWindow;
    // While set, a caption change does not resize the window / painting is skipped.
    bool BlockUpdate = false;
    bool BlockPaint = false;

    void ActivateHint(RECT Rect, const std::wstring& AHint) override;
    void ActivateHintData(RECT Rect, const std::wstring& AHint, void* AData) override;
    RECT CalcHintRect(int MaxWidth, const std::wstring& AHint, void* AData) override;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    void Paint() override;
};

class TTntHintWindow : public TTntCustomHintWindow {
public:
    VORLANE_CLASS_NAME(TTntHintWindow)
    using TTntCustomHintWindow::TTntCustomHintWindow;
};
