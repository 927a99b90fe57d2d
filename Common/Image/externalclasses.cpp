// The runtime's own classes, built once and registered by name.
#include "Common/ClassLib/RuntimeLocks.h"
#include "Common/ClassLib/RuntimeThread.h"
#include "Common/ClassLib/RuntimeTimer.h"
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

extern "C" void RuntimeInitExternalClasses() {
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
    ThreadClass();
    SemaphoreClass();
    CriticalSectionClass();
    MutexClass();
    TimerClass();
}
