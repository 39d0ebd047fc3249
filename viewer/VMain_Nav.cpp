// Navigation: the agent check before every request, opening a URL in the tab the modifier
// keys choose, and the runtime's tools.
#include "VMain.h"

#include "TntDialogs.h"
#include "TntStdCtrls.h"
#include "UAgentCheck.h"
#include "UDebugLog.h"
#include "UH3_Code.h"
#include "UHelpLibManager.h"
#include "UUnicode.h"
#include "SysUtils.h"
#include "UAuxFile.h"

bool TVMainForm::EnsureHelpAgent() {
    return ::EnsureHelpAgent(DefaultAgentCheckSystem(this), [this] { UpdateCaption(); });
}

void TVMainForm::mmnuHelpLibraryAgentClick() { EnsureHelpAgent(); }

std::wstring TVMainForm::ActiveTabLocation() { return std::wstring(); }

std::wstring TVMainForm::GetCurrentUrl() { return std::wstring(); }

std::wstring TVMainForm::GetCurrentTitle() { return std::wstring(); }

void TVMainForm::GotoUrl(const std::wstring& Url, const std::wstring&) {
    const std::wstring url = UrlEncodeNonAscii(Trim(Url));
    DebugLogEx(L">> GotoUrl: " + url, true);
    EnsureHelpAgent();
}

void TVMainForm::RawGotoUrl(const std::wstring& Url, bool) {
    DebugLogEx(L">> RawGotoUrl: " + Url, true);
    EnsureHelpAgent();
}

void TVMainForm::mmnuHelpLibraryManagerClick() {
    const TH3Paths& paths = CurrentH3Paths();
    if (paths.HelpLibManagerPath.empty()) {
        WideShowMessage(HelpNotInstalledText);
        return;
    }
    if (!FileExistsW(paths.HelpLibManagerPath)) {
        WideShowMessage(L"MS Help Library Manager application not found: \r" + paths.HelpLibManagerPath);
        return;
    }
    // The catalog of the box ("vs\100\en-us" when it names none).
    std::wstring catalog = Trim(CatalogText());
    if (catalog.empty())
        catalog = DefaultHlmCatalog;
    THlmFields fields;
    const size_t first = catalog.find(L'\\');
    const size_t second = first == std::wstring::npos ? first : catalog.find(L'\\', first + 1);
    fields.Product = catalog.substr(0, first);
    if (first != std::wstring::npos)
        fields.Version = catalog.substr(first + 1, second == std::wstring::npos ? second : second - first - 1);
    if (second != std::wstring::npos)
        fields.Locale = catalog.substr(second + 1);
    ::RunHelpLibraryManager(true, fields, paths, Handle(), HlmProcess, HlmSystem ? *HlmSystem : DefaultHlmSystem());
}
