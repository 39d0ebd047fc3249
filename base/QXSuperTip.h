// The super tooltip: a small information glyph placed beside a control; hovering it (or a
// control linked to it) shows a rich tip window with a bold title line and a word-wrapped
// body on a gradient background. One tip window serves every glyph of the process.
#pragma once

#include "Controls.h"
#include "Graphics.h"
#include "Timers.h"

#include <memory>
#include <string>

class TTntLabel;

// Splits a designed hint: the text before the first '|' is the title (trimmed; a title of
// more than 6 characters ending in ':' + three characters + ';' loses those five); the
// rest is the body, where '|' is a line break and "~|" a literal '|'. Without a '|' the
// whole text is the body.
void ParseSuperTipHint(const std::wstring& Hint, std::wstring& Title, std::wstring& Body);

class TSHintWin : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TSHintWin)
    explicit TSHintWin(TComponent* AOwner);
    ~TSHintWin() override;

    // Shows Text for Control near the screen point (X, Y): at once when the window already
    // shows for another control, after 300 ms (while the mouse stays on Control) otherwise;
    // follows the mouse while it shows for the same control.
    void ShowHintWin(int Style, TControl* Control, const std::wstring& Text, int X, int Y);
    void Hide();
    // Lays the window out for the current control and text and shows it.
    void LayoutAndShow();
    // The text changed for the control it shows (a new hint).
    void TextChanged(TControl* Control, const std::wstring& Text);

    TControl* CurrentControl() const { return FControl; }
    bool IsShown() const { return FShown; }
    const std::wstring& Text() const { return FText; }
    int BackgroundStyle() const { return FStyle; }
    UINT_PTR PendingShowTimer() const { return FShowTimer; }
    TTntLabel* TitleLabel;
    TTntLabel* BodyLabel;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void TimerTimer();
    bool MouseOverControl();
    TControl* FControl = nullptr;
    std::wstring FText;
    POINT FLastPoint{-1, -1};
    POINT FAnchor{0, 0};
    bool FShown = false;
    bool FBusy = false;
    int FStyle = 0;
    int FCheckCount = 0;
    TTimer* FTimer;
    UINT_PTR FShowTimer = 0;
    int FHider = 0;
    std::unique_ptr<TBitmap> FGradients[2];
};

// The shared tip window (made on first use; FreeSuperTipWindow frees it at exit).
TSHintWin* SuperTipWindow();
void FreeSuperTipWindow();

class TQXSuperTip : public TGraphicControl {
public:
    VORLANE_CLASS_NAME(TQXSuperTip)
    explicit TQXSuperTip(TComponent* AOwner);
    ~TQXSuperTip() override;

    const std::wstring& Hint() const { return FWideHint; }
    void SetHint(const std::wstring& Value);
    TControl* LinkControl() const { return FLinkControl; }
    // A check box or an edit (anything else links nothing).
    void SetLinkControl(TControl* Value);
    TControl* LinkLabel() const { return FLinkLabel; }
    void SetLinkLabel(TControl* Value);
    TControl* LinkImage() const { return FLinkImage; }
    void SetLinkImage(TControl* Value);
    bool Center = false;
    bool Stretch = false;
    bool IncrementalDisplay = false;
    // Whether hovering shows the tip.
    bool TipEnabled = true;
    // Takes the glyph's size.
    bool CanAutoSize(int& NewWidth, int& NewHeight);
    TBitmap* Glyph() { return &FGlyph; }

protected:
    void Paint() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    struct THook {
        TControl* Control = nullptr;
        TWndMethod Previous;
    };
    void Hook(THook& H, TControl* Control);
    void Unhook(THook& H);
    void HookedMessage(THook& H, TMessage& Message);
    TBitmap FGlyph;
    std::wstring FWideHint;
    TControl* FLinkControl = nullptr;
    TControl* FLinkLabel = nullptr;
    TControl* FLinkImage = nullptr;
    THook FSelfHook, FControlHook, FLabelHook, FImageHook;
};
