#include "Menus.h"

#include "Boundary.h"
#include "Forms.h"
#include "Handles.h"
#include "SysUtils.h"

#include <algorithm>
#include <map>
#include <unordered_set>

namespace {

// Every popup list in being: a popup menu that goes leaves whichever list holds it. Never
// freed, as the lists below, for popup menus the application frees at program end.
std::vector<TPopupList*>& LivePopupLists() {
    static auto* lists = new std::vector<TPopupList*>;
    return *lists;
}

// The library's own popup list (also while a wide popup menu has put its list in place).
TPopupList* LibraryPopupList();

// These lists are never freed: menu items the application frees at program end (after
// this unit's statics would be gone) still leave them.
std::unordered_set<const TMenuItem*>& LiveItems() {
    static auto* items = new std::unordered_set<const TMenuItem*>;
    return *items;
}

std::map<WORD, TMenuItem*>& Commands() {
    static auto* commands = new std::map<WORD, TMenuItem*>;
    return *commands;
}

WORD AllocateCommand(TMenuItem* Item) {
    static WORD next = 0;
    auto& commands = Commands();
    for (int tries = 0; tries < 0x10000; ++tries) {
        ++next;
        if (next == 0)
            next = 1;
        if (!commands.count(next)) {
            commands[next] = Item;
            return next;
        }
    }
    throw EOutOfResources(L"Too many menu items");
}

int CompareIgnoreCase(const std::wstring& A, const std::wstring& B) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.c_str(), static_cast<int>(A.size()), B.c_str(),
                          static_cast<int>(B.size()));
}

} // namespace

// ------------------------------------------------------------------ shortcuts and hot keys

TShortCut ShortCut(WORD Key, TShiftState Shift) {
    if (Key & 0xFF00)
        return scNone;
    TShortCut result = Key;
    if (Shift & ssShift)
        result |= scShift;
    if (Shift & ssCtrl)
        result |= scCtrl;
    if (Shift & ssAlt)
        result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift) {
    Key = ShortCut & 0xFF;
    Shift = 0;
    if (ShortCut & scShift)
        Shift |= ssShift;
    if (ShortCut & scCtrl)
        Shift |= ssCtrl;
    if (ShortCut & scAlt)
        Shift |= ssAlt;
}

std::wstring ShortCutToText(TShortCut ShortCut) {
    WORD key = ShortCut & 0xFF;
    std::wstring name;
    switch (key) {
    case VK_BACK: name = L"BkSp"; break;
    case VK_TAB: name = L"Tab"; break;
    case VK_ESCAPE: name = L"Esc"; break;
    case VK_RETURN: name = L"Enter"; break;
    case VK_SPACE: name = L"Space"; break;
    case VK_PRIOR: name = L"PgUp"; break;
    case VK_NEXT: name = L"PgDn"; break;
    case VK_END: name = L"End"; break;
    case VK_HOME: name = L"Home"; break;
    case VK_LEFT: name = L"Left"; break;
    case VK_UP: name = L"Up"; break;
    case VK_RIGHT: name = L"Right"; break;
    case VK_DOWN: name = L"Down"; break;
    case VK_INSERT: name = L"Ins"; break;
    case VK_DELETE: name = L"Del"; break;
    default:
        if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
            name = std::wstring(1, static_cast<wchar_t>(key));
        else if (key >= VK_F1 && key <= VK_F24)
            name = L"F" + IntToStr(key - VK_F1 + 1);
        else if (key) {
            wchar_t buf[64] = {};
            UINT scan = MapVirtualKeyW(key, 0);
            if (scan && GetKeyNameTextW(static_cast<LONG>(scan << 16), buf, 64) > 0)
                name = buf;
        }
    }
    if (name.empty())
        return L"";
    std::wstring prefix;
    if (ShortCut & scCtrl)
        prefix += L"Ctrl+";
    if (ShortCut & scShift)
        prefix += L"Shift+";
    if (ShortCut & scAlt)
        prefix += L"Alt+";
    return prefix + name;
}

std::wstring GetHotkey(const std::wstring& Text) {
    std::wstring result;
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != L'&')
            continue;
        if (i + 1 < Text.size() && Text[i + 1] == L'&') {
            ++i; // "&&" is a plain '&'
            continue;
        }
        if (i + 1 < Text.size())
            result = std::wstring(1, Text[i + 1]);
    }
    return result;
}

std::wstring StripHotkey(const std::wstring& Text) {
    std::wstring result;
    result.reserve(Text.size());
    for (size_t i = 0; i < Text.size();) {
        if (SysLocale.FarEast && Text[i] == L'(' && i + 3 < Text.size() && Text[i + 1] == L'&' &&
            Text[i + 2] != L'&' && Text[i + 3] == L')') {
            i += 4;
            continue;
        }
        if (Text[i] == L'&') {
            if (i + 1 < Text.size() && Text[i + 1] == L'&') {
                result += L'&';
                i += 2;
            } else {
                ++i;
            }
            continue;
        }
        result += Text[i++];
    }
    return result;
}

bool SameCaption(const std::wstring& A, const std::wstring& B) {
    return CompareIgnoreCase(StripHotkey(A), StripHotkey(B)) == CSTR_EQUAL;
}

bool SameCaptionCaseSensitive(const std::wstring& A, const std::wstring& B) { return StripHotkey(A) == StripHotkey(B); }

void AssignMenuFont(TFont* Font) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
        ncm.cbSize = sizeof(ncm) - sizeof(ncm.iPaddedBorderWidth);
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0))
            return;
    }
    const LOGFONTW& lf = ncm.lfMenuFont;
    Font->SetName(lf.lfFaceName);
    Font->SetHeight(lf.lfHeight);
    Font->SetCharset(lf.lfCharSet);
    TFontStyles style = 0;
    if (lf.lfWeight >= FW_BOLD)
        style |= fsBold;
    if (lf.lfItalic)
        style |= fsItalic;
    Font->SetStyle(style);
    Font->SetColor(clMenuText);
}

// ------------------------------------------------------------------ TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {
    FCommand = AllocateCommand(this);
    LiveItems().insert(this);
}

TMenuItem::~TMenuItem() {
    FActionLink.reset();
    // Sub-items go with their parent (they leave their component owner too).
    while (!FItems.empty()) {
        TMenuItem* child = FItems.back();
        FItems.pop_back();
        child->FParent = nullptr;
        delete child;
    }
    if (FParent)
        FParent->Remove(this);
    DestroyHandle();
    Commands().erase(FCommand);
    LiveItems().erase(this);
}

