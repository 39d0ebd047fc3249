// The rich edit and its lines.
#include "ComCtrls.h"
#include "ComCtrlsInternal.h"

#include "Boundary.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>

// =================================================================================
// Rich edit

HMODULE RichEditModule() {
    static HMODULE module = LoadLibraryW(L"RICHED20.DLL");
    return module;
}

namespace {

// One streaming call: Move fills (EM_STREAMIN) or takes (EM_STREAMOUT) up to Count bytes
// and returns how many; what it raises is kept and raised again after the call.
struct TStreamTransfer {
    const std::function<LONG(LPBYTE Buffer, LONG Count)>& Move;
    std::exception_ptr Error;
};

DWORD CALLBACK StreamCallback(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done) {
    auto* t = reinterpret_cast<TStreamTransfer*>(Cookie);
    *Done = 0;
    return Captured(t->Error, DWORD(1), [&] {
        *Done = t->Move(Buffer, Count);
        return DWORD(0);
    });
}

} // namespace

void TCustomRichEdit::Stream(UINT Msg, UINT Format, const std::function<LONG(LPBYTE Buffer, LONG Count)>& Move) {
    TStreamTransfer transfer{Move, nullptr};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&transfer), 0, &StreamCallback};
    if (Msg == EM_STREAMIN)
        WithoutChangeEvents([&] { SendMessageW(Handle(), Msg, Format, reinterpret_cast<LPARAM>(&es)); });
    else
        SendMessageW(Handle(), Msg, Format, reinterpret_cast<LPARAM>(&es));
    if (transfer.Error)
        std::rethrow_exception(transfer.Error);
}

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    FColor = clWindow;
    SetBounds(0, 0, 185, 89);
}

void TCustomRichEdit::CreateParams(TCreateParams& Params) {
    if (!RichEditModule())
        throw EOSError(L"The rich-edit library RICHED20.DLL cannot be loaded", GetLastError());
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, RICHEDIT_CLASSW);
    Params.Style |= ES_MULTILINE | ES_WANTRETURN;
    if (FReadOnly) Params.Style |= ES_READONLY;
    if (!FHideSelection) Params.Style |= ES_NOHIDESEL;
    if (!FWordWrap) Params.Style |= ES_AUTOHSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
    if (UseRightToLeftAlignment())
        Params.Style |= ES_RIGHT; // its paragraphs stand at the right as an edit's text does
}

void TCustomRichEdit::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, EM_SETEDITSTYLE, SES_USEAIMM, SES_USEAIMM);
    SendMessageW(FHandle, EM_EXLIMITTEXT, 0, FMaxLength > 0 ? FMaxLength : 0x7FFFFFFE);
    SendMessageW(FHandle, EM_SETTARGETDEVICE, 0, FWordWrap ? 0 : 1);
    if (FHaveSavedRtf) {
        std::string rtf;
        rtf.swap(FSavedRtf);
        FHaveSavedRtf = false;
        StreamIn(rtf, SF_RTF);
    }
    SendMessageW(FHandle, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
}

void TCustomRichEdit::DestroyWnd() {
    FSavedRtf = StreamOut(SF_RTF);
    FHaveSavedRtf = true;
    TWinControl::DestroyWnd();
}

std::wstring TCustomRichEdit::GetText() { return TWinControl::GetText(); }

void TCustomRichEdit::SetText(const std::wstring& Value) {
    if (!HandleAllocated())
        FHaveSavedRtf = false; // the new text replaces what a former window held
    WithoutChangeEvents([&] { TWinControl::SetText(Value); });
}

void TCustomRichEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, EM_SETREADONLY, Value ? TRUE : FALSE, 0);
}

void TCustomRichEdit::SetWordWrap(bool Value) {
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    RecreateWnd();
}

void TCustomRichEdit::SetScrollBars(TScrollStyle Value) {
    if (Value == FScrollBars)
        return;
    FScrollBars = Value;
    RecreateWnd();
}

void TCustomRichEdit::SetHideSelection(bool Value) {
    if (Value == FHideSelection)
        return;
    FHideSelection = Value;
    RecreateWnd();
}

void TCustomRichEdit::SetMaxLength(int Value) {
    FMaxLength = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, EM_EXLIMITTEXT, 0, Value > 0 ? Value : 0x7FFFFFFE);
}

int TCustomRichEdit::SelStart() {
    CHARRANGE r{};
    SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return r.cpMin;
}

