// The command line's informational options, answered before the runtime
// starts so that they leave no debug file behind.
#pragma once
#include <string>

/// What the command line asks for: a run, the usage text or the version.
enum class CommandLineRequest { Run, Usage, Version };

/// `-h`/`--help` or `--version` as the only argument; anything else is a run.
CommandLineRequest RequestOf(int argc, const char* const* argv);

/// The usage text `--help` prints, ending with a newline.
std::string UsageText();

/// The line printed after a run without any argument, pointing to the usage text.
extern const char* const kHelpHint;
