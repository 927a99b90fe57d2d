// What a platform function gives back: a value, or the C library's error
// number that says why there is none.
#pragma once

/// The value of a platform call and its error number: 0 on success, when
/// `value` holds the result; else the errno the call left.
template <typename T = bool>
struct [[nodiscard]] SystemResult {
    T value{};
    int error = 0;

    explicit operator bool() const { return error == 0; }
};
