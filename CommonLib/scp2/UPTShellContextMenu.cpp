#include "UPTShellContextMenu.h"

#include "SysUtils.h"

namespace {

constexpr UINT VerbCapacity = 260;

int FindVerbIn(IContextMenu* Menu, HMENU Handle, UINT IdFirst, const WideString& Verb) {
    const int count = GetMenuItemCount(Handle);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(Handle, i)) {
            const int found = FindVerbIn(Menu, sub, IdFirst, Verb);
            if (found >= 0)
                return found;
            continue;
        }
        const UINT id = GetMenuItemID(Handle, i);
        if (id == static_cast<UINT>(-1) || id < IdFirst)
            continue;
        if (SameText(PTCommandVerb(Menu, id - IdFirst), Verb))
            return static_cast<int>(id - IdFirst);
    }
    return -1;
}

} // namespace

TComPtr<IContextMenu> PTItemsContextMenu(IShellFolder* Folder, HWND Owner, const std::vector<PCItemIDList>& Items) {
    TComPtr<IContextMenu> menu;
    if (Folder && !Items.empty())
        Folder->GetUIObjectOf(Owner, static_cast<UINT>(Items.size()), const_cast<PCUITEMID_CHILD_ARRAY>(Items.data()), IID_IContextMenu, nullptr,
                              menu.PutVoid());
    return menu;
}

TComPtr<IContextMenu> PTFolderBackgroundMenu(IShellFolder* Folder, HWND Owner) {
    TComPtr<IContextMenu> menu;
    if (Folder)
        Folder->CreateViewObject(Owner, IID_IContextMenu, menu.PutVoid());
    return menu;
}

WideString PTCommandVerb(IContextMenu* Menu, UINT Offset) {
    if (!Menu)
        return L"";
    wchar_t verb[VerbCapacity] = {};
    if (FAILED(Menu->GetCommandString(Offset, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(verb), VerbCapacity)))
        return L"";
    verb[VerbCapacity - 1] = L'\0';
    return verb;
}

WideString PTCommandHelpText(IContextMenu* Menu, UINT Offset) {
    if (!Menu)
        return L"";
    wchar_t text[VerbCapacity] = {};
    if (FAILED(Menu->GetCommandString(Offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(text), VerbCapacity)))
        return L"";
    text[VerbCapacity - 1] = L'\0';
    return text;
}

int PTFindVerb(IContextMenu* Menu, HMENU Handle, UINT IdFirst, const WideString& Verb) {
    if (!Menu || !Handle || Verb.empty())
        return -1;
    return FindVerbIn(Menu, Handle, IdFirst, Verb);
}

HRESULT PTInvokeCommand(IContextMenu* Menu, HWND Owner, UINT Offset, bool Shift, bool Ctrl) {
    if (!Menu)
        return E_POINTER;
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.hwnd = Owner;
    info.lpVerb = MAKEINTRESOURCEA(Offset);
    info.nShow = SW_SHOWNORMAL;
    if (Shift)
        info.fMask |= CMIC_MASK_SHIFT_DOWN;
    if (Ctrl)
        info.fMask |= CMIC_MASK_CONTROL_DOWN;
    return Menu->InvokeCommand(&info);
}

bool PTRunVerb(IContextMenu* Menu, HWND Owner, const WideString& Verb, bool Shift, bool Ctrl) {
    if (!Menu)
        return false;
    TMenuHandle popup(CreatePopupMenu());
    if (!popup || FAILED(Menu->QueryContextMenu(popup.Get(), 0, PTShellMenuFirstId, PTShellMenuLastId,
                                                CMF_EXPLORE | CMF_EXTENDEDVERBS)))
        return false;
    const int offset = PTFindVerb(Menu, popup.Get(), PTShellMenuFirstId, Verb);
    if (offset < 0)
        return false;
    return SUCCEEDED(PTInvokeCommand(Menu, Owner, static_cast<UINT>(offset), Shift, Ctrl));
}

bool PTRunDefaultCommand(IContextMenu* Menu, HWND Owner, bool Extended) {
    if (!Menu)
        return false;
    TMenuHandle popup(CreatePopupMenu());
    UINT flags = CMF_EXPLORE | (Extended ? CMF_EXTENDEDVERBS : 0);
    if (!popup || FAILED(Menu->QueryContextMenu(popup.Get(), 0, PTShellMenuFirstId, PTShellMenuLastId, flags)))
        return false;
    const UINT id = GetMenuDefaultItem(popup.Get(), FALSE, 0);
    if (id == static_cast<UINT>(-1) || id < PTShellMenuFirstId)
        return false;
    return SUCCEEDED(PTInvokeCommand(Menu, Owner, id - PTShellMenuFirstId, Extended, false));
}

bool PTIsMenuObjectMessage(UINT Msg) {
    return Msg == WM_DRAWITEM || Msg == WM_MEASUREITEM || Msg == WM_INITMENUPOPUP || Msg == WM_MENUCHAR ||
           Msg == WM_MENUSELECT;
}

bool PTForwardMenuMessage(IContextMenu* Menu, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
    if (!Menu)
        return false;
    TComPtr<IContextMenu3> menu3;
    if (SUCCEEDED(Menu->QueryInterface(IID_IContextMenu3, menu3.PutVoid())) && menu3) {
        LRESULT r = 0;
        if (FAILED(menu3->HandleMenuMsg2(Msg, WParam, LParam, &r)))
            return false;
        Result = r;
        return true;
    }
    TComPtr<IContextMenu2> menu2;
    if (SUCCEEDED(Menu->QueryInterface(IID_IContextMenu2, menu2.PutVoid())) && menu2) {
        if (FAILED(menu2->HandleMenuMsg(Msg, WParam, LParam)))
            return false;
        Result = Msg == WM_INITMENUPOPUP ? 0 : TRUE;
        return true;
    }
    return false;
}
