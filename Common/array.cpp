#include "Common/array.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Common/objects.h"
#include "Universal/RecordMemory.h"
#include "Universal/VELQstring.h"

namespace {

int64_t gLiveArrays = 0;

double defaultRandom() {
    static std::mt19937_64 engine{std::random_device{}()};
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}
double (*gRandom)() = &defaultRandom;

constexpr int32_t kInitialGrowth = 16;
constexpr int32_t kGrowthDoublingLimit = 0x1FFFF;

// A buffer's length must fit the header's 32-bit field; a larger one is
// memory the array cannot have. `count` is at most a little past 2^31 and an
// element 8 bytes, so the product cannot overflow.
ErrorOr<size_t> bufferBytes(int64_t count, size_t elementSize) {
    int64_t bytes = count * int64_t(elementSize);
    if (bytes > INT32_MAX) return SystemError{ENOMEM};
    return size_t(bytes);
}

// A zero-filled buffer for `count` elements of `elementSize` bytes, or ENOMEM.
ErrorOr<uint8_t*> newBuffer(int64_t count, size_t elementSize) {
    size_t bytes = TRY(bufferBytes(count, elementSize));
    return static_cast<uint8_t*>(TRY(AllocateZeroedRecordMemory(bytes, 1)));
}

int64_t elementCount(const RuntimeArray* a) {
    int64_t count = 1;
    for (int32_t d = 0; d < a->dimensions; ++d) count *= int64_t(a->upperBounds[d]) + 1;
    return count > 0 ? count : 0;
}

// How each element kind holds references: Strings and objects keep one for
// every element; the other kinds hold plain values.
template <typename T>
struct ElementTraits {
    static void retain(T) {}
    static void release(T) {}
    static bool less(T a, T b) { return a < b; }
    static bool equal(T a, T b) { return a == b; }
};

template <>
struct ElementTraits<RTString> {
    static void retain(RTString s) { RuntimeLockString(s); }
    static void release(RTString s) { RuntimeUnlockString(s); }
    static bool less(RTString a, RTString b) { return RuntimeStringCompare(a, b) < 0; }
    static bool equal(RTString a, RTString b) { return RuntimeStringCompare(a, b) == 0; }
};

template <>
struct ElementTraits<RuntimeObject*> {
    static void retain(RuntimeObject* o) { RuntimeLockObject(o); }
    static void release(RuntimeObject* o) { RuntimeUnlockObject(o); }
    static bool less(RuntimeObject* a, RuntimeObject* b) { return std::less<RuntimeObject*>()(a, b); }
    static bool equal(RuntimeObject* a, RuntimeObject* b) { return a == b; }
};

bool requireOneDimension(RuntimeArray* array) {
    return RUNTIME_CHECK("array", 1 == array->dimensions, nullptr);
}

bool outOfBounds(RuntimeArray* a, int32_t index) {
    return index < 0 || index > a->upperBounds[0];
}

template <typename T>
struct Operations {
    using Traits = ElementTraits<T>;

    static T* data(RuntimeArray* a) { return reinterpret_cast<T*>(a->elements); }

    static T getUnchecked(RuntimeArray* a, int32_t index) {
        T value = data(a)[index];
        Traits::retain(value);
        return value;
    }

    static T get(RuntimeArray* a, int32_t index) {
        if (outOfBounds(a, index)) RaiseOutOfBoundsException();
        return getUnchecked(a, index);
    }

    static void setUnchecked(RuntimeArray* a, T value, int32_t index) {
        Traits::retain(value);
        Traits::release(std::exchange(data(a)[index], value));
    }

    static void set(RuntimeArray* a, T value, int32_t index) {
        if (outOfBounds(a, index)) RaiseOutOfBoundsException();
        setUnchecked(a, value, index);
    }

