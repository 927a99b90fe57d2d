#include <gtest/gtest.h>

#include "Common/relocentry.h"
#include "Universal/NumberText.h"
#include "Universal/StringFields.h"
#include "Universal/StringFormat.h"
#include "Universal/StringSearch.h"
#include "Universal/StringTrim.h"
#include "Universal/StringUtils.h"

#define ROW(name, function) {name, reinterpret_cast<void*>(&function)}

// The names a code image links the application's string functions by,
// including the names that share one function.
TEST(StringFunctionEntryPoints, EveryNameLinksToItsFunction) {
    const std::pair<const char*, void*> rows[] = {
        ROW("StringDBCSLeft", StringDBCSLeft),   ROW("StringDBCSRight", StringDBCSRight),
        ROW("StringDBCSMid2", StringDBCSMid2),   ROW("StringDBCSMid3", StringDBCSMid3),
        ROW("StringMid3", StringMid3),           ROW("StringDBCSLen", StringDBCSLen),
        ROW("StringLen", StringLen),             ROW("StringInStr", StringInStr),
        ROW("StringDBCSInStr", StringInStr),     ROW("StringSplit", StringSplit),
        ROW("runTrim", runTrim),                 ROW("StringVal", StringVal),
        ROW("runCDbl", StringVal),               ROW("StringStrDouble", StringStrDouble),
        ROW("runCStr", StringStrDouble),         ROW("StringStrInt16", StringStrInt16),
        ROW("StringStrInt32", StringStrInt32),   ROW("StringStrUInt64", StringStrUInt64),
        ROW("RuntimeHexUInt64", RuntimeHexUInt64), ROW("StringFormat", StringFormat),
        ROW("StringDBCSChr", StringDBCSChr),     ROW("StringJoin", StringJoin),
    };
    for (const auto& [name, function] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RuntimeFindEntryPointForLinking(name), function);
    }
}
