#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace kov {

// A value that tells its observers when it changes, so the window follows the core and the core
// sees an edit the moment it is made.
template <class T>
class Observable {
  public:
    using Observer = std::function<void(const T&)>;

    Observable() = default;
    explicit Observable(T initial) : value_(std::move(initial)) {}
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    const T& get() const { return value_; }
    const T& operator()() const { return value_; }

    // Observers run only on a real change, so a window echoing the value back ends the cycle.
    void set(const T& value) {
        if (value_ == value) {
            return;
        }
        value_ = value;
        for (const auto& observer : observers_) {
            observer(value_);
        }
    }
    Observable& operator=(const T& value) {
        set(value);
        return *this;
    }

    void observe(Observer observer) { observers_.push_back(std::move(observer)); }

  private:
    T value_{};
    std::vector<Observer> observers_;
};

}  // namespace kov
