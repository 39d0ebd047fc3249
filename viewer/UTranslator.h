// The interface translation's machinery, apart from the main window: the key tables (which
// language-file key goes where, in the order applied), the named texts they write, and the
// translator that applies a language file to them.
//
// Targets are found when a file is applied, never held: a component by its name on one of
// the two owners (the main window, the debug window), its caption or hint; a text by its
// name in a registry of the program's text globals.
//
// Before the first translation every target's text is remembered; each later translation
// first puts those texts back, so that a key the new file lacks shows the English text
// again instead of the previous language's.
//
//     TUiTranslator& t = ...;                      // lives as long as the main window
//     RegisterViewerTexts(t.Texts);                // once; add the window's own texts
//     t.SetOwner(TLangOwner::Main, this);          // before each translation
//     t.SetOwner(TLangOwner::Debug, DebugForm);
//     TTranslateResult r = t.Translate(ProgramFolder(), LangCode);
//     if (r.Changed()) { ...the window's update steps, then its right-to-left layout... }
#pragma once

#include "Classes.h"
#include "Controls.h"
#include "ULangFile.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

enum class TLangOwner { Main, Debug };
enum class TLangProp { Caption, Hint, Text };

// Where a text goes: a component's caption or hint on an owner (an empty name is the owner
// itself), or a registered text (Owner not used).
struct TLangTarget {
    TLangProp Prop = TLangProp::Text;
    TLangOwner Owner = TLangOwner::Main;
    std::wstring Name;
    bool operator<(const TLangTarget& Other) const;
    bool operator==(const TLangTarget& Other) const;
    // "Main.mmnuZoom.Caption", "Debug.DebugPage_FindBtn.Caption", "text MsgTxt_PleaseWait".
    std::wstring Describe() const;
};

enum TLangRule : unsigned {
    lrAlways = 1,         // an absent key writes the empty text
    lrLineBreaks = 2,     // every '|' becomes a carriage return
    lrSuperTipTitle = 4,  // SuperTipTitleText
    lrSearchHint = 8,     // SearchButtonHint
    lrZoomText = 16,      // ZoomTextOf (a copy)
    lrNonEmpty = 32,      // an empty text is not written (a copy)
};

// One step: the value of Key (or, when Key is empty, the current text of Source) into Target.
struct TLangStep {
    std::wstring Key;
    TLangTarget Source;
    TLangTarget Target;
    unsigned Rules = 0;
};

// The steps in the order applied: the strings, then the shell pack's texts and the captions
// and hint taken from them.
const std::vector<TLangStep>& LangStringSteps();
const std::vector<TLangStep>& LangShellSteps();
// The menu items translated by their names (caption by name, hint by name + "_Hint").
const std::vector<std::wstring>& LangMenuItemNames();
// Texts restored though no key writes them: the debug window's caption.
const std::vector<TLangTarget>& LangRestoreOnlyTargets();

// The program's text globals by name. Registered texts must outlive the registry.
class TLangTexts {
public:
    void Register(const std::wstring& Name, std::wstring* Text);
    void Register(const std::wstring& Name, std::function<std::wstring()> Get,
                  std::function<void(const std::wstring&)> Set);
    bool Has(const std::wstring& Name) const;
    bool Read(const std::wstring& Name, std::wstring& Text) const;
    bool Write(const std::wstring& Name, const std::wstring& Text) const;

private:
    struct TSlot {
        std::wstring* Text = nullptr;
        std::function<std::wstring()> Get;
        std::function<void(const std::wstring&)> Set;
    };
    std::map<std::wstring, TSlot> FSlots;
};

// Registers the text globals of the viewer and the libraries below it under their keys
// (each language name as "lang_" + code, the message boxes' captions as "SMsgDlg...", the
// shell pack's as "UPTShConsts_..."), and the copies' targets under their own names
// ("ZoomText", "WebCheck_PleaseWait", "FTranslate_OK", "g_CancelButtonText", ...).
void RegisterViewerTexts(TLangTexts& Texts);

// A component's caption or hint (menu items, super tooltips, controls); false when the
// component has no such text.
bool ReadComponentText(TComponent* Component, TLangProp Prop, std::wstring& Text);
bool WriteComponentText(TComponent* Component, TLangProp Prop, const std::wstring& Text);
// A dialog's translated text: Text when the translation gave one, else the designed text
// stays.
void SetTextIfGiven(TControl* Control, const std::wstring& Text);

struct TTranslateResult {
    bool Restored = false; // the texts of before the first translation were put back
    bool Applied = false;  // a language file was applied
    int Written = 0;       // targets written by the file and its copies
    // Targets no step could reach (missing component, owner or registered text).
    std::vector<std::wstring> Unresolved;
    bool Changed() const { return Restored || Applied; }
};

class TUiTranslator {
public:
    TLangTexts Texts;
    TLangLog OnLog;

    // The owners whose components are targets; null leaves their steps out. Owners are
    // not held beyond the calls below: set them before each.
    void SetOwner(TLangOwner Owner, TComponent* Component);

    // The whole translation for LangCode (checked; empty is the system's language): the
    // earlier texts come back, then the file beside the program (in Folder) is applied
    // when it exists and has texts.
    TTranslateResult Translate(const std::wstring& Folder, const std::wstring& LangCode);
    // Puts back the earlier texts and applies File.
    TTranslateResult Apply(const TLangFile& File);
    // Puts back the texts of before the first translation; false when there was none.
    bool Restore();
    bool HasSnapshot() const { return FHasSnapshot; }

private:
    bool ReadTarget(const TLangTarget& Target, std::wstring& Text) const;
    bool WriteTarget(const TLangTarget& Target, const std::wstring& Text) const;
    void TakeSnapshot();
    void RunSteps(const std::vector<TLangStep>& Steps, const TLangFile& File, TTranslateResult& Result);
    void Log(const std::wstring& Line) const;

    TComponent* FMain = nullptr;
    TComponent* FDebug = nullptr;
    bool FHasSnapshot = false;
    std::vector<std::pair<TLangTarget, std::wstring>> FSnapshot;
};
