/* An image whose exception nothing handles: the runtime raises it on a nil
 * argument, and with no handler record on the way out the host reports it and
 * ends with status 1. */
typedef struct RuntimeObject RuntimeObject;

void RuntimeInitExternalClasses(void);
struct RuntimeArray* RuntimeExceptionStack(RuntimeObject* exception);

int ImageMain(void) {
    RuntimeInitExternalClasses();
    RuntimeExceptionStack(0);
    return 0;
}
