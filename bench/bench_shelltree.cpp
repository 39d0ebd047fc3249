// Figures of the shell folder tree: filling it on a folder that holds one folder of 2,000
// subfolders, opening that folder (its 2,000 nodes made and sorted), and a refresh after one
// new subfolder (every other node kept).
//   scripts/wine.sh NAME build/bench/bench_shelltree.exe
#include "BenchTiming.h"

#include "Forms.h"
#include "UPTShellStartup.h"
#include "UPTShellTree.h"

#include <cstdio>
#include <string>

namespace {

constexpr int FolderCount = 2000;

class TBenchForm : public TForm {
public:
    VORLANE_CLASS_NAME(TBenchForm)
    explicit TBenchForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(0, 0, 400, 600); }
};

std::wstring MakeFolders() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + L"vorlane-bench-shelltree-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    CreateDirectoryW((dir + L"\\big").c_str(), nullptr);
    for (int i = 0; i < FolderCount; ++i)
        CreateDirectoryW((dir + L"\\big\\folder " + std::to_wstring((i * 7919) % FolderCount)).c_str(), nullptr);
    return dir;
}

void RemoveFolders(const std::wstring& Dir) {
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((Dir + L"\\big\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            if (fd.cFileName[0] != L'.')
                RemoveDirectoryW((Dir + L"\\big\\" + fd.cFileName).c_str());
        } while (FindNextFileW(f, &fd));
        FindClose(f);
    }
    RemoveDirectoryW((Dir + L"\\big").c_str());
    RemoveDirectoryW(Dir.c_str());
}

} // namespace

int wmain() {
    TPTShellPack pack;
    const std::wstring dir = MakeFolders();
    {
        TBenchForm form(nullptr);
        auto* tree = new TPTShellTree(&form);
        tree->SetParent(&form);
        tree->SetAlign(alClient);
        tree->SetOptions(tree->Options() & ~ptstoDynamicRefresh);
        form.Show();
        tree->Root()->SetPath(dir);
        long long count = 0;
        const double fill = bench::Measure(5, [&] {
            tree->Fill();
            return static_cast<long long>(tree->Items()->Count());
        }, count);
        std::printf("Fill (root and its one folder): %.2f ms, %lld nodes\n", fill * 1000, count);

        const double expand = bench::Measure(5, [&] {
            tree->Fill();
            TTreeNode* big = tree->Items()->GetFirstNode()->GetFirstChild();
            big->Expand(false);
            return static_cast<long long>(big->Count());
        }, count);
        std::printf("Fill and opening a folder of %lld subfolders: %.1f ms\n", count, expand * 1000);

        TTreeNode* big = tree->Items()->GetFirstNode()->GetFirstChild();
        TTreeNode* first = big->GetFirstChild();
        int n = 0;
        const double refresh = bench::Measure(5, [&] {
            CreateDirectoryW((dir + L"\\big\\new " + std::to_wstring(n++)).c_str(), nullptr);
            tree->Refresh();
            return static_cast<long long>(big->GetFirstChild() == first || big->Count() > FolderCount ? 1 : 0);
        }, count);
        std::printf("Refresh after one new subfolder (nodes kept: %s): %.1f ms, %d nodes below\n",
                    count ? "yes" : "no", refresh * 1000, big->Count());
    }
    RemoveFolders(dir);
    return 0;
}
