#include "OleAuto.h"

#include <cwchar>
#include <vector>

// ---------------------------------------------------------------------------------------
// TDispArgs

int TDispArgs::Count() const noexcept {
    if (!FParams || !FParams->rgvarg || FParams->cArgs <= FParams->cNamedArgs)
        return 0;
    return static_cast<int>(FParams->cArgs - FParams->cNamedArgs);
}

VARIANT* TDispArgs::Raw(int Index) const noexcept {
    if (Index < 0 || Index >= Count())
        return nullptr;
    // rgvarg[0] is the last parameter; named arguments sit before the positional ones.
    return &FParams->rgvarg[FParams->cArgs - 1 - static_cast<UINT>(Index)];
}

namespace {
// Follows VARIANT references (VT_BYREF|VT_VARIANT) to the variant that holds the value.
VARIANT* FollowVariantRefs(VARIANT* v) noexcept {
    for (int depth = 0; v && v->vt == (VT_BYREF | VT_VARIANT) && depth < 8; ++depth)
        v = v->pvarVal;
    return v && v->vt == (VT_BYREF | VT_VARIANT) ? nullptr : v;
}

// The value converted to Type (references followed); false when it cannot be.
bool ConvertedValue(const VARIANT* Source, VARTYPE Type, TVariant& Out) noexcept {
    if (!Source)
        return false;
    if (FAILED(VariantCopyInd(Out.Put(), const_cast<VARIANT*>(Source))))
        return false;
    if (Out.Get()->vt == VT_EMPTY || Out.Get()->vt == VT_NULL)
        return false;
    return SUCCEEDED(VariantChangeType(Out.Get(), Out.Get(), 0, Type));
}
} // namespace

const VARIANT* TDispArgs::Value(int Index) const noexcept { return FollowVariantRefs(Raw(Index)); }

std::wstring TDispArgs::Str(int Index) const {
    TVariant v;
    if (!ConvertedValue(Value(Index), VT_BSTR, v) || !v.Get()->bstrVal)
        return {};
    return std::wstring(v.Get()->bstrVal, SysStringLen(v.Get()->bstrVal));
}

long TDispArgs::Int(int Index) const noexcept {
    TVariant v;
    return ConvertedValue(Value(Index), VT_I4, v) ? v.Get()->lVal : 0;
}

bool TDispArgs::Bool(int Index) const noexcept {
    TVariant v;
    return ConvertedValue(Value(Index), VT_BOOL, v) && v.Get()->boolVal != VARIANT_FALSE;
}

IDispatch* TDispArgs::Dispatch(int Index) const noexcept {
    const VARIANT* v = Value(Index);
    if (!v)
        return nullptr;
    if (v->vt == VT_DISPATCH)
        return v->pdispVal;
    if (v->vt == (VT_BYREF | VT_DISPATCH) && v->ppdispVal)
        return *v->ppdispVal;
    return nullptr;
}

bool TDispArgs::SetBool(int Index, bool Value) const noexcept {
    VARIANT* v = Raw(Index);
    const VARIANT_BOOL b = Value ? VARIANT_TRUE : VARIANT_FALSE;
    if (v && v->vt == (VT_BYREF | VT_VARIANT)) {
        VARIANT* inner = FollowVariantRefs(v);
        if (!inner)
            return false;
        if (inner->vt == (VT_BYREF | VT_BOOL) && inner->pboolVal) {
            *inner->pboolVal = b;
            return true;
        }
        VariantClear(inner);
        inner->vt = VT_BOOL;
        inner->boolVal = b;
        return true;
    }
    if (v && v->vt == (VT_BYREF | VT_BOOL) && v->pboolVal) {
        *v->pboolVal = b;
        return true;
    }
    return false;
}

