#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Common/Ref.h"
#include "Common/array.h"
#include "Common/exceptions.h"
#include "Common/String.h"

namespace {

// Typed calls through an array's operation table, as compiled code makes them.
template <typename R, typename... Args>
R call(RuntimeArray* a, ArraySlot slot, Args... args) {
    return reinterpret_cast<R (*)(RuntimeArray*, Args...)>(a->operations->slots[slot])(a, args...);
}

RTString str(const char* s) { return StringFromBytes(s, std::strlen(s), kEncodingUTF8); }

std::string getText(RuntimeArray* a, int32_t i) {
    RTString s = call<RTString>(a, kSlotGet, i);
    std::string out(StringBytes(s), StringLength(s));
    RuntimeUnlockString(s);
    return out;
}

void setText(RuntimeArray* a, int32_t i, const char* value) {
    RTString s = str(value);
    call<void>(a, kSlotSet, s, i);
    RuntimeUnlockString(s);
}

void insertText(RuntimeArray* a, int32_t i, const char* value) {
    rt::String s(value);
    call<void>(a, kSlotInsert, i, s.get());
}

std::vector<std::string> texts(RuntimeArray* a) {
    std::vector<std::string> out;
    for (int32_t i = 0; i <= RuntimeUBound(a); ++i) out.push_back(getText(a, i));
    return out;
}

template <typename F>
bool raises(ExceptionKind kind, F&& f) {
    try {
        f();
    } catch (const rt::RaisedException& e) {
        return e.is(kind);
    }
    return false;
}

} // namespace

