// TWinControl's messages: painting itself and its windowless children, mouse messages
// passed to those children, the keys (menu and context-menu keys, OnKeyDown/OnKeyPress),
// WndProc, the mouse tracking and the default handler.
#include "Controls.h"
#include "ControlsInternal.h"

#include "Boundary.h"
#include "Forms.h"
#include "SysUtils.h"
#include "Themes.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>

bool TWinControl::IsMenuKey(WORD Key) {
    if (Key == VK_SHIFT || Key == VK_CONTROL || Key == VK_MENU)
        return false;
    const TShiftState shift = GetShiftState() & (ssShift | ssAlt | ssCtrl);
    for (TControl* c = this; c; c = c->Parent())
        if (TPopupMenuBase* popup = c->PopupMenu())
            if (popup->IsShortCutKey(Key, shift))
                return true;
    TCustomForm* form = GetParentForm(this);
    return form && form->IsShortCut(Key, shift);
}

// The keys that ask for the focused control's pop-up menu: the Applications key without
// Shift, and Shift+F10.
static bool IsContextMenuKey(WORD Key) {
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    return (Key == VK_APPS && !shift) || (Key == VK_F10 && shift && !ctrl && !alt);
}

void TWinControl::PaintWindow(HDC DC) {
    if (FDefWndProc == DefWindowProcW)
        return;
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintHandler(TMessage& Message) {
    PAINTSTRUCT ps{};
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    if (!dc)
        dc = BeginPaint(FHandle, &ps);
    // A paint that fails still restores the context and gives it back.
    struct TEndPaint {
        HWND Wnd;
        PAINTSTRUCT* Ps;
        ~TEndPaint() {
            if (Ps)
                EndPaint(Wnd, Ps);
        }
    } endPaint{FHandle, Message.WParam ? nullptr : &ps};
    {
        struct TRestoreDC {
            HDC Dc;
            int Saved;
            ~TRestoreDC() { RestoreDC(Dc, Saved); }
        } restore{dc, SaveDC(dc)};
        PaintWindow(dc);
    }
    PaintControls(dc, nullptr);
    Message.Result = 0;
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
    bool painting = First == nullptr;
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (c == First)
            painting = true;
        if (!painting || c->IsWindowed() || !c->Visible())
            continue;
        RECT r = c->BoundsRect();
        if (!RectVisible(DC, &r))
            continue;
        struct TRestoreDC {
            HDC Dc;
            int Saved;
            ~TRestoreDC() { RestoreDC(Dc, Saved); }
        } restore{DC, SaveDC(DC)};
        POINT org;
        GetViewportOrgEx(DC, &org);
        SetViewportOrgEx(DC, org.x + c->Left(), org.y + c->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    }
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
    if (!IsMouseMsg(Message.Msg))
        return false;
    POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    TControl* c = nullptr;
    if (FCaptureControl && GetCapture() == FHandle)
        c = FCaptureControl;
    else {
        FCaptureControl = nullptr;
        c = ControlAtPos(p, false);
    }
    if (!c)
        return false;
    if (IsButtonDown(Message.Msg) && (c->ControlStyle & csCaptureMouse)) {
        FCaptureControl = c;
        SetCapture(FHandle);
    }
    Message.Result = c->Perform(Message.Msg, Message.WParam, MAKELPARAM(p.x - c->Left(), p.y - c->Top()));
    if (IsButtonUp(Message.Msg) && FCaptureControl &&
        !(Message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
        FCaptureControl = nullptr;
        if (GetCapture() == FHandle)
            ReleaseCapture();
    }
    return true;
}

bool TWinControl::DoControlMsg(HWND Child, TMessage& Message) {
    TWinControl* c = FindControl(Child);
    if (!c || c == this)
        return false;
    Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return true;
}

void TWinControl::DoEnter() {
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit)
        OnExit(this);
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(wchar_t& Key) {
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

bool TWinControl::DoKeyDown(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && form->DoKeyDown(Message))
        return true;
    WORD key = static_cast<WORD>(Message.WParam);
    KeyDown(key, KeyDataToShiftState(Message.LParam));
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && form->DoKeyUp(Message))
        return true;
    WORD key = static_cast<WORD>(Message.WParam);
    KeyUp(key, KeyDataToShiftState(Message.LParam));
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && form->DoKeyPress(Message))
        return true;
    wchar_t ch = static_cast<wchar_t>(Message.WParam);
    KeyPress(ch);
    Message.WParam = ch;
    return ch == 0;
}

