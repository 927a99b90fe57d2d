// The facade's handles: each reference taken is given back exactly once,
// through assignment, record fields and array slots alike.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "Common/ClassLib/CriticalSection.h"
#include "Common/ClassLib/Mutex.h"
#include "Common/ClassLib/Semaphore.h"
#include "Common/ClassLib/Thread.h"
#include "Common/ClassLib/Timer.h"
#include "Common/Date.h"
#include "Common/Arrays.h"
#include "Common/FolderItem.h"
#include "Common/MemoryBlock.h"
#include "Common/StringFunctions.h"
#include "Common/exceptions.h"
#include "Common/String.h"
#include "Common/TextEncoding.h"

TEST(Handle, OwnershipMovesWithoutLeakOrDoubleRelease) {
    rt::String text("shared");
    RTString field = nullptr;
    struct Row {
        const char* name;
        void (*step)(rt::String& text, RTString& field);
    };
    const Row rows[] = {
        {"self-assignment", [](rt::String& t, RTString&) { t = static_cast<const rt::String&>(t); }},
        {"assign into an empty field", [](rt::String& t, RTString& f) { t.assignTo(f); }},
        {"assign the field's own value", [](rt::String& t, RTString& f) { t.assignTo(f); }},
        {"replace the field's value", [](rt::String&, RTString& f) { rt::String("other").assignTo(f); }},
        {"release and adopt again", [](rt::String& t, RTString&) { t = rt::String::adopt(t.release()); }},
        {"retain a borrowed value", [](rt::String& t, RTString& f) { t = rt::String::retain(f); }},
        {"clear the field", [](rt::String&, RTString& f) { rt::String().assignTo(f); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.step(text, field);
    }
    EXPECT_EQ(field, nullptr);
    EXPECT_EQ(text.str(), "other");
}

template <typename... Handles>
void ExpectEmptyByDefault() {
    static_assert((std::is_nothrow_default_constructible_v<Handles> && ...));
    const int64_t objects = RuntimeLiveObjectCount();
    (
        [] {
            SCOPED_TRACE(typeid(Handles).name());
            EXPECT_FALSE(Handles());
        }(),
        ...);
    EXPECT_EQ(RuntimeLiveObjectCount(), objects);
}

// Only a named factory (make, now, ofSize, at...) makes a record.
TEST(Handle, DefaultConstructedHandlesAreEmpty) {
    ExpectEmptyByDefault<rt::String, rt::Ref<>, rt::Array<rt::String>, rt::Date, rt::FolderItem, rt::TextEncoding,
                         rt::MemoryBlock, rt::BinaryStream, rt::TextInputStream, rt::TextOutputStream,
                         rt::CriticalSection, rt::Mutex, rt::Semaphore, rt::Thread, rt::Timer>();
}

TEST(Array, ElementsGoThroughTheSlotsOfTheirKind) {
    auto strings = rt::Array<rt::String>::ofSize(3);
    strings.set(0, "zero");
    strings.set(2, rt::String("two"));
    strings.set(2, rt::String("TWO"));  // the old element is let go
    std::vector<std::string> seen;
    for (const rt::String& s : strings) seen.push_back(s.str());
    EXPECT_EQ(seen, (std::vector<std::string>{"zero", "", "TWO"}));
    EXPECT_EQ(strings.size(), 3);
    EXPECT_THROW(strings[3], rt::RaisedException);

    auto numbers = rt::Array<double>::ofSize(2);
    numbers.set(1, 2.5);
    EXPECT_EQ(numbers[0], 0.0);
    EXPECT_EQ(numbers[1], 2.5);

    auto bytes = rt::Array<uint8_t>::ofSize(1);
    bytes.set(0, 255);
    EXPECT_EQ(bytes[0], 255);

    auto objects = rt::Array<rt::Ref<>>::ofSize(2);
    rt::Date date = rt::Date::now();
    objects.set(1, rt::Ref<>::retain(date.get()));
    EXPECT_FALSE(objects[0]);
    EXPECT_EQ(objects[1].get(), date.get());

    rt::Array<int32_t> none;
    EXPECT_EQ(none.begin(), none.end());
}

TEST(TextEncoding, HandleAnswersForItsCode) {
    const uint32_t codes[] = {kEncodingUTF8, kEncodingUTF16, kEncodingASCII};
    for (uint32_t code : codes) {
        SCOPED_TRACE(code);
        rt::TextEncoding encoding = rt::TextEncoding::forCode(code);
        EXPECT_EQ(encoding.code(), code);
        EXPECT_TRUE(sameEncoding(encoding, rt::TextEncoding::forCode(code)));
        EXPECT_EQ(rt::TextEncoding::of(encoding.relabel("x")).code(), code);
    }
    EXPECT_FALSE(rt::TextEncoding::of(rt::String::fromBytes("x", kEncodingUnknown)));
}

// Text lent to a comparison or a search answers exactly as a string made of it.
TEST(LentText, AnswersAsAStringMadeOfItWould) {
    const rt::TextEncoding utf16 = rt::TextEncoding::forCode(kEncodingUTF16);
    struct Row {
        const char* name;
        rt::String subject;
        std::string text;
    };
    const Row rows[] = {
        {"ASCII, other case", rt::String::fromBytes("TEST.REQ", kEncodingASCII), "Test.Req"},
        {"different", rt::String("files.lst"), "Test.Req"},
        {"UTF-8, other case", rt::String("\xC3\x89T\xC3\x89"), "\xC3\xA9t\xC3\xA9"},
        {"Latin-1 against UTF-8", rt::String::fromBytes("caf\xE9", 0x201), "CAF\xC3\x89"},
        {"UTF-16", utf16.convert("\xC3\xA9t\xC3\xA9"), "\xC3\x89T"},
        {"no subject", rt::String(), "x"},
        {"no text", rt::String("x"), ""},
        {"longer than the room", rt::String(std::string(100, 'x')), std::string(100, 'X')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const rt::String made(row.text);
        EXPECT_EQ(compareIgnoringCase(row.subject, row.text), compareIgnoringCase(row.subject, made));
        EXPECT_EQ(equalsIgnoringCase(row.subject, row.text.c_str()), equalsIgnoringCase(row.subject, made));
        EXPECT_EQ(rt::inStr(1, row.subject, row.text), rt::inStr(1, row.subject, made));
    }
}

// Short text makes no string record.
TEST(LentText, ShortTextMakesNoString) {
    const rt::String subject("Test.Req");
    const int64_t strings = RuntimeLiveStringCount();
    rt::LentText lent("TEST.REQ");
    EXPECT_EQ(RuntimeLiveStringCount(), strings);
    EXPECT_EQ(RuntimeStringCompare(subject.get(), lent.get()), 0);
    EXPECT_EQ(RuntimeLiveStringCount(), strings);
}
