// Process start and shell execute.
#include "UShellExec.h"

#include "Handles.h"
#include "TntSystem.h"

#include "Forms.h"
#include "SysUtils.h"
#include "UUtilsW.h"

#include <shellapi.h>

#include <mutex>
#include <vector>

namespace {

std::mutex g_ShellLock;

TShellExecuteFunc& ShellSlot() {
    static TShellExecuteFunc func;
    return func;
}

intptr_t SystemShellExecute(HWND Owner, const std::wstring& Verb, const std::wstring& File,
                            const std::wstring& Params, int ShowCmd) {
    const HINSTANCE r = ShellExecuteW(Owner, Verb.empty() ? nullptr : Verb.c_str(), File.c_str(),
                                      Params.empty() ? nullptr : Params.c_str(), nullptr, ShowCmd);
    return reinterpret_cast<intptr_t>(r);
}

intptr_t CallShell(HWND Owner, const std::wstring& Verb, const std::wstring& File, const std::wstring& Params,
                   int ShowCmd) {
    TShellExecuteFunc func;
    {
        std::lock_guard<std::mutex> lock(g_ShellLock);
        func = ShellSlot();
    }
    if (func) return func(Owner, Verb, File, Params, ShowCmd);
    return SystemShellExecute(Owner, Verb, File, Params, ShowCmd);
}

// The handle of the screen's active form, else of the main form, else none.
HWND OwnerWindow() {
    if (Screen && Screen->ActiveForm()) return Screen->ActiveForm()->Handle();
    if (Application && Application->MainForm()) return Application->MainForm()->Handle();
    return nullptr;
}

HWND ApplicationWindow() { return Application ? Application->Handle() : nullptr; }

void ShowShellError(const std::wstring& Text) { UserMessage(miError, L"Error", Text, mbOk); }

// Reasons for the error codes the launchers meet.
struct TErrorReason {
    DWORD Code;
    const wchar_t* Text;
};
const TErrorReason ErrorReasons[] = {
    {2, L"Specified file not found, or there is no application associated with this file type."},
    {3, L"Specified path not found, or there is no application associated with this file type."},
    {5, L"Windows 95 only: The operating system denied access to the specified file."},
    {8, L"Windows 95 only: There was not enough memory to complete the operation."},
    {11, L"The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
    {19, L"Media is write protected"},
    {21, L"Device not ready"},
    {26, L"A sharing violation occurred."},
    {27, L"The filename association is incomplete or invalid."},
    {28, L"The DDE transaction could not be completed because the request timed out."},
    {29, L"The DDE transaction failed."},
    {30, L"The DDE transaction could not be completed because other DDE transactions were being processed."},
    {31, L"There is no application associated with the given filename extension."},
    {32, L"Windows 95 only: The specified dynamic-link library was not found."},
    {33, L"File in use"},
    {39, L"Disk full"},
    {112, L"Disk full"},
    {276, L"Corrupt file or disk"},
    {1005, L"Corrupt file or disk"},
    {1392, L"Corrupt file or disk"},
    {1393, L"Corrupt file or disk"},
    {1009, L"Corrupt registry"},
    {1358, L"Corrupt registry"},
    {1150, L"Windows version incorrect"},
    {1151, L"Not a windows Or MSDos Program"},
};
const wchar_t* const GeneralFailure = L"General failure. Is there a program associated with this file type?";

std::wstring ReasonFor(DWORD Code) {
    for (const TErrorReason& r : ErrorReasons)
        if (r.Code == Code) return r.Text;
    return GeneralFailure;
}

// The shared failure report of the two ShellExecuteOpen forms.
void ReportOpenFailure(const wchar_t* CallName, const std::wstring& FileName, const std::wstring& Params,
                       intptr_t Result) {
    std::wstring text;
    if (Result == SE_ERR_FNF) {
        text = L"\r" + FileName + L" " + Params;
    } else {
        const std::wstring reason = GetLastErrorText();
        text = std::wstring(CallName) + FileName + L"," + Params + L") returned " + IntToStr(Result) + L"\r" + reason;
    }
    ShowShellError(text);
}

} // namespace

TShellExecuteFunc SetShellExecuteFunc(TShellExecuteFunc Func) {
    std::lock_guard<std::mutex> lock(g_ShellLock);
    TShellExecuteFunc previous = std::move(ShellSlot());
    ShellSlot() = std::move(Func);
    return previous;
}

intptr_t ShellExecuteOpenA(const std::string& FileName, const std::string& Params, bool ShowErrors) {
    const std::wstring file = StringToWideStringEx(FileName, CP_ACP), params = StringToWideStringEx(Params, CP_ACP);
    const intptr_t r = CallShell(OwnerWindow(), L"open", file, params, SW_SHOWDEFAULT);
    if (r <= 32 && ShowErrors) ReportOpenFailure(L"ShellExecute(", file, params, r);
    return r;
}

intptr_t ShellExecuteOpenW(const std::wstring& FileName, const std::wstring& Params, bool ShowErrors) {
    const intptr_t r = CallShell(OwnerWindow(), L"open", FileName, Params, SW_SHOWDEFAULT);
    if (r <= 32 && ShowErrors) ReportOpenFailure(L"ShellExecuteW(", FileName, Params, r);
    return r;
}

bool ShellExecA(const std::string& FileName, const std::string& Params) {
    return ShellExecuteOpenA(FileName, Params, true) > 32;
}

bool ShellExecW(const std::wstring& FileName, const std::wstring& Params) {
    return ShellExecuteOpenW(FileName, Params, true) > 32;
}

bool ShellExec(const std::wstring& FileName, const std::string& Params) {
    return ShellExecW(FileName, StringToWideStringEx(Params, CP_ACP));
}

intptr_t ShellExecuteFromDesktopW(const std::wstring& FileName) {
    const intptr_t r = CallShell(GetDesktopWindow(), L"open", FileName, std::wstring(), SW_SHOWNORMAL);
    if (r < 33) {
        const std::wstring reason = GetLastErrorText();
        ShowShellError(L"ShellExecuteW(" + FileName + L") returned " + IntToStr(r) + L"\r" + reason);
    }
    return r;
}

void ShellOpenWith(const std::wstring& FileName) {
    CallShell(ApplicationWindow(), L"open", L"rundll32.exe", L"shell32.dll,OpenAs_RunDLL " + QuoteCommandArg(FileName),
              SW_SHOWNORMAL);
}

bool ShellRunAs(const std::wstring& FileName, const std::wstring& Params) {
    return CallShell(ApplicationWindow(), L"runas", FileName, Params, SW_SHOWNORMAL) > 32;
}

std::wstring QuoteCommandArg(const std::wstring& Arg) {
    if (!Arg.empty() && Arg.find_first_of(L" \t\"") == std::wstring::npos) return Arg;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : Arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            // Each backslash before a quote doubled, then the quote escaped.
            quoted.append(backslashes * 2 + 1, L'\\');
            quoted += L'"';
        } else {
            quoted.append(backslashes, L'\\');
            quoted += c;
        }
        backslashes = 0;
    }
    // Backslashes before the closing quote doubled.
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

