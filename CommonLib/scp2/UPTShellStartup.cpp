#include "UPTShellStartup.h"

#include "Forms.h"
#include "UPTDeviceChange.h"
#include "UPTHintWindow.h"
#include "UPTShConsts.h"
#include "UPTShellMemFree.h"
#include "UPTShellUtils.h"

#include <ole2.h>

namespace {

int g_StartCount = 0;
TPTShellSettings g_Settings;
THintWindowClass g_PreviousHintClass = nullptr;

constexpr wchar_t ExplorerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr wchar_t ExplorerAdvancedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";

// A value of HKEY_CURRENT_USER\Key of exactly Size bytes; false when it is not there.
bool ReadUserValue(const wchar_t* Key, const wchar_t* Name, void* Data, DWORD Size) {
    TRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Key, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return false;
    DWORD size = Size;
    return RegQueryValueExW(key.Get(), Name, nullptr, nullptr, static_cast<BYTE*>(Data), &size) == ERROR_SUCCESS &&
           size == Size;
}

void ReadDesktopColours(TPTShellSettings& S) {
    DWORD show = 0;
    S.ShowCompColor = ReadUserValue(ExplorerAdvancedKey, L"ShowCompColor", &show, sizeof(show)) && show != 0;
    COLORREF colour;
    if (ReadUserValue(ExplorerKey, L"AltColor", &colour, sizeof(colour)))
        S.AltColor = colour;
    if (ReadUserValue(ExplorerKey, L"AltEncryptionColor", &colour, sizeof(colour)))
        S.AltEncryptionColor = colour;
}

void ReadHoverMetrics(TPTShellSettings& S) {
    UINT value = 0;
    if (SystemParametersInfoW(SPI_GETMOUSEHOVERTIME, 0, &value, 0))
        S.HoverTime = value;
    if (SystemParametersInfoW(SPI_GETMOUSEHOVERWIDTH, 0, &value, 0))
        S.HoverWidth = value;
    if (SystemParametersInfoW(SPI_GETMOUSEHOVERHEIGHT, 0, &value, 0))
        S.HoverHeight = value;
}

} // namespace

void PTShellStartup() {
    if (g_StartCount++ > 0)
        return;
    g_Settings = TPTShellSettings{};
    g_Settings.ComResult = CoInitialize(nullptr);
    g_Settings.OleResult = OleInitialize(nullptr);
    EndShellMemFreeShutdown();
    GetShellMalloc();
    ComCtlVersion();
    ShellVersion();
    g_Settings.CFShellIDList = RegisterClipboardFormatW(CFSTR_SHELLIDLIST);
    g_Settings.CFFileContents = RegisterClipboardFormatW(CFSTR_FILECONTENTS);
    ReadDesktopColours(g_Settings);
    ReadHoverMetrics(g_Settings);
    if (Application) {
        g_PreviousHintClass = Application->HintWindowClass;
        Application->HintWindowClass = &MakeHintWindow<TPTHintWindow>;
    }
}

void PTShellShutdown() {
    if (g_StartCount == 0 || --g_StartCount > 0)
        return;
    if (Application && g_PreviousHintClass && Application->HintWindowClass == &MakeHintWindow<TPTHintWindow>)
        Application->HintWindowClass = g_PreviousHintClass;
    g_PreviousHintClass = nullptr;
    BeginShellMemFreeShutdown(); // frees what waits, and frees at once from now on
    FreeDeviceChangeHandler();
    UPTShConsts::ClearTexts();
    ShutdownShellUtils();
    if (SUCCEEDED(g_Settings.OleResult))
        OleUninitialize();
    if (SUCCEEDED(g_Settings.ComResult))
        CoUninitialize();
    g_Settings.OleResult = g_Settings.ComResult = E_FAIL;
}

const TPTShellSettings& PTShellSettings() { return g_Settings; }
bool PTShellStarted() { return g_StartCount > 0; }
