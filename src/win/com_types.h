#pragma once

// Owners for the automation runtime's resources: interface pointers, BSTRs, VARIANTs, SAFEARRAYs
// and the apartment. Each releases what it holds exactly once, on every path.

#include <windows.h>
// windows.h first: the automation headers rely on its definitions.
#include <oaidl.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace kov::win {

// UTF-8 (the core's texts) to and from UTF-16 (the automation runtime's and Win32's).
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// An interface pointer that holds one reference.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    static ComPtr adopt(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Adds a reference of its own.
    static ComPtr share(T* p) {
        if (p) {
            p->AddRef();
        }
        return adopt(p);
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) {
            p_->AddRef();
        }
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands the slot to the callee.
    T** put() {
        reset();
        return &p_;
    }

  private:
    T* p_ = nullptr;
};

// A BSTR owned by this object.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept {
        std::swap(s_, o.s_);
        return *this;
    }
    ~Bstr() { SysFreeString(s_); }

    BSTR get() const { return s_; }
    BSTR* put() {
        SysFreeString(std::exchange(s_, nullptr));
        return &s_;
    }
    BSTR release() { return std::exchange(s_, nullptr); }
    std::string utf8() const;

  private:
    BSTR s_ = nullptr;
};

// A VARIANT owned by this object; cleared (its BSTR freed, its interface released, its array
// destroyed) when it goes.
class Variant {
  public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& o) noexcept {
        v_ = o.v_;
        VariantInit(&o.v_);
    }
    Variant& operator=(Variant&& o) noexcept {
        std::swap(v_, o.v_);
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    VARTYPE type() const { return V_VT(&v_); }
    void clear() { VariantClear(&v_); }

  private:
    VARIANT v_;
};

// A SAFEARRAY owned by this object until release() hands it on (into a VARIANT).
class SafeArray {
  public:
    explicit SafeArray(SAFEARRAY* a = nullptr) : a_(a) {}
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    SafeArray(SafeArray&& o) noexcept : a_(std::exchange(o.a_, nullptr)) {}
    ~SafeArray() {
        if (a_) {
            SafeArrayDestroy(a_);
        }
    }
    SAFEARRAY* get() const { return a_; }
    SAFEARRAY* release() { return std::exchange(a_, nullptr); }

  private:
    SAFEARRAY* a_;
};

// The exception record a failing Invoke fills in; frees its texts when it goes.
struct ExcepInfo {
    EXCEPINFO info{};
    ExcepInfo() = default;
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
};

// COM for the calling thread, single-threaded apartment, for the object's lifetime. Every
// object must be released before it goes.
class ComApartment {
  public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialized_ = false;
};

}  // namespace kov::win
