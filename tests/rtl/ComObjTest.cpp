#include "ComObj.h"
#include "System.h"

#include <gtest/gtest.h>

#include <oleidl.h>

#include <string>

namespace {

int g_Alive = 0;

// Two interfaces at once; one method raises.
class TTwoFaced final : public TComObject<IDropSource, IEnumFORMATETC> {
public:
    TTwoFaced() { ++g_Alive; }
    ~TTwoFaced() override { --g_Alive; }
    STDMETHODIMP QueryContinueDrag(BOOL, DWORD) override {
        return GuardedCom(L"TTwoFaced.QueryContinueDrag", []() -> HRESULT { throw Exception(L"broken"); });
    }
    STDMETHODIMP GiveFeedback(DWORD) override { return S_OK; }
    STDMETHODIMP Next(ULONG, FORMATETC*, ULONG*) override { return S_FALSE; }
    STDMETHODIMP Skip(ULONG) override { return S_FALSE; }
    STDMETHODIMP Reset() override { return S_OK; }
    STDMETHODIMP Clone(IEnumFORMATETC** Enum) override {
        return GuardedCom(L"TTwoFaced.Clone", [&]() -> HRESULT { return ClearOut(Enum) ? E_NOTIMPL : E_POINTER; });
    }

protected:
    // Answers for an interface it does not list (as a derived interface answers for its base).
    void* QueryOther(REFIID Riid) override {
        return IsEqualIID(Riid, IID_IEnumUnknown) ? static_cast<IEnumFORMATETC*>(this) : nullptr;
    }
};

} // namespace

TEST(ComObject, AnswersItsInterfacesCountsReferencesAndFreesItselfOnce) {
    {
        TComPtr<TTwoFaced> obj = MakeComObject<TTwoFaced>();
        EXPECT_EQ(g_Alive, 1);
        EXPECT_EQ(obj->RefCount(), 1u);

        TComPtr<IUnknown> unk1, unk2;
        TComPtr<IDropSource> source;
        TComPtr<IEnumFORMATETC> formats;
        ASSERT_EQ(obj->QueryInterface(IID_IDropSource, source.PutVoid()), S_OK);
        ASSERT_EQ(obj->QueryInterface(IID_IEnumFORMATETC, formats.PutVoid()), S_OK);
        // One identity whichever interface is asked.
        ASSERT_EQ(source->QueryInterface(IID_IUnknown, unk1.PutVoid()), S_OK);
        ASSERT_EQ(formats->QueryInterface(IID_IUnknown, unk2.PutVoid()), S_OK);
        EXPECT_EQ(unk1.Get(), unk2.Get());
        EXPECT_EQ(static_cast<void*>(formats.Get()), static_cast<void*>(static_cast<IEnumFORMATETC*>(obj.Get())));
        TComPtr<IUnknown> other;
        EXPECT_EQ(obj->QueryInterface(IID_IEnumUnknown, other.PutVoid()), S_OK);
        EXPECT_EQ(obj->RefCount(), 6u);

        IDataObject* none = reinterpret_cast<IDataObject*>(1);
        EXPECT_EQ(obj->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);
        EXPECT_EQ(obj->QueryInterface(IID_IDropSource, nullptr), E_POINTER);
        EXPECT_EQ(obj->RefCount(), 6u);
    }
    EXPECT_EQ(g_Alive, 0);
}

TEST(ComObject, AnExceptionInAMethodIsReportedAndAnsweredWithEUnexpected) {
    std::wstring where, message;
    auto old = SetBoundaryHandler([&](const wchar_t* w, const std::wstring&, const std::wstring& m) {
        where = w;
        message = m;
    });
    TComPtr<TTwoFaced> obj = MakeComObject<TTwoFaced>();
    EXPECT_EQ(obj->QueryContinueDrag(FALSE, 0), E_UNEXPECTED);
    SetBoundaryHandler(old);
    EXPECT_EQ(where, L"TTwoFaced.QueryContinueDrag");
    EXPECT_EQ(message, L"broken");
    IEnumFORMATETC* e = reinterpret_cast<IEnumFORMATETC*>(1);
    EXPECT_EQ(obj->Clone(&e), E_NOTIMPL);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(obj->Clone(nullptr), E_POINTER);
}
