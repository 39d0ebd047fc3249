// Automation without type libraries.
// - TDispArgs reads the arguments of an incoming Invoke (the events a hosted control fires).
//   Invoke receives them last-first and passes out-parameters by reference, which is easy
//   to get wrong in every handler; here the index is the parameter's declared position and
//   references are followed.
// - TAutoObject makes late-bound calls by member name (property get, put, method call) on
//   an object's IDispatch. Failures are results, never exceptions: a chain of calls on a
//   missing or failing object yields empty values and keeps the first failure.
#pragma once

#include "Handles.h"

#include <initializer_list>
#include <string>
#include <utility>

// The arguments of one Invoke, by declared position (0 = first parameter). Named
// arguments (at the front of rgvarg) are not counted. Reading never fails: a missing or
// unconvertible argument reads as the neutral value ("" / 0 / false / null).
class TDispArgs {
public:
    explicit TDispArgs(const DISPPARAMS* Params) noexcept : FParams(Params) {}
    int Count() const noexcept;
    // The argument's own value: VT_BYREF references (also a VT_BYREF|VT_VARIANT
    // pointing at the value) are followed. Null when the argument is missing.
    const VARIANT* Value(int Index) const noexcept;
    std::wstring Str(int Index) const;
    long Int(int Index) const noexcept;
    bool Bool(int Index) const noexcept;
    // The object argument (no reference added), or null.
    IDispatch* Dispatch(int Index) const noexcept;
    // Out-parameters: writes through a by-reference argument of a fitting type (a
    // VARIANT_BOOL, an IDispatch*, or a VARIANT). False when the argument is missing
    // or not passed by reference.
    bool SetBool(int Index, bool Value) const noexcept;
    // The object gets a reference for the caller; an object already there is released.
    bool SetDispatch(int Index, IDispatch* Value) const noexcept;

private:
    VARIANT* Raw(int Index) const noexcept;
    const DISPPARAMS* FParams;
};

// The outcome of a late-bound call: the HRESULT and, for a failure, a readable reason
// (the object's own exception text when it gave one).
struct TDispResult {
    HRESULT Code = S_OK;
    std::wstring Error;
    bool Ok() const noexcept { return SUCCEEDED(Code); }
    explicit operator bool() const noexcept { return Ok(); }
    static TDispResult Failure(HRESULT Code, std::wstring Error) { return TDispResult{Code, std::move(Error)}; }
};

// One argument of a late-bound call, made from a plain value. The argument owns what
// it holds (a string becomes a BSTR freed with it).
class TOleArg {
public:
    TOleArg(const std::wstring& Value);
    TOleArg(const wchar_t* Value) : TOleArg(std::wstring(Value ? Value : L"")) {}
    TOleArg(int Value) noexcept;
    TOleArg(long Value) noexcept : TOleArg(static_cast<int>(Value)) {}
    TOleArg(double Value) noexcept;
    TOleArg(bool Value) noexcept;
    TOleArg(IDispatch* Value) noexcept; // adds a reference
    // A copy of any variant.
    explicit TOleArg(const VARIANT& Value) noexcept;
    const VARIANT& Get() const noexcept { return *FValue.Get(); }

private:
    TVariant FValue;
};

// The text of an HRESULT ("0x80020006 Unknown name." style).
std::wstring OleErrorText(HRESULT Code);

// Invokes a member by dispatch id with arguments in declared order. Flags as for
// IDispatch::Invoke; a property put passes the value as the last argument.
TDispResult DispInvoke(IDispatch* Object, DISPID DispId, WORD Flags, std::initializer_list<TOleArg> Args,
                       VARIANT* Result);
// The dispatch id of a member name; the result says why when the object has none.
TDispResult DispIdOfName(IDispatch* Object, const std::wstring& Name, DISPID& DispId);

// An automation object reached by late binding. Copies share the object.
class TAutoObject {
public:
    TAutoObject() = default;
    explicit TAutoObject(IDispatch* Object);
    // The object's IDispatch (asked for with QueryInterface); empty when it has none.
    static TAutoObject FromUnknown(IUnknown* Object);
    // An empty object that carries a failure.
    static TAutoObject Failed(TDispResult Why);

    IDispatch* Get() const noexcept { return FObject.Get(); }
    // True when there is an object (and so no failure reaching it).
    bool Valid() const noexcept { return static_cast<bool>(FObject); }
    explicit operator bool() const noexcept { return Valid(); }
    // Why the object is missing: the first failure on the way to it (S_OK when valid,
    // E_POINTER when the chain started without an object).
    const TDispResult& Result() const noexcept { return FResult; }

    // Property get (or a method's result) by name, with optional arguments.
    TDispResult GetValue(const std::wstring& Name, TVariant& Value, std::initializer_list<TOleArg> Args = {}) const;
    // A member that is an object: "body", or "item" with an index.
    TAutoObject Obj(const std::wstring& Name, std::initializer_list<TOleArg> Args = {}) const;
    // Typed property reads; neutral values on any failure.
    std::wstring Str(const std::wstring& Name) const;
    int Int(const std::wstring& Name, int Default = 0) const;
    bool Bool(const std::wstring& Name, bool Default = false) const;
    // Property put by name.
    TDispResult Put(const std::wstring& Name, const TOleArg& Value) const;
    // Method call by name; Result may be null.
    TDispResult Call(const std::wstring& Name, std::initializer_list<TOleArg> Args = {},
                     TVariant* Result = nullptr) const;

private:
    TDispResult Missing() const;
    // Member Name invoked with Flags; a failure's text names the member.
    TDispResult Invoke(const std::wstring& Name, WORD Flags, const VARIANT* const* Args, size_t Count,
                       VARIANT* Result) const;
    // Property Name converted to Type; false when it cannot be read or converted.
    bool ReadAs(const std::wstring& Name, VARTYPE Type, TVariant& Value) const;
    TComPtr<IDispatch> FObject;
    TDispResult FResult{E_POINTER, L"No object"};
};
