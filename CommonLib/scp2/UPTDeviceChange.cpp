#include "UPTDeviceChange.h"

#include <algorithm>

namespace {
TPTDeviceChangeHandler* g_DeviceChangeHandler = nullptr;
}

TPTDeviceChangeHandler::TPTDeviceChangeHandler()
    : FWindow(std::make_unique<TUtilityWindow>([this](TMessage& m) { return WindowProc(m); })) {}

TPTDeviceChangeHandler::~TPTDeviceChangeHandler() {
    if (g_DeviceChangeHandler == this)
        g_DeviceChangeHandler = nullptr;
}

void TPTDeviceChangeHandler::AddHandler(const void* Subscriber, TPTDeviceChangeEvent Handler) {
    FHandlers.push_back(TEntry{Subscriber, std::move(Handler), FNextId++});
}

void TPTDeviceChangeHandler::RemoveHandler(const void* Subscriber) {
    auto it = std::find_if(FHandlers.begin(), FHandlers.end(),
                           [&](const TEntry& e) { return e.Subscriber == Subscriber; });
    if (it != FHandlers.end())
        FHandlers.erase(it);
}

bool TPTDeviceChangeHandler::WindowProc(TMessage& Message) {
    if (Message.Msg == WM_DEVICECHANGE) {
        // The system's answer stays the default one; subscribers hear of it afterwards. The
        // system's record behind LParam is gone by then, so it is not passed on.
        PostMessageW(Handle(), WM_PTDEVICECHANGE, Message.WParam, 0);
        return false;
    }
    if (Message.Msg != WM_PTDEVICECHANGE)
        return false;
    if (Active) {
        // Subscribers may add or remove entries (their own included) while being called:
        // each is looked up again by id before its turn.
        std::vector<unsigned> ids;
        for (const TEntry& e : FHandlers)
            ids.push_back(e.Id);
        for (unsigned id : ids) {
            auto it = std::find_if(FHandlers.begin(), FHandlers.end(), [&](const TEntry& e) { return e.Id == id; });
            if (it == FHandlers.end())
                continue;
            TPTDeviceChangeEvent handler = it->Handler;
            TMessage copy = Message;
            handler(this, copy);
        }
    }
    Message.Result = 0;
    return true;
}

TPTDeviceChangeHandler* DeviceChangeHandler() {
    if (!g_DeviceChangeHandler)
        g_DeviceChangeHandler = new TPTDeviceChangeHandler; // freed by FreeDeviceChangeHandler
    return g_DeviceChangeHandler;
}

void FreeDeviceChangeHandler() { delete g_DeviceChangeHandler; }
