#include "ShellTestSupport.h"

#include "UPTShellDragDrop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace shelltest;

namespace {

FORMATETC Fmt(UINT cf, DWORD tymed = TYMED_HGLOBAL, DWORD aspect = DVASPECT_CONTENT) {
    return FORMATETC{static_cast<CLIPFORMAT>(cf), nullptr, aspect, -1, tymed};
}

std::vector<BYTE> BlockBytes(HGLOBAL h) {
    std::vector<BYTE> bytes(GlobalSize(h));
    const void* p = GlobalLock(h);
    std::memcpy(bytes.data(), p, bytes.size());
    GlobalUnlock(h);
    return bytes;
}

std::string PidlBytes(PCItemIDList p) {
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(PidlSize(p)));
}

struct TTwoItems {
    TPTPidl Parent = Pidl({"drive", "folder"});
    TPTPidl A = Pidl({"a.url"});
    TPTPidl B = Pidl({"bee.txt"});
    TComPtr<TDataObject_shlv> Data = MakeComObject<TDataObject_shlv>(
        Parent.Get(), std::vector<PCItemIDList>{A.Get(), B.Get()},
        std::vector<WideString>{L"C:\\Fav\\a.url", L"C:\\Fav\\\u0416.txt"});
};

} // namespace

TEST(ShellDragData, OffersTheIdListThenTheFileListInTheShellsLayouts) {
    TTwoItems t;
    const TPTFormatEtcList& formats = t.Data->Formats();
    ASSERT_EQ(formats.Count(), 2);
    EXPECT_EQ(formats.Items(0).cfFormat, PTCFShellIDList());
    EXPECT_EQ(formats.Items(1).cfFormat, CF_HDROP);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(formats.Items(i).ptd, nullptr);
        EXPECT_EQ(formats.Items(i).dwAspect, static_cast<DWORD>(DVASPECT_CONTENT));
        EXPECT_EQ(formats.Items(i).lindex, -1);
        EXPECT_EQ(formats.Items(i).tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    }

    // CIDA: count, count + 1 offsets, then the parent and the items in that order.
    std::vector<BYTE> cida = BlockBytes(t.Data->IdListBlock());
    const UINT* head = reinterpret_cast<const UINT*>(cida.data());
    ASSERT_EQ(head[0], 2u);
    const std::string parts[] = {PidlBytes(t.Parent.Get()), PidlBytes(t.A.Get()), PidlBytes(t.B.Get())};
    UINT expected = 4 * sizeof(UINT);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(head[i + 1], expected);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(cida.data()) + head[i + 1], parts[i].size()), parts[i]);
        expected += static_cast<UINT>(parts[i].size());
    }
    EXPECT_GE(cida.size(), expected);

    // CF_HDROP: a 20-byte header with wide names, each ended, and a final zero.
    std::vector<BYTE> drop = BlockBytes(t.Data->FileListBlock());
    const auto* df = reinterpret_cast<const DROPFILES*>(drop.data());
    EXPECT_EQ(df->pFiles, 20u);
    EXPECT_NE(df->fWide, FALSE);
    EXPECT_EQ(df->pt.x, 0);
    EXPECT_EQ(df->fNC, FALSE);
    const std::wstring text(reinterpret_cast<const wchar_t*>(drop.data() + 20), (drop.size() - 20) / 2);
    const std::wstring names = std::wstring(L"C:\\Fav\\a.url") + L'\0' + L"C:\\Fav\\\u0416.txt" + L'\0' + L'\0';
    EXPECT_EQ(text.substr(0, names.size()), names);
    EXPECT_GE(drop.size(), 20 + names.size() * 2);

    // A parent of nil is the desktop's empty PIDL.
    std::vector<PCItemIDList> one{t.A.Get()};
    TGlobalMem desktop(PTBuildIdListBlock(nullptr, one));
    std::vector<BYTE> d = BlockBytes(desktop.Get());
    const UINT* dh = reinterpret_cast<const UINT*>(d.data());
    EXPECT_EQ(dh[0], 1u);
    EXPECT_EQ(d[dh[1]], 0);
    EXPECT_EQ(d[dh[1] + 1], 0);
    EXPECT_EQ(dh[2], dh[1] + 2);
    // Nothing to drag: no blocks and no formats.
    auto empty = MakeComObject<TDataObject_shlv>(nullptr, std::vector<PCItemIDList>{}, std::vector<WideString>{});
    EXPECT_EQ(empty->Formats().Count(), 0);
    EXPECT_EQ(empty->IdListBlock(), nullptr);
    EXPECT_EQ(PTBuildFileListBlock({}), nullptr);
}

