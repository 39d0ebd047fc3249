#include "TntClipbrd.h"

#include <memory>
#include <string>

WideString TTntClipboard::AsWideText() { return AsText(); }

void TTntClipboard::SetAsWideText(const WideString& Value) {
    Open();
    struct Closer {
        TTntClipboard* c;
        ~Closer() { c->Close(); }
    } closer{this};
    Clear();
    SetBuffer(CF_UNICODETEXT, Value.c_str(), (Value.size() + 1) * sizeof(wchar_t));
    int n = WideCharToMultiByte(CP_ACP, 0, Value.c_str(), static_cast<int>(Value.size()) + 1, nullptr, 0, nullptr,
                                nullptr);
    if (n > 0) {
        std::string ansi(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, Value.c_str(), static_cast<int>(Value.size()) + 1, ansi.data(), n, nullptr,
                            nullptr);
        SetBuffer(CF_TEXT, ansi.data(), ansi.size());
    }
}

TTntClipboard* TntClipboard() {
    static std::unique_ptr<TTntClipboard> instance = std::make_unique<TTntClipboard>();
    return instance.get();
}
