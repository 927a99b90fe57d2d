// ErrorOr<T, E>: what an operation that can fail gives back, its value or the
// reason it has none. It is the one way code below the class table reports a
// failure it expects (a file that cannot be opened, a system call refused,
// memory that ran out); TRY hands a failure on to the caller in one line.
#pragma once
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

/// Why a system call or an allocation failed: the C library's error number.
struct SystemError {
    int number = 0;
};

/// A value of type T, or the error E that says why there is none.
template <typename T, typename E = SystemError>
class [[nodiscard]] ErrorOr {
    static_assert(!std::is_same_v<std::decay_t<T>, std::decay_t<E>>, "a value and an error must be told apart");

public:
    ErrorOr(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    ErrorOr(E error) : state_(std::in_place_index<1>, std::move(error)) {}
    /// A narrower error that E holds (one alternative of a variant), so TRY
    /// passes it up to a caller whose result takes the wider one.
    template <typename U>
        requires(!std::is_same_v<std::decay_t<U>, ErrorOr> && !std::is_constructible_v<T, U &&> &&
                 !std::is_same_v<std::decay_t<U>, E> &&
                 std::is_constructible_v<E, U &&>)
    ErrorOr(U&& error) : state_(std::in_place_index<1>, std::forward<U>(error)) {}

    bool isError() const noexcept { return state_.index() == 1; }
    explicit operator bool() const noexcept { return !isError(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    const E& error() const& { return std::get<1>(state_); }

    T releaseValue() { return std::move(std::get<0>(state_)); }
    E releaseError() { return std::move(std::get<1>(state_)); }

private:
    std::variant<T, E> state_;
};

/// Success with nothing to give back, or the error E.
template <typename E>
class [[nodiscard]] ErrorOr<void, E> {
public:
    ErrorOr() = default;
    ErrorOr(E error) : error_(std::move(error)) {}
    /// A narrower error that E holds, as above.
    template <typename U>
        requires(!std::is_same_v<std::decay_t<U>, ErrorOr> && !std::is_same_v<std::decay_t<U>, E> &&
                 std::is_constructible_v<E, U &&>)
    ErrorOr(U&& error) : error_(std::forward<U>(error)) {}

    bool isError() const noexcept { return error_.has_value(); }
    explicit operator bool() const noexcept { return !isError(); }

    const E& error() const& { return *error_; }

    void releaseValue() {}
    E releaseError() { return std::move(*error_); }

private:
    std::optional<E> error_;
};

/// The value of an ErrorOr expression; on an error, returns it from the
/// calling function at once (whose own result takes the same error type).
#define TRY(expression)                                                                                           \
    ({                                                                                                             \
        auto tryResult_ = (expression);                                                                            \
        if (tryResult_.isError()) return tryResult_.releaseError();                                                \
        tryResult_.releaseValue();                                                                                 \
    })
