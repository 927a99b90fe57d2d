#include <gtest/gtest.h>

#include "Common/basicstr.h"
#include "Common/relocentry.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/VELQstring.h"

TEST(StringEntryPoints, EveryOperationIsLinkableByName) {
    const std::pair<const char*, void*> rows[] = {
        {"RuntimeAddString", reinterpret_cast<void*>(&RuntimeAddString)},
        {"RuntimeStringCompare", reinterpret_cast<void*>(&RuntimeStringCompare)},
        {"RuntimeGetStructureString", reinterpret_cast<void*>(&RuntimeGetStructureString)},
        {"RuntimeSetStructureString", reinterpret_cast<void*>(&RuntimeSetStructureString)},
        {"RuntimeGetStructureContents", reinterpret_cast<void*>(&RuntimeGetStructureContents)},
        {"StringFromCString", reinterpret_cast<void*>(&StringFromCString)},
        {"StringFromPString", reinterpret_cast<void*>(&StringFromPString)},
        {"StringToCString", reinterpret_cast<void*>(&StringToCString)},
        {"StringToPString", reinterpret_cast<void*>(&StringToPString)},
        {"StringGetEncoding", reinterpret_cast<void*>(&StringGetEncoding)},
        {"StringSetEncoding", reinterpret_cast<void*>(&StringSetEncoding)},
        {"StringConvertEncoding", reinterpret_cast<void*>(&StringConvertEncoding)},
        {"EncodingsGetter", reinterpret_cast<void*>(&EncodingsGetter)},
        {"EncodingsGetFromCode", reinterpret_cast<void*>(&EncodingsGetFromCode)},
        {"textEncodingBaseGetter", reinterpret_cast<void*>(&textEncodingBaseGetter)},
        {"textEncodingVariantGetter", reinterpret_cast<void*>(&textEncodingVariantGetter)},
        {"textEncodingFormatGetter", reinterpret_cast<void*>(&textEncodingFormatGetter)},
        {"textEncodingInternetName", reinterpret_cast<void*>(&textEncodingInternetName)},
        {"TextEncodingEquals", reinterpret_cast<void*>(&TextEncodingEquals)},
        {"TextEncodingChr", reinterpret_cast<void*>(&TextEncodingChr)},
        {"getTextConverter", reinterpret_cast<void*>(&getTextConverter)},
        {"textConverterConvert", reinterpret_cast<void*>(&textConverterConvert)},
        {"textConverterClear", reinterpret_cast<void*>(&textConverterClear)},
    };
    for (const auto& [name, function] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RuntimeFindEntryPointForLinking(name), function);
    }
}
