// Window positions in the registry.
#include "UFormPos.h"

#include "Forms.h"
#include "UDLogFile.h"
#include "UMonitorList.h"
#include "URegSafe.h"

namespace {

constexpr int NoValue = -999;

// The offset of the window's workspace coordinates (those of the window placement) from
// screen coordinates: the work area's origin on the window's monitor, for windows that
// are not tool windows.
POINT WorkspaceOffset(HWND Wnd) {
    POINT offset{0, 0};
    if (!Wnd || (GetWindowLongW(Wnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
        return offset;
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &mi)) {
        offset.x = mi.rcWork.left - mi.rcMonitor.left;
        offset.y = mi.rcWork.top - mi.rcMonitor.top;
    }
    return offset;
}

bool IsSizeable(TCustomForm* Form) {
    return Form->BorderStyle() == bsSizeable || Form->BorderStyle() == bsSizeToolWin;
}

} // namespace

void Reg_SaveFormPos(const std::wstring& Key, const std::wstring& Name, TCustomForm* Form) {
    if (!Form)
        return;
    int l = Form->Left(), t = Form->Top(), w = Form->Width(), h = Form->Height();
    bool maximized = Form->WindowState() == wsMaximized;
    if (Form->HandleAllocated()) {
        const HWND wnd = Form->Handle();
        WINDOWPLACEMENT wp{};
        wp.length = sizeof(wp);
        if (GetWindowPlacement(wnd, &wp)) {
            maximized = IsZoomed(wnd) || (IsIconic(wnd) && (wp.flags & WPF_RESTORETOMAXIMIZED));
            const POINT off = WorkspaceOffset(wnd);
            l = wp.rcNormalPosition.left + off.x;
            t = wp.rcNormalPosition.top + off.y;
            w = wp.rcNormalPosition.right - wp.rcNormalPosition.left;
            h = wp.rcNormalPosition.bottom - wp.rcNormalPosition.top;
        }
    }
    RegWriteInt(HKEY_CURRENT_USER, Key, Name + L"_Maximized", maximized ? 1 : 0);
    if (!maximized) {
        RegWriteInt(HKEY_CURRENT_USER, Key, Name + L"_Left", l);
        RegWriteInt(HKEY_CURRENT_USER, Key, Name + L"_Top", t);
        RegWriteInt(HKEY_CURRENT_USER, Key, Name + L"_Height", h);
        RegWriteInt(HKEY_CURRENT_USER, Key, Name + L"_Width", w);
    }
    DebugOut(L"Reg_SaveFormPos> Write to Reg location: HKEY_CURRENT_USER\\%s_Left etc", {Key + L"\\" + Name});
    DebugOut(L"Reg_SaveFormPos> l=%d, t=%d, h=%d, w=%d", {l, t, h, w});
}

bool Reg_RestoreFormPos(const std::wstring& Key, const std::wstring& Name, TCustomForm* Form) {
    if (!Form)
        return false;
    int l = RegReadInt(HKEY_CURRENT_USER, Key, Name + L"_Left", NoValue);
    int t = RegReadInt(HKEY_CURRENT_USER, Key, Name + L"_Top", NoValue);
    int h = RegReadInt(HKEY_CURRENT_USER, Key, Name + L"_Height", NoValue);
    int w = RegReadInt(HKEY_CURRENT_USER, Key, Name + L"_Width", NoValue);
    const bool maximized = RegReadBoolValue(HKEY_CURRENT_USER, Key, Name + L"_Maximized", false);
    DebugOut(L"Reg_RestoreFormPos> Read from Reg location: HKEY_CURRENT_USER\\%s_Left etc", {Key + L"\\" + Name});
    DebugOut(L"Reg_RestoreFormPos> Set Values 1: l=%d, t=%d, h=%d, w=%d", {l, t, h, w});
    if (h == NoValue || w == NoValue || h <= 0 || w <= 0) {
        h = Form->Height();
        w = Form->Width();
        DebugOut(L"Reg_RestoreFormPos> Set Values 2: l=%d, t=%d, h=%d, w=%d", {l, t, h, w});
    }
    if (!IsSizeable(Form)) {
        // Only the position is restored; the designed size stays.
        h = Form->Height();
        w = Form->Width();
    }
    if (l == NoValue || t == NoValue || !IsAreaVisible(l, t, w, 50, h)) {
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        l = work.left + (work.right - work.left - w) / 2;
        t = work.top + (work.bottom - work.top - h) / 2;
        DebugOut(L"Reg_RestoreFormPos> left:%d, right:%d, top:%d, bottom:%d",
                 {static_cast<int>(work.left), static_cast<int>(work.right), static_cast<int>(work.top),
                  static_cast<int>(work.bottom)});
        DebugOut(L"Reg_RestoreFormPos> New left:%d, new top:%d", {l, t});
    }
    if (Screen && !(Application && Application->MainForm() == Form)) {
        // A dialog or tool window that would stand partly off the screen (saved on a larger
        // one) comes back whole on it; the main window keeps its place.
        const POINT p = Screen->PlaceInWorkArea(RECT{l, t, l + w, t + h});
        l = p.x;
        t = p.y;
    }
    if (IsSizeable(Form) && Form->HandleAllocated()) {
        const HWND wnd = Form->Handle();
        WINDOWPLACEMENT wp{};
        wp.length = sizeof(wp);
        GetWindowPlacement(wnd, &wp);
        const POINT off = WorkspaceOffset(wnd);
        wp.flags = WPF_SETMINPOSITION;
        wp.showCmd = IsWindowVisible(wnd) ? (IsZoomed(wnd) ? SW_SHOWMAXIMIZED : SW_SHOW) : SW_HIDE;
        wp.rcNormalPosition = RECT{l - off.x, t - off.y, l - off.x + w, t - off.y + h};
        SetWindowPlacement(wnd, &wp);
        DebugOut(L"Reg_RestoreFormPos> SetWindowPlacement(handle, pos) 1: left=%d, top=%d, right=%d, bottom=%d",
                 {l, t, l + w, t + h});
        if (!IsZoomed(wnd) && !IsIconic(wnd))
            Form->SetBounds(l, t, w, h);
    } else {
        Form->SetBounds(l, t, w, h);
    }
    if (maximized)
        Form->SetWindowState(wsMaximized);
    return true;
}
