// rt::Array<T>: an owning handle over a runtime array of one dimension, its
// elements reached through the array's own operation table.
#pragma once
#include <cstdint>
#include <iterator>

#include "Common/Handle.h"
#include "Common/Ref.h"
#include "Common/String.h"

namespace rt {

/// What an element type is to the operation table: its kind, the type the
/// slots pass, and how a slot's result becomes an owned value.
template <typename T>
struct ArrayElement;

#define RT_PLAIN_ARRAY_ELEMENT(Type, Kind)                      \
    template <>                                                 \
    struct ArrayElement<Type> {                                 \
        using Slot = Type;                                      \
        static constexpr int32_t kind = Kind;                   \
        static Type own(Slot value) noexcept { return value; }  \
        static Slot pass(Type value) noexcept { return value; } \
    };
RT_PLAIN_ARRAY_ELEMENT(int32_t, kArrayInt32)
RT_PLAIN_ARRAY_ELEMENT(float, kArraySingle)
RT_PLAIN_ARRAY_ELEMENT(double, kArrayDouble)
RT_PLAIN_ARRAY_ELEMENT(uint8_t, kArrayUInt8)
RT_PLAIN_ARRAY_ELEMENT(int8_t, kArrayInt8)
RT_PLAIN_ARRAY_ELEMENT(uint16_t, kArrayUInt16)
RT_PLAIN_ARRAY_ELEMENT(int16_t, kArrayInt16)
RT_PLAIN_ARRAY_ELEMENT(uint32_t, kArrayUInt32)
RT_PLAIN_ARRAY_ELEMENT(int64_t, kArrayInt64)
RT_PLAIN_ARRAY_ELEMENT(uint64_t, kArrayUInt64)
#undef RT_PLAIN_ARRAY_ELEMENT

// The get slot hands out a reference to a string or object; the set slot borrows.
template <>
struct ArrayElement<String> {
    using Slot = RTString;
    static constexpr int32_t kind = kArrayString;
    static String own(Slot value) noexcept { return String::adopt(value); }
    static Slot pass(const String& value) noexcept { return value.get(); }
};

template <>
struct ArrayElement<Ref<>> {
    using Slot = RuntimeObject*;
    static constexpr int32_t kind = kArrayObject;
    static Ref<> own(Slot value) noexcept { return Ref<>::adopt(value); }
    static Slot pass(const Ref<>& value) noexcept { return value.get(); }
};

/// Owns one reference to a one-dimensional array of T (or none).
template <typename T>
class Array : public Handle<RuntimeArray, ArrayCount, Array<T>> {
    using Element = ArrayElement<T>;
    using Slot = typename Element::Slot;

public:
    using Handle<RuntimeArray, ArrayCount, Array<T>>::Handle;
    using Handle<RuntimeArray, ArrayCount, Array<T>>::get;
    Array() noexcept = default;

    /// A new array of `count` zero (empty, nil) elements.
    static Array ofSize(int32_t count) { return Array::adopt(CreateArray(1, Element::kind, count - 1)); }

    int32_t upperBound() const { return RuntimeUBound(get()); }
    int32_t size() const { return upperBound() + 1; }
    /// The element at `index`; OutOfBoundsException outside the array.
    T operator[](int32_t index) const {
        auto slot = reinterpret_cast<Slot (*)(RuntimeArray*, int32_t)>(get()->operations->slots[kSlotGet]);
        return Element::own(slot(get(), index));
    }
    /// Stores `value` (the array takes its own reference); OutOfBoundsException outside the array.
    void set(int32_t index, const T& value) const {
        auto slot = reinterpret_cast<void (*)(RuntimeArray*, Slot, int32_t)>(get()->operations->slots[kSlotSet]);
        slot(get(), Element::pass(value), index);
    }

    /// Walks the elements in order, each read through the get slot.
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        Iterator(const Array* array, int32_t index) noexcept : array_(array), index_(index) {}
        T operator*() const { return (*array_)[index_]; }
        Iterator& operator++() noexcept {
            ++index_;
            return *this;
        }
        bool operator==(const Iterator& other) const noexcept { return index_ == other.index_; }
        bool operator!=(const Iterator& other) const noexcept { return index_ != other.index_; }

    private:
        const Array* array_;
        int32_t index_;
    };
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, get() ? size() : 0); }
};

} // namespace rt
