// The shell pack's hint window: a hint given as a UTF-7 carrier (see UPTUnicode.h) is
// measured and shown as the wide text it carries; any other hint shows as usual.
#pragma once

#include "Forms.h"

class TPTHintWindow : public THintWindow {
public:
    VORLANE_CLASS_NAME(TPTHintWindow)
    using THintWindow::THintWindow;
    RECT CalcHintRect(int MaxWidth, const std::wstring& AHint, void* AData) override;
    void WndProc(TMessage& Message) override;
    // The text the window shows: the caption, decoded when it is a carrier.
    WideString ShownText();

protected:
    void Paint() override;
};
