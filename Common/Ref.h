// rt::Ref<T>: an owning handle over a runtime object. It adds ownership and
// nothing else; every behaviour stays in the entry points.
#pragma once
#include <utility>

#include "Common/objects.h"

namespace rt {

/// Owns one reference to an object whose record starts with RuntimeObject.
template <typename T = RuntimeObject>
class Ref {
public:
    Ref() noexcept = default;
    Ref(const Ref& other) noexcept : h_(other.h_) { lock(h_); }
    Ref(Ref&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    ~Ref() { RuntimeUnlockObject(base(h_)); }

    /// Takes over the reference an entry point handed out.
    static Ref adopt(T* h) noexcept { return Ref(h); }
    /// Adds a reference to a borrowed object.
    static Ref retain(T* h) noexcept {
        lock(h);
        return Ref(h);
    }

    Ref& operator=(Ref other) noexcept {  // self-assignment safe
        std::swap(h_, other.h_);
        return *this;
    }

    T* get() const noexcept { return h_; }
    T* operator->() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    /// Gives up ownership; the caller now holds the reference.
    [[nodiscard]] T* release() noexcept { return std::exchange(h_, nullptr); }

private:
    explicit Ref(T* h) noexcept : h_(h) {}
    static RuntimeObject* base(T* h) noexcept { return reinterpret_cast<RuntimeObject*>(h); }
    static void lock(T* h) noexcept { RuntimeLockObject(base(h)); }

    T* h_ = nullptr;
};

} // namespace rt
