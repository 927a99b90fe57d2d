#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Common/Image/relocentry.h"
#include "support/ScratchFolder.h"

namespace {

void first() {}
void second() {}

// One line of the lists the fixed table is built from (Common/Image/EntryPoints/*.inc):
// the name a code image links by, and the function's own name.
struct Listed {
    std::string where, name, function;
};

// Read from the lists themselves, so that every name is checked, including one
// in a list that the table leaves out.
std::vector<Listed> ReadEntryPointLists() {
    const std::regex plain(R"(ENTRY_POINT\((\w+)\))"), synonym(R"re(ENTRY_POINT_AS\("(\w+)", *(\w+)\))re");
    std::vector<Listed> listed;
    for (const auto& file : std::filesystem::directory_iterator(QARVEX_SOURCE_DIR "/Common/Image/EntryPoints")) {
        if (file.path().extension() != ".inc") continue;
        std::istringstream lines(ReadFile(file.path()));
        int number = 0;
        for (std::string line; std::getline(lines, line);) {
            std::string where = file.path().filename().string() + ":" + std::to_string(++number);
            std::smatch m;
            if (std::regex_match(line, m, plain)) listed.push_back({where, m[1], m[1]});
            else if (std::regex_match(line, m, synonym)) listed.push_back({where, m[1], m[2]});
            else if (!line.empty() && line.rfind("//", 0) != 0) ADD_FAILURE() << where << ": unreadable line " << line;
        }
    }
    return listed;
}

} // namespace

// Every listed name resolves, the same way at run time and for linking, and a
// synonym reaches the very function its main name does; the fixed table holds
// the listed names and nothing else.
TEST(EntryPointTable, EveryListedNameResolvesAndEachSynonymReachesItsMainName) {
    std::vector<Listed> listed = ReadEntryPointLists();
    ASSERT_FALSE(listed.empty());
    std::set<std::string> names;
    for (const Listed& row : listed) {
        SCOPED_TRACE(row.where + " " + row.name);
        EXPECT_TRUE(names.insert(row.name).second) << "listed twice";
        void* function = RuntimeLookupEntryPoint(row.name.c_str());
        EXPECT_NE(function, nullptr);
        EXPECT_EQ(RuntimeFindEntryPointForLinking(row.name.c_str()), function);
        if (row.function != row.name) {
            EXPECT_EQ(function, RuntimeLookupEntryPoint(row.function.c_str()));
        }
    }
    EXPECT_EQ(RuntimeFixedEntryPoints().size(), listed.size());
    for (const EntryPoint& entry : RuntimeFixedEntryPoints()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(names.count(entry.name));
        EXPECT_EQ(entry.reserved1, nullptr);
        EXPECT_EQ(entry.reserved2, nullptr);
    }
}

TEST(EntryPointTable, LinkingIgnoresLetterCaseButRunTimeLookupDoesNot) {
    void* exact = RuntimeLookupEntryPoint("RuntimeNewObject");
    EXPECT_EQ(RuntimeFindEntryPointForLinking("runtimenewobject"), exact);
    EXPECT_EQ(RuntimeFindEntryPointForLinking("RUNTIMENEWOBJECT"), exact);
    EXPECT_EQ(RuntimeLookupEntryPoint("runtimenewobject"), nullptr);
    EXPECT_EQ(RuntimeFindEntryPointForLinking("NoSuchEntryPoint"), nullptr);
}

TEST(EntryPointTable, RegistrationAppendsIgnoresNullAndRefusesAnotherFunction) {
    RuntimeRegisterEntryPoint("TestRegisteredFirst", nullptr);
    EXPECT_EQ(RuntimeLookupEntryPoint("TestRegisteredFirst"), nullptr);

    RuntimeRegisterEntryPoint("TestRegisteredFirst", reinterpret_cast<void*>(&first));
    EXPECT_EQ(RuntimeLookupEntryPoint("TestRegisteredFirst"), reinterpret_cast<void*>(&first));
    EXPECT_EQ(RuntimeFindEntryPointForLinking("testregisteredfirst"), reinterpret_cast<void*>(&first));

    testing::internal::CaptureStdout();
    RuntimeRegisterEntryPoint("TestRegisteredFirst", reinterpret_cast<void*>(&first));  // same: quiet
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    testing::internal::CaptureStdout();
    RuntimeRegisterEntryPoint("TestRegisteredFirst", reinterpret_cast<void*>(&second));
    std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(report.find("relocentry: "), std::string::npos);
    EXPECT_NE(report.find("Failure Condition: functionPtr == oldEntry->code\n"), std::string::npos);
    EXPECT_EQ(RuntimeLookupEntryPoint("TestRegisteredFirst"), reinterpret_cast<void*>(&first));

    // A fixed name cannot be taken over either.
    testing::internal::CaptureStdout();
    RuntimeRegisterEntryPoint("RuntimeNewObject", reinterpret_cast<void*>(&second));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("functionPtr == oldEntry->code"), std::string::npos);
}

TEST(EntryPointTable, ManyRegistrationsGrowTheTableAndTheIndex) {
    // Well past the 256 starting buckets, so the index has to double.
    for (int i = 0; i < 1000; ++i) {
        std::string name = "TestGrowth" + std::to_string(i);
        RuntimeRegisterEntryPoint(name.c_str(), reinterpret_cast<void*>(i % 2 ? &first : &second));
    }
    for (int i = 0; i < 1000; ++i) {
        SCOPED_TRACE(i);
        std::string name = "TestGrowth" + std::to_string(i);
        EXPECT_EQ(RuntimeLookupEntryPoint(name.c_str()), reinterpret_cast<void*>(i % 2 ? &first : &second));
    }
    EXPECT_EQ(RuntimeFindEntryPointForLinking("testgrowth999"), reinterpret_cast<void*>(&first));
}
