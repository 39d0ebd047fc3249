// Controls: the visual component tree. TControl (windowless or windowed), TWinControl
// (owns a window, created lazily), TCustomControl (a painted window) and TGraphicControl
// (painted by its parent). Every message of a window takes one path:
//   system -> InitWndProc (guarded) -> Control->WindowProc -> WndProc (virtual, per class)
//          -> Dispatch (per-object message handlers) -> DefaultHandler (the class's
//             default window procedure, e.g. the system EDIT procedure).
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Messages.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TControl;
class TWinControl;
class TCustomForm;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
constexpr TAnchors DefaultAnchors = akLeft | akTop;

// A form's frame; windowed controls use bsNone and bsSingle (TBorderStyle).
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crNo = -18,
                  crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

enum TShiftStateFlag : unsigned {
    ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = unsigned;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Behaviour switches of a control class.
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1, csCaptureMouse = 2, csClickEvents = 4, csOpaque = 8, csDoubleClicks = 16,
};
using TControlStyle = unsigned;

using TWndMethod = std::function<void(TMessage& Message)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, POINT MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, wchar_t& Key)>;
using TContextPopupEvent = std::function<void(TObject* Sender, POINT MousePos, bool& Handled)>;

// Shift state from key/mouse flags of a message, and from the keyboard now.
TShiftState KeysToShiftState(WPARAM Keys);
TShiftState KeyDataToShiftState(LPARAM KeyData);
TShiftState GetShiftState();

// The menu slots. The menus unit derives its main menu class from TMenuBase and its
// popup menu class from TPopupMenuBase; controls and forms only hold and call them.
class TMenuBase : public TComponent {
public:
    VORLANE_CLASS_NAME(TMenuBase)
    using TComponent::TComponent;
    virtual HMENU GetHandle() = 0;
    // Runs the item with this command id; false when the menu has none.
    virtual bool DispatchCommand(WORD Command) { return false; }
    // Prepares a submenu before it opens; false when it is not one of ours.
    virtual bool DispatchPopup(HMENU Menu) { return false; }
    // The wide hint of an item found by command id or (ByHandle) by submenu handle.
    virtual bool FindItemHint(UINT CommandOrHandle, bool ByHandle, std::wstring& Hint) { return false; }
    // Runs the item whose shortcut is this key with these shift keys; false when none.
    virtual bool IsShortCutKey(WORD Key, TShiftState Shift) { return false; }
    // The answer to WM_MENUCHAR for a key typed in the open submenu Menu (owner-drawn items
    // have no mnemonics of the system's); 0 when the submenu is not ours or nothing matches.
    virtual LRESULT MenuChar(HMENU Menu, wchar_t Key) { return 0; }
};

class TPopupMenuBase : public TMenuBase {
public:
    VORLANE_CLASS_NAME(TPopupMenuBase)
    using TMenuBase::TMenuBase;
    bool AutoPopup = true;
    // Shows the menu at a screen position for the control that asked.
    virtual void Popup(TControl* PopupComponent, int X, int Y) = 0;
};

// What a windowed control asks of the system when its window is made.
struct TCreateParams {
    std::wstring Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSW WindowClass{};  // filled from the class being imitated by CreateSubClass
    std::wstring WinClassName;
};

// The class procedure of every window the library makes (see the top of this file).
LRESULT CALLBACK InitWndProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// The control object of a window of this process, or null.
TWinControl* FindControl(HWND Handle);
// The control being given a window right now (valid during CreateWindowExW only).
TWinControl* CreationControl();
// The form a control sits on (null when it has none).
TCustomForm* GetParentForm(TControl* Control);
// Registers a window class whose procedure is InitWndProc, from Params.WindowClass
// (re-registers a class of that name that has another procedure).
void RegisterControlClass(const TCreateParams& Params, const std::wstring& ClassName);
// CreateWindowExW for Control with the class given; the window binds to Control on its
// first message. Raises EOSError when the system refuses.
HWND CreateControlWindow(TWinControl* Control, const std::wstring& ClassName, const TCreateParams& Params,
                         bool WithCaption);

