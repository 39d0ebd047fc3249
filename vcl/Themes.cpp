#include "Themes.h"

namespace {

using TIsThemeActive = BOOL(WINAPI*)();
using TOpenThemeData = HANDLE(WINAPI*)(HWND, LPCWSTR);
using TCloseThemeData = HRESULT(WINAPI*)(HANDLE);
using TDrawThemeBackground = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);

// Plain function pointers: the library stays loaded for the whole process, so theme data
// freed late (during static destruction) still finds its closing function.
struct TThemeApi {
    TIsThemeActive IsThemeActive = nullptr;
    TOpenThemeData OpenThemeData = nullptr;
    TCloseThemeData CloseThemeData = nullptr;
    TDrawThemeBackground DrawThemeBackground = nullptr;
    bool Complete() const { return IsThemeActive && OpenThemeData && CloseThemeData && DrawThemeBackground; }
};

template <class F>
void Bind(HMODULE lib, F& fn, const char* name) {
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

const TThemeApi& Api() {
    static const TThemeApi api = [] {
        TThemeApi a;
        if (HMODULE lib = LoadLibraryW(L"uxtheme.dll")) {
            Bind(lib, a.IsThemeActive, "IsThemeActive");
            Bind(lib, a.OpenThemeData, "OpenThemeData");
            Bind(lib, a.CloseThemeData, "CloseThemeData");
            Bind(lib, a.DrawThemeBackground, "DrawThemeBackground");
        }
        return a;
    }();
    return api;
}

} // namespace

void TThemeDataTraits::Close(Handle h) noexcept {
    if (Api().CloseThemeData)
        Api().CloseThemeData(h);
}

bool ThemesAvailable() { return Api().Complete(); }

bool ThemesActive() { return ThemesAvailable() && Api().IsThemeActive(); }

TThemeData::TThemeData(HWND Wnd, const wchar_t* ClassList) {
    if (ThemesActive())
        FTheme.Reset(Api().OpenThemeData(Wnd, ClassList));
}

bool TThemeData::DrawBackground(HDC DC, int Part, int State, const RECT& Rect) const {
    return FTheme && SUCCEEDED(Api().DrawThemeBackground(FTheme.Get(), DC, Part, State, &Rect, nullptr));
}
