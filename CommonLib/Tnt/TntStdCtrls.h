// The standard controls of the Unicode set: each makes its window through a Unicode
// window class of its own (CreateUnicodeHandle) imitating the system class, and the
// memo, combo box and list box offer their lines and items as wide string lists.
//
// The library's controls are wide already (text, password character, selection counted
// in characters, item texts, key handling of the combo box's edit), so the classes here
// add the Unicode window classes, the wide hint preparation and the string-list adapters.
#pragma once

#include "StdCtrls.h"
#include "TntClasses.h"
#include "TntControls.h"
#include "TntSysUtils.h"

#include <memory>

class TTntCustomEdit : public TCustomEdit {
public:
    VORLANE_CLASS_NAME(TTntCustomEdit)
    using TCustomEdit::TCustomEdit;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntEdit : public TTntCustomEdit {
public:
    VORLANE_CLASS_NAME(TTntEdit)
    using TTntCustomEdit::TTntCustomEdit;
};

class TCustomMemo;

// The lines of a memo, read from and written to its window (the window is made when a
// line is asked for). Count leaves out the empty line after a final line break.
class TTntMemoStrings : public TTntStrings {
public:
    VORLANE_CLASS_NAME(TTntMemoStrings)
    explicit TTntMemoStrings(TCustomMemo* Memo) : FMemo(Memo) {}

    // Rich-edit mode (the rich edit's lines): the text is the joined lines, inserted text
    // gets LineBreakStyle and each insertion is checked.
    bool RichEditMode = false;
    TTntTextLineBreakStyle LineBreakStyle = tlbsCRLF;

    void Clear() override;
    void Delete(int Index) override;
    // Before line Index when it exists; else after line Index - 1 when that line is not
    // empty; else nothing.
    void Insert(int Index, const WideString& S) override;

protected:
    // EOutOfResources "Line too long" for a line longer than 65535 characters.
    WideString Get(int Index) const override;
    int GetCount() const override;
    WideString GetTextStr() const override;
    void Put(int Index, const WideString& S) override;
    void SetTextStr(const WideString& Value) override;
    void SetUpdateState(bool Updating) override;
    HWND MemoHandle() const;

    TCustomMemo* FMemo;
};

class TTntCustomMemo : public TCustomMemo {
public:
    VORLANE_CLASS_NAME(TTntCustomMemo)
    explicit TTntCustomMemo(TComponent* AOwner);
    ~TTntCustomMemo() override;
    TTntMemoStrings* Lines() const { return FLines.get(); }
    void SetLines(TWideStrings* Value) { FLines->Assign(Value); }
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    std::unique_ptr<TTntMemoStrings> FLines;
};

class TTntMemo : public TTntCustomMemo {
public:
    VORLANE_CLASS_NAME(TTntMemo)
    using TTntCustomMemo::TTntCustomMemo;
};

// The items of a combo box (objects are the items' data).
class TTntComboBoxStrings : public TTntStrings {
public:
    VORLANE_CLASS_NAME(TTntComboBoxStrings)
    explicit TTntComboBoxStrings(TCustomComboBox* ComboBox) : FComboBox(ComboBox) {}
    int Add(const WideString& S) override;
    int AddObject(const WideString& S, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    int IndexOf(const WideString& S) const override;
    void Insert(int Index, const WideString& S) override;
    void InsertObject(int Index, const WideString& S, TObject* AObject) override;

protected:
    WideString Get(int Index) const override;
    int GetCount() const override;
    TObject* GetObject(int Index) const override;
    void Put(int Index, const WideString& S) override;
    void PutObject(int Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;
    TCustomComboBox* FComboBox;
};

class TTntCustomComboBox : public TCustomComboBox {
public:
    VORLANE_CLASS_NAME(TTntCustomComboBox)
    explicit TTntCustomComboBox(TComponent* AOwner);
    ~TTntCustomComboBox() override;
    TTntComboBoxStrings* Items() const { return FItems.get(); }
    void SetItems(TWideStrings* Value) { FItems->Assign(Value); }
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    std::unique_ptr<TTntComboBoxStrings> FItems;
};

class TTntComboBox : public TTntCustomComboBox {
public:
    VORLANE_CLASS_NAME(TTntComboBox)
    using TTntCustomComboBox::TTntCustomComboBox;
};

// The items of a list box. Exchange and Move keep each item's selection.
class TTntListBoxStrings : public TTntStrings {
public:
    VORLANE_CLASS_NAME(TTntListBoxStrings)
    explicit TTntListBoxStrings(TCustomListBox* ListBox) : FListBox(ListBox) {}
    int Add(const WideString& S) override;
    int AddObject(const WideString& S, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const WideString& S) const override;
    void Insert(int Index, const WideString& S) override;
    void InsertObject(int Index, const WideString& S, TObject* AObject) override;
    void Move(int CurIndex, int NewIndex) override;

protected:
    // EListError "List index out of bounds (%d)" for a bad index.
    WideString Get(int Index) const override;
    int GetCount() const override;
    TObject* GetObject(int Index) const override;
    void Put(int Index, const WideString& S) override;
    void PutObject(int Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;
    TCustomListBox* FListBox;
};

class TTntCustomListBox : public TCustomListBox {
public:
    VORLANE_CLASS_NAME(TTntCustomListBox)
    explicit TTntCustomListBox(TComponent* AOwner);
    ~TTntCustomListBox() override;
    TTntListBoxStrings* Items() const { return FItems.get(); }
    void SetItems(TWideStrings* Value) { FItems->Assign(Value); }
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    std::unique_ptr<TTntListBoxStrings> FItems;
};

class TTntListBox : public TTntCustomListBox {
public:
    VORLANE_CLASS_NAME(TTntListBox)
    using TTntCustomListBox::TTntCustomListBox;
};

class TTntCustomLabel : public TCustomLabel {
public:
    VORLANE_CLASS_NAME(TTntCustomLabel)
    using TCustomLabel::TCustomLabel;
    void WndProc(TMessage& Message) override;
};

class TTntLabel : public TTntCustomLabel {
public:
    VORLANE_CLASS_NAME(TTntLabel)
    using TTntCustomLabel::TTntCustomLabel;
};

class TTntButton : public TButton {
public:
    VORLANE_CLASS_NAME(TTntButton)
    using TButton::TButton;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntCustomCheckBox : public TCustomCheckBox {
public:
    VORLANE_CLASS_NAME(TTntCustomCheckBox)
    using TCustomCheckBox::TCustomCheckBox;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntCheckBox : public TTntCustomCheckBox {
public:
    VORLANE_CLASS_NAME(TTntCheckBox)
    using TTntCustomCheckBox::TTntCustomCheckBox;
};

class TTntCustomGroupBox : public TCustomGroupBox {
public:
    VORLANE_CLASS_NAME(TTntCustomGroupBox)
    using TCustomGroupBox::TCustomGroupBox;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntGroupBox : public TTntCustomGroupBox {
public:
    VORLANE_CLASS_NAME(TTntGroupBox)
    using TTntCustomGroupBox::TTntCustomGroupBox;
};