void TWinControl::WndProc(TMessage& Message) {
    TControlWatch watch(this); // focus, key and size events may free this control
    switch (Message.Msg) {
    case WM_SETFOCUS:
        if (TCustomForm* form = GetParentForm(this))
            if (form != this)
                form->SetFocusedControl(this);
        break;
    case CM_ENTER:
        DoEnter();
        return;
    case CM_EXIT:
        DoExit();
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (DoKeyDown(Message))
            return;
        if (Message.Msg == WM_SYSKEYDOWN && Message.WParam == VK_F4 && (Message.LParam & 0x20000000)) {
            // Alt+F4 closes the window the control stands on, as the system's default handling
            // does, whatever the control would make of F4 (the tree takes it, the combo box
            // drops its list).
            Message.Result = DefWindowProcW(FHandle, WM_SYSKEYDOWN, Message.WParam, Message.LParam);
            return;
        }
        if (IsContextMenuKey(static_cast<WORD>(Message.WParam))) {
            // The menu of the control with the focus, from the keyboard; the system's own
            // request (its default handling) would come to some windows only.
            Message.Result = 0;
            Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(FHandle), MAKELPARAM(-1, -1));
            return;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (DoKeyUp(Message))
            return;
        if (Message.WParam == VK_APPS) {
            Message.Result = 0; // shown at the key's press
            return;
        }
        break;
    case WM_CHAR:
        if (DoKeyPress(Message))
            return;
        break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
        Message.Result = 1;
        if (IsMenuKey(static_cast<WORD>(Message.WParam)))
            return;
        DWORD mask = 0;
        switch (Message.WParam) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
        }
        if (mask && Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam) == 0 &&
            (Perform(WM_GETDLGCODE) & mask) == 0) {
            if (TCustomForm* form = GetParentForm(this))
                if (form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
                    return;
        }
        Message.Result = 0;
        return;
    }
    case CN_CHAR:
    case CN_SYSCHAR: {
        Message.Result = 1;
        bool wantsChars = Message.Msg == CN_CHAR && (Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) != 0;
        if (!wantsChars)
            if (TCustomForm* form = GetParentForm(this))
                if (form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
                    return;
        Message.Result = 0;
        return;
    }
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
        Broadcast(Message);
        return;
    case WM_COMMAND:
        if (Message.LParam && DoControlMsg(reinterpret_cast<HWND>(Message.LParam), Message))
            return;
        break;
    case WM_NOTIFY:
        if (Message.LParam && DoControlMsg(reinterpret_cast<NMHDR*>(Message.LParam)->hwndFrom, Message))
            return;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
        if (Message.LParam && DoControlMsg(reinterpret_cast<HWND>(Message.LParam), Message))
            return;
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (dis && dis->CtlType != ODT_MENU && DoControlMsg(dis->hwndItem, Message))
            return;
        break;
    }
    case WM_DELETEITEM: {
        auto* dis = reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam);
        if (dis && DoControlMsg(dis->hwndItem, Message))
            return;
        break;
    }
    case WM_COMPAREITEM: {
        auto* cis = reinterpret_cast<COMPAREITEMSTRUCT*>(Message.LParam);
        if (cis && DoControlMsg(cis->hwndItem, Message))
            return;
        break;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (mis && mis->CtlType != ODT_MENU && FHandle &&
            DoControlMsg(GetDlgItem(FHandle, static_cast<int>(mis->CtlID)), Message))
            return;
        break;
    }
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        SetTextColor(dc, ColorToRGB(TextPaintColor()));
        SetBkColor(dc, ColorToRGB(FColor));
        Message.Result = reinterpret_cast<LRESULT>(BrushHandle());
        return;
    }
    case WM_PAINT:
        if (FDefWndProc == DefWindowProcW || std::any_of(FControls.begin(), FControls.end(),
                                                           [](TControl* c) { return !c->IsWindowed(); })) {
            PaintHandler(Message);
            return;
        }
        break;
    case WM_ERASEBKGND:
        if (FDefWndProc == DefWindowProcW) {
            RECT r;
            GetClientRect(FHandle, &r);
            FillRect(reinterpret_cast<HDC>(Message.WParam), &r, BrushHandle());
            Message.Result = 1;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        UpdateBounds();
        break; // the default procedure sends WM_SIZE/WM_MOVE from here
    case WM_SIZE:
        Dispatch(Message);
        if (Message.WParam != SIZE_MINIMIZED && !watch.Freed()) {
            UpdateBounds();
            Realign();
            Resize();
        }
        return;
    case WM_MOUSEWHEEL: {
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        if (DoMouseWheel(KeysToShiftState(LOWORD(Message.WParam)), static_cast<short>(HIWORD(Message.WParam)), p)) {
            Message.Result = 1;
            return;
        }
        break;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(Message.WParam) == FHandle) {
            TCursor cursor = g_ControlHooks.ScreenCursor ? g_ControlHooks.ScreenCursor() : crDefault;
            if (cursor == crDefault && LOWORD(Message.LParam) == HTCLIENT) {
                POINT p;
                GetCursorPos(&p);
                ::ScreenToClient(FHandle, &p);
                TControl* c = ControlAtPos(p, false);
                cursor = (c && c->Cursor() != crDefault) ? c->Cursor() : FCursor;
            }
            if (cursor != crDefault && g_ControlHooks.CursorHandle) {
                ::SetCursor(g_ControlHooks.CursorHandle(cursor));
                Message.Result = 1;
                return;
            }
        }
        break;
    case WM_CONTEXTMENU: {
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        bool keyboard = p.x == -1 && p.y == -1;
        if (!keyboard) {
            POINT cp = ScreenToClient(p);
            if (TControl* c = ControlAtPos(cp, false)) {
                Message.Result = c->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
                if (Message.Result)
                    return;
            }
        }
        bool handled = false;
        DoContextPopup(keyboard ? POINT{-1, -1} : ScreenToClient(p), handled);
        if (!handled && FPopupMenu && FPopupMenu->AutoPopup) {
            if (keyboard) {
                RECT r = ClientRect();
                p = ClientToScreen(POINT{(r.right - r.left) / 2, (r.bottom - r.top) / 2});
            }
            FPopupMenu->Popup(this, p.x, p.y);
            handled = true;
        }
        if (handled) {
            Message.Result = 1;
            return;
        }
        break;
    }
    case WM_SETTEXT:
        Dispatch(Message);
        Perform(CM_TEXTCHANGED);
        return;
    case CM_BIDIMODECHANGED:
        if (RightToLeftAvailable() && FHandle) {
            if (RecreatesForReadingOrder())
                RecreateWnd();
            else
                ChangeReadingInPlace();
        }
        break;
    case WM_DESTROY:
        if (!IsDestroying())
            FText = GetText();
        break;
    case WM_NCDESTROY:
        Dispatch(Message);
        Registry().Remove(FHandle);
        FHandle = nullptr;
        FCaptureControl = nullptr;
        FTrackingMouse = false;
        return;
    case WM_MOUSELEAVE:
        FTrackingMouse = false;
        if (g_ControlHooks.MouseOver)
            g_ControlHooks.MouseOver(this, nullptr);
        break;
    case WM_MOUSEMOVE:
        TrackMouse(Message);
        if (IsControlMouseMsg(Message))
            return;
        break;
    default:
        if (IsControlMouseMsg(Message))
            return;
        break;
    }
    if (!watch.Freed())
        TControl::WndProc(Message);
}