TMenuItem* TMenuItem::FromItemData(ULONG_PTR Data) {
    auto* item = reinterpret_cast<TMenuItem*>(Data);
    return item && LiveItems().count(item) ? item : nullptr;
}

TMenuItem* TMenuItem::FromCommand(WORD Command) {
    auto it = Commands().find(Command);
    return it == Commands().end() ? nullptr : it->second;
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* item = this;
    while (item->FParent)
        item = item->FParent;
    return item->FMenu;
}

bool TMenuItem::InMenuBar() const {
    if (!FParent || FParent->FParent)
        return false;
    TMenu* menu = FParent->FMenu;
    return menu && !menu->IsPopupMenu();
}

bool TMenuItem::IsOwnerDraw() const {
    if (InMenuBar() || !FParent)
        return false;
    TMenu* menu = GetParentMenu();
    return menu && (menu->OwnerDraw() || menu->Images());
}

void TMenuItem::MenuChanged(bool Rebuild) {
    TMenu* menu = GetParentMenu();
    if (FParent)
        FParent->RebuildHandle();
    if (menu)
        menu->MenuChanged(this, Rebuild);
}

void TMenuItem::SetCaption(const std::wstring& Value) {
    if (Value == FCaption)
        return;
    FCaption = Value;
    MenuChanged(true);
}

void TMenuItem::SetHint(const std::wstring& Value) { FHint = Value; }

void TMenuItem::TurnSiblingsOff() {
    if (!FParent || !FRadioItem)
        return;
    for (TMenuItem* sibling : FParent->FItems)
        if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex && sibling->FChecked) {
            sibling->FChecked = false;
            if (sibling->FActionLink)
                if (auto* a = dynamic_cast<TCustomAction*>(sibling->FActionLink->Action()); a && a->Checked())
                    a->SetChecked(false);
        }
}

void TMenuItem::SetChecked(bool Value) {
    if (Value == FChecked)
        return;
    FChecked = Value;
    if (Value)
        TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetRadioItem(bool Value) {
    if (Value == FRadioItem)
        return;
    FRadioItem = Value;
    if (FChecked)
        TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetGroupIndex(int Value) {
    if (Value == FGroupIndex)
        return;
    FGroupIndex = Value;
    if (FChecked)
        TurnSiblingsOff();
    MenuChanged(false);
}

void TMenuItem::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    MenuChanged(true);
}

void TMenuItem::SetVisible(bool Value) {
    if (Value == FVisible)
        return;
    FVisible = Value;
    MenuChanged(true);
}

void TMenuItem::SetDefault(bool Value) {
    if (Value == FDefault)
        return;
    if (Value && FParent)
        for (TMenuItem* sibling : FParent->FItems)
            if (sibling != this)
                sibling->FDefault = false;
    FDefault = Value;
    MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut Value) {
    if (Value == FShortCut)
        return;
    FShortCut = Value;
    MenuChanged(true);
}

void TMenuItem::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    MenuChanged(true);
}

TActionClientAccess TMenuItem::MakeActionAccess() {
    TActionClientAccess a;
    a.Name = [this] { return Name(); };
    a.Caption = [this] { return Caption(); };
    a.SetCaption = [this](const std::wstring& v) { SetCaption(v); };
    a.Hint = [this] { return Hint(); };
    a.SetHint = [this](const std::wstring& v) { SetHint(v); };
    a.Enabled = [this] { return FEnabled; };
    a.SetEnabled = [this](bool v) { SetEnabled(v); };
    a.Checked = [this] { return FChecked; };
    a.SetChecked = [this](bool v) { SetChecked(v); };
    a.Visible = [this] { return FVisible; };
    a.SetVisible = [this](bool v) { SetVisible(v); };
    a.ShortCut = [this] { return FShortCut; };
    a.SetShortCut = [this](TShortCut v) { SetShortCut(v); };
    a.ImageIndex = [this] { return FImageIndex; };
    a.SetImageIndex = [this](int v) { SetImageIndex(v); };
    a.GroupIndex = [this] { return FGroupIndex; };
    a.SetGroupIndex = [this](int v) { SetGroupIndex(v); };
    a.OnClickAssigned = [this] { return static_cast<bool>(OnClick); };
    a.SetOnClick = [this](TNotifyEvent e) { OnClick = std::move(e); };
    a.SameCaption = [](const std::wstring& x, const std::wstring& y) { return ::SameCaption(x, y); };
    return a;
}

void TMenuItem::SetAction(TBasicAction* Value) {
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink = std::make_unique<TActionLink>(this, MakeActionAccess());
    FActionLink->SetAction(Value);
}

void TMenuItem::InitiateAction() {
    if (FActionLink)
        FActionLink->Update();
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item)
        return;
    if (Item->FParent)
        throw EInvalidOperation(L"Menu inserted twice");
    if (Index < 0 || Index > Count())
        throw EListError(L"Menu index out of range");
    bool hadItems = !FItems.empty();
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    if (Item->FChecked)
        Item->TurnSiblingsOff();
    RebuildHandle();
    if (!hadItems && FParent)
        FParent->RebuildHandle(); // this item now opens a submenu
    if (TMenu* menu = GetParentMenu())
        menu->MenuChanged(Item, true);
}

void TMenuItem::Remove(TMenuItem* Item) {
    int index = IndexOf(Item);
    if (index < 0)
        return;
    FItems.erase(FItems.begin() + index);
    Item->FParent = nullptr;
    if (IsDestroying())
        return;
    RebuildHandle();
    if (FItems.empty() && FParent && FHandle) {
        DestroyHandle();
        FParent->RebuildHandle();
    }
    if (TMenu* menu = GetParentMenu())
        menu->MenuChanged(this, true);
}

void TMenuItem::Delete(int Index) {
    if (Index < 0 || Index >= Count())
        throw EListError(L"Menu index out of range");
    delete FItems[static_cast<size_t>(Index)];
}

void TMenuItem::Clear() {
    while (!FItems.empty())
        delete FItems.back();
}

TMenuItem* TMenuItem::Find(const std::wstring& ACaption) const {
    for (TMenuItem* item : FItems)
        if (::SameCaption(item->FCaption, ACaption))
            return item;
    return nullptr;
}

HMENU TMenuItem::Handle() {
    if (!FHandle && (FMenu || !FItems.empty())) {
        FHandle = (FMenu && !FMenu->IsPopupMenu()) ? CreateMenu() : CreatePopupMenu();
        if (!FHandle)
            RaiseLastOSError();
        RebuildHandle();
    }
    return FHandle;
}