    // The new buffer is had before anything changes: an array that cannot
    // have it stays as it was when OutOfMemoryException leaves.
    static void resize(RuntimeArray* a, int32_t newUpperBound) {
        if (!requireOneDimension(a) || newUpperBound == a->upperBounds[0]) return;
        if (newUpperBound < -1) newUpperBound = -1;
        int32_t oldCount = a->upperBounds[0] + 1;
        int64_t newCount = int64_t(newUpperBound) + 1;
        uint8_t* buffer = newCount > 0 ? ValueOrRaiseOutOfMemory(newBuffer(newCount, sizeof(T))) : nullptr;
        for (int64_t i = newCount; i < oldCount; ++i) Traits::release(data(a)[i]);
        if (buffer && oldCount > 0)
            std::memcpy(buffer, a->elements, sizeof(T) * size_t(std::min<int64_t>(oldCount, newCount)));
        std::free(a->elements);
        a->elements = buffer;
        a->bufferLength = int32_t(sizeof(T) * size_t(newCount));
        a->growth = kInitialGrowth;
        a->upperBounds[0] = newUpperBound;
    }

    static void insert(RuntimeArray* a, int32_t index, T value) {
        if (!a) RaiseNilObjectException();
        if (!requireOneDimension(a)) return;
        int32_t count = a->upperBounds[0] + 1;
        if (index < 0 || index > count) RaiseOutOfBoundsException();
        if (size_t(a->bufferLength) < sizeof(T) * size_t(count + 1)) {
            // Until the grown buffer is had the array keeps its old one, whole.
            size_t grown = ValueOrRaiseOutOfMemory(
                bufferBytes(int64_t(a->bufferLength / int32_t(sizeof(T))) + a->growth, sizeof(T)));
            a->elements = static_cast<uint8_t*>(ValueOrRaiseOutOfMemory(ResizeRecordMemory(a->elements, grown)));
            std::memset(a->elements + a->bufferLength, 0, grown - size_t(a->bufferLength));
            a->bufferLength = int32_t(grown);
            if (a->growth <= kGrowthDoublingLimit) a->growth *= 2;
        }
        std::memmove(data(a) + index + 1, data(a) + index, sizeof(T) * size_t(count - index));
        Traits::retain(value);
        data(a)[index] = value;
        a->upperBounds[0] = count;
    }

    static void remove(RuntimeArray* a, int32_t index) {
        if (!a || outOfBounds(a, index)) RaiseOutOfBoundsException();
        if (!requireOneDimension(a)) return;
        int32_t count = a->upperBounds[0] + 1;
        uint8_t* buffer = nullptr;
        if (count > 1) {
            // Had before the element goes, so that an array short of memory keeps it.
            buffer = static_cast<uint8_t*>(
                ValueOrRaiseOutOfMemory(AllocateRecordMemory(sizeof(T) * size_t(count - 1))));
            std::memcpy(buffer, data(a), sizeof(T) * size_t(index));
            std::memcpy(buffer + sizeof(T) * size_t(index), data(a) + index + 1,
                        sizeof(T) * size_t(count - index - 1));
        }
        Traits::release(data(a)[index]);
        std::free(a->elements);
        a->elements = buffer;
        a->bufferLength = int32_t(sizeof(T)) * (count - 1);
        a->growth = kInitialGrowth;
        a->upperBounds[0] = count - 2;
    }

    // The order in which a stable ascending sort would take the elements.
    static std::vector<int32_t> sortedOrder(RuntimeArray* a) {
        std::vector<int32_t> order(size_t(a->upperBounds[0] + 1));
        std::iota(order.begin(), order.end(), 0);
        T* elements = data(a);
        std::stable_sort(order.begin(), order.end(),
                         [elements](int32_t x, int32_t y) { return Traits::less(elements[x], elements[y]); });
        return order;
    }

    static void sort(RuntimeArray* a) {
        if (!a || !requireOneDimension(a) || a->upperBounds[0] < 1) return;
        std::stable_sort(data(a), data(a) + a->upperBounds[0] + 1, Traits::less);
    }

    static void sortWith(RuntimeArray* a, int32_t otherCount, RuntimeArray** others) {
        if (!a || !requireOneDimension(a) || a->upperBounds[0] < 1) return;
        std::vector<int32_t> order = sortedOrder(a);
        permute(a, order, sizeof(T));
        for (int32_t i = 0; i < otherCount; ++i) {
            RuntimeArray* other = others[i];
            if (other && other->dimensions == 1 && other->upperBounds[0] == a->upperBounds[0])
                permute(other, order, size_t(reinterpret_cast<int32_t (*)()>(
                                          other->operations->slots[kSlotElementSize])()));
        }
    }

