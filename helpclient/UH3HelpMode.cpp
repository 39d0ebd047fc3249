// The help-mode file.
#include "UH3HelpMode.h"

#include "Handles.h"
#include "HtmlTags.h"
#include "UH3_Code.h"
#include "SysUtils.h"
#include "UAuxFile.h"
#include "UUnicode.h"
#include "USuperFind.h"
#include "UUtilsW.h"

#include <shlobj.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>

unsigned HelpModeRetryDelayMs = 100;
void (*HelpModePause)(unsigned Ms) = [](unsigned Ms) { Sleep(Ms); };

namespace {

// The helpmode entry of a loaded file: where its tag lies and what it says.
struct THelpModeEntry {
    bool Found = false;
    int TagStart = 0;   // 1-based position of '<'
    int TagLength = 0;
    std::wstring Value;
};

// The first add tag with key "helpmode" after an appSettings start tag (names and the key
// compared ignoring A-Z case). Tags before the first appSettings do not count.
THelpModeEntry FindHelpModeEntry(const std::wstring& Text) {
    THelpModeEntry entry;
    THTML_TagRipper ripper(Text);
    bool inSettings = false;
    int pos = 1;
    while (ripper.NextTag(pos)) {
        if (ripper.IsEndTag) continue;
        const std::wstring name = ripper.TagName();
        if (!inSettings) {
            inSettings = SameText(name, L"appSettings");
            continue;
        }
        if (SameText(name, L"add") && SameText(ripper.GetAttribute(L"key"), L"helpmode")) {
            entry.Found = true;
            entry.TagStart = ripper.TagStart;
            entry.TagLength = ripper.TagLength;
            entry.Value = ripper.GetAttribute(L"value");
            break;
        }
    }
    return entry;
}

enum class TCfgRead { Read, Unreadable, TooLarge };

// File's text, read without a word to the user: Attempts attempts HelpModeRetryDelayMs apart
// (another program may hold the file for a moment), nothing over MaxConfigFileBytes.
TCfgRead ReadCfgText(const std::wstring& File, std::wstring& Text, int Attempts = 3) {
    Text.clear();
    if (!FileWithinSize(File, MaxConfigFileBytes)) return TCfgRead::TooLarge;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (attempt > 0) HelpModePause(HelpModeRetryDelayMs);
        TFileHandle h(CreateFileW(FileSystemPath(File).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        LARGE_INTEGER size{};
        if (!h || !GetFileSizeEx(h.Get(), &size)) continue;
        if (size.QuadPart > MaxConfigFileBytes) return TCfgRead::TooLarge;
        std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        if (!bytes.empty() &&
            (!ReadFile(h.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size()))
            continue;
        bool bom = false;
        BufferToWide(-1, bytes, GetEncoding(bytes, reqDetect, bom), Text);
        return TCfgRead::Read;
    }
    return TCfgRead::Unreadable;
}

// What the reads of this run know: the last mode read from each file, the files whose last
// read failed, and the files the user has been told about (once per file and run: the
// caption reads the mode at every activation of the window).
std::mutex g_ModeLock;
std::map<std::wstring, std::wstring>& LastModes() {
    static std::map<std::wstring, std::wstring> modes;
    return modes;
}
std::set<std::wstring>& FailedFiles() {
    static std::set<std::wstring> failed;
    return failed;
}
std::set<std::wstring>& ToldFiles() {
    static std::set<std::wstring> told;
    return told;
}

void TellOnce(const std::wstring& File, TCfgRead Result) {
    {
        std::lock_guard<std::mutex> lock(g_ModeLock);
        if (!ToldFiles().insert(LowerCase(File)).second) return;
    }
    UserMessage(miError, L"Error",
                Result == TCfgRead::TooLarge
                    ? FileTooLargeText(File, MaxConfigFileBytes)
                    : L"Could not read the help mode file (is another program holding it open?):\r" + File +
                          L"\r\rThe last known help mode is kept.",
                mbOk);
}

// Loads File for an edit, after a quiet read has shown that it can be read; null when not.
std::unique_ptr<TSuperFind> LoadForEdit(const std::wstring& File) {
    std::wstring text;
    if (ReadCfgText(File, text) != TCfgRead::Read) return nullptr;
    auto file = std::make_unique<TSuperFind>(File);
    return file->IsOK() ? std::move(file) : nullptr;
}

std::wstring EntryText(const std::wstring& Mode) {
    return L"<add key=\"helpmode\" value=\"" + Mode + L"\" />";
}

bool SaveFailed(const std::wstring& File) {
    MsgBoxW(L"Could not save cfg file: " + File);
    return false;
}

// Writes Bytes as the whole content of a new (or emptied) file.
bool WriteWholeFile(const std::wstring& File, const std::string& Bytes) {
    TFileHandle h(CreateFileW(FileSystemPath(File).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    DWORD written = 0;
    const bool ok = WriteFile(h.Get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr) &&
                    written == Bytes.size();
    const bool closed = CloseHandle(h.Release()) != FALSE; // a failing close loses data too
    if (!ok || !closed) {
        DeleteFileW(FileSystemPath(File).c_str());
        return false;
    }
    return true;
}

} // namespace

std::wstring HelpModeUserFile() {
    std::wstring folder;
    if (!GetSpecialFolderW(CSIDL_LOCAL_APPDATA, folder)) return std::wstring();
    ExcludeTrailingBackslashW(folder);
    return folder + L"\\Microsoft\\HelpLibrary\\HelpClient.cfg";
}

std::wstring HelpModeMachineFile(const std::wstring& AppRoot) {
    if (AppRoot.empty()) return std::wstring();
    return AppRoot + L"\\HelpClient.cfg";
}

std::wstring ReadHelpMode(const std::wstring& UserFile, const std::wstring& MachineFile) {
    std::wstring file;
    if (!UserFile.empty() && FileExistsW(UserFile)) file = UserFile;
    else if (!MachineFile.empty() && FileExistsW(MachineFile)) file = MachineFile;
    else return std::wstring();

    const std::wstring key = LowerCase(file);
    // A file that could not be read last time is tried once, without a pause, until it reads
    // again: the start reads the mode many times (the caption, every agent check), and held
    // open it would cost the pauses of every read.
    bool failedBefore;
    {
        std::lock_guard<std::mutex> lock(g_ModeLock);
        failedBefore = FailedFiles().count(key) > 0;
    }
    std::wstring text;
    const TCfgRead read = ReadCfgText(file, text, failedBefore ? 1 : 3);
    if (read != TCfgRead::Read) {
        TellOnce(file, read);
        std::lock_guard<std::mutex> lock(g_ModeLock);
        FailedFiles().insert(key);
        const auto known = LastModes().find(key);
        return known == LastModes().end() ? std::wstring() : known->second;
    }
    const std::wstring mode = FindHelpModeEntry(text).Value;
    std::lock_guard<std::mutex> lock(g_ModeLock);
    FailedFiles().erase(key);
    LastModes()[key] = mode;
    return mode;
}

std::string FreshHelpModeFile(const std::wstring& Mode) {
    std::wstring text;
    text += L"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n";
    text += L"<configuration>\r\n";
    text += L"<appSettings>\r\n";
    text += L"   " + EntryText(Mode) + L"\r\n";
    text += L"</appSettings>\r\n";
    text += L"</configuration>\r\n";
    return WideToUtf8(text);
}

bool WriteHelpMode(const std::wstring& UserFile, const std::wstring& Mode) {
    if (UserFile.empty()) return SaveFailed(UserFile);

    if (!FileExistsW(UserFile)) {
        const std::wstring folder = ExtractFileDirW(UserFile);
        if (!folder.empty() && !DirectoryExistsW(folder) && !ForceDirectoriesW(folder)) return SaveFailed(UserFile);
        if (!WriteWholeFile(UserFile, FreshHelpModeFile(Mode))) return SaveFailed(UserFile);
        return true;
    }

    auto loaded = LoadForEdit(UserFile);
    if (!loaded) return SaveFailed(UserFile);
    std::wstring text = loaded->GetText();
    const THelpModeEntry entry = FindHelpModeEntry(text);
    if (!entry.Found) return SaveFailed(UserFile);

    text.replace(static_cast<size_t>(entry.TagStart - 1), static_cast<size_t>(entry.TagLength), EntryText(Mode));
    if (!loaded->SetTextEx(text, !loaded->HasBOM)) return SaveFailed(UserFile);
    // The new entry must read back as written: in a damaged file its quotes can pair with a
    // stray quote before it, and the file's encoding may not hold the mode's characters.
    const THelpModeEntry check = FindHelpModeEntry(loaded->GetText());
    if (!check.Found || check.Value != Mode) return SaveFailed(UserFile);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) {
            HelpModePause(HelpModeRetryDelayMs);
            loaded->Status = 0; // a failed save blocks the next one
        }
        if (loaded->SaveToFile()) return true;
    }
    return SaveFailed(UserFile);
}

// ---------------------------------------------------------------------------------
// The runtime paths' side: the per-user file first, the machine file beside the runtime.

void TH3Paths::GetHelpMode(std::wstring& Mode) const { Mode = ReadHelpMode(HelpModeUserFile(), HelpModeMachineFile(AppRoot)); }

bool TH3Paths::SetHelpMode(const std::wstring& Mode) const { return WriteHelpMode(HelpModeUserFile(), Mode); }
