// Menus: menu items (wide captions and hints, check marks, radio groups, default item,
// shortcuts, images, actions), the main menu of a form and popup menus. Items build
// native menus: the native item text is the caption, plus TAB and the shortcut text for
// items of popup menus (not for the items of a menu bar). Menus with images draw their
// items themselves (default item bold, disabled items embossed, shortcuts right-aligned).
#pragma once

#include "ActnList.h"
#include "Controls.h"
#include "ImgList.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMenu;
class TPopupMenu;

// Shortcuts: key and shift state in one word (see TShortCut).
TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// The library's shortcut text: "Ctrl+", "Shift+", "Alt+" (that order) and the key's name.
std::wstring ShortCutToText(TShortCut ShortCut);
// Hot keys of captions: the character after the last single '&' ('' when none); the text
// without markers ("&&" stands for one '&'; on Far-East systems a "(&X)" group goes
// whole); captions compared without markers, case ignored (or not).
std::wstring GetHotkey(const std::wstring& Text);
std::wstring StripHotkey(const std::wstring& Text);
bool SameCaption(const std::wstring& A, const std::wstring& B);
bool SameCaptionCaseSensitive(const std::wstring& A, const std::wstring& B);
// The system's menu font.
void AssignMenuFont(TFont* Font);

using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
// State: the ODS_* flags of the drawing request.
using TAdvancedMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, RECT ARect, UINT State)>;

enum TMenuFindKind { fkCommand, fkHandle, fkShortCut };

class TMenuItem : public TComponent {
public:
    VORLANE_CLASS_NAME(TMenuItem)
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    // "-" makes a separator.
    const std::wstring& Caption() const { return FCaption; }
    virtual void SetCaption(const std::wstring& Value);
    const std::wstring& Hint() const { return FHint; }
    virtual void SetHint(const std::wstring& Value);
    bool Checked() const { return FChecked; }
    // Checking a radio item unchecks the radio items of its group among its siblings.
    void SetChecked(bool Value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    bool IsLine() const { return FCaption == L"-"; }

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

    // The action whose caption, hint, state, shortcut, image and execution the item takes.
    TBasicAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    void SetAction(TBasicAction* Value);
    TActionLink* ActionLink() const { return FActionLink.get(); }
    // Lets the item's action update itself.
    virtual void InitiateAction();

    // Sub-items. An item added here stays owned by its component owner; deleting an item
    // deletes its sub-items.
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
    TMenuItem* Parent() const { return FParent; }
    int IndexOf(const TMenuItem* Item) const;
    int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Takes the item out (not freed).
    void Remove(TMenuItem* Item);
    // Frees sub-item Index / all sub-items.
    void Delete(int Index);
    void Clear();
    // The sub-item with this caption (compared without hot keys, case ignored), or null.
    TMenuItem* Find(const std::wstring& ACaption) const;
    TMenu* GetParentMenu() const;

    // The command id of the native item, and the native submenu (items with sub-items).
    WORD Command() const { return FCommand; }
    HMENU Handle();
    // Runs OnClick (the action's execution when the item is linked to one).
    virtual void Click();

    // The native item's text: the caption, plus TAB and ShortCutText for items of popup
    // menus that have a shortcut and no sub-items.
    virtual std::wstring NativeText();
    virtual std::wstring ShortCutText();
    // Puts NativeText into the native item when it differs (used where the system may have
    // lost it); separators and owner-drawn items are left alone.
    void ApplyNativeText();
    // Whether the menu draws this item itself.
    bool IsOwnerDraw() const;

    // Owner drawing (the menu asks through WM_MEASUREITEM / WM_DRAWITEM).
    virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);
    virtual void AdvancedDrawItem(TCanvas* ACanvas, RECT ARect, UINT State);

