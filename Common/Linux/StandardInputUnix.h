// Standard input without blocking: whether a byte waits, and taking one only
// when it is there.
#pragma once

/// Whether standard input has a byte (or its end) to read within `milliseconds`.
bool StandardInputReadyWithin(int milliseconds);
/// The next byte of standard input when one is there now, else -1; never waits.
int ReadStandardInputByteIfReady();
