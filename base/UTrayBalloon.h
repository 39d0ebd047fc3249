// A notification-area icon with a balloon; a click on the icon or the balloon opens a URL.
#pragma once

#include "Classes.h"
#include "System.h"

#include <shellapi.h>

#include <string>

class TTrayBalloonTip : public TObject {
public:
    VORLANE_CLASS_NAME(TTrayBalloonTip)
    // Adds the icon (the application's icon) with Hint as its tooltip.
    explicit TTrayBalloonTip(const std::wstring& Hint);
    // Removes the icon and its window.
    ~TTrayBalloonTip() override;

    // Shows the balloon (texts cut to what the system takes: title 63, text 255 characters).
    void ShowBalloon(const std::wstring& Title, const std::wstring& Text);
    void SetUrl(const std::wstring& AUrl) { Url = AUrl; }

    std::wstring Url;
    // The icon's record as last given to the system.
    const NOTIFYICONDATAW& IconData() const { return FData; }
    HWND Window() const { return FWindow; }
    // The callback message of the icon.
    static constexpr UINT CallbackMessage = 30296;

private:
    static LRESULT CALLBACK WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    void IconMessage(LPARAM Event);
    NOTIFYICONDATAW FData{};
    HWND FWindow = nullptr;
};

// Copies Text into a fixed buffer of Size characters (terminated), cut so that at most
// Size - 1 characters are kept and no surrogate pair is split.
void CopyToFixedBuffer(wchar_t* Buffer, size_t Size, const std::wstring& Text);

// The balloon of the program: made with Hint as tooltip on first use, then shown.
void ShowTrayBalloon(const std::wstring& Title, const std::wstring& Text, const std::wstring& Hint);
// The balloon object (null when none is shown).
TTrayBalloonTip* TrayBalloon();
// Removes the icon.
void FreeTrayBalloon();
