// Event arguments read from hand-built DISPPARAMS, and late-bound calls on a fake object
// and on a real automation object.
#include "FakeDispatch.h"
#include "OleAuto.h"

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

VARIANT Var(VARTYPE vt, void* p = nullptr) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    v.byref = p;
    return v;
}

} // namespace

TEST(DispArgs, ReadsDeclaredOrderThroughReferencesAndWritesOutParameters) {
    // (IDispatch*, VARIANT* URL, VARIANT* Flags, BSTR*, BSTR "42", VARIANT_BOOL* Cancel), as
    // Invoke gets them: last parameter first.
    TComPtr<FakeDispatch> object = FakeDispatch::Make();
    TBStr url(L"http://127.0.0.1/x?id=1"), frame(L"main"), number(L"42");
    VARIANT urlValue = Var(VT_BSTR, url.Get()), flags = Var(VT_I4);
    flags.lVal = 64;
    BSTR frameRef = frame.Get();
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<VARIANT> raw = {Var(VT_BYREF | VT_BOOL, &cancel), Var(VT_BSTR, number.Get()),
                                Var(VT_BYREF | VT_BSTR, &frameRef), Var(VT_BYREF | VT_VARIANT, &flags),
                                Var(VT_BYREF | VT_VARIANT, &urlValue), Var(VT_DISPATCH, object.Get())};
    DISPPARAMS dp{raw.data(), nullptr, 6, 0};
    TDispArgs a(&dp);

    ASSERT_EQ(a.Count(), 6);
    EXPECT_EQ(a.Dispatch(0), object.Get());
    EXPECT_EQ(a.Str(1), L"http://127.0.0.1/x?id=1");
    EXPECT_EQ(a.Int(2), 64);
    EXPECT_EQ(a.Str(3), L"main");
    EXPECT_EQ(a.Int(4), 42); // a number given as text converts
    EXPECT_FALSE(a.Bool(5));
    EXPECT_TRUE(a.SetBool(5, true));
    EXPECT_EQ(cancel, VARIANT_TRUE);
    // By-value arguments are no out-parameters; missing ones read as neutral values.
    EXPECT_FALSE(a.SetBool(4, true));
    EXPECT_EQ(a.Str(9), L"");
    EXPECT_EQ(a.Int(-1), 0);
    EXPECT_EQ(a.Dispatch(1), nullptr);

    // Named arguments sit at the front of rgvarg; only the positional one is counted.
    DISPID namedId = DISPID_PROPERTYPUT;
    std::vector<VARIANT> named = {Var(VT_I4), Var(VT_BSTR, frame.Get())};
    DISPPARAMS np{named.data(), &namedId, 2, 1};
    EXPECT_EQ(TDispArgs(&np).Count(), 1);
    EXPECT_EQ(TDispArgs(&np).Str(0), L"main");
    EXPECT_EQ(TDispArgs(nullptr).Count(), 0);
    // A reference that points at itself must not hang the reader.
    VARIANT loop = Var(VT_BYREF | VT_VARIANT);
    loop.pvarVal = &loop;
    DISPPARAMS lp{&loop, nullptr, 1, 0};
    EXPECT_EQ(TDispArgs(&lp).Str(0), L"");
    EXPECT_FALSE(TDispArgs(&lp).SetBool(0, true));
}

TEST(DispArgs, OutParametersTakeObjectsWithTheirOwnReference) {
    TComPtr<FakeDispatch> first = FakeDispatch::Make(), second = FakeDispatch::Make();
    const int live = FakeDispatch::Live();
    // IDispatch** as VT_BYREF|VT_DISPATCH: the old object is released, the new one kept.
    IDispatch* slot = first.Detach();
    VARIANT v = Var(VT_BYREF | VT_DISPATCH, &slot);
    DISPPARAMS dp{&v, nullptr, 1, 0};
    EXPECT_TRUE(TDispArgs(&dp).SetDispatch(0, second.Get()));
    EXPECT_EQ(slot, second.Get());
    EXPECT_EQ(FakeDispatch::Live(), live - 1); // the first one had only the slot's reference
    second.Reset();
    EXPECT_EQ(FakeDispatch::Live(), live - 1); // the slot holds the second one
    slot->Release();
    EXPECT_EQ(FakeDispatch::Live(), live - 2);

    // A VARIANT* out-parameter receives a VT_DISPATCH, then a VT_BOOL in its place.
    TComPtr<FakeDispatch> third = FakeDispatch::Make();
    VARIANT target = Var(VT_EMPTY);
    VARIANT r = Var(VT_BYREF | VT_VARIANT, &target);
    DISPPARAMS rp{&r, nullptr, 1, 0};
    EXPECT_TRUE(TDispArgs(&rp).SetDispatch(0, third.Get()));
    EXPECT_EQ(target.vt, VT_DISPATCH);
    EXPECT_TRUE(TDispArgs(&rp).SetBool(0, true));
    EXPECT_EQ(target.vt, VT_BOOL);
    third.Reset();
    EXPECT_EQ(FakeDispatch::Live(), live - 2);
}

