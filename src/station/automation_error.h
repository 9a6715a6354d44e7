#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kov {

// What a failing call on an outside program (or a failing conversion) raises: the automation
// error number and its description, exactly as the operator will be shown them.
class AutomationError : public std::runtime_error {
  public:
    AutomationError(std::int32_t number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}

    std::int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }

  private:
    std::int32_t number_;
    std::string description_;
};

// Numbers the program raises itself.
inline constexpr std::int32_t kErrOverflow = 6;          // a number too large for a double
inline constexpr std::int32_t kErrTypeMismatch = 13;     // a text that holds no number
inline constexpr std::int32_t kErrCannotCreate = 429;    // identifier not registered
inline constexpr std::int32_t kErrObjectRequired = 424;  // an object that is not there

// A program whose identifier is not registered, with a description that names it.
AutomationError CannotCreate(const std::string& progId);

// The "current error" that some procedures leave for their caller to read.
struct ErrorState {
    std::int32_t number = 0;
    std::string description;

    void clear() {
        number = 0;
        description.clear();
    }
    void set(const AutomationError& e) {
        number = e.number();
        description = e.description();
    }
    void set(std::int32_t n, std::string text) {
        number = n;
        description = std::move(text);
    }
    bool failed() const { return number != 0; }
};

}  // namespace kov
