#include "app/App.h"

#include <cstddef>
#include <new>

#include "Common/ConsoleApplication.h"
#include "Common/TextOutputStream.h"
#include "Common/String.h"

namespace {

// App's fields follow the ConsoleApplication's, at the next offset their
// pointers may stand at.
constexpr size_t kBaseSize = sizeof(RuntimeObject) + sizeof(ConsoleApplicationFields);
constexpr size_t kFieldsOffset = (kBaseSize + alignof(AppFields) - 1) / alignof(AppFields) * alignof(AppFields);

int32_t fieldOffset(size_t member) { return int32_t(kFieldsOffset + member); }

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(kFieldsOffset == 32 && kFieldsOffset + sizeof(AppFields) == 160);
#endif

// The fields live in the object's own memory: made there with it, their
// handles let go when it goes.
void initializeApp(RuntimeObject* app) { new (AppState(app)) AppFields(); }
void finalizeApp(RuntimeObject* app) { AppState(app)->~AppFields(); }

template <typename F>
void* routine(F function) {
    return reinterpret_cast<void*>(function);
}

const MethodDefinition kMethods[] = {
    {"Run%i4%o<App>A1s", routine(&AppRun)},
    {"UnhandledException%%o<App>o<RuntimeException>", routine(&AppUnhandledException)},
    {"InitSRIF%b%o<App>s", routine(&AppInitSRIF)},
    {"ParseAddr%b%o<App>s&u2&u2&u2&u2", routine(&AppParseAddr)},
    {"InitMsg%b%o<App>ss&s", routine(&AppInitMsg)},
    {"LogIt%%o<App>s", routine<void (*)(RuntimeObject*, RTString)>(&AppLogIt)},
    {"TestOkFile%b%o<App>", routine(&AppTestOkFile)},
    {"ItsaMatch%b%o<App>ss", routine<bool (*)(RuntimeObject*, RTString, RTString)>(&AppItsaMatch)},
};

const PropertyDefinition kProperties[] = {
    {"PktHdr%t<PktHdrType>%", fieldOffset(offsetof(AppFields, PktHdr))},
    {"PkdMsg%t<PkdMsgType>%", fieldOffset(offsetof(AppFields, PkdMsg))},
    {"ReqFileName%s%", fieldOffset(offsetof(AppFields, ReqFileName))},
    {"RspFileName%s%", fieldOffset(offsetof(AppFields, RspFileName))},
    {"SysOp%s%", fieldOffset(offsetof(AppFields, SysOp))},
    {"FidoAddr%s%", fieldOffset(offsetof(AppFields, FidoAddr))},
    {"FileSep%s%", fieldOffset(offsetof(AppFields, FileSep))},
    {"DbgFile%o<TextOutputStream>%", fieldOffset(offsetof(AppFields, DbgFile))},
    {"T_Match%i4%", fieldOffset(offsetof(AppFields, T_Match))},
};

// App handles the two events its base declares.
const EventHandlerDefinition kEventHandlers[] = {
    {kEventRun, "#Run%i4%o<App>A1s", routine(&AppRun)},
    {kEventUnhandledException, "#UnhandledException%%o<App>o<RuntimeException>", routine(&AppUnhandledException)},
};

} // namespace

AppFields* AppState(RuntimeObject* app) {
    return reinterpret_cast<AppFields*>(reinterpret_cast<char*>(app) + kFieldsOffset);
}

RuntimeClass* AppClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "App",
        .superclass = ConsoleApplicationClass(),
        .instanceSize = int32_t(kFieldsOffset + sizeof(AppFields)),
        .initializer = &initializeApp,
        .finalizer = &finalizeApp,
        .methods = kMethods,
        .properties = kProperties,
        .handlers = kEventHandlers,
    });
    return c;
}
