// A place in the shell namespace as the shell controls carry it: an absolute PIDL, or
// one of the special folders of the pack's table (resolved when first asked for).
#pragma once

#include "Classes.h"
#include "UPTShellUtils.h"

#include <cstdint>

class TPTShellLocator : public TPersistent {
public:
    VORLANE_CLASS_NAME(TPTShellLocator)
    enum : uint8_t { lkPidl = 0, lkSpecialFolder = 1 };

    TPTShellLocator() = default;

    uint8_t Kind() const { return FKind; }
    uint8_t SpecialFolder() const { return FSpecialFolder; }
    // The place's absolute PIDL (nil = the desktop), owned by the locator. A special folder
    // is resolved on the first call and kept.
    PItemIDList GetPidl();
    // The file-system path of the place ('' for a folder without one).
    WideString GetPath();
    // Names the place of Pidl (copied; nil or empty = the desktop). OnChange fires when the
    // place differs from the one named before, or cannot be compared with it.
    void SetPidl(PCItemIDList Pidl);
    // Names the place of Path; '' and a path that does not parse name the desktop. Returns
    // the parse result.
    HRESULT SetPath(const WideString& Path);
    void Clear() { SetPidl(nullptr); }

    // nil: the desktop (fires OnChange). Another locator: takes its place when that differs.
    void Assign(TPersistent* Source) override;
    // Same kind and the same place (the same special folder, or PIDLs the desktop calls equal).
    bool IsSame(TPTShellLocator* Other);
    virtual void Changed();
    TNotifyEvent OnChange;

    // The locator as raw bytes: one byte Kind; for a PIDL its size as 4 bytes little-endian
    // (0 for the desktop) and its bytes, for a special folder one byte of index.
    bool HasData(); // false for the desktop named by PIDL (nothing needs storing)
    void WriteData(TStream* Stream);
    // Reads what WriteData wrote and fires OnChange. Data that runs past the end of the
    // stream, a PIDL without its terminator or an unknown kind raises EReadError and leaves
    // the locator as it was.
    void ReadData(TStream* Stream);

private:
    uint8_t FKind = lkPidl;
    uint8_t FSpecialFolder = 0;
    TPTPidl FPidl;
};
