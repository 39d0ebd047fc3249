// Start-up and shut-down of the shell pack, run once by the program's start-up on the GUI
// thread (and by the pack's tests): COM and OLE for the thread (each undone only when it
// succeeded here), the shell allocator, the library versions, the clipboard formats of
// shell data, the hover metrics, the desktop's colours for compressed and encrypted
// files, and the pack's hint window. Nested calls are counted: only the first start-up
// and the last shut-down act.
#pragma once

#include "System.h"

void PTShellStartup();
void PTShellShutdown();

// PTShellStartup for the life of the object.
class TPTShellPack {
public:
    TPTShellPack() { PTShellStartup(); }
    ~TPTShellPack() { PTShellShutdown(); }
    TPTShellPack(const TPTShellPack&) = delete;
    TPTShellPack& operator=(const TPTShellPack&) = delete;
};

// What the start-up read.
struct TPTShellSettings {
    HRESULT ComResult = E_FAIL;   // CoInitialize
    HRESULT OleResult = E_FAIL;   // OleInitialize
    UINT CFShellIDList = 0;       // "Shell IDList Array"
    UINT CFFileContents = 0;      // "FileContents"
    UINT HoverTime = 400;         // ms
    UINT HoverWidth = 4;          // pixels
    UINT HoverHeight = 4;
    bool ShowCompColor = false;   // draw compressed and encrypted files in colour
    COLORREF AltColor = RGB(0, 0, 255);            // compressed files
    COLORREF AltEncryptionColor = RGB(0, 128, 0);  // encrypted files
};
const TPTShellSettings& PTShellSettings();
bool PTShellStarted();
