// Standard controls: edit, memo, combo box, list box, label, button, check box, radio
// button and group box. Each windowed one imitates its system class ("EDIT", "COMBOBOX",
// "LISTBOX", "BUTTON") and keeps what its window must get back in fields, so that items,
// selection and text survive the window being made again (its own RecreateWnd or its
// parent's).
#pragma once

#include "Controls.h"
#include "Forms.h"
#include "Menus.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

enum TOwnerDrawStateFlag : unsigned {
    odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odFocused = 16, odDefault = 32,
    odComboBoxEdit = 64
};
using TOwnerDrawState = unsigned;
// The owner-draw state of a DRAWITEMSTRUCT.
TOwnerDrawState OwnerDrawStateOf(UINT ItemState);

using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, RECT Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;
// Text of an item of a virtual list box.
using TLBGetDataEvent = std::function<void(TWinControl* Control, int Index, std::wstring& Data)>;

// Whether the character is the caption's hot key (GetHotkey of the menus unit), case ignored.
bool IsCaptionAccel(wchar_t CharCode, const std::wstring& Caption);

// ---------------------------------------------------------------------------------
// Edit and memo

class TCustomEdit : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomEdit)
    explicit TCustomEdit(TComponent* AOwner);

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    // Any character (0 = none); the window shows it in place of every character typed.
    wchar_t PasswordChar() const { return FPasswordChar; }
    virtual void SetPasswordChar(wchar_t Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoSelect = true;
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);

    // Selection in characters (0-based start).
    virtual int SelStart();
    virtual void SetSelStart(int Value);
    virtual int SelLength();
    virtual void SetSelLength(int Value);
    virtual std::wstring SelText();
    virtual void SetSelText(const std::wstring& Value);
    void SelectAll();
    void ClearSelection() { SetSelText(L""); }
    void Clear() { SetText(L""); }
    bool Modified();
    void SetModified(bool Value);
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo();

    TNotifyEvent OnChange;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DoEnter() override;
    virtual void Change();

    bool FReadOnly = false;
    int FMaxLength = 0;
    wchar_t FPasswordChar = 0;
    TAlignment FAlignment = taLeftJustify;
    bool FHideSelection = true;
    bool FModified = false;
};

class TEdit : public TCustomEdit {
public:
    VORLANE_CLASS_NAME(TEdit)
    using TCustomEdit::TCustomEdit;
};

class TCustomMemo : public TCustomEdit {
public:
    VORLANE_CLASS_NAME(TCustomMemo)
    explicit TCustomMemo(TComponent* AOwner);

    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool WantReturns = true;
    bool WantTabs = false;

    // Lines as the window has them (0 without a window).
    int LineCount();
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;

    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
};

class TMemo : public TCustomMemo {
public:
    VORLANE_CLASS_NAME(TMemo)
    using TCustomMemo::TCustomMemo;
};

// ---------------------------------------------------------------------------------
// Item lists of combo and list boxes

// An item as kept while the window does not exist.
struct TSavedItem {
    std::wstring Text;
    TObject* Object = nullptr;
    bool Selected = false;
};

// The items of a combo or list box, for the two controls only: in the control's window
// while it exists, else kept in Saved (with the selection in SavedIndex). The two system
// classes differ only in the messages.
class TItemStore {
public:
    struct TMessages {
        UINT GetCount, GetTextLen, GetText, GetItemData, SetItemData, AddString, InsertString, DeleteString,
            ResetContent, FindStringExact, GetCurSel, SetCurSel;
    };
    TItemStore(TWinControl& Control, const TMessages& Messages) : FControl(Control), FMsg(Messages) {}

    // Makes the window when the control can have one; whether it exists.
    bool UseWindow();
    int Count();
    // False for a bad index (the text is then empty).
    bool Text(int Index, std::wstring& S);
    TObject* Object(int Index);
    void SetObject(int Index, TObject* AObject);
    int Add(const std::wstring& S, TObject* AObject, bool Sorted);
    void Insert(int Index, const std::wstring& S, TObject* AObject);
    void Delete(int Index);
    void Clear();
    int IndexOf(const std::wstring& S);
    int ItemIndex();
    void SetItemIndex(int Value);
    // Before the window goes: keeps its items (only when Items) and selection.
    void Save(bool Items);
    // When a new window is made: hands over what Save kept (false when nothing, the window
    // already having its items) ...
    bool TakeSaved(std::vector<TSavedItem>& Items);
    // ... and puts one of those items into it (its index, negative when refused).
    LRESULT Put(const TSavedItem& Item);

