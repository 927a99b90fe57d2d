// The class records of TextEncoding and TextConverter. Their fields and
// operations belong to the string services (Universal/TextEncodingUtil), which
// sit below the object machinery that builds a class; so the records are built
// here.
#include "Common/objects.h"
#include "Universal/TextEncodingUtil.h"

RuntimeClass* TextEncodingClass() {
    static const PropertyDefinition kProperties[] = {
        {"Base%i4%", int32_t(sizeof(RuntimeObject) + offsetof(TextEncodingFields, base))},
        {"Variant%i4%", int32_t(sizeof(RuntimeObject) + offsetof(TextEncodingFields, variant))},
        {"Format%i4%", int32_t(sizeof(RuntimeObject) + offsetof(TextEncodingFields, format))},
    };
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "TextEncoding",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(TextEncodingFields)),
        .properties = kProperties,
    });
    return c;
}

RuntimeClass* TextConverterClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "TextConverter",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(TextConverterFields)),
    });
    return c;
}