TEST(ShellDragData, GetDataHandsOutAFreshCopyAndQueriesAnswerWithTheirCodes) {
    TTwoItems t;
    IDataObject* data = t.Data.Get();
    FORMATETC cida = Fmt(PTCFShellIDList());
    STGMEDIUM m1{}, m2{};
    ASSERT_EQ(data->GetData(&cida, &m1), S_OK);
    ASSERT_EQ(data->GetData(&cida, &m2), S_OK);
    EXPECT_EQ(m1.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    EXPECT_EQ(m1.pUnkForRelease, nullptr);
    EXPECT_NE(m1.hGlobal, m2.hGlobal);
    EXPECT_NE(m1.hGlobal, t.Data->IdListBlock());
    EXPECT_EQ(BlockBytes(m1.hGlobal), BlockBytes(t.Data->IdListBlock()));
    ReleaseStgMedium(&m1); // the receiver's own block: freeing it leaves ours intact
    EXPECT_EQ(BlockBytes(m2.hGlobal), BlockBytes(t.Data->IdListBlock()));
    ReleaseStgMedium(&m2);
    FORMATETC hdrop = Fmt(CF_HDROP, TYMED_HGLOBAL | TYMED_ISTREAM);
    ASSERT_EQ(data->GetData(&hdrop, &m1), S_OK);
    EXPECT_EQ(BlockBytes(m1.hGlobal), BlockBytes(t.Data->FileListBlock()));
    ReleaseStgMedium(&m1);

    FORMATETC stream = Fmt(CF_HDROP, TYMED_ISTREAM);
    FORMATETC icon = Fmt(CF_HDROP, TYMED_HGLOBAL, DVASPECT_ICON);
    FORMATETC text = Fmt(CF_UNICODETEXT);
    EXPECT_EQ(data->QueryGetData(&cida), S_OK);
    EXPECT_EQ(data->QueryGetData(&stream), DV_E_TYMED);
    EXPECT_EQ(data->QueryGetData(&icon), DV_E_FORMATETC);
    EXPECT_EQ(data->QueryGetData(&text), DV_E_FORMATETC);
    EXPECT_EQ(data->QueryGetData(nullptr), E_INVALIDARG);
    m1.hGlobal = reinterpret_cast<HGLOBAL>(1);
    EXPECT_EQ(data->GetData(&stream, &m1), DV_E_TYMED);
    EXPECT_EQ(m1.hGlobal, nullptr);
    EXPECT_EQ(data->GetData(&text, &m1), DV_E_FORMATETC);
    EXPECT_EQ(data->GetData(nullptr, &m1), E_INVALIDARG);
    EXPECT_EQ(data->GetData(&cida, nullptr), E_INVALIDARG);

    FORMATETC out = Fmt(CF_HDROP);
    out.ptd = reinterpret_cast<DVTARGETDEVICE*>(1);
    EXPECT_EQ(data->GetCanonicalFormatEtc(&cida, &out), E_NOTIMPL);
    EXPECT_EQ(out.ptd, nullptr);
    IEnumSTATDATA* advises = reinterpret_cast<IEnumSTATDATA*>(1);
    EXPECT_EQ(data->EnumDAdvise(&advises), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(advises, nullptr);
}

TEST(ShellDragData, TheEnumeratorWalksCopiesSkipsAndClonesAndKeepsTheDataAlive) {
    TComPtr<IEnumFORMATETC> e;
    {
        TTwoItems t;
        IEnumFORMATETC* raw = reinterpret_cast<IEnumFORMATETC*>(1);
        EXPECT_EQ(t.Data->EnumFormatEtc(DATADIR_SET, &raw), E_NOTIMPL);
        EXPECT_EQ(raw, nullptr);
        EXPECT_EQ(t.Data->EnumFormatEtc(DATADIR_GET, nullptr), E_POINTER);
        ASSERT_EQ(t.Data->EnumFormatEtc(DATADIR_GET, e.Put()), S_OK);
    } // the data object's own reference is gone; the enumerator holds it

    FORMATETC got[3]{};
    ULONG fetched = 99;
    EXPECT_EQ(e->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0].cfFormat, PTCFShellIDList());
    EXPECT_EQ(e->Next(3, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(got[0].cfFormat, CF_HDROP);
    EXPECT_EQ(e->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(e->Next(2, got, nullptr), E_INVALIDARG);
    EXPECT_EQ(e->Next(1, nullptr, &fetched), E_POINTER);

    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    TComPtr<IEnumFORMATETC> clone;
    ASSERT_EQ(e->Clone(clone.Put()), S_OK);
    EXPECT_EQ(clone->Next(1, got, &fetched), S_OK);
    EXPECT_EQ(got[0].cfFormat, CF_HDROP); // at the place of the original
    EXPECT_EQ(e->Skip(5), S_FALSE);
    EXPECT_EQ(e->Next(1, got, &fetched), S_FALSE); // at the end
    EXPECT_EQ(e->Clone(nullptr), E_POINTER);
}

TEST(ShellDragData, TheDropSourceDropsOnItsButtonsReleaseAndCancelsOnEscOrAnotherButton) {
    struct TCase {
        DWORD Button;
        BOOL Escape;
        DWORD Keys;
        HRESULT Expected;
    } cases[] = {
        {MK_LBUTTON, FALSE, MK_LBUTTON, S_OK},
        {MK_LBUTTON, FALSE, MK_LBUTTON | MK_SHIFT | MK_CONTROL, S_OK},
        {MK_LBUTTON, FALSE, 0, DRAGDROP_S_DROP},
        {MK_LBUTTON, FALSE, MK_CONTROL, DRAGDROP_S_DROP},
        {MK_LBUTTON, TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
        {MK_LBUTTON, FALSE, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
        {MK_LBUTTON, FALSE, MK_RBUTTON, DRAGDROP_S_CANCEL},
        {MK_LBUTTON, FALSE, MK_LBUTTON | MK_MBUTTON, DRAGDROP_S_CANCEL},
        {MK_RBUTTON, FALSE, MK_RBUTTON, S_OK},
        {MK_RBUTTON, FALSE, 0, DRAGDROP_S_DROP},
        {MK_RBUTTON, FALSE, MK_RBUTTON | MK_LBUTTON, DRAGDROP_S_CANCEL},
        {MK_MBUTTON, FALSE, 0, DRAGDROP_S_DROP},
        {MK_MBUTTON, TRUE, 0, DRAGDROP_S_CANCEL},
    };
    for (const TCase& c : cases) {
        auto source = MakeComObject<TDropSource_shlvtv>(c.Button);
        EXPECT_EQ(source->QueryContinueDrag(c.Escape, c.Keys), c.Expected)
            << "button " << c.Button << " escape " << c.Escape << " keys " << c.Keys;
        EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
    }
}

namespace {

// A shell drop target that notes its calls.
class TFakeDropTarget final : public TComObject<IDropTarget> {
public:
    explicit TFakeDropTarget(std::wstring Name, std::vector<std::wstring>* Log) : FName(std::move(Name)), FLog(Log) {}
    DWORD EffectGiven = DROPEFFECT_COPY;
    STDMETHODIMP DragEnter(IDataObject* Data, DWORD, POINTL, DWORD* Effect) override {
        FLog->push_back(FName + L".DragEnter" + (Data ? L"" : L"(no data)"));
        *Effect = EffectGiven;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* Effect) override {
        FLog->push_back(FName + L".DragOver");
        *Effect = EffectGiven;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override {
        FLog->push_back(FName + L".DragLeave");
        return S_OK;
    }
    STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD* Effect) override {
        FLog->push_back(FName + L".Drop");
        *Effect = EffectGiven;
        return S_OK;
    }

private:
    std::wstring FName;
    std::vector<std::wstring>* FLog;
};

// A list stand-in: items are 20-pixel rows from y = 40 down, under a folder target.
class TFakeHost : public TPTDropTargetHost {
public:
    std::vector<std::wstring> Log;
    int Items = 2;
    bool HasFolderTarget = true;
    int Scrolls = 0;
    HRESULT EventResult = S_OK;
    bool ChangeResult = false;

    const void* DropItemAt(POINT P) override {
        const int row = P.y >= 40 ? (P.y - 40) / 20 : -1;
        return row >= 0 && row < Items ? &FRows[row] : nullptr;
    }
    TComPtr<IDropTarget> DropTargetFor(const void* Item) override {
        if (!Item && !HasFolderTarget)
            return {};
        std::wstring name = Item ? L"item" + std::to_wstring(static_cast<const int*>(Item) - FRows) : L"folder";
        return TComPtr<IDropTarget>(MakeComObject<TFakeDropTarget>(name, &Log).Get());
    }
    POINT DropScreenToClient(POINT P) override { return POINT{P.x - 100, P.y - 100}; }
    RECT DropClientRect() override { return RECT{0, 0, 300, 200}; }
    void DropScroll(int DX, int DY) override { ++Scrolls; }
    void DropEvent(bool IsDrop, IDataObject*, DWORD, POINT, DWORD& Effect, HRESULT& Result) override {
        Log.push_back(IsDrop ? L"OnOleDrop" : L"OnOleDrag");
        if (ChangeResult) {
            Effect = DROPEFFECT_LINK;
            Result = EventResult;
        }
    }
    void DropBusy(bool On) override { Log.push_back(On ? L"busy" : L"idle"); }
    void DropDone() override { Log.push_back(L"done"); }

private:
    int FRows[10] = {};
};

TComPtr<TDataObject_shlv> SomeData() {
    return MakeComObject<TDataObject_shlv>(nullptr, std::vector<PCItemIDList>{}, std::vector<WideString>{});
}

DWORD g_FakeTicks = 0;
DWORD WINAPI FakeClock() { return g_FakeTicks; }

POINTL At(int ClientX, int ClientY) { return POINTL{ClientX + 100, ClientY + 100}; }

} // namespace

TEST(ShellDropTarget, ForwardsToTheTargetUnderTheMouseAndSwitchesTargetsBetweenItems) {
    TFakeHost host;
    auto target = MakeComObject<TPTShellDropTarget>(&host);
    target->Clock = &FakeClock;
    auto data = SomeData();
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    // Over empty space: the folder's target.
    EXPECT_EQ(target->DragEnter(data.Get(), MK_LBUTTON, At(150, 10 + 20), &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY;
    target->DragOver(MK_LBUTTON, At(150, 30), &effect);
    // Onto item 0, within it, then item 1.
    target->DragOver(MK_LBUTTON, At(150, 45), &effect);
    target->DragOver(MK_LBUTTON, At(150, 55), &effect);
    target->DragOver(MK_LBUTTON, At(150, 65), &effect);
    EXPECT_EQ(host.Log, (std::vector<std::wstring>{L"folder.DragEnter", L"OnOleDrag", L"folder.DragOver",
                                                   L"OnOleDrag", L"folder.DragLeave", L"item0.DragEnter",
                                                   L"item0.DragOver", L"OnOleDrag", L"item0.DragOver",
                                                   L"OnOleDrag", L"item0.DragLeave", L"item1.DragEnter",
                                                   L"item1.DragOver", L"OnOleDrag"}));
    host.Log.clear();
    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(host.Log, std::vector<std::wstring>{L"item1.DragLeave"});

    // A drop: the target under the mouse takes it afresh, under an hourglass; the list is
    // told afterwards.
    host.Log.clear();
    effect = DROPEFFECT_COPY;
    target->DragEnter(data.Get(), MK_LBUTTON, At(150, 45), &effect);
    host.Log.clear();
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->Drop(data.Get(), 0, At(150, 45), &effect), S_OK);
    EXPECT_EQ(host.Log, (std::vector<std::wstring>{L"item0.DragLeave", L"busy", L"item0.DragEnter", L"item0.Drop",
                                                   L"idle", L"OnOleDrop", L"done"}));
}

TEST(ShellDropTarget, NoTargetMeansNoEffectAndEventsMayOverrule) {
    TFakeHost host;
    host.HasFolderTarget = false;
    host.Items = 0;
    auto target = MakeComObject<TPTShellDropTarget>(&host);
    auto data = SomeData();
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(data.Get(), MK_LBUTTON, At(150, 100), &effect), E_FAIL);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(MK_LBUTTON, At(150, 100), &effect), E_FAIL);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(data.Get(), 0, At(150, 100), &effect), E_FAIL);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(host.Log, (std::vector<std::wstring>{L"OnOleDrag", L"OnOleDrag", L"OnOleDrop"}));

    // The events may change effect and result; a failed drop does not refresh.
    host.HasFolderTarget = true;
    host.ChangeResult = true;
    host.EventResult = E_ABORT;
    host.Log.clear();
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(data.Get(), 0, At(150, 100), &effect), E_ABORT);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_LINK));
    EXPECT_EQ(host.Log.back(), L"OnOleDrop");

    // Bad arguments and a detached target.
    EXPECT_EQ(target->DragEnter(data.Get(), 0, At(0, 0), nullptr), E_INVALIDARG);
    EXPECT_EQ(target->DragOver(0, At(0, 0), nullptr), E_INVALIDARG);
    EXPECT_EQ(target->Drop(data.Get(), 0, At(0, 0), nullptr), E_INVALIDARG);
    target->Detach();
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(data.Get(), 0, At(150, 100), &effect), E_FAIL);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
}

