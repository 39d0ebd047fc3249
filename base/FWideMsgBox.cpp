// The wide message box.
#include "FWideMsgBox.h"

#include "ExtCtrls.h"
#include "TntComCtrls.h"
#include "TntStdCtrls.h"
#include "ULanguage.h"
#include "UUtilsW.h"

bool g_MsgBoxCheckVisible = true;
bool g_MsgBoxCheckEnabled = true;
int g_MsgBoxExtraHeight = 0;

namespace {

TWMsgBoxForm* g_Active = nullptr;

TPanel* MakePanel(TComponent* Owner, TWinControl* Parent, const wchar_t* Name, TAlign Align, int Size) {
    auto* p = new TPanel(Owner);
    p->SetName(Name);
    p->SetParent(Parent);
    p->SetBevelOuter(bvNone);
    p->SetCaption(L"");
    p->SetParentColor(true);
    if (Align == alLeft || Align == alRight)
        p->SetWidth(Size);
    else
        p->SetHeight(Size);
    p->SetAlign(Align);
    return p;
}

TImage* MakeIcon(TComponent* Owner, TWinControl* Parent, const wchar_t* Name, LPCWSTR SystemIcon) {
    auto* i = new TImage(Owner);
    i->SetName(Name);
    i->SetParent(Parent);
    i->SetBounds(16, 16, 32, 32);
    if (HICON h = LoadIconW(nullptr, SystemIcon))
        i->Picture()->Icon()->SetHandle(CopyIcon(h));
    return i;
}

TTntButton* MakeButton(TComponent* Owner, TWinControl* Parent, const wchar_t* Name, const wchar_t* Caption,
                       TModalResult Result, bool IsDefault, bool IsCancel) {
    auto* b = new TTntButton(Owner);
    b->SetName(Name);
    b->SetParent(Parent);
    b->SetCaption(Caption);
    b->SetModalResult(Result);
    b->SetDefault(IsDefault);
    b->SetCancel(IsCancel);
    b->SetVisible(false);
    return b;
}

} // namespace

TWMsgBoxForm::TWMsgBoxForm(TComponent* AOwner) : TForm(AOwner) {
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu);
    SetPosition(poOwnerFormCenter);
    SetColor(clWhite);
    SetClientWidth(408);
    SetClientHeight(197);

    Panel1 = MakePanel(this, this, L"Panel1", alBottom, 44);
    LeftPanel = MakePanel(this, this, L"LeftPanel", alLeft, 64);
    RightPanel = MakePanel(this, this, L"RightPanel", alRight, 16);
    Panel3 = MakePanel(this, this, L"Panel3", alClient, 0);
    TopPanel = MakePanel(this, Panel3, L"TopPanel", alTop, 42);

    Image_Info = MakeIcon(this, LeftPanel, L"Image_Info", IDI_INFORMATION);
    Image_Warn = MakeIcon(this, LeftPanel, L"Image_Warn", IDI_WARNING);
    Image_Error = MakeIcon(this, LeftPanel, L"Image_Error", IDI_ERROR);
    Image_Question = MakeIcon(this, LeftPanel, L"Image_Question", IDI_QUESTION);

    TitleLabel = new TTntLabel(this);
    TitleLabel->SetName(L"TitleLabel");
    TitleLabel->SetParent(TopPanel);
    TitleLabel->SetAutoSize(false);
    TitleLabel->SetHeight(16);
    TitleLabel->SetAlign(alBottom);
    TitleLabel->Font()->SetStyle(fsBold);

    TntRichEdit1 = new TTntRichEdit(this);
    TntRichEdit1->SetName(L"TntRichEdit1");
    TntRichEdit1->SetParent(Panel3);
    TntRichEdit1->SetAlign(alClient);
    TntRichEdit1->SetReadOnly(true);
    TntRichEdit1->SetScrollBars(ssVertical);
    TntRichEdit1->PlainText = true;

    LineImage = new TImage(this);
    LineImage->SetName(L"LineImage");
    LineImage->SetParent(Panel1);
    LineImage->SetHeight(1);
    LineImage->SetAlign(alTop);

    OkBtn = MakeButton(this, Panel1, L"OkBtn", L"OK", mrOk, true, true);
    YesBtn = MakeButton(this, Panel1, L"YesBtn", L"Yes", mrOk, true, false);
    NoBtn = MakeButton(this, Panel1, L"NoBtn", L"No", 2, false, true);
    _OKBtn = MakeButton(this, Panel1, L"_OKBtn", L"OK", mrOk, true, false);
    _CancelBtn = MakeButton(this, Panel1, L"_CancelBtn", L"Cancel", 2, false, true);

    CheckBox1 = new TTntCheckBox(this);
    CheckBox1->SetName(L"CheckBox1");
    CheckBox1->SetParent(Panel1);
    CheckBox1->SetCaption(L"Don't show this message again");
    CheckBox1->SetBounds(12, 14, 200, 17);

    FormCreate();
}

