// A windowed control that hosts an ActiveX control in place. The host's window is the
// control's container: the control's own window lives inside it and follows its size.
// The host answers the control through small COM objects of its own (client, in-place and
// control site with the ambient properties and the document host handler; the in-place
// frame; the event sink). Every COM method runs inside the exception boundary.
//
// Life of the control, in the order OLE containers must keep:
//   CreateControl: CoCreateInstance -> SetClientSite first when the control asks for it
//     (OLEMISC_SETCLIENTSITEFIRST) -> IPersistStreamInit::InitNew -> SetClientSite ->
//     SetHostNames -> event sink advised; in-place activation (OLEIVERB_INPLACEACTIVATE)
//     as soon as the host has a window.
//   Window destroyed: the control stays active; its window waits on a hidden parking
//     window and moves into the host's next window (a page survives RecreateWnd).
//   DestroyControl (also run by the destructor): unadvise -> InPlaceDeactivate ->
//     Close(OLECLOSE_NOSAVE) -> SetClientSite(null) -> release. The site objects then
//     refuse every call, so a control that keeps a reference cannot reach a freed host.
// A control that cannot be made leaves a plain, working window: Available() is false and
// CreateError() gives the reason, which is also written to the application's log.
#pragma once

#include "Controls.h"
#include "Handles.h"
#include "OleAuto.h"

#include <ole2.h>
#include <ocidl.h>

#include <string>

class TOleSite;
class TOleFrame;
class TOleEventSink;

class TOleHostControl : public TWinControl {
public:
    VORLANE_CLASS_NAME(TOleHostControl)
    explicit TOleHostControl(TComponent* AOwner);
    ~TOleHostControl() override;

    // Makes the control of Clsid (OLE must be initialised on this thread); an earlier
    // control is destroyed first. False when it cannot be made (see CreateError).
    bool CreateControl(const CLSID& Clsid);
    void DestroyControl();
    bool Available() const noexcept { return static_cast<bool>(FOleObject); }
    const std::wstring& CreateError() const noexcept { return FCreateError; }
    IOleObject* OleObject() const noexcept { return FOleObject.Get(); }
    bool InPlaceActive() const noexcept { return FInPlaceActive; }
    // The control's active object, for its keyboard handling: the one the control
    // announced to the frame, else asked of the control. Null when there is none.
    IOleInPlaceActiveObject* ActiveObject();
    // Lets the control see a key message meant for a window inside the host before it
    // is translated and dispatched (Tab, arrows, Ctrl+C inside a page ...). True when the
    // control used it. The message loop asks it through PreTranslateMessage.
    bool TranslateAccelerator(MSG& Msg);
    bool PreTranslateMessage(MSG& Msg) override { return TranslateAccelerator(Msg); }

    // Flags the document host handler reports to an HTML control (DOCHOSTUIFLAG_*).
    DWORD DocHostFlags = 0x00000004 /* DOCHOSTUIFLAG_NO3DBORDER */;

    // An event of the control's event interface arrived (the sink calls it).
    virtual void InvokeEvent(DISPID DispId, const TDispArgs& Args) {}
    // An ambient property the control asks for; false when the host has none.
    virtual bool GetAmbientProperty(DISPID DispId, VARIANT& Value);

    void WndProc(TMessage& Message) override;

    // Site, frame and sink objects alive in this process (for leak checks).
    static int LiveHostObjects() noexcept;

protected:
    // The event interface to advise (the control's default source); null for none.
    virtual const IID* EventsIID() const { return nullptr; }
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // A failure: remembered for CreateError and logged.
    void LogFailure(const std::wstring& Text);

private:
    friend class TOleSite;
    friend class TOleFrame;
    void ActivateInPlace();
    void DeactivateInPlace();
    void UpdateObjectRects();
    // The control's own in-place window, or null.
    HWND ControlWindow() const;
    // Moves the control's window out of the host's window before that one goes.
    void ParkControlWindow();
    void ControlFocusChanged(bool Focused);
    void SetActiveObject(IOleInPlaceActiveObject* Object);
    void Unadvise();

    TComPtr<IOleObject> FOleObject;
    TComPtr<IOleInPlaceObject> FInPlaceObject;
    TComPtr<IOleInPlaceActiveObject> FActiveObject;
    TComPtr<IConnectionPoint> FConnection;
    DWORD FCookie = 0;
    TComPtr<TOleSite> FSite;            // held while the control exists
    TComPtr<TOleFrame> FFrame;
    TComPtr<TOleEventSink> FSink;       // held while advised
    std::wstring FCreateError;
    bool FInPlaceActive = false;
    bool FActivating = false;
};