    // Internal: finds a live item by the data of a native item (null when it is gone).
    static TMenuItem* FromItemData(ULONG_PTR Data);
    static TMenuItem* FromCommand(WORD Command);

protected:
    // The native menu must be built again (Rebuild) or the item has changed.
    virtual void MenuChanged(bool Rebuild);
    // The text of an owner-drawn item's shortcut column: the shortcut's, or else the caption's
    // text after a tab (Caption keeps what stands before a tab).
    std::wstring ItemShortCutText(std::wstring& Caption);
    // Draws the caption and shortcut of an owner-drawn item.
    void DrawItemText(TCanvas* ACanvas, RECT ARect, UINT State);
    TActionClientAccess MakeActionAccess();
    // Imageless check-column width or the menu's image width.
    int ImageColumnWidth() const;

    std::wstring FCaption, FHint;
    bool FChecked = false, FRadioItem = false, FEnabled = true, FVisible = true, FDefault = false;
    int FGroupIndex = 0;
    TShortCut FShortCut = scNone;
    int FImageIndex = -1;

private:
    friend class TMenu;
    friend class TMainMenu;
    void RebuildHandle();
    void FillItemInfo(MENUITEMINFOW& Info, std::wstring& Text);
    void DestroyHandle();
    void TurnSiblingsOff();
    bool InMenuBar() const;

    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;       // set on the root item of a menu
    HMENU FHandle = nullptr;
    WORD FCommand = 0;
    std::unique_ptr<TActionLink> FActionLink;
};

class TMenu : public TMenuBase {
public:
    VORLANE_CLASS_NAME(TMenu)
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    TMenuItem* Items() const { return FItems.get(); }
    HMENU GetHandle() override;
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    // Items are drawn by the menu (always with images).
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool Value);
    TBiDiMode BiDiMode = bdLeftToRight;
    // True: the menu reads as its parent does (a main menu as its form, a popup menu as the
    // application), BiDiMode is not used.
    bool ParentBiDiMode = true;
    // Right to left where the system can show it and the reading order asks for it.
    bool IsRightToLeft() const;
    virtual TBiDiMode ParentsBiDiMode() const;
    // The window showing the menu (a form's window for a main menu), or null.
    virtual HWND WindowHandle() { return nullptr; }
    // The popup menu these items belong to (null for a main menu).
    virtual TPopupMenu* PopupMenu() const { return nullptr; }

    TMenuItem* FindItem(UINT_PTR Value, TMenuFindKind Kind);
    bool DispatchCommand(WORD Command) override;
    bool DispatchPopup(HMENU Menu) override;
    bool FindItemHint(UINT CommandOrHandle, bool ByHandle, std::wstring& Hint) override;
    // The shown, enabled item whose caption marks Key with '&' is carried out when it is the
    // only one, and the first of them is selected when there are several.
    LRESULT MenuChar(HMENU Menu, wchar_t Key) override;
    // Runs the enabled item with this shortcut; false when none.
    bool IsShortCut(TShortCut ShortCut);
    bool IsShortCutKey(WORD Key, TShiftState Shift) override { return IsShortCut(::ShortCut(Key, Shift)); }
    // Calls InitiateAction for every item.
    void InitiateActions();
    // Builds the native menu again.
    void Rebuild();

    TNotifyEvent OnChange;

    // Internal: an item's native item changed (Rebuild: the whole submenu was rebuilt).
    virtual void MenuChanged(TMenuItem* Source, bool Rebuild);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Popup menus make a popup menu handle, main menus a menu bar.
    virtual bool IsPopupMenu() const = 0;
    friend class TMenuItem;

private:
    std::unique_ptr<TMenuItem> FItems;
    TCustomImageList* FImages = nullptr;
    TChangeLink FImageChangeLink;
    bool FOwnerDraw = false;
};

class TMainMenu : public TMenu {
public:
    VORLANE_CLASS_NAME(TMainMenu)
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    HMENU GetHandle() override;
    // The window of the form whose Menu this is (found when the form asks for the handle).
    HWND WindowHandle() override;
    void MenuChanged(TMenuItem* Source, bool Rebuild) override;
    TBiDiMode ParentsBiDiMode() const override;

protected:
    bool IsPopupMenu() const override { return false; }
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void HookForm();
    TControl* FForm = nullptr;
    std::shared_ptr<TMainMenu*> FSelf;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };

