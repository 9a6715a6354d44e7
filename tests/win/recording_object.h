#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "win/com_types.h"

namespace kov::win::test {

// What a served member does when called: fill the result and exception record, return the code.
using Answer = std::function<HRESULT(VARIANT* result, EXCEPINFO* exception)>;

inline Answer Number(double v) {
    return [v](VARIANT* r, EXCEPINFO*) { return V_VT(r) = VT_R8, V_R8(r) = v, S_OK; };
}
inline Answer Text(const std::wstring& v) {
    return [v](VARIANT* r, EXCEPINFO*) {
        return V_BSTR(r) = SysAllocString(v.c_str()), V_VT(r) = VT_BSTR, S_OK;
    };
}
inline Answer Truth() {
    return [](VARIANT* r, EXCEPINFO*) { return V_VT(r) = VT_BOOL, V_BOOL(r) = VARIANT_TRUE, S_OK; };
}
inline Answer Array(ULONG count) {
    return [count](VARIANT* r, EXCEPINFO*) {
        V_ARRAY(r) = SafeArrayCreateVector(VT_VARIANT, 0, count);
        return V_VT(r) = VT_ARRAY | VT_VARIANT, S_OK;
    };
}
inline Answer Raise(HRESULT hr) {
    return [hr](VARIANT*, EXCEPINFO*) { return hr; };
}
// An exception record; "deferred" leaves the description for the caller to request.
inline Answer Exception(WORD wCode, HRESULT scode, const std::wstring& text,
                        bool deferred = false) {
    return [=](VARIANT*, EXCEPINFO* e) {
        e->wCode = wCode;
        e->scode = scode;
        e->bstrSource = SysAllocString(L"Recording");
        e->bstrDescription = text.empty() ? nullptr : SysAllocString(text.c_str());
        HRESULT (*fill)
        (EXCEPINFO*) = [](EXCEPINFO* late) -> HRESULT {
            late->bstrDescription = SysAllocString(L"Filled in later");
            return S_OK;
        };
        e->pfnDeferredFillIn = deferred ? fill : nullptr;
        return DISP_E_EXCEPTION;
    };
}

// An automation object the tests serve themselves. It answers every name (those marked unknown
// excepted), logs each call as it arrived ("SlewToRaDec(&5.5, &40, 'KovSkyMapper')",
// "Connected = true"), answers as scripted, and changes its by-reference arguments (numbers +1,
// texts + "!", booleans flipped) so the caller's copy-back shows. It counts the references others
// hold; the test owns it, so a Release to zero does not free it.
class RecordingObject : public IDispatch {
  public:
    std::map<std::string, Answer> answers;  // by upper-cased name
    std::vector<std::string> unknown;       // upper-cased names GetIDsOfNames refuses
    std::vector<std::string> log;
    long references = 0;
    int nameLookups = 0;

    void answer(const std::string& name, Answer a) { answers[Upper(name)] = std::move(a); }
    // A child object served the same way, returned by the member; it lives as long as this one.
    RecordingObject& child(const std::string& name) {
        RecordingObject* c = children_.emplace_back(std::make_unique<RecordingObject>()).get();
        answer(name, [c](VARIANT* r, EXCEPINFO*) {
            c->AddRef();
            return V_VT(r) = VT_DISPATCH, V_DISPATCH(r) = c, S_OK;
        });
        return *c;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
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
        if (std::count(unknown.begin(), unknown.end(), Upper(name))) {
            return ids[0] = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME;
        }
        auto same = [&](const std::string& n) { return Upper(n) == Upper(name); };
        auto it = std::find_if(names_.begin(), names_.end(), same);
        if (it == names_.end()) {
            it = names_.insert(names_.end(), name);
        }
        return ids[0] = static_cast<DISPID>(it - names_.begin() + 1), S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        if (id < 1 || static_cast<std::size_t>(id) > names_.size()) {
            return DISP_E_MEMBERNOTFOUND;
        }
        const std::string& name = names_[static_cast<std::size_t>(id - 1)];
        if (flags == DISPATCH_PROPERTYPUT) {
            if (params->cArgs != 1 || params->cNamedArgs != 1 ||
                params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                return DISP_E_PARAMNOTFOUND;
            }
            log.push_back(name + " = " + Render(params->rgvarg[0]));
        } else if (flags == (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
            std::string args;
            for (UINT i = params->cArgs; i-- > 0;) {
                args += Render(params->rgvarg[i]) + (i > 0 ? ", " : "");
            }
            log.push_back(name + "(" + args + ")");
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
        for (UINT i = 0; i < params->cArgs; ++i) {
            Change(params->rgvarg[i]);
        }
        auto it = answers.find(Upper(name));
        Variant ignored;  // a put asks for no result
        return it == answers.end() ? S_OK : it->second(result ? result : ignored.get(), exception);
    }

  private:
    static std::string Upper(std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        return s;
    }
    static std::string Render(const VARIANT& v) {
        const bool ref = V_VT(&v) & VT_BYREF;
        std::ostringstream out;
        out << (ref ? "&" : "");
        switch (V_VT(&v) & ~VT_BYREF) {
            case VT_R8:
                out << (ref ? *V_R8REF(&v) : V_R8(&v));
                break;
            case VT_I4:
                out << (ref ? *V_I4REF(&v) : V_I4(&v));
                break;
            case VT_BOOL:
                out << ((ref ? *V_BOOLREF(&v) : V_BOOL(&v)) ? "true" : "false");
                break;
            case VT_BSTR:
                out << "'" << Narrow(ref ? *V_BSTRREF(&v) : V_BSTR(&v)) << "'";
                break;
            default:
                out << "vt" << V_VT(&v);
        }
        return out.str();
    }
    static void Change(VARIANT& v) {
        switch (V_VT(&v)) {
            case VT_BYREF | VT_R8:
                *V_R8REF(&v) += 1;
                break;
            case VT_BYREF | VT_I4:
                *V_I4REF(&v) += 1;
                break;
            case VT_BYREF | VT_BOOL:
                *V_BOOLREF(&v) = *V_BOOLREF(&v) ? VARIANT_FALSE : VARIANT_TRUE;
                break;
            case VT_BYREF | VT_BSTR: {
                const std::wstring text = std::wstring(*V_BSTRREF(&v)) + L"!";
                SysFreeString(*V_BSTRREF(&v));
                *V_BSTRREF(&v) = SysAllocString(text.c_str());
                break;
            }
            default:
                break;
        }
    }

    std::vector<std::string> names_;  // DISPID - 1 -> the name as first spelled
    std::vector<std::unique_ptr<RecordingObject>> children_;
};

}  // namespace kov::win::test