class TControl : public TComponent {
public:
    VORLANE_CLASS_NAME(TControl)
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // Parent: the windowed control this one lives in (null for top-level forms).
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    virtual bool IsWindowed() const { return false; }

    // Bounds in the parent's client coordinates (screen coordinates for top-level windows).
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    void SetBoundsRect(const RECT& R) { SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top); }
    virtual RECT ClientRect();
    int ClientWidth() { RECT r = ClientRect(); return r.right - r.left; }
    int ClientHeight() { RECT r = ClientRect(); return r.bottom - r.top; }
    void SetClientWidth(int Value);
    void SetClientHeight(int Value);
    // Client origin in screen coordinates, and conversions.
    virtual POINT ClientOrigin();
    POINT ClientToScreen(POINT P);
    POINT ScreenToClient(POINT P);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and on every parent.
    virtual bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    // Caption and Text are the same wide text (the window text of windowed controls).
    virtual std::wstring GetText();
    virtual void SetText(const std::wstring& Value);
    std::wstring Caption() { return GetText(); }
    void SetCaption(const std::wstring& Value) { SetText(Value); }

    const std::wstring& Hint() const { return FHint; }
    void SetHint(const std::wstring& Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);

    TFont* Font() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    // True while the font colour is the one taken over from the parent (or the default): no
    // colour has been set on this control's own font since.
    bool FontColorFromParent() const { return FFontColorFromParent; }
    // The colour the control's text is painted with: the font colour, except that a colour
    // taken over from the parent gives way to the system's text colour while the control's own
    // background is the system window colour (window text) or button face (button text) and
    // differs from the background of the control the font colour came from. Edit boxes, lists,
    // tab pages and the labels and buttons on them keep the system's colours on a form with a
    // dark theme, and its light text would be nearly invisible there. A colour set on the
    // control itself is always painted as set.
    TColor TextPaintColor() const;
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);

    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    bool ParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool Value);
    // Right-to-left only takes effect on Middle-East systems.
    bool UseRightToLeftReading() const;
    bool UseRightToLeftAlignment() const;
    bool UseRightToLeftScrollBar() const;
    // DT_RTLREADING when the control reads right to left, else 0.
    UINT DrawTextBiDiModeFlagsReadingOnly() const;

    TPopupMenuBase* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenuBase* Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    TControlStyle ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;

    // Sends a message straight into this control's WindowProc chain.
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    // The replaceable entry of the chain. A hook keeps the previous value and calls it.
    TWndMethod WindowProc;
    virtual void WndProc(TMessage& Message);
    // Runs the handler registered for the message number, else DefaultHandler.
    void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);
    // Registers a handler for one message number (private messages of forms and the like);
    // an empty handler removes it. The handler may call DefaultHandler itself.
    void SetMessageHandler(UINT Msg, TWndMethod Handler);

    virtual void Invalidate();
    virtual void Update();
    void Repaint() { Invalidate(); Update(); }
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    bool HasParent() const { return FParent != nullptr; }

    TNotifyEvent OnClick, OnDblClick, OnResize, OnMouseEnter, OnMouseLeave;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TContextPopupEvent OnContextPopup;

    // Internal: bounds given by alignment (keeps anchors' reference positions).
    void SetAlignedBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // Internal: the parent's client size that anchors refer to changed its meaning.
    void UpdateAnchorRules();

