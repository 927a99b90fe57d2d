// The runtime's arrays: reference-counted blocks of elements of one kind, with
// one or more dimensions, every element operation going through the table
// chosen at creation from the element kind and the dimension count.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Universal/Forward.h"

/// Element kinds, the second argument of CreateArray.
enum ArrayElementKind : int32_t {
    kArrayInt32 = 0,
    kArraySingle = 1,
    kArrayDouble = 2,
    kArrayString = 3,
    kArrayObject = 4,
    kArrayUInt8 = 5,
    kArrayInt8 = 6,
    kArrayUInt16 = 7,
    kArrayInt16 = 8,
    kArrayUInt32 = 9,
    kArrayInt64 = 10,
    kArrayUInt64 = 11,
};

/// Slots of an array's operation table. Each slot holds a function typed for
/// the element kind (T below is the element type: int32_t, float, double,
/// RTString, RuntimeObject*, uint8_t, int8_t, uint16_t, int16_t, uint32_t,
/// int64_t, uint64_t), called with the native calling convention.
enum ArraySlot : int32_t {
    kSlotGet = 0,              // T (RuntimeArray*, int32_t index); adds a reference to a String or object
    kSlotSet = 1,              // void (RuntimeArray*, T value, int32_t index)
    kSlotGetUnchecked = 2,     // as kSlotGet without the bounds test
    kSlotSetUnchecked = 3,     // as kSlotSet without the bounds test
    kSlotResize = 4,           // void (RuntimeArray*, int32_t newUpperBound)
    kSlotInsert = 5,           // void (RuntimeArray*, int32_t index, T value)
    kSlotRemove = 6,           // void (RuntimeArray*, int32_t index)
    kSlotSort = 7,             // void (RuntimeArray*)
    kSlotSortWith = 8,         // void (RuntimeArray*, int32_t otherCount, RuntimeArray** others)
    kSlotIndexOf = 9,          // int32_t (RuntimeArray*, T value, int32_t start)
    kSlotShuffle = 10,         // void (RuntimeArray*)
    kSlotUpperBound = 11,      // int32_t (RuntimeArray*, int32_t dimension)
    kSlotAddReference = 12,    // void (T element)
    kSlotReleaseReference = 13,  // void (T element)
    kSlotDestroy = 14,         // void (RuntimeArray*)
    kSlotElementSize = 15,     // int32_t ()
    kArraySlotCount = 16,
};

/// The operation table of one element kind and dimension count.
struct ArrayOperations {
    void* slots[kArraySlotCount];
};

/// The array header; the upper bounds of the dimensions follow it.
struct RuntimeArray {
    int32_t refCount;
    const ArrayOperations* operations;
    uint8_t* elements;     // row-major; nil when the array has no elements
    int32_t dimensions;
    int32_t bufferLength;  // bytes allocated for the elements
    int32_t growth;        // capacity step for inserts, 16 at creation
    int32_t upperBounds[];  // one per dimension; -1 means empty
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(RuntimeArray, refCount) == 0);
static_assert(offsetof(RuntimeArray, operations) == 4);
static_assert(offsetof(RuntimeArray, elements) == 8);
static_assert(offsetof(RuntimeArray, dimensions) == 12);
static_assert(offsetof(RuntimeArray, bufferLength) == 16);
static_assert(offsetof(RuntimeArray, growth) == 20);
static_assert(offsetof(RuntimeArray, upperBounds) == 24);
#endif

extern "C" {
/// A new array of `dimensions` dimensions of `kind`, then one int32 upper bound
/// per dimension; one reference for the caller. Elements are zero (empty, nil).
RuntimeArray* CreateArray(int32_t dimensions, int32_t kind, ...);
/// Adds a reference unless nil; returns the array.
RuntimeArray* RuntimeLockArray(RuntimeArray* array);
/// Removes a reference; at zero releases every element and frees the array.
void RuntimeUnlockArray(RuntimeArray* array);
/// Assignment of `newArray` over `oldArray`: lock new, unlock old, unless the same.
void RuntimeLockUnlockArrays(RuntimeArray* newArray, RuntimeArray* oldArray);
/// Upper bound of the first dimension.
int32_t RuntimeUBound(RuntimeArray* array);
/// Upper bound of `dimension` (1-based); -1 gives the number of dimensions.
int32_t RuntimeUBound2Param(RuntimeArray* array, int32_t dimension);
}

/// Resizes a one-dimensional array (slot 4) to `newUpperBound`.
void ArrayResize(RuntimeArray* array, int32_t newUpperBound);
/// Number of arrays alive now, for leak checks in tests.
int64_t RuntimeLiveArrayCount();
/// Fills `random` the shuffle draws from, in [0, 1); tests make it repeatable.
void ArraySetRandomSource(double (*random)());