TEST(ShellDropTarget, ScrollsNearTheEdgesAtMostEvery100Ms) {
    const RECT client{0, 0, 300, 200};
    EXPECT_EQ(PTDragScrollDirection(client, POINT{150, 100}).x, 0);
    EXPECT_EQ(PTDragScrollDirection(client, POINT{25, 100}).x, -1);
    EXPECT_EQ(PTDragScrollDirection(client, POINT{26, 100}).x, 0);
    EXPECT_EQ(PTDragScrollDirection(client, POINT{274, 100}).x, 1);
    EXPECT_EQ(PTDragScrollDirection(client, POINT{150, 19}).y, -1);
    EXPECT_EQ(PTDragScrollDirection(client, POINT{150, 20}).y, 0);
    EXPECT_EQ(PTDragScrollDirection(client, POINT{150, 180}).y, 1);

    TFakeHost host;
    auto target = MakeComObject<TPTShellDropTarget>(&host);
    target->Clock = &FakeClock;
    auto data = SomeData();
    DWORD effect = DROPEFFECT_COPY;
    g_FakeTicks = 5000;
    target->DragEnter(data.Get(), MK_LBUTTON, At(150, 195), &effect);
    target->DragOver(MK_LBUTTON, At(150, 195), &effect);
    EXPECT_EQ(host.Scrolls, 1);
    g_FakeTicks += 99;
    target->DragOver(MK_LBUTTON, At(150, 195), &effect);
    EXPECT_EQ(host.Scrolls, 1);
    g_FakeTicks += 1;
    target->DragOver(MK_LBUTTON, At(150, 195), &effect);
    EXPECT_EQ(host.Scrolls, 2);
    target->DragOver(MK_LBUTTON, At(150, 100), &effect);
    EXPECT_EQ(host.Scrolls, 2);
}
