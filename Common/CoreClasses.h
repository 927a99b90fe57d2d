// The classes of the runtime core, built and registered by name in one call.
// The class library adds its own (Common/ClassLib/ClassLibClasses.h); a code
// image asks for all of them through RuntimeInitExternalClasses.
#pragma once

/// Builds the exception, application, stream, encoding, folder item, date and
/// memory block classes and registers each by name (once; later calls do nothing new).
void RuntimeInitCoreClasses();