void TMenuItem::DestroyHandle() {
    if (!FHandle)
        return;
    // Sub-menus belong to the sub-items: detach them before the menu goes.
    while (GetMenuItemCount(FHandle) > 0)
        if (!RemoveMenu(FHandle, 0, MF_BYPOSITION))
            break;
    DestroyMenu(FHandle);
    FHandle = nullptr;
}

std::wstring TMenuItem::ShortCutText() { return ShortCutToText(FShortCut); }

std::wstring TMenuItem::ItemShortCutText(std::wstring& Caption) {
    // As in a menu the system draws: a caption's text after a tab goes to the shortcut column,
    // where the item's own shortcut, when it has one, takes its place (a translated caption may
    // still name the key the item now shows).
    std::wstring text;
    if (const size_t tab = Caption.find(L'\t'); tab != std::wstring::npos) {
        text = Caption.substr(tab + 1);
        Caption.erase(tab);
    }
    return FShortCut != scNone && FItems.empty() ? ShortCutText() : text;
}

std::wstring TMenuItem::NativeText() {
    std::wstring text = FCaption;
    if (FShortCut != scNone && FItems.empty() && !InMenuBar()) {
        std::wstring sc = ShortCutText();
        if (!sc.empty())
            text += L"\t" + sc;
    }
    return text;
}

void TMenuItem::FillItemInfo(MENUITEMINFOW& Info, std::wstring& Text) {
    Info = MENUITEMINFOW{};
    Info.cbSize = sizeof(Info);
    Info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
    if (IsLine()) {
        Info.fType = MFT_SEPARATOR;
    } else {
        Info.fType = IsOwnerDraw() ? MFT_OWNERDRAW : MFT_STRING;
        if (FRadioItem)
            Info.fType |= MFT_RADIOCHECK;
        if (Info.fType & MFT_OWNERDRAW) {
            Text.clear();
        } else {
            Text = NativeText();
            Info.fMask |= MIIM_STRING;
            Info.dwTypeData = Text.data();
            Info.cch = static_cast<UINT>(Text.size());
        }
    }
    if (FChecked)
        Info.fState |= MFS_CHECKED;
    if (!FEnabled)
        Info.fState |= MFS_DISABLED;
    if (FDefault)
        Info.fState |= MFS_DEFAULT;
    Info.wID = FCommand;
    Info.hSubMenu = FItems.empty() ? nullptr : Handle();
    Info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
}

void TMenuItem::RebuildHandle() {
    if (!FHandle)
        return;
    while (GetMenuItemCount(FHandle) > 0)
        if (!RemoveMenu(FHandle, 0, MF_BYPOSITION))
            break;
    TMenu* menu = GetParentMenu();
    // A menu bar read right to left starts at the right edge with its first item and goes
    // leftwards.
    const bool rightToLeftBar = menu && !FParent && !menu->IsPopupMenu() && menu->IsRightToLeft();
    UINT pos = 0;
    std::vector<TMenuItem*> items(FItems.begin(), FItems.end());
    if (rightToLeftBar)
        std::reverse(items.begin(), items.end());
    for (TMenuItem* item : items) {
        if (!item->FVisible)
            continue;
        MENUITEMINFOW info;
        std::wstring text;
        item->FillItemInfo(info, text);
        if (rightToLeftBar && pos == 0)
            info.fType |= MFT_RIGHTJUSTIFY;
        InsertMenuItemW(FHandle, pos++, TRUE, &info);
    }
    if (menu && !FParent && !menu->IsPopupMenu())
        if (HWND wnd = menu->WindowHandle())
            DrawMenuBar(wnd);
}

void TMenuItem::ApplyNativeText() {
    if (!FParent || !FParent->FHandle || !FVisible)
        return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    if (!GetMenuItemInfoW(FParent->FHandle, FCommand, FALSE, &info))
        return;
    if (info.fType & (MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR))
        return;
    std::wstring text = NativeText();
    wchar_t current[1024] = {};
    GetMenuStringW(FParent->FHandle, FCommand, current, 1024, MF_BYCOMMAND);
    if (text == current)
        return;
    MENUITEMINFOW set{};
    set.cbSize = sizeof(set);
    set.fMask = MIIM_STRING;
    set.dwTypeData = text.data();
    set.cch = static_cast<UINT>(text.size());
    SetMenuItemInfoW(FParent->FHandle, FCommand, FALSE, &set);
    TMenu* menu = GetParentMenu();
    if (menu && !menu->IsPopupMenu())
        if (HWND wnd = menu->WindowHandle())
            DrawMenuBar(wnd);
}

void TMenuItem::Click() {
    if (!FEnabled)
        return;
    if (OnClick) {
        TNotifyEvent handler = OnClick; // the handler may free the item (and OnClick with it)
        handler(this);
    } else if (FActionLink)
        FActionLink->Execute();
}

int TMenuItem::ImageColumnWidth() const {
    TMenu* menu = GetParentMenu();
    return menu && menu->Images() ? menu->Images()->Width() : 16;
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
    if (IsLine()) {
        Width = 10;
        Height = GetSystemMetrics(SM_CYMENUSIZE) / 2;
    } else {
        if (FDefault)
            ACanvas->Font()->SetStyle(ACanvas->Font()->Style() | fsBold);
        std::wstring caption = FCaption, sc = ItemShortCutText(caption);
        if (caption.empty() || caption == L"&")
            caption += L" ";
        RECT r{0, 0, 0, 0};
        ACanvas->DrawText(caption, r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP);
        int textWidth = r.right - r.left, textHeight = r.bottom - r.top;
        int shortcutWidth = 0;
        if (!sc.empty()) {
            RECT s{0, 0, 0, 0};
            ACanvas->DrawText(sc, s, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP);
            shortcutWidth = s.right - s.left + 16;
        }
        TMenu* menu = GetParentMenu();
        int imageHeight = menu && menu->Images() ? menu->Images()->Height() : 16;
        Width = ImageColumnWidth() + 8 + textWidth + shortcutWidth + 10;
        Height = std::max({textHeight + 4, imageHeight + 4, GetSystemMetrics(SM_CYMENUSIZE)});
    }
    if (OnMeasureItem)
        OnMeasureItem(this, ACanvas, Width, Height);
}