    static void permute(RuntimeArray* a, const std::vector<int32_t>& order, size_t size) {
        std::vector<uint8_t> copy(a->elements, a->elements + size * order.size());
        for (size_t i = 0; i < order.size(); ++i)
            std::memcpy(a->elements + i * size, copy.data() + size_t(order[i]) * size, size);
    }

    static int32_t indexOf(RuntimeArray* a, T value, int32_t start) {
        if (!a || a->upperBounds[0] < 0) return -1;
        if (start > a->upperBounds[0] || start < -1) RaiseOutOfBoundsException();
        // A start of -1 means from the first element; nothing before it is read.
        for (int32_t i = std::max(start, 0); i <= a->upperBounds[0]; ++i)
            if (Traits::equal(data(a)[i], value)) return i;
        return -1;
    }

    static void shuffle(RuntimeArray* a) {
        if (!a) return;
        int64_t count = elementCount(a);
        for (int64_t i = count; i >= 2; --i) {
            auto j = int64_t(gRandom() * double(i));
            std::swap(data(a)[i - 1], data(a)[std::min(j, i - 1)]);
        }
    }

    static void destroy(RuntimeArray* a) {
        int64_t count = elementCount(a);
        for (int64_t i = 0; i < count; ++i) Traits::release(data(a)[i]);
        std::free(a->elements);
        std::free(a);
        --gLiveArrays;
    }

    static void addReference(T element) { Traits::retain(element); }
    static void releaseReference(T element) { Traits::release(element); }
    static int32_t elementSize() { return int32_t(sizeof(T)); }

    // Row-major position of the indices of a many-dimension array, or -1.
    static int64_t offsetOf(RuntimeArray* a, const int32_t* indices) {
        int64_t offset = 0;
        for (int32_t d = 0; d < a->dimensions; ++d) {
            if (indices[d] < 0 || indices[d] > a->upperBounds[d]) return -1;
            offset = offset * (int64_t(a->upperBounds[d]) + 1) + indices[d];
        }
        return offset;
    }

    static T getAt(RuntimeArray* a, const int32_t* indices, bool checked) {
        int64_t at = offsetOf(a, indices);
        if (at < 0) {
            if (checked) RaiseOutOfBoundsException();
            return T{};
        }
        T value = data(a)[at];
        Traits::retain(value);
        return value;
    }

    static void setAt(RuntimeArray* a, T value, const int32_t* indices, bool checked) {
        int64_t at = offsetOf(a, indices);
        if (at < 0) {
            if (checked) RaiseOutOfBoundsException();
            return;
        }
        Traits::retain(value);
        Traits::release(std::exchange(data(a)[at], value));
    }

    static T get2(RuntimeArray* a, int32_t i, int32_t j) {
        int32_t indices[2] = {i, j};
        return getAt(a, indices, true);
    }
    static void set2(RuntimeArray* a, T value, int32_t i, int32_t j) {
        int32_t indices[2] = {i, j};
        setAt(a, value, indices, true);
    }
    static T get2Unchecked(RuntimeArray* a, int32_t i, int32_t j) {
        int32_t indices[2] = {i, j};
        return getAt(a, indices, false);
    }
    static void set2Unchecked(RuntimeArray* a, T value, int32_t i, int32_t j) {
        int32_t indices[2] = {i, j};
        setAt(a, value, indices, false);
    }

    static std::vector<int32_t> readIndices(RuntimeArray* a, va_list args) {
        std::vector<int32_t> indices(size_t(a->dimensions));
        for (int32_t& index : indices) index = va_arg(args, int32_t);
        return indices;
    }
    static T getN(RuntimeArray* a, ...) {
        va_list args;
        va_start(args, a);
        std::vector<int32_t> indices = readIndices(a, args);
        va_end(args);
        return getAt(a, indices.data(), true);
    }
    static void setN(RuntimeArray* a, T value, ...) {
        va_list args;
        va_start(args, value);
        std::vector<int32_t> indices = readIndices(a, args);
        va_end(args);
        setAt(a, value, indices.data(), true);
    }
    static T getNUnchecked(RuntimeArray* a, ...) {
        va_list args;
        va_start(args, a);
        std::vector<int32_t> indices = readIndices(a, args);
        va_end(args);
        return getAt(a, indices.data(), false);
    }
    static void setNUnchecked(RuntimeArray* a, T value, ...) {
        va_list args;
        va_start(args, value);
        std::vector<int32_t> indices = readIndices(a, args);
        va_end(args);
        setAt(a, value, indices.data(), false);
    }

