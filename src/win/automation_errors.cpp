#include "win/automation_errors.h"

#include <array>
#include <utility>

#include "win/com_types.h"

namespace kov::win {

namespace {

struct KnownFailure {
    HRESULT code;
    std::int32_t number;
};

// Failures of the automation runtime itself, by the numbers the operator knows them by.
constexpr std::array<KnownFailure, 19> kKnownFailures{{
    {DISP_E_UNKNOWNNAME, 438},
    {DISP_E_MEMBERNOTFOUND, 438},
    {DISP_E_TYPEMISMATCH, 13},
    {DISP_E_OVERFLOW, 6},
    {DISP_E_BADINDEX, 9},
    {DISP_E_ARRAYISLOCKED, 10},
    {DISP_E_BADPARAMCOUNT, 450},
    {DISP_E_PARAMNOTOPTIONAL, 449},
    {DISP_E_NONAMEDARGS, 446},
    {DISP_E_PARAMNOTFOUND, 448},
    {DISP_E_BADVARTYPE, 458},
    {E_OUTOFMEMORY, 7},
    {E_INVALIDARG, 5},
    {E_NOINTERFACE, 430},
    {REGDB_E_CLASSNOTREG, kErrCannotCreate},
    {CO_E_CLASSSTRING, kErrCannotCreate},
    {CO_E_SERVER_EXEC_FAILURE, kErrCannotCreate},
    {RPC_E_DISCONNECTED, 462},
    {HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), 462},
}};

constexpr std::array<std::pair<std::int32_t, const char*>, 17> kNumberTexts{{
    {5, "Invalid procedure call or argument"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {9, "Subscript out of range"},
    {10, "This array is fixed or temporarily locked"},
    {13, "Type mismatch"},
    {kErrObjectRequired, "Object required"},
    {kErrCannotCreate, "ActiveX component can't create object"},
    {430, "Class does not support Automation or does not support expected interface"},
    {438, "Object doesn't support this property or method"},
    {446, "Object doesn't support named arguments"},
    {448, "Named argument not found"},
    {449, "Argument not optional"},
    {450, "Wrong number of arguments or invalid property assignment"},
    {457, "This key is already associated with an element of this collection"},
    {458, "Variable uses an Automation type not supported in Visual Basic"},
    {462, "The remote server machine does not exist or is unavailable"},
}};

std::string NumberText(std::int32_t number) {
    for (const auto& [n, text] : kNumberTexts) {
        if (n == number) {
            return text;
        }
    }
    return {};
}

// A number the operator knows has its one text, whichever code it came from and whatever the
// system's language; other codes have the system's text.
std::string DescriptionFor(HRESULT hr, std::int32_t number) {
    std::string text = NumberText(number);
    if (text.empty()) {
        text = SystemText(hr);
    }
    return text.empty() ? std::string("Automation error") : text;
}

}  // namespace

std::int32_t ErrorNumber(HRESULT hr) {
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) {
        return HRESULT_CODE(hr);
    }
    for (const KnownFailure& k : kKnownFailures) {
        if (k.code == hr) {
            return k.number;
        }
    }
    return static_cast<std::int32_t>(hr);
}

std::string SystemText(HRESULT hr) {
    LPWSTR buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", n);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return Narrow(text);
}

AutomationError ErrorFromHresult(HRESULT hr) {
    const std::int32_t number = ErrorNumber(hr);
    return AutomationError(number, DescriptionFor(hr, number));
}

AutomationError ErrorFromInvoke(HRESULT hr, EXCEPINFO& info) {
    if (hr != DISP_E_EXCEPTION) {
        return ErrorFromHresult(hr);
    }
    if (info.pfnDeferredFillIn) {
        info.pfnDeferredFillIn(&info);
        info.pfnDeferredFillIn = nullptr;
    }
    const HRESULT code = info.scode ? info.scode : DISP_E_EXCEPTION;
    const std::int32_t number = info.wCode ? info.wCode : ErrorNumber(code);
    const std::string description =
        std::wstring_view(info.bstrDescription ? info.bstrDescription : L"").empty()
            ? DescriptionFor(code, number)
            : Narrow(std::wstring_view(info.bstrDescription, SysStringLen(info.bstrDescription)));
    return AutomationError(number, description);
}

}  // namespace kov::win
