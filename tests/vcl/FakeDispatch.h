// A scriptable object for tests of late-bound code: named properties (values or other
// fake objects) and methods, case-insensitive names as HTML documents have them, and a
// record of every get, put and call in the form "get body", "put zoom=1.5",
// "call execScript(a,b)".
#pragma once

#include "Handles.h"
#include "OleAuto.h"

#include <atomic>
#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vcltest {

// A variant that can be copied (VariantCopy) and kept in containers.
class OwnedVariant {
public:
    OwnedVariant() { VariantInit(&FValue); }
    OwnedVariant(const VARIANT& v) {
        VariantInit(&FValue);
        VariantCopy(&FValue, const_cast<VARIANT*>(&v));
    }
    OwnedVariant(const OwnedVariant& o) : OwnedVariant(o.FValue) {}
    OwnedVariant& operator=(const OwnedVariant& o) {
        if (this != &o)
            VariantCopy(&FValue, const_cast<VARIANT*>(&o.FValue));
        return *this;
    }
    ~OwnedVariant() { VariantClear(&FValue); }
    const VARIANT& Get() const { return FValue; }
    // The value as text ("" for empty, "<object>" for objects).
    std::wstring Text() const {
        if (FValue.vt == VT_DISPATCH || FValue.vt == VT_UNKNOWN)
            return L"<object>";
        VARIANT t;
        VariantInit(&t);
        std::wstring s;
        if (SUCCEEDED(VariantChangeType(&t, const_cast<VARIANT*>(&FValue), 0, VT_BSTR)) && t.bstrVal)
            s.assign(t.bstrVal, SysStringLen(t.bstrVal));
        VariantClear(&t);
        return s;
    }

private:
    VARIANT FValue;
};

class FakeDispatch : public IDispatch {
public:
    // What a method gets: its arguments in declared order; it fills Result.
    using Method = std::function<HRESULT(const std::vector<OwnedVariant>& Args, VARIANT* Result)>;

    static TComPtr<FakeDispatch> Make() {
        TComPtr<FakeDispatch> p;
        p.Attach(new FakeDispatch());
        return p;
    }
    static int Live() { return LiveCount(); }

    // Properties: plain values, or another object.
    void Set(const std::wstring& Name, const TOleArg& Value) { Props[Key(Name)] = OwnedVariant(Value.Get()); }
    void SetObject(const std::wstring& Name, FakeDispatch* Object) { Set(Name, TOleArg(static_cast<IDispatch*>(Object))); }
    std::wstring Text(const std::wstring& Name) const {
        auto it = Props.find(Key(Name));
        return it == Props.end() ? L"" : it->second.Text();
    }
    bool Has(const std::wstring& Name) const { return Props.count(Key(Name)) != 0; }
    void On(const std::wstring& Name, Method M) { Methods[Key(Name)] = std::move(M); }
    // A method that raises DISP_E_EXCEPTION with this description and code.
    void Throws(const std::wstring& Name, const std::wstring& Description, HRESULT Code) {
        FThrowing[Key(Name)] = {Description, Code};
    }

    std::map<std::wstring, OwnedVariant> Props;
    std::map<std::wstring, Method> Methods;
    std::vector<std::wstring> Log;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch)
            return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FRefs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --FRefs;
        if (n == 0)
            delete this;
        return n;
    }
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            std::wstring k = Key(names[i]);
            if (!Props.count(k) && !Methods.count(k) && !FThrowing.count(k)) {
                ids[i] = DISPID_UNKNOWN;
                hr = DISP_E_UNKNOWNNAME;
                continue;
            }
            auto it = FIds.find(k);
            if (it == FIds.end()) {
                FNames.push_back(k);
                it = FIds.emplace(k, static_cast<DISPID>(FNames.size())).first;
            }
            ids[i] = it->second;
        }
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                        UINT*) override {
        if (id < 1 || id > static_cast<DISPID>(FNames.size()))
            return DISP_E_MEMBERNOTFOUND;
        const std::wstring name = FNames[id - 1];
        // Positional arguments in declared order.
        std::vector<OwnedVariant> args;
        TDispArgs decoded(params);
        for (int i = 0; i < decoded.Count(); ++i)
            args.emplace_back(*decoded.Value(i));
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (!params || params->cArgs < 1)
                return DISP_E_BADPARAMCOUNT;
            OwnedVariant value(params->rgvarg[0]);
            Log.push_back(L"put " + name + L"=" + value.Text());
            Props[name] = value;
            return S_OK;
        }
        if (auto t = FThrowing.find(name); t != FThrowing.end()) {
            Log.push_back(L"call " + name);
            if (info) {
                *info = EXCEPINFO{};
                info->bstrSource = SysAllocString(L"FakeDispatch");
                info->bstrDescription = SysAllocString(t->second.first.c_str());
                info->scode = t->second.second;
            }
            return DISP_E_EXCEPTION;
        }
        if (auto m = Methods.find(name); m != Methods.end()) {
            std::wstring line = L"call " + name + L"(";
            for (size_t i = 0; i < args.size(); ++i)
                line += (i ? L"," : L"") + args[i].Text();
            Log.push_back(line + L")");
            if (result)
                VariantInit(result);
            return m->second(args, result);
        }
        if (!(flags & DISPATCH_PROPERTYGET))
            return DISP_E_MEMBERNOTFOUND;
        Log.push_back(L"get " + name);
        if (result)
            VariantCopy(result, const_cast<VARIANT*>(&Props[name].Get()));
        return S_OK;
    }

private:
    FakeDispatch() { ++LiveCount(); }
    virtual ~FakeDispatch() { --LiveCount(); }
    static std::atomic<int>& LiveCount() {
        static std::atomic<int> n{0};
        return n;
    }
    static std::wstring Key(const std::wstring& Name) {
        std::wstring k = Name;
        for (auto& c : k)
            c = static_cast<wchar_t>(std::towlower(c));
        return k;
    }
    std::atomic<ULONG> FRefs{1};
    std::map<std::wstring, DISPID> FIds;
    std::vector<std::wstring> FNames;
    std::map<std::wstring, std::pair<std::wstring, HRESULT>> FThrowing;
};

} // namespace vcltest