namespace {

// Right to left an item is laid out from the right edge, unless the menu's window is mirrored:
// its device context then turns the left-to-right layout over by itself.
bool LaidOutFromRight(TMenu* Menu, TCanvas* Canvas) {
    return Menu && Menu->IsRightToLeft() && Canvas->CanvasOrientation() == coLeftToRight;
}

} // namespace

void TMenuItem::DrawItemText(TCanvas* ACanvas, RECT ARect, UINT State) {
    bool selected = (State & ODS_SELECTED) != 0;
    TMenu* menu = GetParentMenu();
    const bool fromRight = LaidOutFromRight(menu, ACanvas);
    UINT flags = DT_SINGLELINE | DT_EXPANDTABS;
    TPopupMenu* popup = menu ? menu->PopupMenu() : nullptr;
    if (popup && popup->Alignment == paRight)
        flags |= DT_RIGHT;
    else if (popup && popup->Alignment == paCenter)
        flags |= DT_CENTER;
    else
        flags |= DT_LEFT;
    if (menu && menu->IsRightToLeft())
        flags |= DT_RTLREADING;
    if (fromRight)
        flags = (flags & ~(DT_LEFT | DT_CENTER)) | DT_RIGHT;
    if (State & ODS_NOACCEL)
        flags |= DT_HIDEPREFIX;
    if (FDefault)
        ACanvas->Font()->SetStyle(ACanvas->Font()->Style() | fsBold);
    ACanvas->Brush()->SetStyle(bsClear);

    std::wstring caption = FCaption;
    const std::wstring sc = ItemShortCutText(caption);
    RECT measure = ARect;
    ACanvas->DrawText(caption.empty() || caption == L"&" ? caption + L" " : caption, measure,
                      flags | DT_CALCRECT | DT_NOCLIP);
    int textHeight = measure.bottom - measure.top;
    RECT text = ARect;
    text.top = ARect.top + ((ARect.bottom - ARect.top) - textHeight) / 2;
    text.bottom = text.top + textHeight;
    RECT shortcut = ARect;
    shortcut.right -= 10;
    shortcut.top = text.top;
    shortcut.bottom = text.bottom;
    UINT scFlags = (flags & ~(DT_LEFT | DT_CENTER)) | DT_RIGHT;
    if (fromRight) {
        // Right to left the shortcut stands at the far (left) end.
        shortcut = RECT{ARect.left + 10, text.top, ARect.right, text.bottom};
        scFlags = (flags & ~(DT_RIGHT | DT_CENTER)) | DT_LEFT;
    }

    auto drawBoth = [&](int dx, int dy, TColor color) {
        ACanvas->Font()->SetColor(color);
        RECT t = text, s = shortcut;
        OffsetRect(&t, dx, dy);
        OffsetRect(&s, dx, dy);
        ACanvas->DrawText(caption, t, flags);
        if (!sc.empty())
            ACanvas->DrawText(sc, s, scFlags);
    };
    if (!FEnabled) {
        if (!selected)
            drawBoth(1, 1, clBtnHighlight);
        bool sameColors = ColorToRGB(clHighlight) == ColorToRGB(clBtnShadow);
        drawBoth(0, 0, selected && sameColors ? clBtnHighlight : clBtnShadow);
    } else {
        drawBoth(0, 0, selected ? clHighlightText : clMenuText);
    }
}

