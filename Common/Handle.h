// rt::Handle: the one owning handle every facade type is built on. It holds one
// reference to a runtime record (string, object or array) and adds ownership
// and nothing else; each record kind says how its count is kept.
#pragma once
#include <utility>

#include "Common/array.h"
#include "Common/objects.h"
#include "Universal/VELQstring.h"

namespace rt {

/// How an object's count is kept (any record starting with RuntimeObject).
template <typename T>
struct ObjectCount {
    static void lock(T* h) noexcept { RuntimeLockObject(reinterpret_cast<RuntimeObject*>(h)); }
    static void unlock(T* h) noexcept { RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(h)); }
};

/// How a string's count is kept.
struct StringCount {
    static void lock(StringRecord* h) noexcept { RuntimeLockString(h); }
    static void unlock(StringRecord* h) noexcept { RuntimeUnlockString(h); }
};

/// How an array's count is kept.
struct ArrayCount {
    static void lock(RuntimeArray* h) noexcept { RuntimeLockArray(h); }
    static void unlock(RuntimeArray* h) noexcept { RuntimeUnlockArray(h); }
};

/// Owns one reference to a record of type Record (or none); Derived is the
/// typed handle that adopt and retain give back. A derived handle takes the
/// adopting constructor with `using Handle::Handle;`.
template <typename Record, typename Count, typename Derived>
class Handle {
public:
    /// The reference an entry point handed out, on its way into a handle.
    class Adopted {
        friend Handle;
        explicit Adopted(Record* h) noexcept : h(h) {}
        Record* h;
    };

    Handle() noexcept = default;
    Handle(Adopted adopted) noexcept : h_(adopted.h) {}
    Handle(const Handle& other) noexcept : h_(other.h_) { lock(h_); }
    Handle(Handle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    ~Handle() {
        if (h_) Count::unlock(h_);
    }

    /// Takes over the reference an entry point handed out.
    static Derived adopt(Record* h) noexcept { return Derived(Adopted(h)); }
    /// Adds a reference to a borrowed record.
    static Derived retain(Record* h) noexcept {
        lock(h);
        return Derived(Adopted(h));
    }

    Handle& operator=(Handle other) noexcept {  // self-assignment safe
        std::swap(h_, other.h_);
        return *this;
    }

    Record* get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    /// Gives up ownership; the caller now holds the reference.
    [[nodiscard]] Record* release() noexcept { return std::exchange(h_, nullptr); }
    /// Stores the record in a field of another record, which then holds its
    /// own reference; the field's old reference goes.
    void assignTo(Record*& field) const noexcept {
        lock(h_);
        if (Record* old = std::exchange(field, h_)) Count::unlock(old);
    }

private:
    static void lock(Record* h) noexcept {
        if (h) Count::lock(h);
    }

    Record* h_ = nullptr;
};

/// The base of a handle over a runtime object.
template <typename Derived, typename T = RuntimeObject>
using ObjectHandle = Handle<T, ObjectCount<T>, Derived>;

} // namespace rt
