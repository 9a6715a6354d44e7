#include "win/dispatch.h"

#include <map>
#include <mutex>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "win/automation_errors.h"

namespace kov::win {

namespace {

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

// The automation runtime's conversions, independent of the machine's regional settings: the
// core reads numbers with "." as the decimal point.
constexpr LCID kConversionLocale = LOCALE_INVARIANT;

// Reads go with both flags, as automation clients have always sent them: servers that expose a
// value as a method and those that expose it as a property both answer.
constexpr WORD kCallFlags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// Where a by-reference argument lives during the call, and how its change gets back.
struct Slot {
    Variant storage;
    Arg::Value target;
};

void Store(Slot& slot, VARIANTARG& passed) {
    VARIANT* s = slot.storage.get();
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                V_VT(s) = VT_BOOL;
                V_BOOL(s) = v ? VARIANT_TRUE : VARIANT_FALSE;
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                V_VT(s) = VT_I4;
                V_I4(s) = v;
            } else if constexpr (std::is_same_v<T, double>) {
                V_VT(s) = VT_R8;
                V_R8(s) = v;
            } else if constexpr (std::is_same_v<T, std::string>) {
                V_BSTR(s) = Bstr(v).release();
                V_VT(s) = VT_BSTR;
            } else if constexpr (std::is_same_v<T, bool*>) {
                V_VT(s) = VT_BOOL;
                V_BOOL(s) = *v ? VARIANT_TRUE : VARIANT_FALSE;
            } else if constexpr (std::is_same_v<T, int*>) {
                V_VT(s) = VT_I4;
                V_I4(s) = *v;
            } else if constexpr (std::is_same_v<T, double*>) {
                V_VT(s) = VT_R8;
                V_R8(s) = *v;
            } else {
                static_assert(std::is_same_v<T, std::string*>);
                V_BSTR(s) = Bstr(*v).release();
                V_VT(s) = VT_BSTR;
            }
        },
        slot.target);

    const bool byRef = std::visit(
        [](const auto& v) { return std::is_pointer_v<std::decay_t<decltype(v)>>; }, slot.target);
    if (!byRef) {
        // By value: the callee reads the value and never frees it; the slot still owns it.
        passed = *s;
        return;
    }
    VariantInit(&passed);
    V_VT(&passed) = static_cast<VARTYPE>(VT_BYREF | V_VT(s));
    switch (V_VT(s)) {
        case VT_BOOL:
            V_BOOLREF(&passed) = &V_BOOL(s);
            break;
        case VT_I4:
            V_I4REF(&passed) = &V_I4(s);
            break;
        case VT_R8:
            V_R8REF(&passed) = &V_R8(s);
            break;
        default:
            // The callee may free the text and put its own in its place: the slot owns either.
            V_BSTRREF(&passed) = &V_BSTR(s);
            break;
    }
}

void CopyBack(const Slot& slot) {
    const VARIANT* s = slot.storage.get();
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool*>) {
                *v = V_BOOL(s) != VARIANT_FALSE;
            } else if constexpr (std::is_same_v<T, int*>) {
                *v = V_I4(s);
            } else if constexpr (std::is_same_v<T, double*>) {
                *v = V_R8(s);
            } else if constexpr (std::is_same_v<T, std::string*>) {
                *v =
                    Narrow(std::wstring_view(V_BSTR(s) ? V_BSTR(s) : L"", SysStringLen(V_BSTR(s))));
            }
        },
        slot.target);
}

}  // namespace

// --- Result -------------------------------------------------------------------------------------

Variant Result::converted(VARTYPE type) const {
    Variant out;
    const USHORT flags = type == VT_BSTR ? VARIANT_ALPHABOOL : 0;
    const HRESULT hr = VariantChangeTypeEx(out.get(), const_cast<VARIANT*>(value_.get()),
                                           kConversionLocale, flags, type);
    if (FAILED(hr)) {
        throw ErrorFromHresult(hr);
    }
    return out;
}

bool Result::asBool() const {
    return V_BOOL(converted(VT_BOOL).get()) != VARIANT_FALSE;
}

int Result::asInt() const {
    return V_I4(converted(VT_I4).get());
}

double Result::asDouble() const {
    return V_R8(converted(VT_R8).get());
}

std::string Result::asString() const {
    const Variant text = converted(VT_BSTR);
    const BSTR b = V_BSTR(text.get());
    return Narrow(std::wstring_view(b ? b : L"", SysStringLen(b)));
}

std::optional<Dispatch> Result::asObject() const {
    const VARIANT* v = value_.get();
    switch (V_VT(v)) {
        case VT_EMPTY:
        case VT_NULL:
            return std::nullopt;
        case VT_DISPATCH:
            if (!V_DISPATCH(v)) {
                return std::nullopt;
            }
            return Dispatch(ComPtr<IDispatch>::share(V_DISPATCH(v)), typeKey_);
        case VT_UNKNOWN: {
            if (!V_UNKNOWN(v)) {
                return std::nullopt;
            }
            ComPtr<IDispatch> object;
            const HRESULT hr =
                V_UNKNOWN(v)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.put()));
            if (FAILED(hr)) {
                throw ErrorFromHresult(hr);
            }
            return Dispatch(std::move(object), typeKey_);
        }
        default:
            throw AutomationError(kErrObjectRequired, "Object required");
    }
}

