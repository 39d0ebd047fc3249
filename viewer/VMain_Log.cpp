// The main window's log header.
#include "VMain.h"

#include "Format.h"
#include "SysUtils.h"
#include "TntSystem.h"
#include "UAppSettings.h"
#include "UDebugLog.h"
#include "UFileVersion.h"
#include "UH3_Code.h"

std::vector<std::wstring> MainLogHeader(const std::vector<std::wstring>& Params, const TH3Paths& Paths) {
    const std::wstring program = Params.empty() ? std::wstring() : Params[0];
    std::vector<std::wstring> lines;
    lines.push_back(L"=");
    lines.push_back(L"Date:\t" + DateTimeToStr(Now()));
    lines.push_back(L"Vorlane:\t" + GetFileVersionStr(program) + L", " + program);
    for (size_t i = 1; i < Params.size(); ++i)
        lines.push_back(L" > CmdLine Param " + std::to_wstring(i) + L":  " + Params[i]);
    const wchar_t* os = IsWow64() ? L"Windows 64bit OS, version: %d.%d (Build %d) %s"
                                  : L"Windows 32bit OS, version: %d.%d (Build %d) %s";
    lines.push_back(Format(os, {Win32MajorVersion, Win32MinorVersion, Win32BuildNumber, Win32CSDVersion}));
    lines.push_back(L"-");
    auto program_line = [&](const wchar_t* Label, const std::wstring& Path) {
        lines.push_back(std::wstring(Label) + L"\t" + GetFileVersionStr(Path) + L", " + Path);
    };
    program_line(L"HelpLibManager:", Paths.HelpLibManagerPath);
    program_line(L"HelpLibAgent:", Paths.AgentPath);
    program_line(L"Microsoft.Help.dll:", Paths.HelpDllPath);
    lines.push_back(L"AppRootDir:\t" + Paths.AppRoot);
    lines.push_back(L"LocalStoreDir:\t" + Paths.LocalStore);
    lines.push_back(L"=");
    lines.push_back(L"");
    return lines;
}

void TVMainForm::WriteLogHeader() {
    for (const std::wstring& line : MainLogHeader(CommandLine(), CurrentH3Paths()))
        DebugLogEx(line, true);
}
