// Registration as the help runtime's viewer (the "Set Default Viewer" menu) and the
// maker's migration tool.
#include "VMain.h"

#include "SysUtils.h"
#include "TntMenus.h"
#include "UAuxFile.h"
#include "UBrowsers.h"
#include "UMessageTexts.h"
#include "UShellExec.h"
#include "UUtilsW.h"

#include <utility>

namespace {

struct TViewerItem {
    TTntMenuItem* Item;
    TDefaultViewer Viewer;
};

bool IsBrowser(TDefaultViewer Viewer) { return Viewer != TDefaultViewer::Default && Viewer != TDefaultViewer::Vorlane; }

// The items with what each registers.
std::vector<TViewerItem> ViewerItems(TVMainForm& Form) {
    return {{Form.mnuDefaultViewer_Default, TDefaultViewer::Default},
            {Form.mnuDefaultViewer_Vorlane, TDefaultViewer::Vorlane},
            {Form.mnuDefaultViewer_IE, TDefaultViewer::IE},
            {Form.mnuDefaultViewer_FireFox, TDefaultViewer::FireFox},
            {Form.mnuDefaultViewer_Chrome, TDefaultViewer::Chrome},
            {Form.mnuDefaultViewer_Opera, TDefaultViewer::Opera},
            {Form.mnuDefaultViewer_Safari, TDefaultViewer::Safari}};
}

} // namespace

void TVMainForm::BindRegistrationEvents() {
    // The sub-menu shows the registered viewer each time it opens.
    mmnuSetDefaultViewer->OnClick = [this](TObject*) { UpdateDefaultViewerItems(); };
}

void TVMainForm::mnuDefaultViewer_VorlaneClick(TTntMenuItem* Item) {
    for (const TViewerItem& v : ViewerItems(*this)) {
        if (v.Item != Item)
            continue;
        if (IsBrowser(v.Viewer))
            ReadBrowsers();
        const std::wstring value = DefaultViewerValue(v.Viewer, CommandLine()[0]);
        // A browser that is not installed has no path: writing '' would register the
        // runtime's own viewer instead (its item is hidden; a late click does nothing).
        if (IsBrowser(v.Viewer) && value.empty())
            return;
        SetDefaultViewer(value, ViewerRegistry);
        UpdateDefaultViewerItems();
        return;
    }
}

void TVMainForm::UpdateDefaultViewerItems() {
    ReadBrowsers();
    const std::wstring value = ReadHelpViewerProgID(ViewerRegistry);
    const bool wow64 = ViewerRegistry.IsWow64();
    const std::wstring program = CommandLine()[0];
    for (const TViewerItem& v : ViewerItems(*this)) {
        const std::wstring path = DefaultViewerValue(v.Viewer, program);
        if (IsBrowser(v.Viewer))
            v.Item->SetVisible(!path.empty());
        // A browser registered under WOW64 may stand without its " (x86)".
        const bool registered = v.Viewer == TDefaultViewer::Default
                                    ? value.empty()
                                    : !path.empty() && (SameText(value, path) || SameText(value, WithoutX86(path, wow64)));
        v.Item->SetChecked(registered);
    }
}

void TVMainForm::mmnuCrossmereToolClick() {
    const std::wstring tool = CrossmereToolPath();
    if (!tool.empty()) {
        ShellExec(tool);
        return;
    }
    if (MsgYesNo(MsgTxt_GoToCrossmereDownloadPage))
        OpenUrlInBrowser(DefaultCrossmereDownloadUrl, 0);
}