protected:
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, POINT MousePos);
    virtual void Resize();
    virtual void DoContextPopup(POINT MousePos, bool& Handled);
    // Asks the parent to align its children again.
    void RequestAlign();
    // Changes the stored bounds and moves the window (windowed controls override).
    virtual void UpdateBoundsTo(int ALeft, int ATop, int AWidth, int AHeight);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Tells the children (windowed controls) about a parent property change.
    virtual void NotifyChildren(UINT Msg) {}
    void MouseMessage(TMessage& Message);
    void TakeParentFont();
    void FontChanged();
    void SetColorInternal(TColor Value);
    void SetBiDiModeInternal(TBiDiMode Value);

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors = DefaultAnchors;
    RECT FAnchorOrigin{};     // bounds when anchors were last taken
    SIZE FAnchorParentSize{}; // the parent's client size at that time
    bool FAnchorMove = false; // set while alignment moves the control
    bool FVisible = true;
    bool FEnabled = true;
    std::wstring FText;
    std::wstring FHint;
    bool FShowHint = false, FParentShowHint = true;
    TFont FFont;
    bool FParentFont = true;
    TColor FColor = clWindow;
    bool FParentColor = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    TPopupMenuBase* FPopupMenu = nullptr;
    TCursor FCursor = crDefault;
    bool FMouseDownHere = false;
    bool FSettingParentFont = false;
    bool FFontColorFromParent = true;
    TColor FFontColorSeen = clWindowText; // the font colour when it last changed

private:
    std::map<UINT, TWndMethod> FMessageHandlers;
    friend class TWinControl;
};

class TWinControl : public TControl {
public:
    VORLANE_CLASS_NAME(TWinControl)
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    bool IsWindowed() const override { return true; }

    // The window; made on first use (and with it the parent's window).
    HWND Handle() { HandleNeeded(); return FHandle; }
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    // Destroys the window and makes it again; text, hint and state survive.
    void RecreateWnd();
    void DestroyHandle();

