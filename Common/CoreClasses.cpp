#include "Common/CoreClasses.h"

#include "Common/ConsoleApplication.h"
#include "Common/DateCommon.h"
#include "Common/StandardStreams.h"
#include "Common/exceptions.h"
#include "Common/objects.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
#include "Common/runMemoryBlock.h"
#include "Universal/TextEncodingUtil.h"

void RuntimeInitCoreClasses() {
    for (int32_t kind = 0; kind < kExceptionKindCount; ++kind) RuntimeExceptionClass(ExceptionKind(kind));
    ConsoleApplicationClass();
    ServiceApplicationClass();
    StandardOutputStreamClass();
    StandardInputStreamClass();
    TextEncodingClass();
    TextConverterClass();
    RuntimeFolderItemClass();
    RuntimeTextInputStreamClass();
    RuntimeTextOutputStreamClass();
    RuntimeBinaryStreamClass();
    DateClass();
    MemoryBlockClass();
}