void TCustomRichEdit::SetSelStart(int Value) {
    CHARRANGE r{Value, Value};
    SendMessageW(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}

int TCustomRichEdit::SelLength() {
    CHARRANGE r{};
    SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return r.cpMax - r.cpMin;
}

void TCustomRichEdit::SetSelLength(int Value) {
    CHARRANGE r{};
    SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    r.cpMax = r.cpMin + Value;
    SendMessageW(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}

std::wstring TCustomRichEdit::SelText() {
    int len = SelLength();
    if (len <= 0)
        return L"";
    std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
    LRESULT n = SendMessageW(Handle(), EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(std::clamp<LRESULT>(n, 0, len)));
    return buf;
}

void TCustomRichEdit::SetSelText(const std::wstring& Value) {
    SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomRichEdit::SelectAll() {
    CHARRANGE r{0, -1};
    SendMessageW(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}

int TCustomRichEdit::LineFromChar(int CharIndex) {
    return static_cast<int>(SendMessageW(Handle(), EM_EXLINEFROMCHAR, 0, CharIndex));
}

namespace {

// Number of characters in the window (a line break counts one).
int RichTextLength(HWND Wnd) {
    GETTEXTLENGTHEX gl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<int>(SendMessageW(Wnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0));
}

} // namespace

int TCustomRichEdit::LineCount() {
    HWND h = Handle();
    int n = static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0));
    // An empty last line (after a final line break, or of an empty text) is no line.
    if (n > 0) {
        LRESULT start = SendMessageW(h, EM_LINEINDEX, n - 1, 0);
        if (start >= 0 && SendMessageW(h, EM_LINELENGTH, start, 0) == 0)
            --n;
    }
    return n;
}

std::wstring TCustomRichEdit::Line(int Index) {
    HWND h = Handle();
    if (Index < 0 || Index >= LineCount())
        ListIndexError(Index);
    LRESULT start = SendMessageW(h, EM_LINEINDEX, Index, 0);
    int len = static_cast<int>(SendMessageW(h, EM_LINELENGTH, start, 0));
    std::wstring buf(static_cast<size_t>(std::max(len, 1)) + 2, L'\0');
    *reinterpret_cast<WORD*>(buf.data()) = static_cast<WORD>(buf.size());
    LRESULT n = SendMessageW(h, EM_GETLINE, Index, reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(std::clamp<LRESULT>(n, 0, static_cast<LRESULT>(buf.size()))));
    while (!buf.empty() && (buf.back() == L'\r' || buf.back() == L'\n'))
        buf.pop_back();
    return buf;
}

void TCustomRichEdit::SetLine(int Index, const std::wstring& S) {
    HWND h = Handle();
    if (Index < 0 || Index >= LineCount())
        ListIndexError(Index);
    LRESULT start = SendMessageW(h, EM_LINEINDEX, Index, 0);
    LRESULT len = SendMessageW(h, EM_LINELENGTH, start, 0);
    CHARRANGE r{static_cast<LONG>(start), static_cast<LONG>(start + len)};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(S.c_str()));
}

void TCustomRichEdit::InsertLine(int Index, const std::wstring& S) {
    HWND h = Handle();
    int count = LineCount();
    if (Index < 0 || Index > count)
        ListIndexError(Index);
    std::wstring text;
    LONG pos;
    if (Index < count) {
        pos = static_cast<LONG>(SendMessageW(h, EM_LINEINDEX, Index, 0));
        text = S + L"\r";
    } else {
        pos = RichTextLength(h);
        int raw = static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0));
        // After a last line of text a break comes first; after a final break none is needed.
        text = (count > 0 && raw == count) ? L"\r" + S : S;
    }
    CHARRANGE r{pos, pos};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomRichEdit::DeleteLine(int Index) {
    HWND h = Handle();
    int count = LineCount();
    if (Index < 0 || Index >= count)
        ListIndexError(Index);
    LONG start = static_cast<LONG>(SendMessageW(h, EM_LINEINDEX, Index, 0));
    LONG end;
    if (Index + 1 < static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0)))
        end = static_cast<LONG>(SendMessageW(h, EM_LINEINDEX, Index + 1, 0));
    else
        end = RichTextLength(h);
    if (Index == count - 1 && Index > 0 && end >= RichTextLength(h))
        --start; // the last line takes the break before it along
    CHARRANGE r{start, end};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void TCustomRichEdit::StreamIn(const std::string& Data, UINT Format) {
    size_t pos = 0;
    Stream(EM_STREAMIN, Format, [&](LPBYTE Buffer, LONG Count) {
        const size_t n = std::min(static_cast<size_t>(Count), Data.size() - pos);
        std::copy_n(Data.data() + pos, n, Buffer);
        pos += n;
        return static_cast<LONG>(n);
    });
}

std::string TCustomRichEdit::StreamOut(UINT Format) {
    std::string data;
    Stream(EM_STREAMOUT, Format, [&](LPBYTE Buffer, LONG Count) {
        data.append(reinterpret_cast<const char*>(Buffer), static_cast<size_t>(Count));
        return Count;
    });
    return data;
}

void TCustomRichEdit::LoadFromStream(TStream* Source) {
    Stream(EM_STREAMIN, PlainText ? (SF_TEXT | SF_UNICODE) : SF_RTF, [&](LPBYTE Buffer, LONG Count) {
        return static_cast<LONG>(std::max<int32_t>(Source->Read(Buffer, Count), 0));
    });
}

void TCustomRichEdit::SaveToStream(TStream* Target) {
    Stream(EM_STREAMOUT, PlainText ? (SF_TEXT | SF_UNICODE) : SF_RTF, [&](LPBYTE Buffer, LONG Count) {
        Target->WriteBuffer(Buffer, Count);
        return Count;
    });
}

void TCustomRichEdit::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomRichEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == EN_CHANGE) {
            if (FChangeOff == 0)
                Change();
            Message.Result = 0;
            return;
        }
        break;
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        if (hdr->code == EN_SELCHANGE && OnSelectionChange)
            OnSelectionChange(this);
        Message.Result = 0;
        return;
    }
    }
    TWinControl::WndProc(Message);
}