long Result::upperBound() const {
    const VARIANT* v = value_.get();
    if (!(V_VT(v) & VT_ARRAY) || !V_ARRAY(v)) {
        throw ErrorFromHresult(DISP_E_TYPEMISMATCH);
    }
    LONG bound = 0;
    const HRESULT hr = SafeArrayGetUBound(V_ARRAY(v), 1, &bound);
    if (FAILED(hr)) {
        throw ErrorFromHresult(hr);
    }
    return bound;
}

// --- Dispatch -----------------------------------------------------------------------------------

struct Dispatch::NameTable {
    std::mutex mutex;
    std::unordered_map<std::string, DISPID> ids;  // by upper-cased name
};

Dispatch Dispatch::Create(const std::string& progId) {
    const std::wstring wide = Widen(progId);
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(wide.c_str(), &clsid))) {
        throw CannotCreate(progId);
    }
    ComPtr<IDispatch> object;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                        IID_IDispatch, reinterpret_cast<void**>(object.put()));
    if (hr == REGDB_E_CLASSNOTREG) {
        throw CannotCreate(progId);
    }
    if (hr == E_NOINTERFACE) {
        throw ErrorFromHresult(hr);
    }
    if (FAILED(hr)) {
        throw AutomationError(kErrCannotCreate, "ActiveX component can't create object: '" +
                                                    progId + "': " + SystemText(hr));
    }
    return Dispatch(std::move(object), UpperAscii(progId));
}

Dispatch::Dispatch(ComPtr<IDispatch> object, std::string typeKey)
    : object_(std::move(object)), typeKey_(std::move(typeKey)) {
    if (!object_) {
        throw AutomationError(kErrObjectRequired, "Object required");
    }
    if (typeKey_.empty()) {
        names_ = std::make_shared<NameTable>();
        return;
    }
    // The tables of every object type met so far; they last as long as the program.
    static std::mutex registryMutex;
    static std::map<std::string, std::shared_ptr<NameTable>> registry;
    const std::lock_guard lock(registryMutex);
    auto& table = registry[typeKey_];
    if (!table) {
        table = std::make_shared<NameTable>();
    }
    names_ = table;
}

DISPID Dispatch::id(std::string_view name) const {
    const std::string key = UpperAscii(name);
    {
        const std::lock_guard lock(names_->mutex);
        if (auto it = names_->ids.find(key); it != names_->ids.end()) {
            return it->second;
        }
    }
    // Not under the lock: a call into another apartment pumps messages, and a call made from
    // inside that pump must not wait for this one.
    std::wstring wide = Widen(name);
    LPOLESTR names[] = {wide.data()};
    DISPID dispid = DISPID_UNKNOWN;
    const HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) {
        throw AutomationError(ErrorNumber(hr), "Object doesn't support this property or method: '" +
                                                   std::string(name) + "'");
    }
    if (FAILED(hr)) {
        throw ErrorFromHresult(hr);
    }
    const std::lock_guard lock(names_->mutex);
    names_->ids.emplace(key, dispid);
    return dispid;
}

Result Dispatch::invoke(std::string_view name, WORD flags, std::initializer_list<Arg> args) const {
    const DISPID dispid = id(name);

    // Arguments go to the callee last first.
    const std::size_t n = args.size();
    std::vector<Slot> slots(n);
    std::vector<VARIANTARG> passed(n);
    std::size_t i = n;
    for (const Arg& arg : args) {
        --i;
        slots[i].target = arg.value();
        Store(slots[i], passed[i]);
    }

    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = passed.data();
    params.cArgs = static_cast<UINT>(n);
    const bool isPut = flags == DISPATCH_PROPERTYPUT;
    if (isPut) {
        params.rgdispidNamedArgs = &namedPut;
        params.cNamedArgs = 1;
    }

    Variant result;
    ExcepInfo exception;
    UINT argError = 0;
    const HRESULT hr = object_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                       isPut ? nullptr : result.get(), &exception.info, &argError);
    for (const Slot& slot : slots) {
        CopyBack(slot);
    }
    if (FAILED(hr)) {
        throw ErrorFromInvoke(hr, exception.info);
    }
    if (V_VT(result.get()) & VT_BYREF) {
        const HRESULT copied = VariantCopyInd(result.get(), result.get());
        if (FAILED(copied)) {
            throw ErrorFromHresult(copied);
        }
    }
    return Result(std::move(result),
                  typeKey_.empty() ? std::string() : typeKey_ + "." + UpperAscii(name));
}

Result Dispatch::call(std::string_view name, std::initializer_list<Arg> args) const {
    return invoke(name, kCallFlags, args);
}

Result Dispatch::get(std::string_view name, std::initializer_list<Arg> args) const {
    return invoke(name, kCallFlags, args);
}

void Dispatch::put(std::string_view name, const Arg& value) const {
    invoke(name, DISPATCH_PROPERTYPUT, {value});
}

}  // namespace kov::win
