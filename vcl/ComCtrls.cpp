// The common controls are split by control (ListView, TreeView, StatusBar, ToolBar,
// PageControl, ProgressBar, RichEdit); ComCtrls.h is their include point. Here: what they share.
#include "ComCtrls.h"

#include <algorithm>

void CopyToTextBuffer(const std::wstring& Text, wchar_t* Buffer, int Size) {
    if (!Buffer || Size < 1)
        return;
    size_t n = std::min(Text.size(), static_cast<size_t>(Size - 1));
    std::copy_n(Text.data(), n, Buffer);
    Buffer[n] = L'\0';
}
