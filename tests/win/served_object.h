#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "station/automation_error.h"
#include "win/com_types.h"

namespace kov::win::test {

// The arguments of one served call, first argument first, converted as the runtime converts.
// What the real program takes by reference must come so: one sent by value is refused.
struct Call {
    DISPPARAMS* params;
    Variant as(UINT i, VARTYPE type, bool byRef) const {
        Variant v;
        VARIANT* given = i < params->cArgs ? &params->rgvarg[params->cArgs - 1 - i] : nullptr;
        if (given && byRef && !(V_VT(given) & VT_BYREF)) {
            throw AutomationError(
                13, "Type mismatch: argument " + std::to_string(i + 1) + " goes by reference");
        }
        if (!given || FAILED(VariantChangeType(v.get(), given, 0, type))) {
            throw AutomationError(13, "Type mismatch");
        }
        return v;
    }
    template <class A>
    A arg(UINT i, UINT refs = 0) const {  // the first `refs` arguments go by reference
        const bool byRef = i < refs;
        if constexpr (std::is_same_v<A, double>) {
            return V_R8(as(i, VT_R8, byRef).get());
        } else if constexpr (std::is_same_v<A, int>) {
            return V_I4(as(i, VT_I4, byRef).get());
        } else if constexpr (std::is_same_v<A, bool>) {
            return V_BOOL(as(i, VT_BOOL, byRef).get()) != VARIANT_FALSE;
        } else {
            return Narrow(V_BSTR(as(i, VT_BSTR, byRef).get()));
        }
    }
};

// What a served member does when called: fill the result and exception record, return the code.
using Answer = std::function<HRESULT(const Call&, VARIANT* result, EXCEPINFO* exception)>;

inline void Set(VARIANT* r, double v) {
    V_VT(r) = VT_R8, V_R8(r) = v;
}
inline void Set(VARIANT* r, int v) {
    V_VT(r) = VT_I4, V_I4(r) = v;
}
inline void Set(VARIANT* r, bool v) {
    V_VT(r) = VT_BOOL, V_BOOL(r) = v ? VARIANT_TRUE : 0;
}
inline void Set(VARIANT* r, const std::string& v) {
    V_BSTR(r) = Bstr(v).release(), V_VT(r) = VT_BSTR;
}
inline void Set(VARIANT* r, IDispatch* v) {
    V_VT(r) = VT_DISPATCH, V_DISPATCH(r) = v;
}

// An error as a program raises it: its own number in wCode when it fits, else in scode.
inline HRESULT Raised(const AutomationError& e, EXCEPINFO* x) {
    const bool small = e.number() > 0 && e.number() < 0x10000;
    x->wCode = small ? static_cast<WORD>(e.number()) : 0;
    x->scode = small ? 0 : static_cast<HRESULT>(e.number());
    x->bstrSource = SysAllocString(L"Served");
    x->bstrDescription = Bstr(e.description()).release();
    return DISP_E_EXCEPTION;
}

// A member that runs f(call) and answers with what it returns; an AutomationError it raises
// goes back through the exception record.
template <class F>
Answer Do(F f) {
    return [f](const Call& c, VARIANT* r, EXCEPINFO* x) -> HRESULT {
        try {
            if constexpr (std::is_void_v<std::invoke_result_t<F, const Call&>>) {
                f(c);
            } else {
                Set(r, f(c));
            }
            return S_OK;
        } catch (const AutomationError& e) {
            return Raised(e, x);
        }
    };
}
// An array of `count` elements, as WCSArray returns its stars.
inline Answer Array(long count) {
    return [count](const Call&, VARIANT* r, EXCEPINFO*) {
        V_ARRAY(r) = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count));
        return V_VT(r) = VT_ARRAY | VT_VARIANT, S_OK;
    };
}
inline Answer Raise(HRESULT hr) {
    return [hr](const Call&, VARIANT*, EXCEPINFO*) { return hr; };
}
// An exception record as given; "deferred" leaves the description for the caller to request.
inline Answer Exception(WORD wCode, HRESULT scode, const std::wstring& text,
                        bool deferred = false) {
    return [=](const Call&, VARIANT*, EXCEPINFO* e) {
        e->wCode = wCode;
        e->scode = scode;
        e->bstrDescription = text.empty() ? nullptr : SysAllocString(text.c_str());
        HRESULT(*fill)
        (EXCEPINFO*) = [](EXCEPINFO* late) -> HRESULT {
            late->bstrDescription = SysAllocString(L"Filled in later");
            return S_OK;
        };
        e->pfnDeferredFillIn = deferred ? fill : nullptr;
        return DISP_E_EXCEPTION;
    };
}