    // Children: all controls whose Parent is this control, in z-order (windowless first paint first).
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const { return FControls.at(static_cast<size_t>(Index)); }
    bool ContainsControl(TControl* Control) const;
    // The visible windowless child at a client point (or any child when AllowWinControls).
    TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false);
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    // Sends the message to every child until one answers non-zero.
    void Broadcast(TMessage& Message);
    void NotifyControls(UINT Msg);

    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    void Realign();
    // Mirrors the children left to right (and their alignment); all levels when asked.
    virtual void FlipChildren(bool AllLevels);

    // The window's border: bsSingle is a plain line, or a sunken client edge while a theme
    // is active and Ctl3D is set; bsNone none. Changing either makes the window again.
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);

    int TabOrder() const;
    void SetTabOrder(int Value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    virtual bool CanFocus();
    bool Focused();
    virtual void SetFocus();
    // The windowed children in tab order, recursively.
    void GetTabOrderList(std::vector<TWinControl*>& List);
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

    std::wstring GetText() override;
    void SetText(const std::wstring& Value) override;
    RECT ClientRect() override;
    POINT ClientOrigin() override;
    bool Showing() const override;
    void Invalidate() override;
    void Update() override;
    void SetVisible(bool Value) override;
    void SetEnabled(bool Value) override;

    // Paints the windowless children onto a device context of this window.
    void PaintControls(HDC DC, TControl* First);

    TNotifyEvent OnEnter, OnExit;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // The default window procedure the messages end in (system class procedure when imitated).
    WNDPROC DefWndProc() const { return FDefWndProc; }
    void SetDefWndProc(WNDPROC Value) { FDefWndProc = Value; }
    void WndProc(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

    // Key messages: the parent form sees them first when it has KeyPreview; true = used up.
    virtual bool DoKeyDown(TMessage& Message);
    virtual bool DoKeyUp(TMessage& Message);
    virtual bool DoKeyPress(TMessage& Message);

    // Internal: called from InitWndProc on a window's first message.
    void AttachHandle(HWND Wnd);

    // Sees a queued message meant for this window or a window inside it before the
    // message is translated and dispatched (the loop asks the target window's control
    // first, then its parents); true = handled, the message goes no further. An embedded
    // ActiveX control's host gives the control its keys here (TranslateAccelerator).
    virtual bool PreTranslateMessage(MSG& Msg) { return false; }

protected:
    // A key pressed here that is a shortcut of a popup menu of this control or its
    // parents, or of the parent form (menu, action lists): runs it and returns true.
    bool IsMenuKey(WORD Key);
    // Fills Params: class name = class name of the object, child style under a parent.
    virtual void CreateParams(TCreateParams& Params);
    // Makes the window from Params (registers the class first).
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWindowHandle();
    // CreateParams -> CreateWindowHandle, then font, and the children's windows.
    virtual void CreateWnd();
    // Saves what must survive, then DestroyWindowHandle.
    virtual void DestroyWnd();
    virtual void CreateHandle();
    // Copies a system window class (e.g. "EDIT") into Params so that the window imitates it.
    void CreateSubClass(TCreateParams& Params, const wchar_t* ClassName);
    // For the common controls that a right-to-left program shows mirrored (tool bar, status
    // bar, tabs, tree, list): the whole window is mirrored in right-to-left alignment instead
    // of its text alone being right-aligned. OwnChildren: windows placed on it by the program
    // (a page control's sheets) keep the left-to-right layout.
    void MirrorInRightToLeft(TCreateParams& Params, bool OwnChildren = false);
    // A change of reading order makes the window anew (true), or sets its reading flags on
    // the window it has (ChangeReadingInPlace). Windows that hold much keep theirs: a tree's
    // items would all go in again, and so would those of a tree inside a container made anew.
    virtual bool RecreatesForReadingOrder() const { return true; }
    // The reading and layout flags that CreateParams gives now, set on the existing window,
    // which is drawn anew.
    void ChangeReadingInPlace();
    // Lays out the aligned and anchored children within Rect.
    virtual void AlignControls(TControl* AControl, RECT& Rect);
    virtual void AdjustClientRect(RECT& Rect) {}
    virtual void PaintWindow(HDC DC);
    void PaintHandler(TMessage& Message);
    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(wchar_t& Key);
    void UpdateBoundsTo(int ALeft, int ATop, int AWidth, int AHeight) override;
    void NotifyChildren(UINT Msg) override { NotifyControls(Msg); }
    // Reads the window's position back after the system moved it.
    void UpdateBounds();
    HBRUSH BrushHandle();
    // Whether the window has a menu bar (forms with a menu).
    virtual bool HasMenuBar() { return false; }
    // A WM_MOUSEMOVE of this window: asks for WM_MOUSELEAVE and reports the control under
    // the mouse (CM_MOUSEENTER / CM_MOUSELEAVE). WndProc does it; a class that keeps mouse
    // messages from WndProc calls it itself.
    void TrackMouse(TMessage& Message);

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = DefWindowProcW;
    std::vector<TControl*> FControls;      // all children
    std::vector<TWinControl*> FTabList;    // windowed children in tab order
    int FAlignLevel = 0;
    bool FTabStop = false;
    TBorderStyle FBorderStyle = bsNone;
    bool FCtl3D = true;
    bool FCreatingWnd = false;
    bool FRecreating = false;
    bool FTrackingMouse = false;           // TrackMouseEvent asked for WM_MOUSELEAVE
    TControl* FCaptureControl = nullptr;   // windowless child that has the mouse
    TBrush FBrush;

private:
    friend class TControl;
    bool IsControlMouseMsg(TMessage& Message);
    bool DoControlMsg(HWND Child, TMessage& Message);
    void AlignAnchored(TControl* Control);
};

// A window that paints itself on its Canvas.
class TCustomControl : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomControl)
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() { return &FCanvas; }

    // Off-screen painting: Paint draws on a 24-bit bitmap of the client size, which is then
    // copied to the window in one blit; the background is never erased (no flicker).
    bool OffscreenPaint() const { return FOffscreenPaint; }
    void SetOffscreenPaint(bool Value);
    // Paints into the off-screen bitmap now, window or not, and returns it (the picture
    // the next window paint shows).
    TBitmap* PaintOffscreen();
    // The bitmap of the last off-screen paint (null before the first).
    TBitmap* OffscreenBitmap() const { return FOffscreen.get(); }

    // Non-client frame: a class that draws a frame of its own around its client area
    // overrides NCCalcSize and NCPaint. FrameChanged makes the system measure the frame
    // again (SetWindowPos with SWP_FRAMECHANGED), which also repaints it; call it when
    // the frame's size or look changed. Without a window it does nothing.
    void FrameChanged();
    // The client area less the frame also before the window exists.
    RECT ClientRect() override;

    void WndProc(TMessage& Message) override;

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;
    // WM_NCCALCSIZE: Client is the client rectangle the system proposes (the system's own
    // borders already taken off; coordinates of the parent); shrink it by the frame.
    // Result is the answer when ValidRects (WVR_* flags, default 0). A frame larger than
    // the window leaves an empty client area, never a negative one.
    virtual void NCCalcSize(RECT& Client, bool ValidRects, LRESULT& Result) {}
    // WM_NCPAINT, after the system's own borders: DC covers the whole window (origin at
    // its top-left corner) and excludes the client area from clipping.
    virtual void NCPaint(HDC DC) {}
    TCanvas FCanvas;

