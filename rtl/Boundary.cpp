#include "Boundary.h"

#include "SysUtils.h"
#include "System.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex g_HandlerLock;

void DefaultHandler(const wchar_t* where, const std::wstring& className, const std::wstring& message) {
    std::wstring line = std::wstring(where ? where : L"?") + L" > Exception Caught - " + className + L": " +
                        message + L"\n";
    OutputDebugStringW(line.c_str());
    std::string narrow = WideToUtf8(line);
    fputs(narrow.c_str(), stderr);
    fflush(stderr);
}

TBoundaryHandler& Handler() {
    static TBoundaryHandler handler = DefaultHandler;
    return handler;
}
} // namespace

TBoundaryHandler SetBoundaryHandler(TBoundaryHandler handler) {
    std::lock_guard<std::mutex> lock(g_HandlerLock);
    TBoundaryHandler old = Handler();
    Handler() = handler ? std::move(handler) : TBoundaryHandler(DefaultHandler);
    return old;
}

void ReportCurrentException(const wchar_t* where) noexcept {
    std::wstring cls = L"unknown";
    std::wstring msg;
    try {
        try {
            throw;
        } catch (const Exception& e) {
            cls = e.ClassName();
            msg = e.Message();
        } catch (const std::exception& e) {
            cls = L"std::exception";
            msg = Utf8ToWide(e.what());
        } catch (...) {
        }
        TBoundaryHandler handler;
        {
            std::lock_guard<std::mutex> lock(g_HandlerLock);
            handler = Handler();
        }
        handler(where, cls, msg);
    } catch (...) {
        // The handler itself failed: nothing more can be done safely here.
        OutputDebugStringW(L"exception handler failed\n");
    }
}
