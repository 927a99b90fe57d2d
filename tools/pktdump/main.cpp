// pktdump: the command line around the packet reader: options, then each
// named packet read whole and dumped; exit status 1 when one was malformed.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <langinfo.h>
#include <string>
#include <vector>

#include "Universal/TextEncodingUtil.h"
#include "tools/pktdump/PacketDump.h"

using pktdump::Options;

namespace {

int dump(const char* path, const Options& options) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "pktdump: %s: cannot open\n", path);
        return 1;
    }
    return pktdump::dumpPacket(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}), path, options);
}

const char* const kUsage =
    "Usage: pktdump [--summary] [--charset NAME] PACKET...\n"
    "Prints FidoNet type-2 packets: the packet header and each message with its\n"
    "text; kludge lines (TOPT, FMPT, INTL, MSGID) are shown with the addresses\n"
    "they make.\n"
    "  -s, --summary     one line per message: addresses, date, names, subject\n"
    "  --charset NAME    the names and texts are in NAME (an iconv name such as\n"
    "                    CP866); convert them for the terminal\n"
    "  -h, --help        this text\n"
    "Exit status: 0 when every packet was read whole, 1 when one was not, 2 for\n"
    "bad arguments.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "pktdump: %s\n%s", message.c_str(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "");
    Options options;
    std::vector<const char*> packets;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-s" || arg == "--summary") {
            options.summary = true;
        } else if (arg == "--charset" || arg.starts_with("--charset=")) {
            if (arg == "--charset" && ++i == argc) return usageError("--charset needs a name");
            options.charset = arg == "--charset" ? argv[i] : arg.substr(std::strlen("--charset="));
            std::string probe;
            if (!TextEncodingConvertNamed("", options.charset.c_str(), nl_langinfo(CODESET), probe))
                return usageError("unknown charset " + options.charset);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            packets.push_back(argv[i]);
        }
    }
    if (packets.empty()) return usageError("no packet named");
    int status = 0;
    for (size_t i = 0; i < packets.size(); ++i) {
        if (packets.size() > 1) std::printf("%s== %s\n", i > 0 && !options.summary ? "\n" : "", packets[i]);
        if (dump(packets[i], options) != 0) status = 1;
    }
    return status;
}
