#include "UViewerRegistration.h"

#include "UAppSettings.h"
#include "UAuxFile.h"
#include "UBrowsers.h"
#include "UUtilsW.h"
#include "UMessageTexts.h"

const wchar_t* const HelpViewerRegKeyText = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Help\\v1.0\\";
const wchar_t* const DefaultCrossmereDownloadUrl = L"https://www.quorvex.com/crossmere/";

namespace {

const wchar_t* const ProgIdName = L"HelpViewerProgID";

// Rows of the browser table for the browser items.
int BrowserRow(TDefaultViewer Viewer) {
    switch (Viewer) {
    case TDefaultViewer::IE: return 1;
    case TDefaultViewer::FireFox: return 2;
    case TDefaultViewer::Chrome: return 3;
    case TDefaultViewer::Opera: return 4;
    case TDefaultViewer::Safari: return 5;
    default: return -1;
    }
}

std::wstring RegInfoText(const std::wstring& Value) {
    return FormatMsgText(MsgTxt_RegInfo, {HelpViewerRegKeyText, L"HelpViewerProgID=" + Value});
}

// The viewer a value names, in words.
std::wstring ViewerName(const std::wstring& Value) { return Value.empty() ? MsgTxt_RuntimeViewer : Value; }

} // namespace

TViewerRegistry::TViewerRegistry()
    : IsWow64([] { return ::IsWow64(); }), IsUserAdmin([] { return ::IsUserAdmin(); }),
      Message([](const std::wstring& Text) { MsgBoxW(Text); }) {}

std::wstring DefaultViewerValue(TDefaultViewer Viewer, const std::wstring& ProgramPath) {
    if (Viewer == TDefaultViewer::Default) return std::wstring();
    if (Viewer == TDefaultViewer::Vorlane) return ProgramPath;
    return BrowserTable[BrowserRow(Viewer)].ExePath;
}

std::wstring WithoutX86(const std::wstring& Value, bool Wow64) {
    static const std::wstring x86 = L" (x86)";
    if (!Wow64) return Value;
    const size_t p = Value.find(x86);
    if (p == std::wstring::npos || p == 0) return Value;
    const std::wstring shorter = Value.substr(0, p) + Value.substr(p + x86.size());
    return FileExistsW(shorter) ? shorter : Value;
}

bool CheckAdminForRegistry(bool ShowManualHint, const TViewerRegistry& Registry) {
    if (Registry.IsUserAdmin()) return true;
    std::wstring text = MsgTxt_CouldNotUpdate;
    if (ShowManualHint) text += L"\r\r" + MsgTxt_Alternatively + L"\r" + RegInfoText(L"<viewer-path>");
    Registry.Message(text);
    return false;
}

std::wstring ReadHelpViewerProgID(const TViewerRegistry& Registry) {
    std::wstring value;
    if (Registry.IsWow64()) RegReadString64(Registry.Place.Root, Registry.Place.RuntimeKey, ProgIdName, value);
    else RegReadString(Registry.Place.Root, Registry.Place.RuntimeKey, ProgIdName, value);
    return value;
}

bool SetDefaultViewer(const std::wstring& Value, const TViewerRegistry& Registry) {
    if (!CheckAdminForRegistry(true, Registry)) return false;
    const std::wstring restartNote =
        Value.find(L"Vorlane") != std::wstring::npos ? MsgTxt_AlsoRestartVorlane + L"\r" : std::wstring();
    const bool wow64 = Registry.IsWow64();
    const std::wstring value = WithoutX86(Value, wow64);

    const TH3RegistryPlace& place = Registry.Place;
    const bool written = wow64 ? RegWriteString64(place.Root, place.RuntimeKey, ProgIdName, value)
                               : RegWriteString(place.Root, place.RuntimeKey, ProgIdName, value);
    const std::wstring readBack = ReadHelpViewerProgID(Registry);

    // An empty value reads back empty also when it could not be written: the write's own
    // answer counts as well.
    if (written && readBack == value) {
        Registry.Message(FormatMsgText(MsgTxt_ViewerSet, {ViewerName(value)}) + L"\r" + restartNote + L"\r" +
                         MsgTxt_SuccessRestartHLM);
        return true;
    }
    Registry.Message(FormatMsgText(MsgTxt_FailedToChangeRegValue,
                                   {FormatMsgText(MsgTxt_ViewerStill, {ViewerName(readBack)}), ViewerName(value)}));
    return false;
}

std::wstring CrossmereToolPath(HKEY Root, const std::wstring& Key) {
    std::wstring path;
    RegReadString(Root, Key, L"installpath", path);
    return !path.empty() && FileExistsW(path) ? path : std::wstring();
}
