// One process-wide listener for WM_DEVICECHANGE (drives and media coming and going) that
// hands each notice to its subscribers after the system's own handling is done: the
// notice is re-posted to the listener's hidden window and fanned out from there. Subscribers
// get the notice's WParam (DBT_*); its LParam record belongs to the system's call and is 0.
#pragma once

#include "Classes.h"
#include "Messages.h"
#include "UtilityWindow.h"

#include <functional>
#include <memory>
#include <vector>

class TPTDeviceChangeHandler;
using TPTDeviceChangeEvent = std::function<void(TPTDeviceChangeHandler* Sender, TMessage& Message)>;

class TPTDeviceChangeHandler : public TObject {
public:
    VORLANE_CLASS_NAME(TPTDeviceChangeHandler)
    // The message the notice is re-posted as.
    static constexpr UINT WM_PTDEVICECHANGE = WM_USER + 100;

    TPTDeviceChangeHandler();
    ~TPTDeviceChangeHandler() override;

    // Subscribers are called in the order added; each is known by its Subscriber object.
    void AddHandler(const void* Subscriber, TPTDeviceChangeEvent Handler);
    // Removes the first entry of Subscriber (one that is being called may remove itself).
    void RemoveHandler(const void* Subscriber);
    int HandlerCount() const { return static_cast<int>(FHandlers.size()); }
    // While false, notices are dropped.
    bool Active = true;
    HWND Handle() const { return FWindow->Handle(); }

private:
    struct TEntry {
        const void* Subscriber;
        TPTDeviceChangeEvent Handler;
        unsigned Id;
    };
    bool WindowProc(TMessage& Message);
    std::unique_ptr<TUtilityWindow> FWindow;
    std::vector<TEntry> FHandlers;
    unsigned FNextId = 1;
};

// The single instance, made with its window on first use (on the GUI thread).
TPTDeviceChangeHandler* DeviceChangeHandler();
// Frees it (the pack's shut-down).
void FreeDeviceChangeHandler();
