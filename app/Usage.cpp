#include "app/Usage.h"

#include <cstring>

const char* const kHelpHint = "   Run \"qarvex --help\" for the usage.";

CommandLineRequest RequestOf(int argc, const char* const* argv) {
    if (argc != 2) return CommandLineRequest::Run;
    const char* option = argv[1];
    if (std::strcmp(option, "-h") == 0 || std::strcmp(option, "--help") == 0) return CommandLineRequest::Usage;
    if (std::strcmp(option, "--version") == 0) return CommandLineRequest::Version;
    return CommandLineRequest::Run;
}

std::string UsageText() {
    return "Usage: qarvex SRIF <own-address> <srif-file>\n"
           "       qarvex TEST\n"
           "       qarvex --check\n"
           "       qarvex --help | --version\n"
           "\n"
           "SRIF  serves the file request an SRIF file describes; a mailer runs it,\n"
           "      e.g. binkd: exec \"/usr/bin/qarvex SRIF 2:5020/9999 *S\" *.req\n"
           "TEST  checks the permission list OkFile.Txt and reports broken entries\n"
           "--check  checks OkFile.Txt as serving reads it, without waiting and without\n"
           "      writing a file: one line per finding, \"OkFile.Txt:LINE: error: ...\"\n"
           "      or \"warning\", then a count; exit status 0 when no line holds an error,\n"
           "      1 when one does or the list cannot be read\n"
           "\n"
           "Files (\"qarvex --version\" says where they are):\n"
           "  OkFile.Txt    the permission list: which folders and masks may be requested\n"
           "  QARVEX.Log    the session log, one line per event, growing across runs\n"
           "  DebugNNN.Txt  the trace of a run, kept only when the run fails\n"
           "The report packet is written into the folder of the SRIF's response list.\n"
           "Relative paths, in OkFile.Txt and the SRIF, are taken from the executable's folder.\n";
}
