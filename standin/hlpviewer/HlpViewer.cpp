// Stand-in runtime viewer: records its command line and ends.
#include "StFiles.h"
#include "StText.h"

#include <windows.h>

using namespace standin;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        std::wstring path = ExpandEnv(Trim(GetEnv(L"STANDIN_HLPVIEWER_LOG")));
        if (path.empty()) path = IncludeTrailingBackslash(ModuleFolder()) + L"HlpViewer.log";
        AppendFileBytes(path, ToUtf8(CommandLineArgs()) + "\r\n");
        return 0;
    } catch (...) {
        return 5;
    }
}
