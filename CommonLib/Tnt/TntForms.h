// The form base class of the program and the wide application object, with the start-up
// routine of the Unicode set.
#pragma once

#include "Forms.h"
#include "TntControls.h"

#include <functional>

// Base of the program's forms: a Unicode window class of its own, wide Caption and Hint
// (those of the library), and wide menu hints passed on to the application hint.
class TTntForm : public TForm {
public:
    VORLANE_CLASS_NAME(TTntForm)
    using TForm::TForm;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

// The wide view of the application object: the application hint and the title of the
// "TApplication" window.
class TTntApplication : public TComponent {
public:
    VORLANE_CLASS_NAME(TTntApplication)
    using TComponent::TComponent;
    WideString Hint() const;
    void SetHint(const WideString& Value);
    WideString Title() const;
    void SetTitle(const WideString& Value);
};

// The one instance (made at start-up, freed at exit).
extern TTntApplication* TntApplication;

// Access to the win.ini font substitutes; the start-up routine uses the system's profile
// functions, tests give their own.
struct TTntProfileAccess {
    std::function<WideString(const WideString& Section, const WideString& Key)> Read;
    std::function<bool(const WideString& Section, const WideString& Key, const WideString& Value)> Write;
    // Tells the top-level windows that a section changed (flags and time-out of SendMessageTimeoutW).
    std::function<void(const WideString& Section, UINT Flags, UINT TimeoutMs)> Broadcast;
    static TTntProfileAccess System();
};

// Start-up of the Unicode set, called once from the program's initialisation: records the
// wide system updates, makes sure the dialog fonts "MS Shell Dlg" and "MS Shell Dlg 2" have
// substitutes (a failed write is logged and start-up goes on), makes the "MS Shell Dlg 2"
// face the default font name and the wide hint window the application's hint window.
void InitTntEnvironment();
void InitTntEnvironment(const TTntProfileAccess& Profile);
