#include "win/recording_object.h"

#include <algorithm>
#include <sstream>

namespace kov::win::test {

namespace {

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

std::string Render(const VARIANT& v) {
    const bool byRef = V_VT(&v) & VT_BYREF;
    std::ostringstream out;
    out << (byRef ? "&" : "");
    switch (V_VT(&v) & ~VT_BYREF) {
        case VT_R8:
            out << (byRef ? *V_R8REF(&v) : V_R8(&v));
            break;
        case VT_I4:
            out << (byRef ? *V_I4REF(&v) : V_I4(&v));
            break;
        case VT_BOOL:
            out << ((byRef ? *V_BOOLREF(&v) : V_BOOL(&v)) ? "true" : "false");
            break;
        case VT_BSTR: {
            const BSTR b = byRef ? *V_BSTRREF(&v) : V_BSTR(&v);
            out << "'" << Narrow(std::wstring_view(b ? b : L"", SysStringLen(b))) << "'";
            break;
        }
        default:
            out << "vt" << V_VT(&v);
    }
    return out.str();
}

// The callee's side of a by-reference argument: it may change the caller's variable.
void Change(VARIANT& v) {
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
            BSTR* b = V_BSTRREF(&v);
            std::wstring text(*b ? *b : L"", SysStringLen(*b));
            SysFreeString(*b);
            *b = SysAllocString((text + L"!").c_str());
            break;
        }
        default:
            break;
    }
}

HRESULT STDMETHODCALLTYPE FillDescription(EXCEPINFO* info) {
    info->bstrDescription = SysAllocString(L"Filled in later");
    return S_OK;
}

}  // namespace

void RecordingObject::answer(const std::string& name, Answer answer) {
    answers_[Upper(name)] = std::move(answer);
}

void RecordingObject::returns(const std::string& name, double value) {
    answer(name, [value](VARIANT* result, EXCEPINFO*) {
        V_VT(result) = VT_R8;
        V_R8(result) = value;
        return S_OK;
    });
}

void RecordingObject::returnsText(const std::string& name, const std::string& value) {
    answer(name, [value](VARIANT* result, EXCEPINFO*) {
        V_BSTR(result) = SysAllocString(Widen(value).c_str());
        V_VT(result) = VT_BSTR;
        return S_OK;
    });
}

void RecordingObject::returnsBool(const std::string& name, bool value) {
    answer(name, [value](VARIANT* result, EXCEPINFO*) {
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

void RecordingObject::returnsArray(const std::string& name, long count) {
    answer(name, [count](VARIANT* result, EXCEPINFO*) {
        V_ARRAY(result) = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count));
        V_VT(result) = VT_ARRAY | VT_VARIANT;
        return S_OK;
    });
}

RecordingObject& RecordingObject::returnsChild(const std::string& name) {
    children_.push_back(std::make_unique<RecordingObject>());
    RecordingObject* child = children_.back().get();
    answer(name, [child](VARIANT* result, EXCEPINFO*) {
        child->AddRef();
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = child;
        return S_OK;
    });
    return *child;
}

void RecordingObject::raises(const std::string& name, HRESULT hr) {
    answer(name, [hr](VARIANT*, EXCEPINFO*) { return hr; });
}

void RecordingObject::raisesException(const std::string& name, WORD wCode, HRESULT scode,
                                      const std::wstring& description, bool deferred) {
    answer(name, [=](VARIANT*, EXCEPINFO* info) {
        info->wCode = wCode;
        info->scode = scode;
        info->bstrSource = SysAllocString(L"Recording");
        if (!description.empty()) {
            info->bstrDescription = SysAllocString(description.c_str());
        }
        if (deferred) {
            info->pfnDeferredFillIn = FillDescription;
        }
        return DISP_E_EXCEPTION;
    });
}

void RecordingObject::unknown(const std::string& name) {
    unknown_.push_back(Upper(name));
}

HRESULT RecordingObject::QueryInterface(REFIID riid, void** object) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        AddRef();
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG RecordingObject::AddRef() {
    return static_cast<ULONG>(++references_);
}

ULONG RecordingObject::Release() {
    return static_cast<ULONG>(--references_);
}

HRESULT RecordingObject::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT RecordingObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT RecordingObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    ++nameLookups_;
    if (count != 1) {
        return E_INVALIDARG;
    }
    const std::string name = Narrow(names[0]);
    const std::string upper = Upper(name);
    if (std::find(unknown_.begin(), unknown_.end(), upper) != unknown_.end()) {
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (Upper(names_[i]) == upper) {
            ids[0] = static_cast<DISPID>(i + 1);
            return S_OK;
        }
    }
    names_.push_back(name);
    ids[0] = static_cast<DISPID>(names_.size());
    return S_OK;
}

HRESULT RecordingObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT*) {
    if (id < 1 || static_cast<std::size_t>(id) > names_.size()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    const std::string& name = names_[static_cast<std::size_t>(id - 1)];
    std::string entry = name;
    if (flags == DISPATCH_PROPERTYPUT) {
        if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
            params->cArgs != 1) {
            return DISP_E_PARAMNOTFOUND;
        }
        entry += " = " + Render(params->rgvarg[0]);
    } else {
        if (flags != (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
            return DISP_E_MEMBERNOTFOUND;
        }
        entry += "(";
        for (UINT i = params->cArgs; i-- > 0;) {
            entry += Render(params->rgvarg[i]) + (i > 0 ? ", " : "");
        }
        entry += ")";
    }
    log.push_back(entry);
    for (UINT i = 0; i < params->cArgs; ++i) {
        Change(params->rgvarg[i]);
    }
    auto it = answers_.find(Upper(name));
    if (it == answers_.end()) {
        return S_OK;
    }
    Variant ignored;  // a put asks for no result, but an answer may still give one
    return it->second(result ? result : ignored.get(), exception);
}

}  // namespace kov::win::test