TEST(ArrayCreation, BoundsGiveElementCountsAndZeroedElements) {
    RuntimeArray* empty = CreateArray(1, kArrayString, -1);
    EXPECT_EQ(RuntimeUBound(empty), -1);
    EXPECT_EQ(empty->elements, nullptr);
    RuntimeArray* three = CreateArray(1, kArrayString, 2);
    EXPECT_EQ(texts(three), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(three->growth, 16);
    RuntimeArray* grid = CreateArray(3, kArrayDouble, 1, 2, 3);
    EXPECT_EQ(RuntimeUBound2Param(grid, -1), 3);
    EXPECT_EQ(RuntimeUBound2Param(grid, 3), 3);
    EXPECT_EQ(grid->bufferLength, int32_t(2 * 3 * 4 * sizeof(double)));
    EXPECT_TRUE(raises(ExceptionKind::OutOfBoundsException, [&] { RuntimeUBound2Param(grid, 4); }));
    for (RuntimeArray* a : {empty, three, grid}) RuntimeUnlockArray(a);
}

TEST(ArrayCreation, UnknownKindIsReported) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(CreateArray(1, 12, 3), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Runtime Error 4:Failed Assertion"), std::string::npos);
}

TEST(ArrayElements, ElementSizesAndUnsignedLoads) {
    const std::pair<int32_t, int32_t> sizes[] = {{kArrayInt32, 4}, {kArraySingle, 4}, {kArrayDouble, 8},
                                                 {kArrayUInt8, 1}, {kArrayInt8, 1},   {kArrayUInt16, 2},
                                                 {kArrayInt16, 2}, {kArrayUInt32, 4}, {kArrayInt64, 8},
                                                 {kArrayUInt64, 8}};
    for (auto [kind, size] : sizes) {
        SCOPED_TRACE(kind);
        RuntimeArray* a = CreateArray(1, kind, 0);
        EXPECT_EQ(reinterpret_cast<int32_t (*)()>(a->operations->slots[kSlotElementSize])(), size);
        RuntimeUnlockArray(a);
    }
    RuntimeArray* bytes = CreateArray(1, kArrayUInt8, 0);
    call<void>(bytes, kSlotSet, uint8_t(0xF0), 0);
    EXPECT_EQ(int32_t(call<uint8_t>(bytes, kSlotGet, 0)), 0xF0);
    RuntimeUnlockArray(bytes);
    RuntimeArray* doubles = CreateArray(1, kArrayDouble, 1);
    call<void>(doubles, kSlotSet, 2.5, 1);
    EXPECT_EQ(call<double>(doubles, kSlotGet, 1), 2.5);
    RuntimeUnlockArray(doubles);
}

TEST(ArrayElements, OutOfRangeGetAndSetRaiseAndChangeNothing) {
    RuntimeArray* a = CreateArray(1, kArrayInt32, 2);
    for (int32_t index : {-1, 3, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(raises(ExceptionKind::OutOfBoundsException, [&] { call<int32_t>(a, kSlotGet, index); }));
        EXPECT_TRUE(raises(ExceptionKind::OutOfBoundsException, [&] { call<void>(a, kSlotSet, 7, index); }));
    }
    RuntimeUnlockArray(a);
}

TEST(ArrayElements, StringsAreHeldWithOneReferenceEach) {
    RuntimeArray* a = CreateArray(1, kArrayString, 1);
    RTString s = str("held");
    call<void>(a, kSlotSet, s, 0);
    EXPECT_EQ(s->refCount, 2u);
    call<void>(a, kSlotSet, s, 1);
    EXPECT_EQ(s->refCount, 3u);
    call<void>(a, kSlotSet, RTString(nullptr), 0);  // replacing releases the old value
    EXPECT_EQ(s->refCount, 2u);
    RuntimeUnlockArray(a);
    EXPECT_EQ(s->refCount, 1u);
    RuntimeUnlockString(s);
}

TEST(ArrayElements, ObjectsAreLockedAndUnlocked) {
    RuntimeClass* c = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
    c->instanceSize = sizeof(RuntimeObject);
    RuntimeObject* obj = RuntimeNewObject(c);
    RuntimeArray* a = CreateArray(1, kArrayObject, 0);
    call<void>(a, kSlotInsert, 0, obj);
    EXPECT_EQ(obj->refCount, 2);
    RuntimeObject* got = call<RuntimeObject*>(a, kSlotGet, 0);
    EXPECT_EQ(obj->refCount, 3);
    RuntimeUnlockObject(got);
    RuntimeUnlockArray(a);
    EXPECT_EQ(obj->refCount, 1);
    RuntimeUnlockObject(obj);
}

TEST(ArrayReshaping, ResizeReleasesDroppedStringsAndZeroesNewOnes) {
    RuntimeArray* a = CreateArray(1, kArrayString, 5);
    const char* values[] = {"a", "b", "c", "d", "e", "f"};
    for (int32_t i = 0; i <= 5; ++i) setText(a, i, values[i]);
    int64_t before = RuntimeLiveStringCount();
    ArrayResize(a, 2);
    EXPECT_EQ(RuntimeLiveStringCount(), before - 3);
    EXPECT_EQ(texts(a), (std::vector<std::string>{"a", "b", "c"}));
    ArrayResize(a, 4);
    EXPECT_EQ(texts(a), (std::vector<std::string>{"a", "b", "c", "", ""}));
    EXPECT_EQ(a->bufferLength, int32_t(5 * sizeof(RTString)));
    RuntimeUnlockArray(a);
}

TEST(ArrayReshaping, InsertAppendsAtTheEndAndRaisesBeyondIt) {
    RuntimeArray* a = CreateArray(1, kArrayString, -1);
    insertText(a, 0, "b");
    insertText(a, 0, "a");
    insertText(a, 2, "d");
    insertText(a, 2, "c");
    EXPECT_EQ(texts(a), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_TRUE(raises(ExceptionKind::OutOfBoundsException, [&] { insertText(a, 5, "x"); }));
    EXPECT_TRUE(raises(ExceptionKind::NilObjectException, [&] {
        reinterpret_cast<void (*)(RuntimeArray*, int32_t, RTString)>(a->operations->slots[kSlotInsert])(nullptr, 0,
                                                                                                         nullptr);
    }));
    RuntimeUnlockArray(a);
}

TEST(ArrayReshaping, InsertGrowsGeometrically) {
    RuntimeArray* a = CreateArray(1, kArrayInt32, -1);
    int reallocations = 0;
    int32_t lastLength = 0;
    for (int32_t i = 0; i < 100000; ++i) {
        call<void>(a, kSlotInsert, i, i);
        if (a->bufferLength != lastLength) ++reallocations, lastLength = a->bufferLength;
    }
    EXPECT_LT(reallocations, 20);
    EXPECT_EQ(call<int32_t>(a, kSlotGet, 99999), 99999);
    RuntimeUnlockArray(a);
}

TEST(ArrayReshaping, RemoveReleasesTheElementAndRaisesOutsideTheBounds) {
    RuntimeArray* a = CreateArray(1, kArrayString, -1);
    for (const char* s : {"a", "b", "c"}) insertText(a, RuntimeUBound(a) + 1, s);
    call<void>(a, kSlotRemove, 1);
    EXPECT_EQ(texts(a), (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(raises(ExceptionKind::OutOfBoundsException, [&] { call<void>(a, kSlotRemove, 2); }));
    call<void>(a, kSlotRemove, 0);
    call<void>(a, kSlotRemove, 0);
    EXPECT_EQ(RuntimeUBound(a), -1);
    EXPECT_EQ(a->elements, nullptr);
    RuntimeUnlockArray(a);
}

TEST(ArrayReshaping, ManyDimensionsRefuseOneDimensionOperations) {
    RuntimeArray* a = CreateArray(2, kArrayInt32, 1, 1);
    testing::internal::CaptureStdout();
    call<void>(a, kSlotResize, 5);
    call<void>(a, kSlotSort);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Failure Condition: 1 == array->dimensions"),
              std::string::npos);
    call<void>(a, kSlotSet, 42, 1, 0);
    EXPECT_EQ(call<int32_t>(a, kSlotGet, 1, 0), 42);
    EXPECT_TRUE(raises(ExceptionKind::OutOfBoundsException, [&] { call<int32_t>(a, kSlotGet, 2, 0); }));
    RuntimeUnlockArray(a);
}

TEST(ArrayOrdering, SortsStringsByTheRuntimeComparisonAndFindsThem) {
    RuntimeArray* a = CreateArray(1, kArrayString, -1);
    for (const char* s : {"pear", "Apple", "fig", "", "apple2"}) insertText(a, RuntimeUBound(a) + 1, s);
    call<void>(a, kSlotSort);
    EXPECT_EQ(texts(a), (std::vector<std::string>{"", "Apple", "apple2", "fig", "pear"}));
    RTString needle = str("FIG");
    EXPECT_EQ(call<int32_t>(a, kSlotIndexOf, needle, -1), 3);
    EXPECT_EQ(call<int32_t>(a, kSlotIndexOf, needle, 4), -1);
    EXPECT_TRUE(raises(ExceptionKind::OutOfBoundsException, [&] { call<int32_t>(a, kSlotIndexOf, needle, 5); }));
    EXPECT_TRUE(raises(ExceptionKind::OutOfBoundsException, [&] { call<int32_t>(a, kSlotIndexOf, needle, -2); }));
    RuntimeUnlockString(needle);
    RuntimeUnlockArray(a);
}

TEST(ArrayOrdering, SortWithReordersTheOtherArraysInStep) {
    RuntimeArray* keys = CreateArray(1, kArrayInt32, 2);
    RuntimeArray* names = CreateArray(1, kArrayString, 2);
    const int32_t k[] = {3, 1, 2};
    const char* n[] = {"three", "one", "two"};
    for (int32_t i = 0; i < 3; ++i) {
        call<void>(keys, kSlotSet, k[i], i);
        setText(names, i, n[i]);
    }
    RuntimeArray* others[] = {names};
    call<void>(keys, kSlotSortWith, 1, others);
    EXPECT_EQ(texts(names), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(call<int32_t>(keys, kSlotGet, 2), 3);
    RuntimeUnlockArray(keys);
    RuntimeUnlockArray(names);
}

TEST(ArrayOrdering, ShuffleSwapsWithTheDrawnPositions) {
    RuntimeArray* a = CreateArray(1, kArrayInt32, 3);
    for (int32_t i = 0; i < 4; ++i) call<void>(a, kSlotSet, i, i);
    ArraySetRandomSource([] { return 0.0; });  // always swap with the first element
    call<void>(a, kSlotShuffle);
    ArraySetRandomSource(nullptr);
    std::vector<int32_t> got;
    for (int32_t i = 0; i < 4; ++i) got.push_back(call<int32_t>(a, kSlotGet, i));
    EXPECT_EQ(got, (std::vector<int32_t>{1, 2, 3, 0}));
    RuntimeUnlockArray(a);
}

TEST(ArrayLifetime, LockUnlockArraysIsAnAssignmentAndNilIsIgnored) {
    EXPECT_EQ(RuntimeLockArray(nullptr), nullptr);
    RuntimeUnlockArray(nullptr);
    RuntimeArray* a = CreateArray(1, kArrayInt32, 0);
    RuntimeArray* b = CreateArray(1, kArrayInt32, 0);
    RuntimeLockUnlockArrays(a, a);
    EXPECT_EQ(a->refCount, 1);
    RuntimeLockUnlockArrays(a, b);  // b goes
    EXPECT_EQ(a->refCount, 2);
    RuntimeUnlockArray(a);
    RuntimeUnlockArray(a);
}
