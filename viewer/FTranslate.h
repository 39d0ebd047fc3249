// The language picker: the system's language ("Windows") and one row per language file
// beside the program, with the language's name, its code, the file and the translator.
// OK (or a double-click on a row) makes the chosen code the interface language.
#pragma once

#include "Graphics.h"
#include "TntForms.h"

#include <functional>
#include <string>
#include <vector>

class TTntButton;
class TTntLabel;
class TTntListView;

// The dialog's texts from the language file; an empty text keeps the designed one.
extern std::wstring FTranslate_Title;
extern std::wstring FTranslate_Col_Language;
extern std::wstring FTranslate_Col_Code;
extern std::wstring FTranslate_Col_File;
extern std::wstring FTranslate_Col_Translator;
extern std::wstring FTranslate_WebLink;
extern std::wstring FTranslate_OK;     // the message boxes' OK text
extern std::wstring FTranslate_Cancel; // the message boxes' Cancel text

// The maker's page about translating the program (the link).
extern std::wstring TranslateWebPageUrl;

// One row of the picker.
struct TLangRow {
    std::wstring Language;
    std::wstring Code;       // the "Windows" row: the system's language
    std::wstring FileName;   // without folder
    std::wstring Translator;
    bool Windows = false;    // the system's language: choosing it stores ''
};

// The "Windows" row, then one row per "vorlane.lang.*" file in Folder in the order found
// (files whose code could not be used as a language code are left out).
std::vector<TLangRow> ListLanguageRows(const std::wstring& Folder);
// The row to select for the current code: the first file row with exactly that code, else
// the "Windows" row (0).
int CurrentLanguageRow(const std::vector<TLangRow>& Rows, const std::wstring& CurrentCode);

class TTranslateForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TTranslateForm)
    // Lists the language files of Folder and selects the row of CurrentCode.
    TTranslateForm(TComponent* AOwner, const std::wstring& Folder, const std::wstring& CurrentCode);

    TTntListView* ListView1;
    TTntLabel* WebLinkLabel;
    TTntButton* OKBtn;
    TTntButton* CancelBtn;

    const std::vector<TLangRow>& Rows() const { return FRows; }
    // The code of the selected row ('' for "Windows"); false when no row is selected.
    bool SelectedCode(std::wstring& Code);
    // The window's colours of the colour theme; the link keeps its own colour on the
    // system's button face.
    void ApplyThemeColours(TColor WindowColor, TColor TextColor);
    // Opens a web address (the shell by default).
    std::function<void(const std::wstring& Url)> OpenUrl;

    void ListView1DblClick();
    void WebLinkLabelClick();

private:
    void ArrangeBottomRow();
    void UpdateButtons();
    std::vector<TLangRow> FRows;
};

// The colour theme's window and text colours.
struct TPickerColours {
    TColor Window;
    TColor Text;
};

// Shows the picker for the language files beside the program (or in Folder), in the theme's
// colours when given; with OK, LangCode becomes the chosen code and the result is true.
bool ShowLanguagePicker(TComponent* Owner, std::wstring& LangCode, const TPickerColours* Colours = nullptr);
bool ShowLanguagePicker(TComponent* Owner, std::wstring& LangCode, const std::wstring& Folder,
                        const TPickerColours* Colours = nullptr);