private:
    // Runs Paint with the canvas on DC.
    void PaintOn(HDC DC);
    bool FOffscreenPaint = false;
    std::unique_ptr<TBitmap> FOffscreen;
};

// Paints the parent's background behind Control into DC, whose origin is the control's client
// origin (a paint DC of the control, or its off-screen bitmap): the parent erases and paints
// itself (with its windowless children) with its origin moved by the control's position,
// clipped to the control's client area. This is the Transparent look of painted controls.
void PaintParentBackground(TControl* Control, HDC DC);

// A control without a window, painted by its parent on the parent's device context.
class TGraphicControl : public TControl {
public:
    VORLANE_CLASS_NAME(TGraphicControl)
    explicit TGraphicControl(TComponent* AOwner);
    TCanvas* Canvas() { return &FCanvas; }
    void WndProc(TMessage& Message) override;

protected:
    virtual void Paint() {}
    TCanvas FCanvas;
};

// Tells whether a control was freed while a call into it ran: an event handler may free the
// control whose event it is (a close box that closes its own tab), and the message handling
// that called the event must then not touch the object again. Watches nest; they belong to
// the thread that made them.
class TControlWatch {
public:
    explicit TControlWatch(TControl* Control);
    ~TControlWatch();
    TControlWatch(const TControlWatch&) = delete;
    TControlWatch& operator=(const TControlWatch&) = delete;
    bool Freed() const { return FFreed; }

private:
    friend class TControl;
    TControl* FControl;
    bool FFreed = false;
    TControlWatch* FNext;
};

// Hooks the forms unit installs so that controls reach the application without
// depending on it: mouse messages feed the hint logic; focus changes reach the form.
// Plain function pointers, constant-initialised: the forms unit sets them from its own
// start-up code, which may run before or after this unit's.
struct TControlHooks {
    void (*HintMouseMessage)(TControl* Control, TMessage& Message) = nullptr;
    TCursor (*ScreenCursor)() = nullptr;
    HCURSOR (*CursorHandle)(TCursor Cursor) = nullptr;
    // The mouse moved over Control (a window or one of its windowless children), or left
    // Window (Control null). The application turns this into CM_MOUSEENTER/CM_MOUSELEAVE.
    void (*MouseOver)(TWinControl* Window, TControl* Control) = nullptr;
    // Every hint goes (a menu or a drop-down list opens).
    void (*HideHints)() = nullptr;
};
extern TControlHooks g_ControlHooks;
