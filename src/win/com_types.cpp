#include "win/com_types.h"

#include "win/automation_errors.h"

namespace kov::win {

std::wstring Widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), n, nullptr, nullptr);
    return narrow;
}

Bstr::Bstr(std::string_view utf8) {
    const std::wstring wide = Widen(utf8);
    s_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!s_) {
        throw ErrorFromHresult(E_OUTOFMEMORY);
    }
}

std::string Bstr::utf8() const {
    // A BSTR knows its length and may hold embedded nulls; a null BSTR is the empty text.
    return Narrow(std::wstring_view(s_ ? s_ : L"", SysStringLen(s_)));
}

ComApartment::ComApartment() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) {
        initialized_ = true;  // S_FALSE too: every successful call needs its CoUninitialize
    } else if (hr != RPC_E_CHANGED_MODE) {
        // RPC_E_CHANGED_MODE: the thread already has a multi-threaded apartment; use it as it is.
        throw ErrorFromHresult(hr);
    }
}

ComApartment::~ComApartment() {
    if (initialized_) {
        CoUninitialize();
    }
}

}  // namespace kov::win