    std::vector<TSavedItem> Saved;
    int SavedIndex = -1;
    bool HaveSaved = true; // no window yet: Saved holds the items
    // Lines without texts (an owner-drawn combo box without CBS_HASSTRINGS): the object is
    // the line's whole content, texts read '' and are never searched.
    bool NoStrings = false;

private:
    LRESULT Send(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    TWinControl& FControl;
    const TMessages& FMsg;
};

// ---------------------------------------------------------------------------------
// Combo box

class TCustomComboBox : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomComboBox)
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    // A list style (drop-down list or owner-drawn): no edit part.
    bool IsListStyle() const { return FStyle != csDropDown && FStyle != csSimple; }
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value) { FDropDownCount = Value; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    int ItemHeight();
    void SetItemHeight(int Value);
    bool AutoComplete = true;
    bool AutoDropDown = false;
    bool AutoCloseUp = false;
    bool DroppedDown();
    void SetDroppedDown(bool Value);

    // Items: read from and written to the window while it exists, else kept here.
    // Add/Insert raise EOutOfResources "Unable to insert a line"; a bad index reads ''.
    int ItemCount();
    std::wstring ItemText(int Index);
    void SetItemText(int Index, const std::wstring& S);
    TObject* ItemObject(int Index);
    void SetItemObject(int Index, TObject* AObject);
    int AddItem(const std::wstring& S, TObject* AObject = nullptr);
    void InsertItem(int Index, const std::wstring& S, TObject* AObject = nullptr);
    void DeleteItem(int Index);
    // Removes every item; the text of an edit style stays.
    void ClearItems();
    // Exact match, case ignored; -1 when none.
    int IndexOfItem(const std::wstring& S);

    int ItemIndex();
    void SetItemIndex(int Value);
    // Selection of the edit part.
    int SelStart();
    void SetSelStart(int Value);
    int SelLength();
    void SetSelLength(int Value);
    std::wstring SelText();
    void SelectAll();

    // The incremental search of the list styles starts again after this pause.
    static constexpr uint32_t IncrementalSearchResetMs = 1250;
    // The clock of the incremental search (milliseconds); tests give their own.
    std::function<uint32_t()> SearchClock;
    const std::wstring& SearchText() const { return FSearchText; }

    TCanvas* Canvas() { return &FCanvas; }
    // The edit and list windows (null when the style has none or no window exists).
    HWND EditHandle() const { return FEditHandle; }
    HWND ListHandle() const { return FListHandle; }

    TNotifyEvent OnChange, OnDropDown, OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    void WndProc(TMessage& Message) override;

protected:
    // Item mode without strings, for owner-drawn subclasses whose lines are objects: the
    // window is made without CBS_HASSTRINGS and each line's item data is its object. Set
    // it in the constructor, before there are lines.
    bool ItemsWithoutStrings() const { return FItems.NoStrings; }
    void SetItemsWithoutStrings(bool Value);
    // A line left the list (DeleteItem, ClearItems, or the system deleting it) with its
    // object (null when it has none). Not called for lines that go with the window, when
    // it is made again or destroyed: those keep their objects.
    virtual void ItemDeleted(int Index, TObject* Object) {}
    // Takes the objects off every line (the lines stay, with null objects) and returns
    // them, so that a subclass that owns them can free them on destruction.
    std::vector<TObject*> DetachItemObjects();

    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void Change();
    virtual void DropDown();
    virtual void CloseUp();
    virtual void DrawItem(int Index, const RECT& Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    // Auto-complete: the key step of the edit styles and of the list styles; true = the key
    // was used up.
    virtual bool EditStyleKeyPress(wchar_t Key);
    virtual bool ListStyleKeyPress(wchar_t Key);
    // Selects the first item that starts with S (see the edit-style rule for the text).
    bool SelectItem(const std::wstring& S);
    // The edit window's messages (keys go through the control's key handling first).
    LRESULT EditWndProc(UINT Msg, WPARAM WParam, LPARAM LParam);

    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    bool FSorted = false;
    int FMaxLength = 0;
    int FItemHeight = 16;
    std::wstring FSearchText;
    uint32_t FLastSearchTime = 0;
    bool FSearchTimeValid = false;
    bool FSettingText = false; // our own text changes do not count as edits
    bool FWindowGoing = false; // from WM_DESTROY until the next window: deleted lines are not reported
    TCanvas FCanvas;

private:
    friend LRESULT CALLBACK ComboEditHookProc(HWND, UINT, WPARAM, LPARAM);
    bool UseWindow() { return FItems.UseWindow(); }
    void SetTextSilently(const std::wstring& Value);
    void SaveItems();
    void RestoreItems();
    void HookEdit();
    void UnhookEdit();
    HWND FEditHandle = nullptr;
    HWND FListHandle = nullptr;
    WNDPROC FEditDefProc = nullptr;
    TItemStore FItems;
};

class TComboBox : public TCustomComboBox {
public:
    VORLANE_CLASS_NAME(TComboBox)
    using TCustomComboBox::TCustomComboBox;
};

// ---------------------------------------------------------------------------------
// List box

class TCustomListBox : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomListBox)
    explicit TCustomListBox(TComponent* AOwner);

    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle Value);
    bool IsVirtual() const { return FStyle == lbVirtual || FStyle == lbVirtualOwnerDraw; }
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool Value);
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    int ItemHeight();
    void SetItemHeight(int Value);

    // Items: in the window while it exists, else kept here. ItemText of a bad index raises
    // EListError "List index out of bounds (%d)"; Add/Insert raise EOutOfResources
    // "Unable to insert a line".
    int ItemCount();
    std::wstring ItemText(int Index);
    void SetItemText(int Index, const std::wstring& S);
    TObject* ItemObject(int Index);
    void SetItemObject(int Index, TObject* AObject);
    int AddItem(const std::wstring& S, TObject* AObject = nullptr);
    void InsertItem(int Index, const std::wstring& S, TObject* AObject = nullptr);
    void DeleteItem(int Index);
    void ClearItems();
    int IndexOfItem(const std::wstring& S);
    // Swap / move items; texts, objects and selection go with them, the item index follows
    // its item.
    void ExchangeItems(int Index1, int Index2);
    void MoveItem(int CurIndex, int NewIndex);
    // Number of items of a virtual list box (whose texts come from OnData).
    void SetCount(int Value);

    int ItemIndex();
    void SetItemIndex(int Value);
    bool Selected(int Index);
    void SetSelected(int Index, bool Value);
    int SelCount();
    int TopIndex();
    void SetTopIndex(int Value);
    void ClearSelection();
    // The item at a client point (-1 when none, or with Existing off the nearest).
    int ItemAtPos(POINT Pos, bool Existing);
    RECT ItemRect(int Index);

    TCanvas* Canvas() { return &FCanvas; }
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    TLBGetDataEvent OnData;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void DrawItem(int Index, const RECT& Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);

    TListBoxStyle FStyle = lbStandard;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    bool FSorted = false;
    bool FIntegralHeight = false;
    int FColumns = 0;
    int FItemHeight = 16;
    bool FMoving = false;
    TCanvas FCanvas;

