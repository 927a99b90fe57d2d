// The runtime's own classes, built once and registered by name, so that a code
// image finds each class it names: the core's and the class library's.
#include "Common/ClassLib/ClassLibClasses.h"
#include "Common/CoreClasses.h"
#include "Common/objects.h"

extern "C" void RuntimeInitExternalClasses() {
    RuntimeInitCoreClasses();
    RuntimeInitClassLibClasses();
}