    // Reshaping and ordering are defined for one dimension only.
    static void resizeMany(RuntimeArray* a, int32_t) { requireOneDimension(a); }
    static void insertMany(RuntimeArray* a, int32_t, T) { requireOneDimension(a); }
    static void removeMany(RuntimeArray* a, int32_t) { requireOneDimension(a); }
    static void sortMany(RuntimeArray* a) { requireOneDimension(a); }
    static void sortWithMany(RuntimeArray* a, int32_t, RuntimeArray**) { requireOneDimension(a); }
    static int32_t indexOfMany(RuntimeArray* a, T, int32_t) {
        requireOneDimension(a);
        return -1;
    }
};

int32_t upperBound(RuntimeArray* a, int32_t dimension) {
    if (dimension == -1) return a->dimensions;
    if (dimension >= 1 && dimension <= a->dimensions) return a->upperBounds[dimension - 1];
    RaiseOutOfBoundsException();
}

template <typename F>
void* slot(F function) {
    return reinterpret_cast<void*>(function);
}

template <typename T>
ArrayOperations oneDimensionTable() {
    using O = Operations<T>;
    return {{slot(&O::get), slot(&O::set), slot(&O::getUnchecked), slot(&O::setUnchecked),
             slot(&O::resize), slot(&O::insert), slot(&O::remove), slot(&O::sort), slot(&O::sortWith),
             slot(&O::indexOf), slot(&O::shuffle), slot(&upperBound), slot(&O::addReference),
             slot(&O::releaseReference), slot(&O::destroy), slot(&O::elementSize)}};
}

template <typename T>
ArrayOperations manyDimensionTable(bool two) {
    using O = Operations<T>;
    return {{two ? slot(&O::get2) : slot(&O::getN), two ? slot(&O::set2) : slot(&O::setN),
             two ? slot(&O::get2Unchecked) : slot(&O::getNUnchecked),
             two ? slot(&O::set2Unchecked) : slot(&O::setNUnchecked), slot(&O::resizeMany),
             slot(&O::insertMany), slot(&O::removeMany), slot(&O::sortMany), slot(&O::sortWithMany),
             slot(&O::indexOfMany), slot(&O::shuffle), slot(&upperBound), slot(&O::addReference),
             slot(&O::releaseReference), slot(&O::destroy), slot(&O::elementSize)}};
}

template <typename T>
struct KindTables {
    static const ArrayOperations* forDimensions(int32_t dimensions) {
        static const ArrayOperations one = oneDimensionTable<T>();
        static const ArrayOperations two = manyDimensionTable<T>(true);
        static const ArrayOperations many = manyDimensionTable<T>(false);
        return dimensions == 1 ? &one : dimensions == 2 ? &two : &many;
    }
};

const ArrayOperations* tableFor(int32_t kind, int32_t dimensions) {
    switch (kind) {
    case kArrayInt32: return KindTables<int32_t>::forDimensions(dimensions);
    case kArraySingle: return KindTables<float>::forDimensions(dimensions);
    case kArrayDouble: return KindTables<double>::forDimensions(dimensions);
    case kArrayString: return KindTables<RTString>::forDimensions(dimensions);
    case kArrayObject: return KindTables<RuntimeObject*>::forDimensions(dimensions);
    case kArrayUInt8: return KindTables<uint8_t>::forDimensions(dimensions);
    case kArrayInt8: return KindTables<int8_t>::forDimensions(dimensions);
    case kArrayUInt16: return KindTables<uint16_t>::forDimensions(dimensions);
    case kArrayInt16: return KindTables<int16_t>::forDimensions(dimensions);
    case kArrayUInt32: return KindTables<uint32_t>::forDimensions(dimensions);
    case kArrayInt64: return KindTables<int64_t>::forDimensions(dimensions);
    case kArrayUInt64: return KindTables<uint64_t>::forDimensions(dimensions);
    default: return nullptr;
    }
}

} // namespace