// The mouse moved in this window: the system is asked to post WM_MOUSELEAVE when it
// leaves, and the control under the mouse (this one or a windowless child) is reported.
void TWinControl::TrackMouse(TMessage& Message) {
    if (!FHandle || !g_ControlHooks.MouseOver)
        return;
    // The system watches one window at a time: another window's request may have ended the
    // watch over this one, so it is asked for whenever it is not on.
    TRACKMOUSEEVENT query{sizeof(query), TME_QUERY, nullptr, 0};
    if (!FTrackingMouse || !TrackMouseEvent(&query) || query.hwndTrack != FHandle || !(query.dwFlags & TME_LEAVE)) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, FHandle, 0};
        FTrackingMouse = TrackMouseEvent(&tme) != FALSE;
    }
    // A move handled after the pointer went on (a busy moment, a fast move out of the window)
    // gets no leave from the system, which watches only from here on: it is posted here.
    POINT cursor;
    if (GetCapture() != FHandle && GetCursorPos(&cursor) && WindowFromPoint(cursor) != FHandle) {
        FTrackingMouse = false;
        PostMessageW(FHandle, WM_MOUSELEAVE, 0, 0);
    }
    POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    RECT client;
    GetClientRect(FHandle, &client);
    TControl* over = nullptr;
    if (PtInRect(&client, p)) { // outside only while the mouse is captured
        over = ControlAtPos(p, true);
        if (!over)
            over = this;
    }
    g_ControlHooks.MouseOver(this, over);
}

void TWinControl::DefaultHandler(TMessage& Message) {
    if (!FHandle) {
        TControl::DefaultHandler(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_NOTIFYFORMAT:
        if (Message.LParam == NF_QUERY) {
            HWND wnd = reinterpret_cast<HWND>(Message.WParam);
            TWinControl* creating = t_CreationControl;
            bool unicode = (wnd && IsWindowUnicode(wnd)) || (creating && creating->FHandle == wnd);
            Message.Result = unicode ? NFR_UNICODE : NFR_ANSI;
            return;
        }
        break;
    case WM_IME_CHAR:
        // Our windows are Unicode: the composed character arrives as one WM_CHAR.
        Message.Result = SendMessageW(FHandle, WM_CHAR, Message.WParam, Message.LParam);
        return;
    }
    Message.Result = CallWindowProcW(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
}
