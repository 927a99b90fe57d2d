#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Common/relocentry.h"

namespace {
void first() {}
void second() {}
} // namespace

// Every runtime name a code image of the request processor imports must resolve.
TEST(EntryPointTable, EveryImportedNameResolves) {
    const char* names[] = {
        "RuntimeNewClass", "RuntimeNewVtable", "RuntimeNewObject", "RuntimeLockObject", "RuntimeUnlockObject",
        "RuntimeLockUnlockObjects", "RuntimeObjectIsa", "RuntimeInitExternalClasses",
        "RuntimeRaiseException", "RuntimeReraiseException", "RaiseNilObjectException", "RaiseOutOfBoundsException",
        "RuntimeRaiseFunctionNotFoundException", "RuntimeUnhandledException", "RuntimeStackCheck",
        "RuntimeExceptionInitializer", "RuntimeExceptionFinalizer", "RuntimeExceptionStack",
        "CreateArray", "RuntimeLockArray", "RuntimeUnlockArray", "RuntimeLockUnlockArrays", "RuntimeUBound",
        "RuntimeUBound2Param",
        "RuntimeLockString", "RuntimeUnlockString", "RuntimeLockUnlockStrings", "RuntimeStringCompare",
        // What the request processor calls.
        "RuntimeInit", "RuntimeAllocatePluginEntrypointsTable", "RuntimeRegisterConsoleAppObject", "RuntimeRun",
        "RuntimeExit", "ApplicationQuit", "VQ_ApplicationQuit", "ConsoleApplicationInitializer",
        "RuntimeBackgroundTask", "RuntimeDoEvents", "RuntimeGetStdOut", "RuntimeGetStdIn", "RuntimeConsolePrint",
        "RuntimeConsoleInput", "RuntimeStdOutputStreamWrite", "RuntimeStdOutputStreamWriteLine",
        "RuntimeStdInputReadLine", "RuntimeAddString", "RuntimeSetStructureString", "RuntimeGetStructureContents",
        "StringInStr", "StringVal", "StringFormat", "StringStrDouble", "StringDBCSMid3", "StringDBCSRight",
        "StringDBCSChr", "StringSplit", "runTrim", "RuntimeHexUInt64", "RuntimeGetFolderItem", "fileExistsGetter",
        "fileDirectoryGetter", "fileNameGetter", "fileSizeGetter", "fileCountGetter", "FolderItemItem",
        "FolderItemIsCurrentlyReadable", "FolderItemDelete", "FolderItemOpenTextFile", "FolderItemAppendTextFile",
        "FolderItemCreateTextFile", "FolderItemCreateBinaryFile", "TextInputStreamReadLine", "TextInputStreamEOF",
        "TextInputStreamClose", "TextOutputStreamWrite", "TextOutputStreamWriteLine", "TextOutputStreamClose",
        "BinaryStreamWrite", "BinaryStreamWriteByte", "BinaryStreamClose", "AutoInitDate", "dateFieldGetter",
        "dateTotalSecondsGetter", "dateSQLDateTimeGetter", "RuntimeMicroseconds", "RuntimeTicks",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_NE(RuntimeLookupEntryPoint(name), nullptr);
        EXPECT_EQ(RuntimeFindEntryPointForLinking(name), RuntimeLookupEntryPoint(name));
    }
}

TEST(EntryPointTable, FixedNamesAreUniqueAndCarryTheirFunctions) {
    std::set<std::string> seen;
    for (const EntryPoint& entry : RuntimeFixedEntryPoints()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(seen.insert(entry.name).second);
        EXPECT_NE(entry.function, nullptr);
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
