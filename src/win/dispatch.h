#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "station/automation_error.h"
#include "win/com_types.h"

namespace kov::win {

class Dispatch;

// One argument of a late-bound call: a value, or (Ref) a variable of the caller's that the
// callee receives by reference and may change; the change is copied back when the call returns,
// also when it fails.
class Arg {
  public:
    Arg(bool v) : v_(v) {}
    Arg(int v) : v_(static_cast<std::int32_t>(v)) {}
    Arg(double v) : v_(v) {}
    Arg(const char* v) : v_(std::string(v)) {}
    Arg(std::string v) : v_(std::move(v)) {}

    static Arg Ref(bool& v) { return Arg(&v); }
    static Arg Ref(int& v) { return Arg(&v); }
    static Arg Ref(double& v) { return Arg(&v); }
    static Arg Ref(std::string& v) { return Arg(&v); }

    using Value =
        std::variant<bool, std::int32_t, double, std::string, bool*, int*, double*, std::string*>;
    const Value& value() const { return v_; }

  private:
    template <class T>
    explicit Arg(T* ref) : v_(ref) {}
    Value v_;
};

// The result of a call or property read.
class Result {
  public:
    Result(Variant value, std::string typeKey)
        : value_(std::move(value)), typeKey_(std::move(typeKey)) {}

    // Conversions as the automation runtime makes them (a number from its text, "." as the
    // decimal point); one that cannot be made raises 13, one out of range 6.
    bool asBool() const;
    int asInt() const;
    double asDouble() const;
    std::string asString() const;
    // The object returned, or nothing for "no object" (Nothing, Empty or Null).
    std::optional<Dispatch> asObject() const;
    // The upper bound of a returned array's first dimension; 13 when it is no array.
    long upperBound() const;

    const VARIANT* variant() const { return value_.get(); }

  private:
    Variant converted(VARTYPE type) const;

    Variant value_;
    std::string typeKey_;  // for a returned object: the type its names are cached under
};

// An automation object called by name. Names are matched without regard to case and resolved
// once per object type: objects created from the same identifier, and objects returned by the
// same member of the same type, share their resolved names. Every failure throws
// AutomationError; nothing the calls create outlives them.
class Dispatch {
  public:
    // Creates the object registered under a programmatic identifier, in process or in its own
    // server; an identifier that is not registered raises 429 naming it.
    static Dispatch Create(const std::string& progId);

    // Wraps an object the caller holds. typeKey names its type for the name cache; objects
    // with an empty key keep their names to themselves.
    Dispatch(ComPtr<IDispatch> object, std::string typeKey);

    // A method call (which may also be a property read with arguments).
    Result call(std::string_view name, std::initializer_list<Arg> args = {}) const;
    // A property read, with the property's own arguments if it takes any.
    Result get(std::string_view name, std::initializer_list<Arg> args = {}) const;
    // A property write.
    void put(std::string_view name, const Arg& value) const;

    IDispatch* object() const { return object_.get(); }
    const std::string& typeKey() const { return typeKey_; }

  private:
    struct NameTable;
    DISPID id(std::string_view name) const;
    Result invoke(std::string_view name, WORD flags, std::initializer_list<Arg> args) const;

    ComPtr<IDispatch> object_;
    std::string typeKey_;
    std::shared_ptr<NameTable> names_;
};

}  // namespace kov::win