bool TDispArgs::SetDispatch(int Index, IDispatch* Value) const noexcept {
    VARIANT* v = Raw(Index);
    if (v && v->vt == (VT_BYREF | VT_VARIANT)) {
        VARIANT* inner = FollowVariantRefs(v);
        if (!inner)
            return false;
        if (inner->vt != (VT_BYREF | VT_DISPATCH)) {
            if (Value)
                Value->AddRef();
            VariantClear(inner);
            inner->vt = VT_DISPATCH;
            inner->pdispVal = Value;
            return true;
        }
        v = inner;
    }
    if (v && v->vt == (VT_BYREF | VT_DISPATCH) && v->ppdispVal) {
        if (Value)
            Value->AddRef();
        IDispatch* old = *v->ppdispVal;
        *v->ppdispVal = Value;
        if (old)
            old->Release();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------
// Arguments and results

TOleArg::TOleArg(const std::wstring& Value) {
    VARIANT* v = FValue.Put();
    v->bstrVal = SysAllocStringLen(Value.data(), static_cast<UINT>(Value.size()));
    v->vt = v->bstrVal ? VT_BSTR : VT_EMPTY;
}

TOleArg::TOleArg(int Value) noexcept {
    VARIANT* v = FValue.Put();
    v->vt = VT_I4;
    v->lVal = Value;
}

TOleArg::TOleArg(double Value) noexcept {
    VARIANT* v = FValue.Put();
    v->vt = VT_R8;
    v->dblVal = Value;
}

TOleArg::TOleArg(bool Value) noexcept {
    VARIANT* v = FValue.Put();
    v->vt = VT_BOOL;
    v->boolVal = Value ? VARIANT_TRUE : VARIANT_FALSE;
}

TOleArg::TOleArg(IDispatch* Value) noexcept {
    VARIANT* v = FValue.Put();
    v->vt = VT_DISPATCH;
    v->pdispVal = Value;
    if (Value)
        Value->AddRef();
}

TOleArg::TOleArg(const VARIANT& Value) noexcept { VariantCopy(FValue.Put(), const_cast<VARIANT*>(&Value)); }

std::wstring OleErrorText(HRESULT Code) {
    wchar_t number[16];
    swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(Code));
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(Code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n && text ? std::wstring(text, n) : std::wstring();
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message.empty() ? L"Error " + std::wstring(number) : message + L" (" + number + L")";
}

TDispResult DispIdOfName(IDispatch* Object, const std::wstring& Name, DISPID& DispId) {
    DispId = DISPID_UNKNOWN;
    if (!Object)
        return TDispResult::Failure(E_POINTER, Name + L": no object");
    LPOLESTR names[1] = {const_cast<LPOLESTR>(Name.c_str())};
    HRESULT hr = Object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &DispId);
    if (FAILED(hr))
        return TDispResult::Failure(hr, Name + L": " + OleErrorText(hr));
    return {};
}

namespace {
// Invoke with the arguments in declared order (turned last-first here). The variants are
// passed as shallow copies: Invoke does not free its arguments, their owners keep them.
TDispResult InvokeWith(IDispatch* Object, DISPID DispId, WORD Flags, const VARIANT* const* Args, size_t Count,
                       VARIANT* Result) {
    if (!Object)
        return TDispResult::Failure(E_POINTER, L"No object");
    std::vector<VARIANT> reversed(Count);
    for (size_t i = 0; i < Count; ++i)
        reversed[Count - 1 - i] = *Args[i];
    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(Count);
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    if (Flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &namedPut;
    }
    TVariant ignored;
    TExcepInfo info;
    UINT argError = 0;
    HRESULT hr = Object->Invoke(DispId, IID_NULL, LOCALE_USER_DEFAULT, Flags, &params, Result ? Result : ignored.Put(),
                                &info, &argError);
    if (SUCCEEDED(hr))
        return {};
    std::wstring description;
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn)
            info.pfnDeferredFillIn(&info);
        if (info.bstrDescription)
            description.assign(info.bstrDescription, SysStringLen(info.bstrDescription));
        if (info.scode)
            hr = info.scode;
        else if (info.wCode)
            hr = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, info.wCode);
    }
    return TDispResult::Failure(hr, description.empty() ? OleErrorText(hr) : description);
}

std::vector<const VARIANT*> Pointers(std::initializer_list<TOleArg> Args) {
    std::vector<const VARIANT*> p;
    p.reserve(Args.size());
    for (const TOleArg& a : Args)
        p.push_back(&a.Get());
    return p;
}
} // namespace

TDispResult DispInvoke(IDispatch* Object, DISPID DispId, WORD Flags, std::initializer_list<TOleArg> Args,
                       VARIANT* Result) {
    std::vector<const VARIANT*> p = Pointers(Args);
    return InvokeWith(Object, DispId, Flags, p.data(), p.size(), Result);
}