// An automation object the tests serve themselves. It answers every name, logs each call as it
// arrived ("SlewToRaDec(&5.5, &40, 'KovSkyMapper')", "Connected = True"), answers as scripted, then
// changes its by-reference arguments (numbers +1, texts + "!", booleans flipped) so the caller's
// copy-back shows. It counts the references others hold; its owner frees it, so a Release to zero
// does not.
class ServedObject : public IDispatch {
  public:
    std::map<std::string, Answer> answers;  // calls and reads, by upper-cased name
    std::map<std::string, Answer> puts;     // writes, by upper-cased name
    std::vector<std::string> log;
    long references = 0;
    int nameLookups = 0;

    void answer(const std::string& name, Answer a) { answers[Upper(name)] = std::move(a); }
    void onPut(const std::string& name, Answer a) { puts[Upper(name)] = std::move(a); }
    // An object this one hands out; it lives as long as this one.
    ServedObject& own(std::unique_ptr<ServedObject> o) {
        return *children_.emplace_back(std::move(o));
    }
    // A child object served the same way, returned by the member.
    ServedObject& child(const std::string& name) {
        ServedObject* c = &own(std::make_unique<ServedObject>());
        answer(name, Do([c](const Call&) { return c->AddRef(), static_cast<IDispatch*>(c); }));
        return *c;
    }
    // The references still held on this object and every object it handed out.
    long held() const {
        long n = references;
        for (const auto& c : children_) {
            n += c->held();
        }
        return n;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) {
            return *object = nullptr, E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        return AddRef(), S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        return *info = nullptr, DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                            DISPID* ids) override {
        ++nameLookups;
        const std::string name = Narrow(names[0]);
        auto same = [&](const std::string& n) { return Upper(n) == Upper(name); };
        auto it = std::find_if(Names().begin(), Names().end(), same);
        if (it == Names().end()) {
            it = Names().insert(Names().end(), name);
        }
        return ids[0] = static_cast<DISPID>(it - Names().begin() + 1), S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        if (id < 1 || static_cast<std::size_t>(id) > Names().size()) {
            return DISP_E_MEMBERNOTFOUND;
        }
        const std::string name = Names()[static_cast<std::size_t>(id - 1)];
        const bool put = flags == DISPATCH_PROPERTYPUT;
        if (put && (params->cArgs != 1 || params->cNamedArgs != 1 ||
                    params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
            return DISP_E_PARAMNOTFOUND;
        }
        if (!put && flags != (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
            return DISP_E_MEMBERNOTFOUND;
        }
        std::string args;
        for (UINT i = params->cArgs; i-- > 0;) {
            args += Render(params->rgvarg[i]) + (i > 0 ? ", " : "");
        }
        log.push_back(name + (put ? " = " + args : "(" + args + ")"));
        const auto& table = put ? puts : answers;
        const auto it = table.find(Upper(name));
        Variant ignored;  // a put asks for no result
        const HRESULT hr =
            it == table.end()
                ? S_OK
                : it->second(Call{params}, result ? result : ignored.get(), exception);
        for (UINT i = 0; i < params->cArgs; ++i) {
            Change(params->rgvarg[i]);
        }
        return hr;
    }

  private:
    static std::string Upper(std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        return s;
    }
    // A by-reference argument is shown by what it points at, marked "&"; texts are quoted.
    static std::string Render(VARIANT& v) {
        Variant shown;
        VariantCopyInd(shown.get(), &v);
        const bool quoted = shown.type() == VT_BSTR;
        if (FAILED(VariantChangeTypeEx(shown.get(), shown.get(), LOCALE_INVARIANT,
                                       VARIANT_ALPHABOOL, VT_BSTR))) {
            return "vt" + std::to_string(V_VT(&v));
        }
        const std::string text = Narrow(V_BSTR(shown.get()));
        return (V_VT(&v) & VT_BYREF ? "&" : "") + (quoted ? "'" + text + "'" : text);
    }
    static void Change(VARIANT& v) {
        const VARTYPE type = V_VT(&v);
        if (type == (VT_BYREF | VT_R8)) {
            *V_R8REF(&v) += 1;
        } else if (type == (VT_BYREF | VT_I4)) {
            *V_I4REF(&v) += 1;
        } else if (type == (VT_BYREF | VT_BOOL)) {
            *V_BOOLREF(&v) = *V_BOOLREF(&v) ? VARIANT_FALSE : VARIANT_TRUE;
        } else if (type == (VT_BYREF | VT_BSTR)) {
            Bstr changed(Narrow(*V_BSTRREF(&v)) + "!");
            SysFreeString(*V_BSTRREF(&v));
            *V_BSTRREF(&v) = changed.release();
        }
    }

    // DISPID - 1 -> the name as first spelled. One table for every object, as a type library
    // gives every object of a type the same numbers: callers keep them per type.
    static std::vector<std::string>& Names() {
        static std::vector<std::string> names;
        return names;
    }
    std::vector<std::unique_ptr<ServedObject>> children_;
};

}  // namespace kov::win::test