TEST(AutoObject, ChainsGetsPutsAndCallsByName) {
    TComPtr<FakeDispatch> doc = FakeDispatch::Make(), body = FakeDispatch::Make(), style = FakeDispatch::Make(),
                          window = FakeDispatch::Make();
    style->Set(L"zoom", L"");
    style->Set(L"cssText", L"color: red");
    body->SetObject(L"style", style.Get());
    body->Set(L"tagName", L"BODY");
    doc->SetObject(L"body", body.Get());
    doc->SetObject(L"parentWindow", window.Get());
    std::vector<std::wstring> scriptArgs;
    window->On(L"execScript", [&](const std::vector<OwnedVariant>& args, VARIANT*) {
        for (auto& a : args)
            scriptArgs.push_back(a.Text());
        return S_OK;
    });
    doc->On(L"item", [&](const std::vector<OwnedVariant>& args, VARIANT* result) {
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString((L"item" + args.at(0).Text()).c_str());
        return S_OK;
    });

    TAutoObject d(doc.Get());
    EXPECT_TRUE(d.Obj(L"Body").Obj(L"Style").Put(L"zoom", 1.25).Ok());
    EXPECT_EQ(style->Text(L"zoom"), L"1.25");
    EXPECT_EQ(d.Obj(L"body").Obj(L"style").Str(L"cssText"), L"color: red");
    EXPECT_EQ(d.Obj(L"body").Str(L"tagName"), L"BODY");
    // Arguments arrive in declared order.
    EXPECT_TRUE(d.Obj(L"parentWindow").Call(L"execScript", {L"var a=1;", L"javascript"}).Ok());
    EXPECT_EQ(scriptArgs, (std::vector<std::wstring>{L"var a=1;", L"javascript"}));
    TVariant item;
    EXPECT_TRUE(d.GetValue(L"item", item, {3}).Ok());
    EXPECT_EQ(std::wstring(item.Get()->bstrVal), L"item3");
    EXPECT_EQ(d.Int(L"missing", -5), -5);
}

TEST(AutoObject, FailuresAreResultsThatSayWhy) {
    TComPtr<FakeDispatch> doc = FakeDispatch::Make();
    doc->Set(L"title", L"Page");
    doc->Throws(L"focus", L"Permission denied", E_ACCESSDENIED);
    TAutoObject d(doc.Get());

    // An unknown member: the chain goes on empty and keeps the first reason.
    TAutoObject missing = d.Obj(L"body").Obj(L"style");
    EXPECT_FALSE(missing.Valid());
    EXPECT_EQ(missing.Result().Code, DISP_E_UNKNOWNNAME);
    EXPECT_NE(missing.Result().Error.find(L"body"), std::wstring::npos);
    EXPECT_EQ(missing.Put(L"zoom", 2.0).Code, DISP_E_UNKNOWNNAME);
    EXPECT_EQ(missing.Str(L"cssText"), L"");

    // A value that is not an object.
    EXPECT_EQ(d.Obj(L"title").Result().Code, E_NOINTERFACE);
    // The object's own exception text and code.
    TDispResult thrown = d.Call(L"focus");
    EXPECT_EQ(thrown.Code, E_ACCESSDENIED);
    EXPECT_EQ(thrown.Error, L"focus: Permission denied");
    // No object at all.
    TAutoObject none;
    EXPECT_EQ(none.Call(L"focus").Code, E_POINTER);
    EXPECT_EQ(TAutoObject(nullptr).Str(L"title"), L"");
    EXPECT_FALSE(TAutoObject::FromUnknown(nullptr).Valid());
}

TEST(AutoObject, CallsARealAutomationObject) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        CLSID clsid;
        TComPtr<IDispatch> dict;
        ASSERT_EQ(CLSIDFromProgID(L"Scripting.Dictionary", &clsid), S_OK);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dict.PutVoid()), S_OK);
        TAutoObject d(dict.Get());
        EXPECT_TRUE(d.Call(L"Add", {L"key", 7}).Ok());
        EXPECT_TRUE(d.Call(L"Add", {L"other", L"text"}).Ok());
        EXPECT_EQ(d.Int(L"Count"), 2);
        TVariant v;
        EXPECT_TRUE(d.GetValue(L"Item", v, {L"other"}).Ok());
        EXPECT_EQ(v.Get()->vt, VT_BSTR);
        TDispResult twice = d.Call(L"Add", {L"key", 8}); // the dictionary refuses a second "key"
        EXPECT_FALSE(twice.Ok());
        EXPECT_FALSE(twice.Error.empty());
        EXPECT_EQ(d.Call(L"NoSuchMethod").Code, DISP_E_UNKNOWNNAME);
    }
    CoUninitialize();
}