private:
    bool UseWindow() { return FItems.UseWindow(); }
    void ReplaceItem(int Index, const TSavedItem& Item);
    void SaveItems();
    void RestoreItems();
    void CheckIndex(int Index);
    TItemStore FItems;
    int FSavedTop = 0;
    int FSavedCount = 0; // virtual styles
};

class TListBox : public TCustomListBox {
public:
    VORLANE_CLASS_NAME(TListBox)
    using TCustomListBox::TCustomListBox;
};

// ---------------------------------------------------------------------------------
// Label

class TCustomLabel : public TGraphicControl {
public:
    VORLANE_CLASS_NAME(TCustomLabel)
    explicit TCustomLabel(TComponent* AOwner);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    // The control that an Alt+hot key of the caption focuses.
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);

    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The text to draw (the caption).
    virtual std::wstring GetLabelText();
    // Draws (or with DT_CALCRECT measures into Rect) the caption on the canvas.
    virtual void DoDrawText(RECT& Rect, UINT Flags);
    // Takes the size of the caption when AutoSize is on.
    virtual void AdjustBounds();

    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
    bool FAdjusting = false;
};

class TLabel : public TCustomLabel {
public:
    VORLANE_CLASS_NAME(TLabel)
    using TCustomLabel::TCustomLabel;
};

// ---------------------------------------------------------------------------------
// Buttons

class TButton : public TWinControl {
public:
    VORLANE_CLASS_NAME(TButton)
    explicit TButton(TComponent* AOwner);

    // Enter clicks the default button unless another button has the focus.
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    // Escape clicks the cancel button.
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    // Given to the parent form when clicked (ends a modal form).
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    void Click() override;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    // Whether Enter clicks this button now.
    bool IsActiveDefault();

    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

class TCustomCheckBox : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomCheckBox)
    explicit TCustomCheckBox(TComponent* AOwner);

    TCheckBoxState State() const { return FState; }
    // A change runs OnClick.
    void SetState(TCheckBoxState Value);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    bool AllowGrayed = false;
    // Box on the left of the caption (taRightJustify, the default) or on its right.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // Unchecked -> (grayed when allowed) -> checked -> unchecked.
    virtual void Toggle();
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;

    TCheckBoxState FState = cbUnchecked;
    TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
public:
    VORLANE_CLASS_NAME(TCheckBox)
    using TCustomCheckBox::TCustomCheckBox;
};

class TRadioButton : public TWinControl {
public:
    VORLANE_CLASS_NAME(TRadioButton)
    explicit TRadioButton(TComponent* AOwner);
    bool Checked() const { return FChecked; }
    // Checking one unchecks the other radio buttons of the same parent; runs OnClick.
    void SetChecked(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;

    bool FChecked = false;
    TAlignment FAlignment = taRightJustify;
};

// ---------------------------------------------------------------------------------
// Group box

class TCustomGroupBox : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TCustomGroupBox)
    explicit TCustomGroupBox(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

protected:
    void AdjustClientRect(RECT& Rect) override;
    void Paint() override;
    // Width and height of the caption in the control's font.
    SIZE CaptionExtent();
};

class TGroupBox : public TCustomGroupBox {
public:
    VORLANE_CLASS_NAME(TGroupBox)
    using TCustomGroupBox::TCustomGroupBox;
};