void TMenuItem::AdvancedDrawItem(TCanvas* ACanvas, RECT ARect, UINT State) {
    if (OnAdvancedDrawItem) {
        OnAdvancedDrawItem(this, ACanvas, ARect, State);
        return;
    }
    bool selected = (State & ODS_SELECTED) != 0;
    ACanvas->Brush()->SetColor(selected && FEnabled ? clHighlight : clMenu);
    if (selected && !FEnabled)
        ACanvas->Brush()->SetColor(clMenu);
    ACanvas->FillRect(ARect);
    if (IsLine()) {
        RECT line = ARect;
        line.top += (ARect.bottom - ARect.top) / 2 - 1;
        DrawEdge(ACanvas->Handle(), &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    // The image or check column.
    int column = ImageColumnWidth() + 4;
    TMenu* menu = GetParentMenu();
    TCustomImageList* images = menu ? menu->Images() : nullptr;
    const bool rtl = LaidOutFromRight(menu, ACanvas);
    int columnLeft = rtl ? ARect.right - column : ARect.left;
    if (images && FImageIndex >= 0 && FImageIndex < images->Count()) {
        int y = ARect.top + ((ARect.bottom - ARect.top) - images->Height()) / 2;
        if (FChecked) {
            RECT frame{columnLeft, ARect.top, columnLeft + column, ARect.bottom};
            DrawEdge(ACanvas->Handle(), &frame, BDR_SUNKENOUTER, BF_RECT);
        }
        images->Draw(ACanvas, columnLeft + 2, y, FImageIndex, FEnabled);
    } else if (FChecked) {
        int size = std::min<int>(16, ARect.bottom - ARect.top);
        RECT mark{columnLeft + (column - size) / 2, ARect.top + ((ARect.bottom - ARect.top) - size) / 2, 0, 0};
        mark.right = mark.left + size;
        mark.bottom = mark.top + size;
        DrawFrameControl(ACanvas->Handle(), &mark, DFC_MENU, FRadioItem ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    RECT text = ARect;
    if (rtl)
        text.right -= column + 4;
    else
        text.left += column + 4;
    DrawItemText(ACanvas, text, State);
}

// ------------------------------------------------------------------ drawing messages

bool HandleMenuDrawMessage(TMessage& Message) {
    if (Message.Msg == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (!mis || mis->CtlType != ODT_MENU)
            return false;
        TMenuItem* item = TMenuItem::FromItemData(mis->itemData);
        if (!item)
            return false;
        HDC dc = GetDC(nullptr);
        TCanvas canvas;
        canvas.SetHandle(dc);
        AssignMenuFont(canvas.Font());
        int w = static_cast<int>(mis->itemWidth), h = static_cast<int>(mis->itemHeight);
        item->MeasureItem(&canvas, w, h);
        canvas.SetHandle(nullptr);
        ReleaseDC(nullptr, dc);
        mis->itemWidth = static_cast<UINT>(std::max(w, 0));
        mis->itemHeight = static_cast<UINT>(std::max(h, 0));
        Message.Result = 1;
        return true;
    }
    if (Message.Msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (!dis || dis->CtlType != ODT_MENU)
            return false;
        TMenuItem* item = TMenuItem::FromItemData(dis->itemData);
        if (!item)
            return false;
        TCanvas canvas;
        canvas.SetHandle(dis->hDC);
        int saved = SaveDC(dis->hDC);
        // A mirrored menu window (a right-to-left menu) is drawn in its screen layout: the item
        // lays itself out from the right as on any right-to-left menu, and its texts keep their
        // own order (the system draws the submenu arrow mirrored afterwards).
        RECT rect = dis->rcItem;
        RECT client{};
        const DWORD layout = GetLayout(dis->hDC);
        if (layout != GDI_ERROR && (layout & LAYOUT_RTL) && GetClientRect(WindowFromDC(dis->hDC), &client)) {
            SetLayout(dis->hDC, layout & ~LAYOUT_RTL);
            rect = RECT{client.right - rect.right, rect.top, client.right - rect.left, rect.bottom};
        }
        AssignMenuFont(canvas.Font());
        item->AdvancedDrawItem(&canvas, rect, dis->itemState);
        canvas.SetHandle(nullptr);
        RestoreDC(dis->hDC, saved);
        if (layout != GDI_ERROR)
            SetLayout(dis->hDC, layout);
        Message.Result = 1;
        return true;
    }
    return false;
}

// ------------------------------------------------------------------ TMenu

TMenu::TMenu(TComponent* AOwner) : TMenuBase(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
    FItems->FMenu = this;
    FImageChangeLink.OnChange = [this](TObject*) { Rebuild(); };
}

TMenu::~TMenu() {
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FItems.reset();
}

HMENU TMenu::GetHandle() { return FItems->Handle(); }

bool TMenu::IsRightToLeft() const {
    return RightToLeftAvailable() && (ParentBiDiMode ? ParentsBiDiMode() : BiDiMode) != bdLeftToRight;
}

TBiDiMode TMenu::ParentsBiDiMode() const { return Application ? Application->BiDiMode() : bdLeftToRight; }

TBiDiMode TMainMenu::ParentsBiDiMode() const { return FForm ? FForm->BiDiMode() : TMenu::ParentsBiDiMode(); }

void TMenu::SetImages(TCustomImageList* Value) {
    if (ReplaceImageList(this, FImages, Value, FImageChangeLink))
        Rebuild();
}

void TMenu::SetOwnerDraw(bool Value) {
    if (Value == FOwnerDraw)
        return;
    FOwnerDraw = Value;
    Rebuild();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMenuBase::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FImages) {
        FImages = nullptr;
        Rebuild();
    }
}

void TMenu::Rebuild() {
    std::function<void(TMenuItem*)> rebuild = [&](TMenuItem* item) {
        for (TMenuItem* child : item->FItems)
            rebuild(child);
        item->RebuildHandle();
    };
    rebuild(FItems.get());
}

TMenuItem* TMenu::FindItem(UINT_PTR Value, TMenuFindKind Kind) {
    std::function<TMenuItem*(TMenuItem*)> find = [&](TMenuItem* item) -> TMenuItem* {
        for (TMenuItem* child : item->FItems) {
            bool hit = (Kind == fkCommand && child->FCommand == Value) ||
                       (Kind == fkHandle && child->FHandle && reinterpret_cast<UINT_PTR>(child->FHandle) == Value) ||
                       (Kind == fkShortCut && child->FShortCut != scNone && child->FShortCut == Value);
            if (hit)
                return child;
            if (TMenuItem* found = find(child))
                return found;
        }
        return nullptr;
    };
    if (Kind == fkHandle && FItems->FHandle && reinterpret_cast<UINT_PTR>(FItems->FHandle) == Value)
        return FItems.get();
    return find(FItems.get());
}

bool TMenu::DispatchCommand(WORD Command) {
    TMenuItem* item = FindItem(Command, fkCommand);
    if (!item)
        return false;
    item->Click();
    return true;
}

LRESULT TMenu::MenuChar(HMENU Menu, wchar_t Key) {
    TMenuItem* parent = FindItem(reinterpret_cast<UINT_PTR>(Menu), fkHandle);
    if (!parent)
        return 0;
    const auto upper = [](wchar_t C) {
        return reinterpret_cast<UINT_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(C))));
    };
    int first = -1, matches = 0, position = 0; // positions count the items in the native menu
    for (TMenuItem* item : parent->FItems) {
        if (!item->FVisible)
            continue;
        const std::wstring& caption = item->Caption();
        for (size_t i = 0; i + 1 < caption.size(); ++i) {
            if (caption[i] != L'&')
                continue;
            if (caption[i + 1] != L'&') {
                if (item->Enabled() && upper(caption[i + 1]) == upper(Key)) {
                    if (first < 0)
                        first = position;
                    ++matches;
                }
                break;
            }
            ++i; // "&&" is a plain '&'
        }
        ++position;
    }
    if (first < 0)
        return 0;
    return MAKELRESULT(first, matches == 1 ? MNC_EXECUTE : MNC_SELECT);
}

bool TMenu::DispatchPopup(HMENU Menu) {
    TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(Menu), fkHandle);
    if (!item)
        return false;
    // The parent's OnClick may fill the submenu; then the items update from their actions.
    if (item != FItems.get() && item->OnClick) {
        TNotifyEvent handler = item->OnClick; // the handler may free the item
        handler(item);
        if (!LiveItems().count(item))
            return true;
    }
    for (int i = 0; i < item->Count(); ++i)
        item->Items(i)->InitiateAction();
    return true;
}

bool TMenu::FindItemHint(UINT CommandOrHandle, bool ByHandle, std::wstring& Hint) {
    TMenuItem* item = FindItem(CommandOrHandle, ByHandle ? fkHandle : fkCommand);
    if (!item)
        return false;
    Hint = item->Hint();
    return true;
}

bool TMenu::IsShortCut(TShortCut ShortCut) {
    if (ShortCut == scNone)
        return false;
    TMenuItem* item = FindItem(ShortCut, fkShortCut);
    if (!item)
        return false;
    item->InitiateAction();
    if (!LiveItems().count(item))
        return false; // its update took it away
    for (TMenuItem* p = item; p; p = p->Parent())
        if (!p->Enabled() || !p->Visible())
            return p == FItems.get();
    item->Click();
    return true;
}

void TMenu::InitiateActions() {
    std::function<void(TMenuItem*)> walk = [&](TMenuItem* item) {
        for (TMenuItem* child : std::vector<TMenuItem*>(item->FItems)) {
            // An earlier item's update may have freed this one.
            if (!LiveItems().count(child))
                continue;
            child->InitiateAction();
            if (LiveItems().count(child))
                walk(child);
        }
    };
    walk(FItems.get());
}

