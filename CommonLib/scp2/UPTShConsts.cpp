#include "UPTShConsts.h"

#include "TntSystem.h"
#include "UPTUnicode.h"

#include <array>
#include <cwchar>

namespace UPTShConsts {

namespace {

constexpr wchar_t KeyPrefix[] = L"UPTShConsts_";

#define PTSH_NAME_ENTRY(Name) L## #Name,
constexpr std::array<const wchar_t*, TextCount> Names = {PTSH_MESSAGE_TEXTS(PTSH_NAME_ENTRY)};
#undef PTSH_NAME_ENTRY

std::array<WideString, TextCount>& Texts() {
    static std::array<WideString, TextCount> texts;
    return texts;
}

bool ValidId(TTextId Id) { return Id >= 0 && Id < TextCount; }

} // namespace

const wchar_t* Name(TTextId Id) { return ValidId(Id) ? Names[static_cast<size_t>(Id)] : L""; }

WideString Key(TTextId Id) { return ValidId(Id) ? KeyPrefix + WideString(Name(Id)) : WideString(); }

bool FindKey(const WideString& Key, TTextId& Id) {
    const size_t prefix = std::size(KeyPrefix) - 1;
    if (Key.size() <= prefix || Key.compare(0, prefix, KeyPrefix) != 0)
        return false;
    const wchar_t* name = Key.c_str() + prefix;
    for (int i = 0; i < TextCount; ++i)
        if (wcscmp(Names[static_cast<size_t>(i)], name) == 0) {
            Id = static_cast<TTextId>(i);
            return true;
        }
    return false;
}

const WideString& Text(TTextId Id) {
    static const WideString none;
    return ValidId(Id) ? Texts()[static_cast<size_t>(Id)] : none;
}

void SetText(TTextId Id, const WideString& Value) {
    if (ValidId(Id))
        Texts()[static_cast<size_t>(Id)] = Value;
}

bool SetTextByKey(const WideString& Key, const WideString& Value) {
    TTextId id;
    if (!FindKey(Key, id))
        return false;
    SetText(id, Value);
    return true;
}

void ClearTexts() {
    for (WideString& s : Texts())
        s.clear();
}

WideString ColumnCaption(int Column) {
    static constexpr TTextId texts[] = {SColumnName, SColumnSize, SColumnType, SColumnModified};
    static constexpr unsigned defaults[] = {SPTShColName, SPTShColSize, SPTShColType, SPTShColModified};
    if (Column < 0 || Column > 3)
        return L"";
    const WideString& translated = Text(texts[Column]);
    return translated.empty() ? ShellLoadResString(defaults[Column]) : translated;
}

} // namespace UPTShConsts

WideString ShellLoadResString(uintptr_t ResString, HMODULE Module) {
    const TResStringRec rec{Module ? Module : GetModuleHandleW(nullptr), ResString};
    return PTDecodeIfCarrier(WideLoadResString(&rec));
}