class TPopupMenu : public TPopupMenuBase {
public:
    VORLANE_CLASS_NAME(TPopupMenu)
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    TMenuItem* Items() const { return FMenu->Items(); }
    TMenu* Menu() const { return FMenu.get(); }
    HMENU GetHandle() override { return FMenu->GetHandle(); }
    TCustomImageList* Images() const { return FMenu->Images(); }
    void SetImages(TCustomImageList* Value) { FMenu->SetImages(Value); }
    bool OwnerDraw() const { return FMenu->OwnerDraw(); }
    void SetOwnerDraw(bool Value) { FMenu->SetOwnerDraw(Value); }
    TPopupAlignment Alignment = paLeft;
    TTrackButton TrackButton = tbRightButton;
    // Shown mirrored (TPM_LAYOUTRTL) with its right edge at the point, on any system (a
    // right-to-left menu of a Middle-East system is placed so anyway).
    bool RightToLeftPopup = false;
    // The control that asked for the menu (set by Popup; null once that control is freed).
    TComponent* PopupComponent = nullptr;
    TNotifyEvent OnPopup;

    // Shows the menu at a screen point and returns when it closes; the chosen item's
    // OnClick runs when the command message arrives.
    virtual void Popup(int X, int Y);
    // Where the menu drops down from Control, Dy pixels below its bottom edge: at the corner
    // where the control's reading starts, the left one or, for a right-to-left menu (whose
    // right edge goes to the point), the right one. DropDown shows it there.
    POINT DropDownPoint(TControl* Control, int Dy = 0);
    void DropDown(TControl* Control, int Dy = 0);
    void Popup(TControl* Component, int X, int Y) override;

    bool DispatchCommand(WORD Command) override { return FMenu->DispatchCommand(Command); }
    bool DispatchPopup(HMENU Menu) override { return FMenu->DispatchPopup(Menu); }
    LRESULT MenuChar(HMENU Menu, wchar_t Key) override { return FMenu->MenuChar(Menu, Key); }
    bool FindItemHint(UINT CommandOrHandle, bool ByHandle, std::wstring& Hint) override {
        return FMenu->FindItemHint(CommandOrHandle, ByHandle, Hint);
    }
    TMenuItem* FindItem(UINT_PTR Value, TMenuFindKind Kind) { return FMenu->FindItem(Value, Kind); }
    bool IsShortCut(TShortCut Value) { return FMenu->IsShortCut(Value); }

protected:
    virtual void DoPopup(TObject* Sender);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    class TPopupItems;
    std::unique_ptr<TMenu> FMenu;
};

// The hidden window that owns shown popup menus: it receives their command, popup,
// selection and drawing messages and passes them to the registered menus.
class TPopupList : public TObject {
public:
    VORLANE_CLASS_NAME(TPopupList)
    TPopupList();
    ~TPopupList() override;
    HWND Window();
    void Add(TPopupMenu* Menu);
    void Remove(TPopupMenu* Menu);
    int Count() const { return static_cast<int>(FMenus.size()); }
    TPopupMenu* Menus(int Index) const { return FMenus.at(static_cast<size_t>(Index)); }
    // The item of a registered menu by command id or submenu handle.
    TMenuItem* FindItem(UINT_PTR Value, TMenuFindKind Kind);
    virtual void WndProc(TMessage& Message);
    // Closes the popup menu that is open now (tests, shutdown); nothing when none is.
    static void CloseOpenMenu();

protected:
    // Puts the long hint of the item being selected (or '' when none) into the application hint.
    virtual void ShowMenuHint(TMenuItem* Item);
    std::vector<TPopupMenu*> FMenus;

private:
    HWND FWindow = nullptr;
};

// The popup list in use (replaced while a wide popup menu shows).
extern TPopupList* PopupList;

// Handles WM_MEASUREITEM / WM_DRAWITEM of owner-drawn menu items; false when the message
// is not for one of our items.
bool HandleMenuDrawMessage(TMessage& Message);