void TMenu::MenuChanged(TMenuItem* Source, bool Rebuild) {
    if (OnChange)
        OnChange(this);
}

// ------------------------------------------------------------------ TMainMenu

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner), FSelf(std::make_shared<TMainMenu*>(this)) {}

TMainMenu::~TMainMenu() {
    *FSelf = nullptr;
    HWND wnd = WindowHandle();
    if (wnd && Items()->FHandle && GetMenu(wnd) == Items()->FHandle)
        ::SetMenu(wnd, nullptr);
    if (FForm)
        FForm->RemoveFreeNotification(this);
}

HWND TMainMenu::WindowHandle() {
    auto* form = dynamic_cast<TCustomForm*>(FForm);
    if (!form || form->Menu() != this || !form->HandleAllocated())
        return nullptr;
    return form->Handle();
}

HMENU TMainMenu::GetHandle() {
    HMENU h = TMenu::GetHandle();
    HookForm();
    return h;
}

// ------------------------------------------------------------------ right-to-left menu bar

namespace {

// The arrow keys of a right-to-left menu follow what is drawn: Left opens a submenu (it opens
// to the left) and Right closes it. A pop-up menu's keys are simply turned round. A menu bar
// lists its items from the right in reverse order, so the system's Left and Right already move
// along it the way they point; in its drop-down menus the keys are turned round for the
// submenus alone, and Left on an item without a submenu (Right in the top drop-down) still moves
// to the bar item on that side, through the keys the system has for it.
class TRightToLeftMenuKeys {
public:
    using TOpenMenus = std::vector<HWND> (*)(); // the menus of a bar that show, parents first
    static void Begin(TOpenMenus BarMenus) {
        FBarMenus = BarMenus;
        FPassThrough = 0;
        FHook.Reset(SetWindowsHookExW(WH_MSGFILTER, FilterProc, nullptr, GetCurrentThreadId()));
    }
    static void End() {
        FHook.Reset();
        FBarMenus = nullptr;
    }

private:
    static LRESULT CALLBACK FilterProc(int Code, WPARAM WParam, LPARAM LParam) {
        if (Code == MSGF_MENU && LParam)
            Guarded(L"TRightToLeftMenuKeys.FilterProc", [&] { Turn(*reinterpret_cast<MSG*>(LParam)); });
        return CallNextHookEx(nullptr, Code, WParam, LParam);
    }

    static void Turn(MSG& Msg) {
        if ((Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) ||
            (Msg.wParam != VK_LEFT && Msg.wParam != VK_RIGHT))
            return;
        if (FPassThrough > 0) { // a key this filter sent on
            --FPassThrough;
            return;
        }
        const bool left = Msg.wParam == VK_LEFT;
        if (!FBarMenus) {
            Msg.wParam = left ? VK_RIGHT : VK_LEFT;
            return;
        }
        const std::vector<HWND> open = FBarMenus();
        if (open.empty())
            return; // along the bar
        const bool submenu = OpensSubmenu(open.back());
        if (left) {
            if (submenu)
                Msg.wParam = VK_RIGHT;
            else // each Left closes a submenu; the one in the top drop-down moves along the bar
                for (size_t i = 1; i < open.size(); ++i)
                    SendOn(Msg, VK_LEFT);
        } else if (open.size() > 1) {
            Msg.wParam = VK_LEFT; // closes the submenu
        } else if (submenu) {
            // The system's Right would open the submenu: back to the bar, one item right,
            // and down into its menu.
            Msg.wParam = VK_ESCAPE;
            SendOn(Msg, VK_RIGHT);
            SendOn(Msg, VK_DOWN);
        }
    }

    static void SendOn(const MSG& Msg, WPARAM Key) {
        if (Key == VK_LEFT || Key == VK_RIGHT)
            ++FPassThrough;
        if (Msg.hwnd)
            PostMessageW(Msg.hwnd, WM_KEYDOWN, Key, 1);
        else
            PostThreadMessageW(GetCurrentThreadId(), WM_KEYDOWN, Key, 1);
    }

    // Whether the lit item of the menu window Wnd opens a submenu.
    static bool OpensSubmenu(HWND Wnd) {
        auto* menu = reinterpret_cast<HMENU>(SendMessageW(Wnd, MN_GETHMENU, 0, 0));
        for (int i = 0, n = menu ? GetMenuItemCount(menu) : 0; i < n; ++i) {
            const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            if (state != UINT(-1) && (state & MF_HILITE))
                return GetSubMenu(menu, i) && !(state & (MF_GRAYED | MF_DISABLED));
        }
        return false;
    }

    static inline TOpenMenus FBarMenus = nullptr;
    static inline int FPassThrough = 0;
    static inline TUniqueHandle<THookTraits> FHook;
};

// While a right-to-left menu bar is tracked, its drop-down menus and their submenus show as a
// right-to-left program's do: mirrored (the submenu arrows at the left, pointing left), each
// drop-down's right edge under its bar item's right edge, each submenu opening to the left of
// its parent menu (to the right only where the screen has no room on the left). The system
// places a menu bar's menus from the left: their windows are mirrored as they are made and
// moved as they are first placed.
class TRightToLeftMenuLoop {
public:
    static void Begin(HWND Owner) {
        End();
        FOwner = Owner;
        FHook.Reset(SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId()));
        TRightToLeftMenuKeys::Begin(OpenMenus);
    }
    static void End() {
        TRightToLeftMenuKeys::End();
        FHook.Reset();
        for (const TMenuWindow& m : FMenus)
            if (IsWindow(m.Wnd))
                SetWindowLongPtrW(m.Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m.Previous));
        FMenus.clear();
        FOwner = nullptr;
    }

