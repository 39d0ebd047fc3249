// Figures of the shell folder list on a folder of 5,000 files: the full fill, a refresh
// after one new file (the other items kept), sorting by each column, and drawing the report
// view once (every shown row asks for its texts and icon).
//   scripts/wine.sh NAME build/bench/bench_shelllist.exe
#include "BenchTiming.h"

#include "Forms.h"
#include "UPTShellList.h"
#include "UPTShellStartup.h"

#include <cstdio>
#include <string>

namespace {

constexpr int FileCount = 5000;

class TBenchForm : public TForm {
public:
    VORLANE_CLASS_NAME(TBenchForm)
    explicit TBenchForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(0, 0, 800, 600); }
};

std::wstring MakeFolder() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + L"vorlane-bench-shelllist-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    for (int i = 0; i < FileCount; ++i) {
        const std::wstring name = dir + L"\\file " + std::to_wstring((i * 7919) % FileCount) + L".txt";
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        const std::string body(static_cast<size_t>(i % 3000), 'x');
        WriteFile(h, body.data(), static_cast<DWORD>(body.size()), &written, nullptr);
        CloseHandle(h);
    }
    return dir;
}

void RemoveFolder(const std::wstring& Dir) {
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((Dir + L"\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((Dir + L"\\" + fd.cFileName).c_str());
        } while (FindNextFileW(f, &fd));
        FindClose(f);
    }
    RemoveDirectoryW(Dir.c_str());
}

} // namespace

int wmain() {
    TPTShellPack pack;
    const std::wstring dir = MakeFolder();
    {
        TBenchForm form(nullptr);
        auto* list = new TPTShellList(&form);
        list->SetParent(&form);
        list->SetAlign(alClient);
        list->SetOptions(list->Options() & ~ptsloDynamicRefresh);
        form.Show();
        list->Folder()->SetPath(dir);
        long long count = 0;
        const double fill = bench::Measure(5, [&] {
            list->Fill();
            return static_cast<long long>(list->Items()->Count());
        }, count);
        std::printf("Fill of %lld items: %.1f ms\n", count, fill * 1000);

        TListItem* first = list->Items()->Item(0);
        int n = 0;
        const double refresh = bench::Measure(5, [&] {
            const std::wstring name = dir + L"\\new " + std::to_wstring(n++) + L".txt";
            CloseHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            list->Refresh();
            return static_cast<long long>(list->Items()->IndexOf(first) >= 0 ? 1 : 0);
        }, count);
        std::printf("Refresh after one new file (items kept: %s): %.1f ms, %d items\n", count ? "yes" : "no",
                    refresh * 1000, list->Items()->Count());

        for (int column = 1; column <= list->Columns()->Count(); ++column) {
            int direction = 1;
            const double sort = bench::Measure(5, [&] {
                direction = -direction;
                list->SetSortColumn(direction * column);
                return 1LL;
            }, count);
            std::printf("Sort by column %d (%ls): %.1f ms\n", column, list->Columns()->Items(column - 1)->Caption().c_str(),
                        sort * 1000);
        }
        list->SetSortColumn(1);
        const double paint = bench::Measure(5, [&] {
            RedrawWindow(list->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
            return 1LL;
        }, count);
        std::printf("Drawing the visible rows: %.1f ms\n", paint * 1000);
    }
    RemoveFolder(dir);
    return 0;
}