void TWMsgBoxForm::FormCreate() {
    ApplyLanguageCharset(this);
    Image_Info->SetVisible(false);
    Image_Warn->SetVisible(false);
    Image_Error->SetVisible(false);
    Image_Question->SetVisible(false);
    Image_Warn->SetBounds(Image_Info->Left(), Image_Info->Top(), 32, 32);
    Image_Error->SetBounds(Image_Info->Left(), Image_Info->Top(), 32, 32);
    Image_Question->SetBounds(Image_Info->Left(), Image_Info->Top(), 32, 32);
}

bool WideMsgBoxEx(int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons, bool& DontShow,
                  const std::wstring& CheckCaption) {
    TComponent* owner = Application ? static_cast<TComponent*>(Application->MainForm()) : nullptr;
    if (!owner)
        owner = Application;
    auto* form = new TWMsgBoxForm(owner);
    struct TRestore {
        TWMsgBoxForm* Form;
        TWMsgBoxForm* Previous;
        ~TRestore() {
            g_Active = Previous;
            Form->BeforeDestruction();
            delete Form;
            g_MsgBoxCheckVisible = true;
            g_MsgBoxCheckEnabled = true;
            g_MsgBoxExtraHeight = 0;
        }
    } restore{form, g_Active};
    g_Active = form;

    form->SetCaption(Application ? Application->Title() : std::wstring());
    form->TitleLabel->SetCaption(Title);
    form->TntRichEdit1->SetText(Text);
    if (Title.empty()) {
        form->TitleLabel->SetVisible(false);
        form->TopPanel->SetHeight(form->TopPanel->Height() - form->TitleLabel->Height());
    }
    if (!CheckCaption.empty())
        form->CheckBox1->SetCaption(CheckCaption);
    switch (Icon) {
    case 1: form->Image_Info->SetVisible(true); break;
    case 2: form->Image_Warn->SetVisible(true); break;
    case 3: form->Image_Error->SetVisible(true); break;
    case 4: form->Image_Question->SetVisible(true); break;
    default: form->LeftPanel->SetWidth(form->RightPanel->Width()); break;
    }
    const int right = form->Panel1->ClientWidth() - 12;
    auto place = [&](TTntButton* b, int index, int count) {
        b->SetBounds(right - (count - index) * 83 + 8, 10, 75, 25);
        b->SetVisible(true);
    };
    if (Buttons == 2) {
        place(form->_OKBtn, 0, 2);
        place(form->_CancelBtn, 1, 2);
    } else if (Buttons == 3) {
        place(form->YesBtn, 0, 2);
        place(form->NoBtn, 1, 2);
    } else {
        place(form->OkBtn, 0, 1);
    }
    form->SetClientHeight(form->ClientHeight() + g_MsgBoxExtraHeight);
    // Right to left the box is the mirror image: icon at the right, buttons at the left.
    if (form->UseRightToLeftAlignment())
        form->FlipChildren(true);
    form->CheckBox1->SetVisible(g_MsgBoxCheckVisible);
    form->CheckBox1->SetEnabled(g_MsgBoxCheckEnabled);
    form->CheckBox1->SetChecked(DontShow);
    const TModalResult r = form->ShowModal();
    DontShow = form->CheckBox1->Checked();
    return r == mrOk;
}

bool WideMsgBox(int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons) {
    bool dontShow = false;
    g_MsgBoxCheckVisible = false;
    return WideMsgBoxEx(Icon, Title, Text, Buttons, dontShow);
}

bool WideMsgBoxOK(int Icon, const std::wstring& Title, const std::wstring& Text) {
    return WideMsgBox(Icon, Title, Text, 1);
}

bool WideMsgBoxOKCancel(int Icon, const std::wstring& Title, const std::wstring& Text) {
    return WideMsgBox(Icon, Title, Text, 2);
}

void InstallWideMsgBox() {
    SetUserMessageHandler([](int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons) {
        return WideMsgBox(Icon, Title, Text, Buttons);
    });
}

TWMsgBoxForm* ActiveWideMsgBox() { return g_Active; }