// ---------------------------------------------------------------------------------------
// TAutoObject

TAutoObject::TAutoObject(IDispatch* Object) : FObject(Object) {
    if (FObject)
        FResult = {};
}

TAutoObject TAutoObject::FromUnknown(IUnknown* Object) {
    TAutoObject result;
    if (!Object)
        return result;
    HRESULT hr = Object->QueryInterface(IID_IDispatch, result.FObject.PutVoid());
    result.FResult = SUCCEEDED(hr) && result.FObject ? TDispResult{}
                                                    : TDispResult::Failure(FAILED(hr) ? hr : E_NOINTERFACE,
                                                                           L"Not an automation object");
    return result;
}

TAutoObject TAutoObject::Failed(TDispResult Why) {
    TAutoObject result;
    if (Why.Ok())
        Why = TDispResult::Failure(E_POINTER, L"No object");
    result.FResult = std::move(Why);
    return result;
}

TDispResult TAutoObject::Missing() const { return FResult.Ok() ? TDispResult::Failure(E_POINTER, L"No object") : FResult; }

TDispResult TAutoObject::Invoke(const std::wstring& Name, WORD Flags, const VARIANT* const* Args, size_t Count,
                                VARIANT* Result) const {
    if (!FObject)
        return Missing();
    DISPID id;
    TDispResult r = DispIdOfName(FObject.Get(), Name, id);
    if (!r)
        return r;
    r = InvokeWith(FObject.Get(), id, Flags, Args, Count, Result);
    if (!r)
        r.Error = Name + L": " + r.Error;
    return r;
}

TDispResult TAutoObject::GetValue(const std::wstring& Name, TVariant& Value, std::initializer_list<TOleArg> Args) const {
    std::vector<const VARIANT*> p = Pointers(Args);
    return Invoke(Name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, p.data(), p.size(), Value.Put());
}

TAutoObject TAutoObject::Obj(const std::wstring& Name, std::initializer_list<TOleArg> Args) const {
    TVariant v;
    TDispResult r = GetValue(Name, v, Args);
    if (!r)
        return Failed(std::move(r));
    const VARIANT* value = v.Get();
    if (value->vt == VT_DISPATCH && value->pdispVal)
        return TAutoObject(value->pdispVal);
    if (value->vt == VT_UNKNOWN && value->punkVal) {
        TAutoObject o = FromUnknown(value->punkVal);
        if (!o)
            return Failed(TDispResult::Failure(o.Result().Code, Name + L": not an automation object"));
        return o;
    }
    return Failed(TDispResult::Failure(E_NOINTERFACE, Name + L": not an object"));
}

bool TAutoObject::ReadAs(const std::wstring& Name, VARTYPE Type, TVariant& Value) const {
    TVariant v;
    return GetValue(Name, v) && ConvertedValue(v.Get(), Type, Value);
}

std::wstring TAutoObject::Str(const std::wstring& Name) const {
    TVariant text;
    if (!ReadAs(Name, VT_BSTR, text) || !text.Get()->bstrVal)
        return {};
    return std::wstring(text.Get()->bstrVal, SysStringLen(text.Get()->bstrVal));
}

int TAutoObject::Int(const std::wstring& Name, int Default) const {
    TVariant n;
    return ReadAs(Name, VT_I4, n) ? n.Get()->lVal : Default;
}

bool TAutoObject::Bool(const std::wstring& Name, bool Default) const {
    TVariant b;
    return ReadAs(Name, VT_BOOL, b) ? b.Get()->boolVal != VARIANT_FALSE : Default;
}

TDispResult TAutoObject::Put(const std::wstring& Name, const TOleArg& Value) const {
    const VARIANT* value = &Value.Get();
    return Invoke(Name, DISPATCH_PROPERTYPUT, &value, 1, nullptr);
}

TDispResult TAutoObject::Call(const std::wstring& Name, std::initializer_list<TOleArg> Args, TVariant* Result) const {
    TVariant ignored;
    std::vector<const VARIANT*> p = Pointers(Args);
    return Invoke(Name, DISPATCH_METHOD, p.data(), p.size(), Result ? Result->Put() : ignored.Put());
}
