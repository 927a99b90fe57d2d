/* The example code image. It prints through the runtime's standard output,
 * reads its own version block, raises a runtime exception that the assembly
 * routine CatchRuntimeException catches and cleans up after, does the same for
 * an exception the runtime raises, and ends with exit code 3. It reaches the runtime only through the entry-point table. */
typedef struct StringRecord* RTString;
typedef struct RuntimeObject RuntimeObject;
typedef struct RuntimeClass RuntimeClass;

void RuntimeInitExternalClasses(void);
RuntimeClass* RuntimeFindExternalClass(const char* name);
RuntimeObject* RuntimeNewObject(RuntimeClass* classRecord);
void RuntimeUnlockObject(RuntimeObject* object);
void RuntimeRaiseException(RuntimeObject* exception);
struct RuntimeArray* RuntimeExceptionStack(RuntimeObject* exception);
RTString StringFromCString(const char* text);
RTString StringFromPString(const unsigned char* text);
RTString RuntimeAddString(RTString a, RTString b);
void RuntimeUnlockString(RTString s);
void RuntimeConsolePrint(RTString s);
const void* RuntimeGetResourceData(unsigned type, int id, unsigned* length);

/* Calls body; 0 when it returns, 1 when a runtime exception raised inside it
 * was caught (and released). Written in assembly: it carries a handler record. */
int CatchRuntimeException(void (*body)(void));

#define VERSION_RESOURCE 0x56455253u /* "VERS" */
#define VERSION_FIXED_SIZE 24

static void print(const char* text) {
    RTString line = StringFromCString(text);
    RuntimeConsolePrint(line);
    RuntimeUnlockString(line);
}

static void printVersion(void) {
    unsigned length = 0;
    const unsigned char* version = RuntimeGetResourceData(VERSION_RESOURCE, 0, &length);
    if (!version || length < VERSION_FIXED_SIZE + 3) {
        print("No version block");
        return;
    }
    /* The first of the three counted texts after the fixed part: the short version. */
    RTString label = StringFromCString("Version ");
    RTString number = StringFromPString(version + VERSION_FIXED_SIZE);
    RTString line = RuntimeAddString(label, number);
    RuntimeConsolePrint(line);
    RuntimeUnlockString(line);
    RuntimeUnlockString(number);
    RuntimeUnlockString(label);
}

static void raiseRuntimeException(void) {
    RuntimeObject* exception = RuntimeNewObject(RuntimeFindExternalClass("RuntimeException"));
    print("Raising a RuntimeException");
    RuntimeRaiseException(exception);
    /* The handler is further out: the raise returns here first, and the
     * handler's own reference keeps the exception alive. */
    RuntimeUnlockObject(exception);
}

static void passNilToTheRuntime(void) {
    print("Passing nil to the runtime");
    /* The runtime raises a NilObjectException; its result means nothing then. */
    RuntimeExceptionStack(0);
}

int ImageMain(void) {
    RuntimeInitExternalClasses();
    print("Hello from a code image");
    printVersion();
    if (CatchRuntimeException(raiseRuntimeException))
        print("Caught it and cleaned up");
    else
        print("Nothing was raised");
    if (CatchRuntimeException(passNilToTheRuntime))
        print("Caught the runtime's NilObjectException");
    else
        print("The runtime raised nothing");
    return 3;
}
