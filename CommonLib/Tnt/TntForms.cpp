#include "TntForms.h"

#include "SysUtils.h"
#include "TntSystem.h"

#include <algorithm>

TTntApplication* TntApplication = nullptr;

namespace {
struct TTntFormsUnit {
    TTntFormsUnit() { TntApplication = new TTntApplication(nullptr); }
    ~TTntFormsUnit() {
        delete TntApplication;
        TntApplication = nullptr;
    }
} g_TntFormsUnit;

const wchar_t* const FontSubstitutes = L"FontSubstitutes";
} // namespace

// ------------------------------------------------------------------ TTntForm

void TTntForm::CreateWindowHandle(const TCreateParams& Params) {
    TCreateParams params = Params;
    params.ExStyle &= ~static_cast<DWORD>(WS_EX_LAYERED);
    CreateUnicodeHandle(this, params, L"");
}

void TTntForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_MENUSELECT:
        if (FMenu) {
            UINT item = LOWORD(Message.WParam);
            UINT flags = HIWORD(Message.WParam);
            auto menu = reinterpret_cast<HMENU>(Message.LParam);
            WideString hint;
            bool closed = flags == 0xFFFF && menu == nullptr;
            if (!closed) {
                bool byHandle = (flags & MF_POPUP) != 0;
                UINT key = item;
                if (byHandle)
                    key = static_cast<UINT>(reinterpret_cast<UINT_PTR>(GetSubMenu(menu, static_cast<int>(item))));
                WideString itemHint;
                if (FMenu->FindItemHint(key, byHandle, itemHint))
                    hint = WideLongHint(itemHint);
            }
            if (TntApplication)
                TntApplication->SetHint(hint);
            Message.Result = 0;
            return;
        }
        break;
    case CM_HINTSHOW:
        if (Message.LParam)
            PrepareWideHintInfo(*reinterpret_cast<THintInfo*>(Message.LParam));
        break;
    }
    TForm::WndProc(Message);
}

// ------------------------------------------------------------------ TTntApplication

WideString TTntApplication::Hint() const { return Application ? Application->Hint() : WideString(); }

void TTntApplication::SetHint(const WideString& Value) {
    if (Application)
        Application->SetHint(Value);
}

WideString TTntApplication::Title() const { return Application ? Application->Title() : WideString(); }

void TTntApplication::SetTitle(const WideString& Value) {
    if (Application)
        Application->SetTitle(Value);
}

// ------------------------------------------------------------------ start-up

TTntProfileAccess TTntProfileAccess::System() {
    TTntProfileAccess p;
    p.Read = [](const WideString& section, const WideString& key) {
        wchar_t buf[33] = {};
        DWORD n = GetProfileStringW(section.c_str(), key.c_str(), L"", buf, 33);
        return WideString(buf, std::min<DWORD>(n, 32));
    };
    p.Write = [](const WideString& section, const WideString& key, const WideString& value) {
        return WriteProfileStringW(section.c_str(), key.c_str(), value.c_str()) != FALSE;
    };
    p.Broadcast = [](const WideString& section, UINT flags, UINT timeout) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(section.c_str()), flags,
                            timeout, &result);
    };
    return p;
}

namespace {

void Log(const WideString& line) {
    if (Application)
        Application->Log(line);
    else
        OutputDebugStringW((line + L"\n").c_str());
}

// Writes one substitute; a failure is logged and start-up goes on.
void WriteSubstitute(const TTntProfileAccess& Profile, const WideString& Key, const WideString& Value) {
    bool ok = false;
    DWORD error = 0;
    try {
        ok = Profile.Write(FontSubstitutes, Key, Value);
        if (!ok)
            error = GetLastError();
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        Log(L"TntForms > could not write the font substitute \"" + Key + L"\" = \"" + Value + L"\": " +
            SysErrorMessage(error));
        return;
    }
    // Hung windows must not hold up start-up.
    Profile.Broadcast(FontSubstitutes, SMTO_NORMAL | SMTO_ABORTIFHUNG, 250);
}

} // namespace

void InitTntEnvironment() { InitTntEnvironment(TTntProfileAccess::System()); }

void InitTntEnvironment(const TTntProfileAccess& Profile) {
    InstallTntSystemUpdates(tsuAll);

    WideString shellDlg = Profile.Read(FontSubstitutes, L"MS Shell Dlg");
    if (shellDlg.empty()) {
        shellDlg = L"MS Sans Serif";
        WriteSubstitute(Profile, L"MS Shell Dlg", shellDlg);
    }
    WideString shellDlg2 = Profile.Read(FontSubstitutes, L"MS Shell Dlg 2");
    if (shellDlg2.empty()) {
        bool hasTahoma = false;
        if (Screen)
            for (const auto& f : Screen->Fonts())
                hasTahoma = hasTahoma || SameText(f, L"Tahoma");
        shellDlg2 = hasTahoma ? WideString(L"Tahoma") : shellDlg;
        WriteSubstitute(Profile, L"MS Shell Dlg 2", shellDlg2);
    }
    DefFontData.Name = shellDlg2.substr(0, 31);
    if (Application)
        Application->HintWindowClass = &MakeHintWindow<TTntHintWindow>;
}
