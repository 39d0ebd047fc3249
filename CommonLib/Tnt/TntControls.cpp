#include "TntControls.h"

#include "TntSysUtils.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// The class to imitate, looked up in the program and then among the system's classes.
bool FindSystemClass(HINSTANCE Instance, const WideString& Name, WNDCLASSW& Class) {
    return GetClassInfoW(Instance, Name.c_str(), &Class) || GetClassInfoW(nullptr, Name.c_str(), &Class) ||
           GetClassInfoW(GetModuleHandleW(L"comctl32.dll"), Name.c_str(), &Class);
}

} // namespace

void RegisterUnicodeWindowClass(const TCreateParams& Params, WideString& WideWinClassName) {
    WideWinClassName = Params.WinClassName + L".UnicodeClass";
    RegisterControlClass(Params, WideWinClassName);
}

void CreateUnicodeHandle(TWinControl* Control, const TCreateParams& Params, const WideString& SubClass) {
    TCreateParams params = Params;
    if (!params.WindowClass.hInstance)
        params.WindowClass.hInstance = GetModuleHandleW(nullptr);
    WNDCLASSW system{};
    if (!SubClass.empty() && FindSystemClass(params.WindowClass.hInstance, SubClass, system)) {
        Control->SetDefWndProc(system.lpfnWndProc);
        // The imitated procedure keeps its data in the window's extra bytes.
        params.WindowClass.cbWndExtra = std::max(params.WindowClass.cbWndExtra, system.cbWndExtra);
        params.WindowClass.cbClsExtra = std::max(params.WindowClass.cbClsExtra, system.cbClsExtra);
    } else {
        Control->SetDefWndProc(DefWindowProcW);
    }
    WideString className;
    RegisterUnicodeWindowClass(params, className);
    CreateControlWindow(Control, className, params, false); // the caption follows below
    SubClassUnicodeControl(Control, Params.Caption);
}

void CreateUnicodeHandle_ComCtl(TWinControl* Control, const TCreateParams& Params, const WideString& SubClass) {
    if (SubClass.empty())
        throw ETntInternalError(L"TNT Internal Error: Only call CreateUnicodeHandle_ComCtl for Common Controls.");
    CreateUnicodeHandle(Control, Params, SubClass);
    SendMessageW(Control->Handle(), CCM_SETUNICODEFORMAT, 1, 0);
}

void SubClassUnicodeControl(TWinControl* Control, const WideString& Caption) {
    if (!Control->HandleAllocated() || !IsWindowUnicode(Control->Handle()))
        throw ETntInternalError(L"Internal Error: SubClassUnicodeControl.Control is not Unicode.");
    SetControlWideText(Control, Caption);
}

WideString GetControlWideText(TControl* Control) { return Control ? Control->GetText() : WideString(); }

void SetControlWideText(TControl* Control, const WideString& Text) {
    if (Control)
        Control->SetText(Text);
}

WideString GetControlWideHint(TControl* Control) { return Control ? Control->Hint() : WideString(); }

void SetControlWideHint(TControl* Control, const WideString& Hint) {
    if (Control)
        Control->SetHint(Hint);
}

WideString GetHintOfControlOrParent(TControl* Control) { return GetHint(Control); }

WideString WideShortHint(const WideString& Hint) { return GetShortHint(Hint); }

WideString WideLongHint(const WideString& Hint) { return GetLongHint(Hint); }

bool IsTextMessage(UINT Msg) { return Msg == WM_SETTEXT || Msg == WM_GETTEXT || Msg == WM_GETTEXTLENGTH; }

void PrepareWideHintInfo(THintInfo& Info) {
    if (Info.HintWindowClass == &MakeHintWindow<THintWindow>)
        Info.HintWindowClass = &MakeHintWindow<TTntCustomHintWindow>;
    Info.HintData = &Info;
    Info.HintStr = WideShortHint(GetHintOfControlOrParent(Info.HintControl));
}

// ------------------------------------------------------------------ TTntCustomHintWindow

void TTntCustomHintWindow::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle(this, Params, L"");
}

void TTntCustomHintWindow::Paint() {
    if (BlockPaint)
        return;
    RECT r = ClientRect();
    r.left += 2;
    r.top += 2;
    Canvas()->Font()->SetColor(Screen ? Screen->HintFont()->Color() : clInfoText);
    Canvas()->DrawText(GetControlWideText(this), r,
                       DT_LEFT | DT_NOPREFIX | DT_WORDBREAK | DrawTextBiDiModeFlagsReadingOnly());
}

void TTntCustomHintWindow::WndProc(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED && !BlockUpdate) {
        TCanvas measure;
        measure.Font()->Assign(Font());
        SIZE sz = measure.TextExtent(GetControlWideText(this));
        SetBounds(Left(), Top(), sz.cx + 6, sz.cy + 6);
    }
    THintWindow::WndProc(Message);
}

void TTntCustomHintWindow::ActivateHint(RECT Rect, const std::wstring& AHint) {
    struct Reset {
        bool& f;
        bool old;
        ~Reset() { f = old; } // ActivateHintData may have set it already
    } reset{BlockUpdate, BlockUpdate};
    BlockUpdate = true;
    THintWindow::ActivateHint(Rect, AHint);
}

void TTntCustomHintWindow::ActivateHintData(RECT Rect, const std::wstring& AHint, void* AData) {
    bool oldPaint = BlockPaint, oldUpdate = BlockUpdate;
    BlockPaint = true;
    BlockUpdate = true;
    try {
        THintWindow::ActivateHintData(Rect, AHint, AData);
        SetControlWideText(this, AHint);
    } catch (...) {
        BlockPaint = oldPaint;
        BlockUpdate = oldUpdate;
        throw;
    }
    BlockPaint = oldPaint;
    BlockUpdate = oldUpdate;
    Invalidate();
}

RECT TTntCustomHintWindow::CalcHintRect(int MaxWidth, const std::wstring& AHint, void*) {
    RECT r{0, 0, MaxWidth, 0};
    HDC dc = GetDC(nullptr);
    TCanvas measure;
    measure.SetHandle(dc);
    measure.Font()->Assign(Font());
    measure.DrawText(AHint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DrawTextBiDiModeFlagsReadingOnly());
    measure.SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    r.right += 6;
    r.bottom += 2;
    return r;
}