private:
    static std::vector<HWND> OpenMenus() {
        std::vector<HWND> open;
        for (const TMenuWindow& m : FMenus)
            if (IsWindowVisible(m.Wnd))
                open.push_back(m.Wnd);
        return open;
    }

    struct TMenuWindow {
        HWND Wnd;
        WNDPROC Previous;
        bool Placed;
    };

    static LRESULT CALLBACK CbtProc(int Code, WPARAM WParam, LPARAM LParam) {
        if (Code == HCBT_CREATEWND)
            Guarded(L"TRightToLeftMenuLoop.CbtProc", [&] {
                HWND wnd = reinterpret_cast<HWND>(WParam);
                wchar_t name[16] = {};
                if (!GetClassNameW(wnd, name, 16) || wcscmp(name, L"#32768") != 0)
                    return;
                auto previous = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuWndProc)));
                FMenus.push_back({wnd, previous, false});
            });
        return CallNextHookEx(nullptr, Code, WParam, LParam);
    }

    static LRESULT CALLBACK MenuWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
        auto it = std::find_if(FMenus.begin(), FMenus.end(), [Wnd](const TMenuWindow& m) { return m.Wnd == Wnd; });
        if (it == FMenus.end())
            return DefWindowProcW(Wnd, Msg, WParam, LParam);
        const WNDPROC previous = it->Previous;
        if (Msg == WM_NCCREATE) {
            // Mirrored from the start (the system sets the styles it was made with before this).
            SetWindowLongPtrW(Wnd, GWL_EXSTYLE, GetWindowLongPtrW(Wnd, GWL_EXSTYLE) | WS_EX_LAYOUTRTL);
        } else if (Msg == WM_WINDOWPOSCHANGING && !it->Placed) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(LParam);
            if (pos && !(pos->flags & SWP_NOMOVE) && pos->cx > 0) {
                it->Placed = true;
                Guarded(L"TRightToLeftMenuLoop.Place", [&] { pos->x = PlacedX(Wnd, pos->x, pos->y, pos->cx); });
            }
        } else if (Msg == WM_NCDESTROY) {
            SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            FMenus.erase(it);
        }
        return CallWindowProcW(previous, Wnd, Msg, WParam, LParam);
    }

    // Where a menu Width wide that the system places at X goes right to left.
    static int PlacedX(HWND Wnd, int X, int Y, int Width) {
        MONITORINFO monitor{sizeof(monitor)};
        GetMonitorInfoW(MonitorFromPoint(POINT{X, Y}, MONITOR_DEFAULTTONEAREST), &monitor);
        const LONG workLeft = monitor.rcWork.left;
        // A submenu: its parent is the last menu shown before it.
        for (auto it = FMenus.rbegin(); it != FMenus.rend(); ++it) {
            if (it->Wnd == Wnd || !IsWindowVisible(it->Wnd))
                continue;
            RECT parent{};
            GetWindowRect(it->Wnd, &parent);
            if (X < parent.left)
                return X; // the system opened it to the left already
            // As far into the parent from its left edge as the system put it from the right.
            const int x = parent.left + (parent.right - X) - Width;
            return x >= workLeft ? x : X;
        }
        // A drop-down of the bar: under the bar item that is lit.
        HMENU bar = FOwner ? GetMenu(FOwner) : nullptr;
        for (int i = 0, n = bar ? GetMenuItemCount(bar) : 0; i < n; ++i) {
            RECT item{};
            if ((GetMenuState(bar, i, MF_BYPOSITION) & MF_HILITE) && GetMenuItemRect(FOwner, bar, i, &item))
                return std::max<int>(item.right - Width, workLeft);
        }
        return X;
    }

    static inline HWND FOwner = nullptr;
    static inline TUniqueHandle<THookTraits> FHook;
    static inline std::vector<TMenuWindow> FMenus; // parents before their submenus
};

} // namespace

// The form asks for the handle when it takes the menu: from then on the menu draws its
// owner-drawn items and refreshes the bar through the form's window.
void TMainMenu::HookForm() {
    if (!Screen)
        return;
    TCustomForm* form = nullptr;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->Menu() == this)
            form = Screen->Forms(i);
    if (!form || form == FForm)
        return;
    if (FForm)
        FForm->RemoveFreeNotification(this);
    FForm = form;
    FForm->FreeNotification(this);
    std::weak_ptr<TMainMenu*> self = FSelf;
    TWndMethod previous = form->WindowProc;
    // F10 or Alt alone: the bar is entered from the keyboard with no item chosen.
    auto keyboardStart = std::make_shared<bool>(false);
    form->WindowProc = [self, previous, form, keyboardStart](TMessage& M) {
        auto p = self.lock();
        TMainMenu* menu = p ? *p : nullptr;
        if (menu && menu->FForm == form && form->Menu() == menu) {
            if ((M.Msg == WM_MEASUREITEM || M.Msg == WM_DRAWITEM) && HandleMenuDrawMessage(M))
                return;
            if (M.Msg == CM_BIDIMODECHANGED && menu->ParentBiDiMode)
                menu->Rebuild(); // the bar's order and the items' sides follow the form
            if (M.Msg == WM_SYSCOMMAND && (M.WParam & 0xFFF0) == SC_KEYMENU && !M.LParam) {
                *keyboardStart = true;
                struct TReset {
                    bool& Flag;
                    ~TReset() { Flag = false; }
                } reset{*keyboardStart};
                if (previous)
                    previous(M);
                return;
            }
            if (M.Msg == WM_ENTERMENULOOP && !M.WParam && menu->IsRightToLeft()) {
                for (int i = 0; i < menu->Items()->Count(); ++i)
                    if (menu->Items()->Items(i)->Visible()) {
                        menu->Items()->Items(i)->ApplyNativeText();
                        break;
                    }
                TRightToLeftMenuLoop::Begin(form->Handle());
                // The system lights the bar's first item, which lies at the left end of a bar
                // read from the right: End lights the last one, the menu where the reading starts.
                if (*keyboardStart)
                    PostMessageW(form->Handle(), WM_KEYDOWN, VK_END, 1);
            }
            if (M.Msg == WM_EXITMENULOOP && !M.WParam)
                TRightToLeftMenuLoop::End();
        }
        if (previous)
            previous(M);
    };
}

void TMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMenu::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FForm)
        FForm = nullptr;
}

void TMainMenu::MenuChanged(TMenuItem* Source, bool Rebuild) {
    if (HWND wnd = WindowHandle())
        DrawMenuBar(wnd);
    TMenu::MenuChanged(Source, Rebuild);
}

// ------------------------------------------------------------------ TPopupMenu

class TPopupMenu::TPopupItems : public TMenu {
public:
    explicit TPopupItems(TPopupMenu* Owner) : TMenu(nullptr), FOwner(Owner) {}
    TPopupMenu* PopupMenu() const override { return FOwner; }
    void MenuChanged(TMenuItem* Source, bool Rebuild) override {
        TMenu::MenuChanged(Source, Rebuild);
    }

protected:
    bool IsPopupMenu() const override { return true; }

private:
    TPopupMenu* FOwner;
};

TPopupMenu::TPopupMenu(TComponent* AOwner) : TPopupMenuBase(AOwner), FMenu(std::make_unique<TPopupItems>(this)) {
    if (TPopupList* list = LibraryPopupList())
        list->Add(this);
}

