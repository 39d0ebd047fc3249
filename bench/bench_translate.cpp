// The interface translation in figures:
//   - a language file with every key (421) applied to stand-ins of the two windows: load,
//     put the earlier texts back and apply, as one switch of language costs;
//   - the language picker's rows for 30 language files.
//   scripts/wine.sh NAME build/bench/bench_translate.exe
#include "BenchTiming.h"
#include "FTranslate.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UTranslator.h"

#include <cstdio>
#include <string>

namespace {

std::wstring TempFolder() {
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, path);
    std::wstring dir = std::wstring(path) + L"vorlane-bench-translate";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void WriteUtf16(const std::wstring& FileName, const std::wstring& Text) {
    HANDLE f = CreateFileW(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "\xFF\xFE", 2, &written, nullptr);
    WriteFile(f, Text.data(), static_cast<DWORD>(Text.size() * 2), &written, nullptr);
    CloseHandle(f);
}

} // namespace

int wmain() {
    const std::wstring dir = TempFolder();
    for (const wchar_t* code : {L"de", L"fr"}) {
        std::wstring file = L"[Translator]\r\nName=Bench\r\nWebSite=http://b/\r\n[main]\r\n";
        for (const auto* steps : {&LangStringSteps(), &LangShellSteps()})
            for (const TLangStep& step : *steps)
                if (!step.Key.empty())
                    file += step.Key + L" = " + code + L" text of " + step.Key + L"|line two\r\n";
        WriteUtf16(dir + L"\\vorlane.lang." + code, file);
    }

    TComponent main(nullptr);
    for (const std::wstring& name : LangMenuItemNames()) {
        auto* item = new TTntMenuItem(&main);
        item->SetName(name);
        item->SetCaption(name);
    }
    TTntLabel debug(nullptr);
    TUiTranslator t;
    RegisterViewerTexts(t.Texts);
    t.SetOwner(TLangOwner::Main, &main);
    t.SetOwner(TLangOwner::Debug, &debug);

    long long written = 0;
    int turn = 0;
    const double apply = bench::Measure(21, [&] {
        return static_cast<long long>(t.Translate(dir, ++turn % 2 ? L"de" : L"fr").Written);
    }, written);
    std::printf("switch of language, %lld texts written (file read, texts put back, file applied): %.2f ms\n",
                written, apply * 1e3);
    t.Restore();

    for (int i = 0; i < 28; ++i)
        WriteUtf16(dir + L"\\vorlane.lang.x" + std::to_wstring(i), L"[Translator]\r\nLanguage=L" + std::to_wstring(i) +
                                                                      L"\r\nName=N\r\n[main]\r\nmmnuPage=P\r\n");
    long long rows = 0;
    const double list = bench::Measure(11, [&] { return static_cast<long long>(ListLanguageRows(dir).size()); }, rows);
    std::printf("language picker rows for %lld files: %.2f ms\n", rows - 1, list * 1e3);

    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do
            DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
        while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
    return 0;
}