bool HasControlChar(const std::wstring& Text) {
    for (wchar_t c : Text)
        if ((c < 0x20 && c != L'\t') || c == 0x7F) return true;
    return false;
}

std::wstring VisibleText(const std::wstring& Text, size_t MaxLength) {
    static const wchar_t* const hex = L"0123456789ABCDEF";
    std::wstring out;
    for (wchar_t c : Text) {
        if (out.size() >= MaxLength) {
            out += L"...";
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            out += L"\\x";
            out += hex[(c >> 4) & 15];
            out += hex[c & 15];
        } else {
            out += c;
        }
    }
    return out;
}

TCommandLine BuildCommandLine(const std::vector<std::wstring>& Args) {
    TCommandLine r;
    for (const std::wstring& arg : Args) {
        if (HasControlChar(arg)) {
            r.Line.clear();
            r.Refusal = L"This value holds control characters and is not passed to another program:\r" +
                        VisibleText(arg);
            return r;
        }
        if (!r.Line.empty()) r.Line += L' ';
        r.Line += QuoteCommandArg(arg);
    }
    return r;
}

void GetLastErrorText(std::wstring& Text) {
    const DWORD code = GetLastError();
    Text = L"[Error:" + UIntToStr(code) + L"] " + ReasonFor(code);
}

std::wstring GetLastErrorText() {
    std::wstring text;
    GetLastErrorText(text);
    return text;
}

DWORD CreateProcessMinNoActive(const std::wstring& ExeFile, const std::wstring& Params) {
    if (ExeFile.empty()) return 0;
    // An unquoted path with blanks ("C:\Program Files\...") would let the system try
    // "C:\Program.exe" first and would split the program's own first argument.
    std::wstring cmd = ExeFile.front() == L'"' ? ExeFile : QuoteCommandArg(ExeFile);
    if (!Params.empty()) cmd += L" " + Params;
    std::vector<wchar_t> buffer(cmd.begin(), cmd.end());
    buffer.push_back(L'\0');

    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr,
                        &si, &pi))
        return 0;
    TKernelHandle thread(pi.hThread), process(pi.hProcess);
    return pi.dwProcessId;
}