TPopupMenu::~TPopupMenu() {
    for (TPopupList* list : LivePopupLists())
        list->Remove(this);
}

void TPopupMenu::DoPopup(TObject* Sender) {
    if (OnPopup) {
        TNotifyEvent handler = OnPopup; // the handler may free the menu
        handler(Sender);
    }
}

void TPopupMenu::Popup(TControl* Component, int X, int Y) {
    if (PopupComponent)
        PopupComponent->RemoveFreeNotification(this);
    PopupComponent = Component;
    if (Component)
        Component->FreeNotification(this);
    Popup(X, Y);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TPopupMenuBase::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == PopupComponent)
        PopupComponent = nullptr;
}

void TPopupMenu::Popup(int X, int Y) {
    static const UINT alignments[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    static const UINT buttons[] = {TPM_RIGHTBUTTON, TPM_LEFTBUTTON};
    DoPopup(this);
    FMenu->InitiateActions();
    if (Application)
        Application->HideHints();
    HMENU menu = GetHandle();
    UINT flags = alignments[Alignment] | buttons[TrackButton];
    // Right to left the menu is mirrored and the alignment counts from the right: its right
    // edge at the point, and its submenus open to the left.
    if (FMenu->IsRightToLeft() || RightToLeftPopup)
        flags |= TPM_LAYOUTRTL;
    struct TKeys {
        bool On;
        ~TKeys() {
            if (On)
                TRightToLeftMenuKeys::End();
        }
    } keys{(flags & TPM_LAYOUTRTL) != 0};
    if (keys.On)
        TRightToLeftMenuKeys::Begin(nullptr);
    TrackPopupMenuEx(menu, flags, X, Y, PopupList->Window(), nullptr);
}

POINT TPopupMenu::DropDownPoint(TControl* Control, int Dy) {
    const int y = Control->Height() + Dy;
    // Both bottom corners: in a mirrored parent the control's own left is on the right.
    const POINT a = Control->ClientToScreen(POINT{0, y});
    const POINT b = Control->ClientToScreen(POINT{Control->Width(), y});
    const bool rightToLeft = FMenu->IsRightToLeft() || RightToLeftPopup;
    return rightToLeft == (a.x > b.x) ? a : b;
}

void TPopupMenu::DropDown(TControl* Control, int Dy) {
    const POINT p = DropDownPoint(Control, Dy);
    Popup(p.x, p.y);
}

// ------------------------------------------------------------------ TPopupList

namespace {

const wchar_t* const PopupListClass = L"VorlanePopupList";

LRESULT CALLBACK PopupListWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* list = reinterpret_cast<TPopupList*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
    if (!list)
        return DefWindowProcW(Wnd, Msg, WParam, LParam);
    TMessage m{Msg, WParam, LParam, 0};
    bool ok = Guarded(L"TPopupList.WndProc", [&] { list->WndProc(m); });
    return ok ? m.Result : 0;
}

TPopupList g_PopupList;

TPopupList* LibraryPopupList() {
    auto& lists = LivePopupLists();
    return std::find(lists.begin(), lists.end(), &g_PopupList) != lists.end() ? &g_PopupList : PopupList;
}

} // namespace

TPopupList* PopupList = &g_PopupList;

TPopupList::TPopupList() { LivePopupLists().push_back(this); }

TPopupList::~TPopupList() {
    auto& lists = LivePopupLists();
    lists.erase(std::remove(lists.begin(), lists.end(), this), lists.end());
    if (FWindow) {
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
    if (PopupList == this)
        PopupList = nullptr;
}

HWND TPopupList::Window() {
    if (!FWindow) {
        WNDCLASSW wc{};
        if (!GetClassInfoW(GetModuleHandleW(nullptr), PopupListClass, &wc)) {
            wc.lpfnWndProc = PopupListWndProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = PopupListClass;
            RegisterClassW(&wc);
        }
        FWindow = CreateWindowExW(WS_EX_TOOLWINDOW, PopupListClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        if (!FWindow)
            RaiseLastOSError();
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    return FWindow;
}

void TPopupList::Add(TPopupMenu* Menu) {
    if (Menu && std::find(FMenus.begin(), FMenus.end(), Menu) == FMenus.end())
        FMenus.push_back(Menu);
}

void TPopupList::Remove(TPopupMenu* Menu) { FMenus.erase(std::remove(FMenus.begin(), FMenus.end(), Menu), FMenus.end()); }

TMenuItem* TPopupList::FindItem(UINT_PTR Value, TMenuFindKind Kind) {
    for (TPopupMenu* menu : FMenus)
        if (TMenuItem* item = menu->FindItem(Value, Kind))
            return item;
    return nullptr;
}

void TPopupList::ShowMenuHint(TMenuItem* Item) {
    if (Application)
        Application->SetHint(Item ? GetLongHint(Item->Hint()) : L"");
}

void TPopupList::CloseOpenMenu() { EndMenu(); }

void TPopupList::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_COMMAND:
        if (HIWORD(Message.WParam) == 0)
            for (TPopupMenu* menu : std::vector<TPopupMenu*>(FMenus))
                if (menu->DispatchCommand(LOWORD(Message.WParam)))
                    return;
        break;
    case WM_INITMENUPOPUP:
        for (TPopupMenu* menu : std::vector<TPopupMenu*>(FMenus))
            if (menu->DispatchPopup(reinterpret_cast<HMENU>(Message.WParam)))
                return;
        break;
    case WM_MENUCHAR:
        for (TPopupMenu* menu : FMenus)
            if ((Message.Result = menu->MenuChar(reinterpret_cast<HMENU>(Message.LParam), LOWORD(Message.WParam))))
                return;
        break;
    case WM_MENUSELECT: {
        UINT id = LOWORD(Message.WParam), flags = HIWORD(Message.WParam);
        auto menu = reinterpret_cast<HMENU>(Message.LParam);
        TMenuItem* item = nullptr;
        if (!(flags == 0xFFFF && !menu)) {
            if (flags & MF_POPUP)
                item = FindItem(reinterpret_cast<UINT_PTR>(GetSubMenu(menu, static_cast<int>(id))), fkHandle);
            else
                item = FindItem(id, fkCommand);
        }
        ShowMenuHint(item);
        break;
    }
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (HandleMenuDrawMessage(Message))
            return;
        break;
    }
    Message.Result = DefWindowProcW(FWindow, Message.Msg, Message.WParam, Message.LParam);
}