extern "C" RuntimeArray* CreateArray(int32_t dimensions, int32_t kind, ...) {
    const ArrayOperations* operations = tableFor(kind, dimensions);
    if (!operations) {
        RUNTIME_ASSERT_FAILED("array", "kind < kArrayKindCount", nullptr);
        return nullptr;
    }
    if (dimensions < 1) {
        RUNTIME_ASSERT_FAILED("array", "dimensions >= 1", nullptr);
        return nullptr;
    }
    size_t headerSize = offsetof(RuntimeArray, upperBounds) + sizeof(int32_t) * size_t(dimensions);
    auto* a = static_cast<RuntimeArray*>(ValueOrRaiseOutOfMemory(AllocateZeroedRecordMemory(1, headerSize)));
    va_list bounds;
    va_start(bounds, kind);
    for (int32_t d = 0; d < dimensions; ++d) a->upperBounds[d] = va_arg(bounds, int32_t);
    va_end(bounds);
    a->refCount = 1;
    a->operations = operations;
    a->dimensions = dimensions;
    a->growth = kInitialGrowth;
    // Multiplied with a stop just past what any buffer may hold, so that no
    // product of many bounds overflows.
    constexpr int64_t kStop = int64_t(INT32_MAX) + 1;
    int64_t count = 1;
    for (int32_t d = 0; d < dimensions; ++d)
        count = std::clamp<int64_t>(count * (int64_t(a->upperBounds[d]) + 1), -kStop, kStop);
    if (count > 0) {
        auto size = size_t(reinterpret_cast<int32_t (*)()>(operations->slots[kSlotElementSize])());
        ErrorOr<uint8_t*> buffer = newBuffer(count, size);
        if (buffer.isError()) {
            std::free(a);
            RaiseOutOfMemoryException();
        }
        a->elements = buffer.value();
        a->bufferLength = int32_t(size_t(count) * size);
    }
    ++gLiveArrays;
    return a;
}

extern "C" RuntimeArray* RuntimeLockArray(RuntimeArray* array) {
    if (array) ++array->refCount;
    return array;
}

extern "C" void RuntimeUnlockArray(RuntimeArray* array) {
    if (!array || array->refCount <= 0 || --array->refCount != 0) return;
    reinterpret_cast<void (*)(RuntimeArray*)>(array->operations->slots[kSlotDestroy])(array);
}

extern "C" void RuntimeLockUnlockArrays(RuntimeArray* newArray, RuntimeArray* oldArray) {
    if (newArray == oldArray) return;
    RuntimeLockArray(newArray);
    RuntimeUnlockArray(oldArray);
}

extern "C" int32_t RuntimeUBound(RuntimeArray* array) { return RuntimeUBound2Param(array, 1); }

extern "C" int32_t RuntimeUBound2Param(RuntimeArray* array, int32_t dimension) {
    if (!array) RaiseNilObjectException();
    return upperBound(array, dimension);
}

RuntimeArray* NewStringArray(int32_t upperBound, RTString** elements) {
    RuntimeArray* array = CreateArray(1, kArrayString, upperBound);
    *elements = array ? reinterpret_cast<RTString*>(array->elements) : nullptr;
    return array;
}

RTString* StringArrayElements(RuntimeArray* array, int32_t& upperBound) {
    if (!array || array->dimensions != 1) return nullptr;
    upperBound = array->upperBounds[0];
    return reinterpret_cast<RTString*>(array->elements);
}

void ArrayResize(RuntimeArray* array, int32_t newUpperBound) {
    reinterpret_cast<void (*)(RuntimeArray*, int32_t)>(array->operations->slots[kSlotResize])(array, newUpperBound);
}

int64_t RuntimeLiveArrayCount() { return gLiveArrays; }

void ArraySetRandomSource(double (*random)()) { gRandom = random ? random : &defaultRandom; }
