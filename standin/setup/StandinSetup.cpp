// Installs the stand-in help runtime into the running Windows (Wine) system: registry values
// in the chosen views, the AppRoot folder with the programs and a Microsoft.Help.dll variant,
// the LocalStore with manifest, scopes and packages, and HelpClient.cfg files.
// Usage: see standin/README.md or run with --help.
#include "StFiles.h"
#include "StRegistry.h"
#include "StRuntime.h"
#include "StText.h"

#include <windows.h>

#include <cstdio>
#include <vector>

using namespace standin;

namespace {

struct Options {
    std::wstring from, appRoot, localStore;
    std::wstring registry = L"both";  // 64 | 32 | both | none
    bool help3 = false, alt32 = false, clean = false, uninstall = false;
    std::wstring dll = L"1.0.40219.1";
    bool hlpViewer = true, agent = true, manager = true;
    std::wstring store = L"sample";  // sample | large | none
    int largeTopics = 50000, largeKeywords = 300000, seed = 1;
    int bigNode = 0;  // children of the big-node package's one entry (0: no such package)
    std::wstring manifestName = L"queryManifest.3.xml";
    std::wstring helpMode = L"offline";  // machine HelpClient.cfg in AppRoot; "none": no file
    std::wstring userHelpMode;           // per-user file: empty = untouched, "delete" = removed
    std::wstring userCfg;
    std::wstring port, portDword, listenerPort, progId;
    std::vector<std::pair<std::wstring, std::wstring>> set64, set32;
};

void Usage() {
    std::fputs(
        "StandinSetup [options]\n"
        "  --approot DIR          runtime programs (default C:\\Program Files\\Microsoft Help Viewer\\v1.0)\n"
        "  --localstore DIR       help store (default C:\\ProgramData\\Microsoft\\HelpLibrary)\n"
        "  --registry 64|32|both|none   views that get the v1.0 values (default both)\n"
        "  --alt32                32-bit view gets other (wrong) folders; the 64-bit view must win\n"
        "  --help3                pre-release layout: Help3 key, MSHelpListener.exe, no HlpViewer.exe\n"
        "  --listener-port N      ListenerPort of the Help3 key\n"
        "  --port N | --port-dword N   AgentPort as text or as REG_DWORD (default: not written)\n"
        "  --set64 NAME=VALUE | --set32 NAME=VALUE   extra text values of the v1.0 key in one view\n"
        "  --progid VALUE         HelpViewerProgID (64-bit view)\n"
        "  --dll VERSION|none     Microsoft.Help.dll variant: 1.0.30128.0 1.0.30306.0 1.0.30306.1\n"
        "                         1.0.40219.1 (default) 10.0.30319.1\n"
        "  --no-hlpviewer --no-agent --no-manager   leave a program out\n"
        "  --store sample|large|none   store content (large adds a generated package)\n"
        "  --topics N --keywords N --seed N   size of the generated package\n"
        "  --big-node N           a further package: one top-level entry with N children\n"
        "  --manifest-name NAME   manifest file name (default queryManifest.3.xml)\n"
        "  --helpmode MODE|none   machine HelpClient.cfg in AppRoot (default offline)\n"
        "  --user-helpmode MODE|delete   per-user HelpClient.cfg\n"
        "  --user-cfg FILE        per-user HelpClient.cfg location (default in local app data)\n"
        "  --clean                remove earlier keys and folders first\n"
        "  --uninstall            remove keys and folders, install nothing\n"
        "  --from DIR             folder of the built stand-in files (default: this program's folder)\n",
        stdout);
}

bool CopyTree(const std::wstring& from, const std::wstring& to, const std::wstring& localStore) {
    if (!ForceDirectories(to)) return false;
    bool ok = true;
    for (auto& f : ListFolder(from, L"*", false)) {
        std::wstring src = IncludeTrailingBackslash(from) + f, dst = IncludeTrailingBackslash(to) + f;
        if (EndsWithNoCase(f, L".xml")) {
            std::string bytes;
            ok = ReadFileBytes(src, bytes) && ok;
            std::wstring text = FromUtf8(bytes);
            text = ReplaceAll(text, L"@LOCALSTORE@", localStore);
            ok = WriteFileBytes(dst, ToUtf8(text)) && ok;
        } else {
            ok = CopyFileW(src.c_str(), dst.c_str(), FALSE) && ok;
        }
    }
    for (auto& d : ListFolder(from, L"*", true))
        ok = CopyTree(IncludeTrailingBackslash(from) + d, IncludeTrailingBackslash(to) + d, localStore) && ok;
    return ok;
}

bool Fail(const std::wstring& what) {
    std::fwprintf(stderr, L"StandinSetup: %ls\n", what.c_str());
    return false;
}

bool CopyProgram(const Options& o, const std::wstring& name, const std::wstring& as) {
    std::wstring src = IncludeTrailingBackslash(o.from) + name, dst = IncludeTrailingBackslash(o.appRoot) + as;
    if (!CopyFileW(src.c_str(), dst.c_str(), FALSE)) return Fail(L"cannot copy " + src + L" to " + dst);
    return true;
}

void RemoveEverything(const Options& o) {
    for (RegView v : {RegView::View64, RegView::View32}) {
        RegDeleteKeyTree(kHelpKey, v);
        RegDeleteKeyTree(kHelp3Key, v);
    }
    if (!o.appRoot.empty()) DeleteTree(o.appRoot);
    if (!o.localStore.empty()) DeleteTree(o.localStore);
}

bool WriteRegistry(const Options& o) {
    std::vector<RegView> views;
    if (o.registry == L"64" || o.registry == L"both") views.push_back(RegView::View64);
    if (o.registry == L"32" || o.registry == L"both") views.push_back(RegView::View32);
    const wchar_t* key = o.help3 ? kHelp3Key : kHelpKey;
    for (RegView v : views) {
        bool alt = o.alt32 && v == RegView::View32;
        std::wstring app = alt ? o.appRoot + L"-wow32" : o.appRoot, store = alt ? o.localStore + L"-wow32" : o.localStore;
        if (!RegWriteString(key, L"AppRoot", app + L"\\", v)) return Fail(L"cannot write the registry");
        if (o.store != L"none") RegWriteString(key, L"LocalStore", store + L"\\", v);
        if (!o.help3 && !o.port.empty()) RegWriteString(key, L"AgentPort", o.port, v);
        if (!o.help3 && !o.portDword.empty()) RegWriteDword(key, L"AgentPort", (unsigned)ParseNumber(o.portDword), v);
        if (o.help3 && !o.listenerPort.empty()) RegWriteString(key, L"ListenerPort", o.listenerPort, v);
    }
    for (auto& kv : o.set64) RegWriteString(kHelpKey, kv.first, kv.second, RegView::View64);
    for (auto& kv : o.set32) RegWriteString(kHelpKey, kv.first, kv.second, RegView::View32);
    if (!o.progId.empty()) RegWriteString(kHelpKey, L"HelpViewerProgID", o.progId, RegView::View64);
    return true;
}

bool InstallStore(const Options& o) {
    std::wstring src = IncludeTrailingBackslash(o.from) + L"store\\sample";
    if (!DirExists(src)) return Fail(L"no store template in " + src);
    if (!CopyTree(src, o.localStore, o.localStore)) return Fail(L"cannot copy the store to " + o.localStore);
    std::wstring manifestDir = IncludeTrailingBackslash(o.localStore) + L"manifest";
    std::wstring manifest = manifestDir + L"\\queryManifest.3.xml";
    std::wstring text;
    ReadTextFile(manifest, text);
    std::wstring generated;
    if (o.store == L"large") {
        generated = L"<contentFile fileName=\"vs_generated.mshc\" vendorPath=\"Microsoft\\store\" />";
        std::wstring pkg = IncludeTrailingBackslash(o.localStore) + L"content\\Microsoft\\store\\vs_generated.mshc";
        ForceDirectories(pkg);
        std::string ini = "topics=" + std::to_string(o.largeTopics) + "\r\nkeywords=" +
                          std::to_string(o.largeKeywords) + "\r\nseed=" + std::to_string(o.seed) +
                          "\r\nfanout=12\r\nbignodes=3\r\nbigfanout=400\r\nversions=100,95,90\r\nlocales=en-US,de-DE\r\n";
        WriteFileBytes(pkg + L"\\generate.ini", ini);
    }
    if (o.bigNode > 0) {
        generated += L"<contentFile fileName=\"vs_bignode.mshc\" vendorPath=\"Microsoft\\store\" />";
        std::wstring pkg = IncludeTrailingBackslash(o.localStore) + L"content\\Microsoft\\store\\vs_bignode.mshc";
        ForceDirectories(pkg);
        std::string ini = "topics=" + std::to_string(o.bigNode + 1) +
                          "\r\nkeywords=0\r\nflat=1\r\nrootid=gen-big-node\r\nroottitle=Generated Big Node\r\n";
        WriteFileBytes(pkg + L"\\generate.ini", ini);
    }
    text = ReplaceAll(text, L"<!--@GENERATED@-->", generated);
    DeleteFileW(manifest.c_str());
    if (!WriteFileBytes(manifestDir + L"\\" + o.manifestName, ToUtf8(text))) return Fail(L"cannot write the manifest");
    // Catalog folders the clients probe, named as listed (their case is part of the test data).
    std::wstring folders;
    std::wstring list = IncludeTrailingBackslash(o.localStore) + L"folders.txt";
    if (ReadTextFile(list, folders))
        for (auto& f : Split(folders, L'\n'))
            if (!Trim(f).empty()) ForceDirectories(IncludeTrailingBackslash(o.localStore) + Trim(f));
    DeleteFileW(list.c_str());
    return true;
}

bool Install(const Options& o) {
    if (!ForceDirectories(o.appRoot)) return Fail(L"cannot create " + o.appRoot);
    if (o.agent && !CopyProgram(o, L"HelpLibAgent.exe", o.help3 ? L"MSHelpListener.exe" : L"HelpLibAgent.exe"))
        return false;
    if (o.manager && !CopyProgram(o, L"HelpLibManager.exe", L"HelpLibManager.exe")) return false;
    if (o.hlpViewer && !o.help3 && !CopyProgram(o, L"HlpViewer.exe", L"HlpViewer.exe")) return false;
    if (o.dll != L"none" && !CopyProgram(o, L"dll\\" + o.dll + L"\\Microsoft.Help.dll", L"Microsoft.Help.dll"))
        return false;
    if (o.helpMode != L"none" &&
        !WriteFileBytes(IncludeTrailingBackslash(o.appRoot) + L"HelpClient.cfg", FreshHelpClientCfg(o.helpMode)))
        return Fail(L"cannot write HelpClient.cfg");
    if (!o.userHelpMode.empty()) {
        std::wstring user = o.userCfg.empty() ? DefaultUserHelpClientCfg() : o.userCfg;
        if (o.userHelpMode == L"delete") {
            DeleteFileW(user.c_str());
        } else {
            ForceDirectories(ExtractFileDir(user));
            if (!WriteFileBytes(user, FreshHelpClientCfg(o.userHelpMode))) return Fail(L"cannot write " + user);
        }
    }
    if (o.store != L"none" && !InstallStore(o)) return false;
    if (o.registry != L"none" && !WriteRegistry(o)) return false;
    return true;
}

bool TakeSet(const std::wstring& arg, std::vector<std::pair<std::wstring, std::wstring>>& into) {
    size_t eq = arg.find(L'=');
    if (eq == std::wstring::npos) return false;
    into.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        Options o;
        o.from = ModuleFolder();
        o.appRoot = L"C:\\Program Files\\Microsoft Help Viewer\\v1.0";
        o.localStore = L"C:\\ProgramData\\Microsoft\\HelpLibrary";
        for (int i = 1; i < argc; ++i) {
            std::wstring a = argv[i];
            auto next = [&]() -> std::wstring {
                if (i + 1 >= argc) throw std::wstring(L"missing value after " + a);
                return argv[++i];
            };
            if (a == L"--help" || a == L"-h") { Usage(); return 0; }
            else if (a == L"--approot") o.appRoot = next();
            else if (a == L"--localstore") o.localStore = next();
            else if (a == L"--registry") o.registry = next();
            else if (a == L"--alt32") o.alt32 = true;
            else if (a == L"--help3") o.help3 = true;
            else if (a == L"--listener-port") o.listenerPort = next();
            else if (a == L"--port") o.port = next();
            else if (a == L"--port-dword") o.portDword = next();
            else if (a == L"--set64") { if (!TakeSet(next(), o.set64)) throw std::wstring(L"--set64 needs NAME=VALUE"); }
            else if (a == L"--set32") { if (!TakeSet(next(), o.set32)) throw std::wstring(L"--set32 needs NAME=VALUE"); }
            else if (a == L"--progid") o.progId = next();
            else if (a == L"--dll") o.dll = next();
            else if (a == L"--no-hlpviewer") o.hlpViewer = false;
            else if (a == L"--no-agent") o.agent = false;
            else if (a == L"--no-manager") o.manager = false;
            else if (a == L"--store") o.store = next();
            else if (a == L"--topics") o.largeTopics = (int)ParseNumber(next());
            else if (a == L"--keywords") o.largeKeywords = (int)ParseNumber(next());
            else if (a == L"--seed") o.seed = (int)ParseNumber(next());
            else if (a == L"--big-node") o.bigNode = (int)ParseNumber(next());
            else if (a == L"--manifest-name") o.manifestName = next();
            else if (a == L"--helpmode") o.helpMode = next();
            else if (a == L"--user-helpmode") o.userHelpMode = next();
            else if (a == L"--user-cfg") o.userCfg = next();
            else if (a == L"--clean") o.clean = true;
            else if (a == L"--uninstall") o.uninstall = true;
            else if (a == L"--from") o.from = next();
            else throw std::wstring(L"unknown option " + a);
        }
        while (o.appRoot.size() > 3 && o.appRoot.back() == L'\\') o.appRoot.pop_back();
        while (o.localStore.size() > 3 && o.localStore.back() == L'\\') o.localStore.pop_back();
        if (o.store != L"sample" && o.store != L"large" && o.store != L"none") throw std::wstring(L"bad --store value");
        if (o.registry != L"64" && o.registry != L"32" && o.registry != L"both" && o.registry != L"none")
            throw std::wstring(L"bad --registry value");
        if (o.uninstall || o.clean) RemoveEverything(o);
        if (o.uninstall) return 0;
        if (!Install(o)) return 1;
        std::wprintf(L"AppRoot=%ls\nLocalStore=%ls\nAgent=%ls\\%ls\n", o.appRoot.c_str(),
                     o.store == L"none" ? L"" : o.localStore.c_str(), o.appRoot.c_str(),
                     o.help3 ? L"MSHelpListener.exe" : L"HelpLibAgent.exe");
        return 0;
    } catch (const std::wstring& e) {
        std::fwprintf(stderr, L"StandinSetup: %ls\n", e.c_str());
        return 2;
    } catch (...) {
        std::fputs("StandinSetup: unexpected failure\n", stderr);
        return 3;
    }
}
